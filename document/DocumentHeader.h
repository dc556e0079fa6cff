#pragma once
// The document's own settings: the editor's background, the slideshow window's place and
// behaviour, the property dialog's preview background. Stored byte-exactly as the first 64
// bytes after a document stream's magic, field by field (little-endian); values the
// program does not interpret travel unchanged.

#include <QByteArray>
#include <QRect>
#include <QRgb>
#include <QtGlobal>
#include <array>

struct DocumentHeader {
    static constexpr int kSize = 64;

    QRgb backgroundLeft = 0xFF000000u; ///< the editor's background gradient, left
    QRgb backgroundRight = 0xFF000000u;
    QRgb backgroundCenter = 0xFF000000u;
    /// The flags below are stored as 32-bit values: any value but 0 is on, and the value
    /// read is written back unchanged.
    qint32 showPropertyButtons = 0; ///< the slide cells show their property buttons
    /// The slideshow window's rectangle on the screen. Stored as left, top, right and
    /// bottom (right and bottom exclusive); a damaged file may hold any corners, which
    /// the rectangle keeps as they are (its right() is the stored right minus 1).
    QRect slideshowRect = QRect(0, 0, 0, 0);
    qint32 loop = 0;                      ///< the show starts again after its last slide
    qint32 timerSwitch = 0;               ///< slides switch by their times (else by a click)
    QRgb previewBackground = 0xFF000000u; ///< behind the property dialog's preview
    qint32 topMost = 0;                   ///< the show stays above other windows
    qint32 fitToWindow = 0;               ///< small pictures grow to the show's window
    std::array<quint8, 12> reserved{};

    QByteArray toBytes() const;
    /// Reads the fields from 64 bytes. Needs at least kSize bytes.
    static DocumentHeader fromBytes(const char* p);
    bool operator==(const DocumentHeader& o) const { return toBytes() == o.toBytes(); }
};

/// The rectangle of stored corners (right and bottom exclusive), and back. Any stored
/// values come back unchanged.
QRect RectFromStoredCorners(qint32 left, qint32 top, qint32 right, qint32 bottom);
std::array<qint32, 4> StoredCornersOf(const QRect& r);
