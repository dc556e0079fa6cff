#include "tests/support/HugePicture.h"

#include <QtEndian>
#include <zlib.h>

namespace {

void PutBE32(QByteArray& out, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void PutChunk(QByteArray& out, const char* type, const QByteArray& data) {
    PutBE32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out.append(typed);
    PutBE32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                               uInt(typed.size()))));
}

} // namespace

QByteArray HalfBlackPng(int width, int height, int split) {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    PutBE32(ihdr, quint32(width));
    PutBE32(ihdr, quint32(height));
    ihdr.append(char(1)); // bit depth
    ihdr.append(char(0)); // grey
    ihdr.append(3, '\0'); // deflate, adaptive filtering, not interlaced
    PutChunk(png, "IHDR", ihdr);

    // Every row the same: filter byte 0, then bits 0 (black) before `split`, 1 after.
    const int rowBytes = (width + 7) / 8;
    QByteArray row(rowBytes + 1, '\0');
    for (int x = split; x < width; ++x)
        row[1 + x / 8] = char(row[1 + x / 8] | (0x80 >> (x % 8)));
    z_stream z{};
    deflateInit(&z, 9);
    QByteArray idat;
    QByteArray buffer(1 << 16, '\0');
    for (int y = 0; y <= height; ++y) {
        const bool last = y == height;
        z.next_in = reinterpret_cast<Bytef*>(last ? nullptr : row.data());
        z.avail_in = last ? 0 : uInt(row.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer.data());
            z.avail_out = uInt(buffer.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            idat.append(buffer.constData(), buffer.size() - int(z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", QByteArray());
    return png;
}

QByteArray EmptyGif(int width, int height) {
    const auto le16 = [](int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); };
    QByteArray gif("GIF89a");
    gif += le16(width) + le16(height);
    gif += QByteArray::fromHex("800000");       // a global table of two colours
    gif += QByteArray::fromHex("000000FFFFFF"); // black, white
    gif += char(0x2C) + le16(0) + le16(0) + le16(width) + le16(height) + char(0);
    // Code size 2: the clear code 4 and the end code 5 in three bits each, first bits
    // lowest: 100, 101 -> 0b00101100.
    gif += QByteArray::fromHex("02012C00");
    gif += char(0x3B);
    return gif;
}
