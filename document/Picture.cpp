#include "document/Picture.h"

#include "base/ByteOrder.h"
#include "document/PngDecoder.h"

#include <QBuffer>
#include <QIODevice>
#include <QImageReader>

namespace {

QImage toStorageFormat(QImage image) {
    if (image.isNull())
        return image;
    const auto fmt = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != fmt)
        image = image.convertToFormat(fmt);
    return image;
}

} // namespace

QSize DeclaredPictureSize(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.size();
}

bool ExceedsPictureLimit(QSize size) {
    return size.isValid() && qint64(size.width()) * qint64(size.height()) > kMaxImagePixels;
}

PicturePtr Picture::fromBytes(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return nullptr;
    if (HasPngSignature(bytes)) {
        // PNG pixels come from our own decoder, the same on every build.
        QImage image = DecodePngImage(bytes);
        if (image.isNull())
            return nullptr;
        auto picture = std::make_shared<Picture>();
        picture->m_image = std::move(image);
        picture->m_bytes = bytes;
        return picture;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    // A few bytes may declare gigabytes of pixels: the header is checked first.
    if (ExceedsPictureLimit(reader.size()))
        return nullptr;
    QImage image = reader.read();
    if (image.isNull() || ExceedsPictureLimit(image.size()))
        return nullptr;
    auto picture = std::make_shared<Picture>();
    picture->m_image = toStorageFormat(std::move(image));
    picture->m_bytes = bytes;
    return picture;
}

PicturePtr Picture::fromImage(const QImage& image) {
    if (image.isNull())
        return nullptr;
    auto picture = std::make_shared<Picture>();
    picture->m_image = toStorageFormat(image);
    return picture;
}

QByteArray Picture::save() const {
    if (!m_bytes.isEmpty())
        return m_bytes;
    return EncodeBmp(m_image);
}

qint64 Picture::savedSize() const {
    if (!m_bytes.isEmpty())
        return m_bytes.size();
    return m_image.isNull() ? 0 : EncodedBmpSize(m_image.size(), m_image.hasAlphaChannel());
}

qint64 EncodedBmpSize(QSize size, bool alpha) {
    const qint64 stride = ((qint64(size.width()) * (alpha ? 32 : 24) + 31) / 32) * 4;
    const qint64 fileSize = 54 + stride * size.height();
    return fileSize > 0x7FFFFFFF ? 0 : fileSize; // EncodeBmp refuses larger ones
}

QSize GetPictureSize(const Picture* picture) {
    if (!picture)
        return QSize(0, 0);
    return picture->size();
}

PicturePtr LoadPictureFromStream(QIODevice& in, qint64 count) {
    if (count <= 0)
        return nullptr;
    if (!in.isSequential() && count > in.size() - in.pos())
        return nullptr; // more than the file holds: reserve nothing, read nothing
    QByteArray bytes;
    try {
        bytes.resize(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (bytes.size() != count)
        return nullptr;
    if (in.read(bytes.data(), count) != count)
        return nullptr;
    return Picture::fromBytes(bytes);
}

bool SavePictureToStream(const Picture* picture, QByteArray& out) {
    out.clear();
    if (!picture)
        return false;
    out = picture->save();
    return !out.isEmpty();
}

QByteArray EncodeBmp(const QImage& source) {
    if (source.isNull())
        return {};
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const int bpp = alpha ? 32 : 24;
    const qint64 stride = ((qint64(w) * bpp + 31) / 32) * 4;
    const qint64 pixelBytes = stride * h;
    const qint64 fileSize = EncodedBmpSize(image.size(), alpha);
    if (fileSize == 0)
        return {};
    QByteArray out;
    out.reserve(int(fileSize));
    out.append("BM", 2);
    PutLE32(out, quint32(fileSize));
    PutLE32(out, 0);
    PutLE32(out, 54);
    PutLE32(out, 40); // BITMAPINFOHEADER
    PutLE32(out, quint32(w));
    PutLE32(out, quint32(h));
    PutLE16(out, 1);
    PutLE16(out, quint16(bpp));
    PutLE32(out, 0); // BI_RGB, uncompressed
    PutLE32(out, quint32(pixelBytes));
    PutLE32(out, 2835); // 72 dpi
    PutLE32(out, 2835);
    PutLE32(out, 0);
    PutLE32(out, 0);
    QByteArray row(int(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        char* d = row.data();
        for (int x = 0; x < w; ++x) {
            const QRgb p = src[x];
            *d++ = char(qBlue(p));
            *d++ = char(qGreen(p));
            *d++ = char(qRed(p));
            if (alpha)
                *d++ = char(qAlpha(p));
        }
        out.append(row);
    }
    return out;
}
