#pragma once
// A slide picture: the decoded image plus the image-file bytes it was decoded from.
// Saving gives those bytes back unchanged; a picture made from pixels saves as an
// uncompressed BMP file.

#include "document/Document.h"
#include "document/ImageLimits.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

class QIODevice;

/// The pixel size an image file's header declares, read without decoding any pixels;
/// invalid when the bytes are no image the readers know.
QSize DeclaredPictureSize(const QByteArray& bytes);
/// True when a declared size is larger than kMaxImagePixels.
bool ExceedsPictureLimit(QSize size);

class Picture {
public:
    /// Decodes image-file bytes (any format the image readers know). Null when they
    /// do not decode or declare more than kMaxImagePixels (checked before decoding).
    static PicturePtr fromBytes(const QByteArray& bytes);
    /// A picture made from pixels; it has no source bytes. Null for a null image.
    static PicturePtr fromImage(const QImage& image);

    const QImage& image() const { return m_image; }
    const QByteArray& sourceBytes() const { return m_bytes; }
    /// The image-file bytes: the source bytes, or a BMP file for a picture made from pixels.
    QByteArray save() const;
    /// The length of what save() gives, without encoding anything.
    qint64 savedSize() const;
    QSize size() const { return m_image.size(); }

private:
    QImage m_image;
    QByteArray m_bytes;
};

/// Pixel size of a picture; 0 x 0 for a null picture.
QSize GetPictureSize(const Picture* picture);
inline QSize GetPictureSize(const PicturePtr& picture) {
    return GetPictureSize(picture.get());
}

/// Reads exactly `count` bytes from `in` and decodes them. Null when the count is
/// impossible (negative, or more than the device still holds: nothing is read then),
/// when the read is short, or when the bytes do not decode (they are consumed then).
PicturePtr LoadPictureFromStream(QIODevice& in, qint64 count);

/// The picture's image-file bytes; false (and `out` empty) when there are none.
bool SavePictureToStream(const Picture* picture, QByteArray& out);

/// The length of the BMP file EncodeBmp makes of a `size` picture, with or without an
/// alpha channel.
qint64 EncodedBmpSize(QSize size, bool alpha);

/// Encodes an image as an uncompressed BMP file (32 bits per pixel when it has an
/// alpha channel, else 24).
QByteArray EncodeBmp(const QImage& image);
