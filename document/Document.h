#pragma once
// The slide record, the document header and the constants of a slide document.
// Both structures are stored byte-exactly in document files; they are written and
// read field by field (little-endian) by the functions below, never by copying memory.

#include <QByteArray>
#include <QColor>
#include <QtGlobal>
#include <array>
#include <memory>

class Picture;
using PicturePtr = std::shared_ptr<Picture>;

constexpr int MAX_SLIDES = 100;
constexpr int SLIDES_PER_PAGE = 20;
constexpr int MAX_PAGES = 5;
constexpr quint32 COLOR_NONE = 0xFFFFFFFFu;
constexpr int SWITCH_TIME_MIN = 1;
constexpr int SWITCH_TIME_MAX = 64800;

/// A colour reference 0x00BBGGRR (red in the low byte).
using COLORREF = quint32;
constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return int((c >> 16) & 0xFF);
}
/// The colour reference as an opaque QColor and as an opaque QRgb.
inline QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline QRgb ToQRgb(COLORREF c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

/// Left, top, right, bottom; right and bottom are exclusive. All zero = empty.
struct RECT32 {
    qint32 left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const RECT32& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const RECT32& o) const { return !(*this == o); }
};

struct SlideRecord {
    static constexpr int kSize = 28;

    /// The slide's picture; null when the picture failed to load. In files this field
    /// is stored as 1 (a picture) or 0 (none) and ignored when read.
    PicturePtr pPicture;
    quint32 dwReserved1 = 0; ///< never interpreted, travels with the record
    quint32 dwReserved2 = 0;
    COLORREF crTransparent = 0;
    quint16 wSwitchTime = 0;
    quint8 bFlipH = 0;
    quint8 bFlipV = 0;
    quint32 dwReserved3 = 0;
    quint32 dwReserved4 = 0;
    /// Image bytes read from a document that did not decode; written back unchanged
    /// while pPicture is null, so opening and saving never loses them. Not stored in
    /// the record's 28 bytes.
    QByteArray undecodedImage;

    /// The 28 stored bytes of the record.
    QByteArray toBytes() const;
    /// Reads the fields from 28 bytes; pPicture is left null. Needs at least kSize bytes.
    static SlideRecord fromBytes(const char* p);
};

struct DocHeader {
    static constexpr int kSize = 64;

    COLORREF crBackLeft = 0;
    COLORREF crBackRight = 0;
    COLORREF crBackCenter = 0;
    qint32 bShowPropButton = 0;
    RECT32 rcShowWindow;
    qint32 bLoop = 0;
    qint32 bTimerSwitch = 0;
    COLORREF crPreviewBack = 0;
    qint32 bTopMost = 0;
    qint32 bFitToWindow = 0;
    std::array<quint8, 12> byReserved{};

    QByteArray toBytes() const;
    /// Reads the fields from 64 bytes. Needs at least kSize bytes.
    static DocHeader fromBytes(const char* p);
    bool operator==(const DocHeader& o) const { return toBytes() == o.toBytes(); }
};

// Little-endian and big-endian helpers for byte-exact formats.
void PutLE16(QByteArray& out, quint16 v);
void PutLE32(QByteArray& out, quint32 v);
quint16 GetLE16(const char* p);
quint32 GetLE32(const char* p);
