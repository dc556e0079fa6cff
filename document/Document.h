#pragma once
// The slide record, the document header and the constants of a slide document.
// Both structures are stored byte-exactly in document files; they are written and
// read field by field (little-endian) by the functions below, never by copying memory.

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QtGlobal>
#include <array>
#include <memory>

class Picture;
using PicturePtr = std::shared_ptr<Picture>;

constexpr int kMaxSlides = 100;
constexpr int kSlidesPerPage = 20;
constexpr int kMaxPages = 5;
constexpr quint32 COLOR_NONE = 0xFFFFFFFFu;
constexpr int kMinSwitchTime = 1;
constexpr int kMaxSwitchTime = 64800;

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
    PicturePtr picture;
    quint32 reserved1 = 0; ///< never interpreted, travels with the record
    quint32 reserved2 = 0;
    COLORREF keyColor = 0;
    quint16 switchTime = 0;
    quint8 flipH = 0;
    quint8 flipV = 0;
    quint32 reserved3 = 0;
    quint32 reserved4 = 0;
    /// Image bytes read from a document that did not decode; written back unchanged
    /// while picture is null, so opening and saving never loses them. Not stored in
    /// the record's 28 bytes.
    QByteArray undecodedImage;

    /// The 28 stored bytes of the record.
    QByteArray toBytes() const;
    /// Reads the fields from 28 bytes; picture is left null. Needs at least kSize bytes.
    static SlideRecord fromBytes(const char* p);
};

struct DocumentHeader {
    static constexpr int kSize = 64;

    COLORREF backgroundLeft = 0;
    COLORREF backgroundRight = 0;
    COLORREF backgroundCenter = 0;
    qint32 showPropertyButtons = 0;
    RECT32 slideshowRect;
    qint32 loop = 0;
    qint32 timerSwitch = 0;
    COLORREF previewBackground = 0;
    qint32 topMost = 0;
    qint32 fitToWindow = 0;
    std::array<quint8, 12> reserved{};

    QByteArray toBytes() const;
    /// Reads the fields from 64 bytes. Needs at least kSize bytes.
    static DocumentHeader fromBytes(const char* p);
    bool operator==(const DocumentHeader& o) const { return toBytes() == o.toBytes(); }
};

/// The open document: its header, its slide table and the file it was read from. The
/// program edits one document at a time, reached through CurrentDocument().
struct Document {
    DocumentHeader header;
    std::array<SlideRecord, kMaxSlides> slides{};
    int slideCount = 0;
    QString filePath; ///< full path of the document file; empty when untitled

    /// Puts the document back to the program-start state: every byte of the header and
    /// the table zero, the path empty, pictures dropped.
    void Clear();
};

/// The one open document.
Document& CurrentDocument();

// Little-endian and big-endian helpers for byte-exact formats.
void PutLE16(QByteArray& out, quint16 v);
void PutLE32(QByteArray& out, quint32 v);
quint16 GetLE16(const char* p);
quint32 GetLE32(const char* p);
