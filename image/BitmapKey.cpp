#include "image/BitmapKey.h"

#include "app/Prompts.h"
#include "image/FileBytes.h"

namespace {

quint32 LE32(const uchar* p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

} // namespace

BitmapKeyScan ScanBitmapColorKey(const uchar* buf, qint64 len, COLORREF& key) {
    key = COLOR_NONE;
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
            key = RGB(p[2], p[1], p[0]);
            return BitmapKeyScan::Found;
        }
    }
    return BitmapKeyScan::NotFound;
}

bool ReadBitmapColorKey(const QString& path, COLORREF& key) {
    key = COLOR_NONE;
    const FileBytes file(path);
    QString prefix;
    switch (file.status()) {
    case FileBytes::OpenFailed:
        prefix = QStringLiteral("ファイルオープンエラー\n");
        break;
    case FileBytes::NoMemory:
        prefix = QStringLiteral("メモリ確保エラー\n");
        break;
    case FileBytes::ShortRead:
        prefix = QStringLiteral("データ読込みエラー\n");
        break;
    case FileBytes::Ok:
        break;
    }
    if (prefix.isEmpty()) {
        const BitmapKeyScan scan = ScanBitmapColorKey(file.data(), file.size(), key);
        if (scan == BitmapKeyScan::Found)
            return true;
        if (scan == BitmapKeyScan::NotFound)
            return false;
        prefix = QStringLiteral("形式判別エラー\n");
    }
    ShowMessage(30011, prefix, nullptr, MsgKind::Error);
    key = COLOR_NONE;
    return false;
}
