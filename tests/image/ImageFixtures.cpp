#include "tests/image/ImageFixtures.h"

#include "base/ByteOrder.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <zlib.h>

namespace {

void PutBE32(QByteArray& out, quint32 v) {
    out.append(char(v >> 24));
    out.append(char(v >> 16));
    out.append(char(v >> 8));
    out.append(char(v));
}

void PutChunk(QByteArray& out, const QByteArray& name, const QByteArray& data) {
    PutBE32(out, quint32(data.size()));
    const QByteArray body = name + data;
    out.append(body);
    PutBE32(out,
            quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

} // namespace

QByteArray MakePng(int width, int height, int bitDepth, int colourType,
                   const QList<PngChunk>& chunks, const QByteArray& rawRows) {
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    PutBE32(ihdr, quint32(width));
    PutBE32(ihdr, quint32(height));
    ihdr.append(char(bitDepth));
    ihdr.append(char(colourType));
    ihdr.append(char(0));
    ihdr.append(char(0));
    ihdr.append(char(0));
    PutChunk(out, "IHDR", ihdr);
    for (const PngChunk& c : chunks)
        PutChunk(out, c.name, c.data);
    uLongf size = compressBound(uLong(rawRows.size()));
    QByteArray z(int(size), '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &size,
              reinterpret_cast<const Bytef*>(rawRows.constData()), uLong(rawRows.size()), 1);
    z.resize(int(size));
    PutChunk(out, "IDAT", z);
    PutChunk(out, "IEND", QByteArray());
    return out;
}

QByteArray MakePalettePng(int width, int height, const QVector<QRgb>& palette,
                          const QByteArray& trns, int fill) {
    QByteArray plte;
    for (QRgb c : palette) {
        plte.append(char(qRed(c)));
        plte.append(char(qGreen(c)));
        plte.append(char(qBlue(c)));
    }
    QByteArray rows;
    for (int y = 0; y < height; ++y) {
        rows.append(char(0));
        rows.append(QByteArray(width, char(fill)));
    }
    QList<PngChunk> chunks{{"PLTE", plte}};
    if (!trns.isNull())
        chunks.append({"tRNS", trns});
    return MakePng(width, height, 8, 3, chunks, rows);
}

QByteArray MakeRgbaPng(const QImage& source, const QList<PngChunk>& extra) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.append(char(0));
        const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            rows.append(char(qRed(p[x])));
            rows.append(char(qGreen(p[x])));
            rows.append(char(qBlue(p[x])));
            rows.append(char(qAlpha(p[x])));
        }
    }
    return MakePng(image.width(), image.height(), 8, 6, extra, rows);
}

QByteArray MakeBmp32(int width, int height, const QVector<quint32>& px, int imageSizeField) {
    const int pixelBytes = width * height * 4;
    QByteArray out("BM");
    PutLE32(out, quint32(54 + pixelBytes));
    PutLE32(out, 0);
    PutLE32(out, 54);
    PutLE32(out, 40);
    PutLE32(out, quint32(width));
    PutLE32(out, quint32(height));
    PutLE16(out, 1);
    PutLE16(out, 32);
    PutLE32(out, 0);
    PutLE32(out, quint32(imageSizeField < 0 ? pixelBytes : imageSizeField));
    PutLE32(out, 2835);
    PutLE32(out, 2835);
    PutLE32(out, 0);
    PutLE32(out, 0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            PutLE32(out, px[y * width + x]);
    return out;
}

QByteArray MakeGif(int width, int height, const QVector<QRgb>& palette,
                   const QList<QByteArray>& frames, int transparent) {
    QByteArray out("GIF89a");
    PutLE16(out, quint16(width));
    PutLE16(out, quint16(height));
    out.append(char(0xF7)); // global table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    for (const QByteArray& indices : frames) {
        // Graphic control extension.
        out.append("\x21\xF9\x04", 3);
        out.append(char(transparent >= 0 ? 0x01 : 0x00));
        PutLE16(out, 10);
        out.append(char(transparent >= 0 ? transparent : 0));
        out.append(char(0));
        // Image descriptor.
        out.append(char(0x2C));
        PutLE16(out, 0);
        PutLE16(out, 0);
        PutLE16(out, quint16(width));
        PutLE16(out, quint16(height));
        out.append(char(0));
        // LZW data with 8-bit codes: literals only, a clear code every 100 of them, so
        // the code width stays 9 bits.
        out.append(char(8));
        QByteArray data;
        quint32 acc = 0;
        int bits = 0;
        const auto putCode = [&](int code) {
            acc |= quint32(code) << bits;
            bits += 9;
            while (bits >= 8) {
                data.append(char(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        };
        for (int i = 0; i < indices.size(); ++i) {
            if (i % 100 == 0)
                putCode(256);
            putCode(quint8(indices[i]));
        }
        putCode(257);
        if (bits > 0)
            data.append(char(acc & 0xFF));
        for (int pos = 0; pos < data.size(); pos += 255) {
            const QByteArray block = data.mid(pos, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

QByteArray Encode(const QImage& img, const char* format, int quality, bool optimized,
                  bool progressive) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, format);
    w.setQuality(quality);
    w.setOptimizedWrite(optimized);
    w.setProgressiveScanWrite(progressive);
    w.write(img);
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QRgb PixelAt(const QImage& image, int x, int y) {
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

QString ImageFolderTest::file(const QString& name, const QByteArray& bytes) {
    const QString path = m_dir.filePath(name);
    EXPECT_TRUE(WriteFile(path, bytes));
    return path;
}
