// The pure scan of a BMP file's bytes, kept apart from the messages so the fuzz
// target can build it alone.
#include "image/BitmapKey.h"

namespace {

quint32 LE32(const uchar* p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

} // namespace

BitmapKeyScan ScanBitmapColorKey(const uchar* buf, qint64 len, KeyColor& key) {
    key = std::nullopt;
    if (!buf || len < 2 || buf[0] != 'B' || buf[1] != 'M')
        return BitmapKeyScan::NotBitmap;
    // Bit count at 28 (16 bits), pixel offset at 10, image size at 34 (32 bits each).
    if (len < 38)
        return BitmapKeyScan::NotFound;
    const int bitCount = int(buf[28]) | (int(buf[29]) << 8);
    if (bitCount != 32)
        return BitmapKeyScan::NotFound;
    const quint64 offset = LE32(buf + 10);
    const quint64 pixels = LE32(buf + 34) / 4;
    if (offset >= quint64(len))
        return BitmapKeyScan::NotFound;
    // Pixels that would run past the end of the file are not examined.
    const quint64 inFile = (quint64(len) - offset) / 4;
    const quint64 count = pixels < inFile ? pixels : inFile;
    const uchar* p = buf + offset;
    for (quint64 i = 0; i < count; ++i, p += 4) {
        if (p[3] == 0 || p[3] == 237) {
            key = qRgb(p[2], p[1], p[0]);
            return BitmapKeyScan::Found;
        }
    }
    return BitmapKeyScan::NotFound;
}
