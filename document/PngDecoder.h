#pragma once
// Our own PNG reader on top of libpng: every PNG picture, from an image file or from a
// document, is decoded here, so the pixels are the same on every build and never hold
// stale memory. The stored sample values are kept as they are (no gamma correction).

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

/// What decoding a PNG file gives.
struct PngImage {
    /// Format_ARGB32, straight alpha: palettes expanded, grey made RGB, 16-bit samples
    /// rounded to 8 bits, the transparent colour (tRNS) turned into alpha 0. Null when
    /// nothing could be decoded.
    QImage image;
    /// The pixel data broke off or is corrupt. The rows before the break are in `image`;
    /// the pixels not reached are transparent black.
    bool damaged = false;
    /// The file declares transparency: an alpha channel, a transparent colour, or a
    /// palette entry that is not fully opaque.
    bool transparent = false;
    /// Why the file was refused or is damaged; empty when it decoded completely.
    QString error;
};

/// Whether `head` starts with the eight bytes every PNG file starts with.
bool HasPngSignature(const QByteArray& head);

/// Decodes a PNG file held in memory. Pictures larger than kMaxImagePixels, or whose
/// pixels would exceed the image readers' allocation limit, are refused before any
/// pixel memory is taken.
PngImage DecodePng(const QByteArray& bytes);

/// The same, reading the file from the device's current position.
PngImage DecodePng(QIODevice& device);

/// The pixels of complete PNG bytes as a picture keeps them: ARGB32 when the file
/// declares transparency, RGB32 when it does not. Null when the bytes are not PNG, are
/// refused, or are damaged.
QImage DecodePngImage(const QByteArray& bytes);
