#include "image/PngColorKeyReader.h"

#include "image/FileBytes.h"

#include <cstring>

namespace {

const uchar kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

/// Position of the first occurrence of the four-letter `name` at or after offset 8,
/// searching while the position is below len - 4; -1 when there is none.
qint64 FindName(const uchar* buf, qint64 len, const char* name) {
    for (qint64 i = 8; i < len - 4; ++i) {
        if (std::memcmp(buf + i, name, 4) == 0)
            return i;
    }
    return -1;
}

} // namespace

bool PngColorKeyReader::ReadPngColorKeyFromBytes(const uchar* buf, qint64 len, KeyColor& key) {
    key = std::nullopt;
    if (!buf || len < 8 || std::memcmp(buf, kSignature, 8) != 0)
        return false;
    const qint64 i = FindName(buf, len, "IHDR");
    if (i < 0 || i + 13 >= len)
        return false; // no IHDR, or one whose colour type lies past the end
    const int colourType = buf[i + 13];

    if (colourType == 4 || colourType == 6) {
        // Images with an alpha channel: the background colour, else white.
        key = qRgb(255, 255, 255);
        const qint64 j = FindName(buf, len, "bKGD");
        if (colourType == 4 && j >= 0 && j + 5 < len) {
            const int g = buf[j + 5];
            key = qRgb(g, g, g);
        } else if (colourType == 6 && j >= 0 && j + 9 < len) {
            key = qRgb(buf[j + 5], buf[j + 7], buf[j + 9]);
        }
        return true;
    }

    const qint64 j = FindName(buf, len, "tRNS");
    if (j < 0 || colourType != 3)
        return true; // grey and truecolour transparency is not used
    // The chunk's length precedes its name (j >= 8, so these bytes exist).
    const quint64 n = (quint64(buf[j - 4]) << 24) | (quint64(buf[j - 3]) << 16) |
                      (quint64(buf[j - 2]) << 8) | quint64(buf[j - 1]);
    // Alpha bytes that lie past the end of the file are not there to be read.
    const quint64 available = quint64(len - (j + 4) > 0 ? len - (j + 4) : 0);
    const quint64 count = n < available ? n : available;
    qint64 k = -1;
    for (quint64 e = 0; e < count; ++e) {
        if (buf[j + 4 + qint64(e)] != 255) {
            k = qint64(e);
            break;
        }
    }
    if (k < 0)
        return true;
    const qint64 p = FindName(buf, len, "PLTE");
    if (p < 0)
        return true;
    // The palette entry must lie inside both the palette chunk and the file.
    const quint64 plteLength = (quint64(buf[p - 4]) << 24) | (quint64(buf[p - 3]) << 16) |
                               (quint64(buf[p - 2]) << 8) | quint64(buf[p - 1]);
    if (quint64(k) * 3 + 3 > plteLength || p + 6 + 3 * k >= len)
        return true;
    key = qRgb(buf[p + 4 + 3 * k], buf[p + 5 + 3 * k], buf[p + 6 + 3 * k]);
    return true;
}

bool PngColorKeyReader::ReadPngColorKey(const QString& path, KeyColor& key) {
    key = std::nullopt;
    const FileBytes file(path);
    if (file.status() != FileBytes::Ok)
        return false;
    return ReadPngColorKeyFromBytes(file.data(), file.size(), key);
}
