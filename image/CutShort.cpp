#include "image/CutShort.h"

#include "image/FileBytes.h"

#include <cstring>

namespace {

/// What a walk over a file's structure found.
enum class Walk { Complete, CutShort, Unknown };

quint32 LE16(const uchar* p) {
    return quint32(p[0]) | (quint32(p[1]) << 8);
}

quint32 LE32(const uchar* p) {
    return LE16(p) | (LE16(p + 2) << 16);
}

/// Segments from the start marker on; after each scan, the entropy-coded data runs to
/// the next marker that is neither a stuffed 0xFF nor a restart marker. The picture is
/// complete at the end marker (FFD9); trailing data after it does not matter.
Walk WalkJpeg(const uchar* p, qint64 n) {
    qint64 pos = 2;
    for (;;) {
        if (pos >= n)
            return Walk::CutShort;
        if (p[pos] != 0xFF)
            return Walk::Unknown;         // stray bytes between segments: not ours to judge
        while (pos < n && p[pos] == 0xFF) // fill bytes before a marker
            ++pos;
        if (pos >= n)
            return Walk::CutShort;
        const uchar marker = p[pos++];
        if (marker == 0xD9)
            return Walk::Complete;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (pos + 2 > n)
            return Walk::CutShort;
        const qint64 length = (qint64(p[pos]) << 8) | p[pos + 1];
        if (length < 2)
            return Walk::Unknown;
        pos += length;
        if (pos > n)
            return Walk::CutShort;
        if (marker != 0xDA)
            continue;
        for (;;) {
            const void* ff = std::memchr(p + pos, 0xFF, size_t(n - pos));
            if (!ff)
                return Walk::CutShort;
            pos = static_cast<const uchar*>(ff) - p;
            if (pos + 1 >= n)
                return Walk::CutShort;
            const uchar next = p[pos + 1];
            if (next == 0xFF)
                ++pos; // a fill byte; the marker follows
            else if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                pos += 2; // a stuffed data byte or a restart marker
            else
                break; // the next segment's marker
        }
    }
}

/// Skips a GIF's data sub-blocks up to their empty terminator; false when they run past
/// the end.
bool SkipGifSubBlocks(const uchar* p, qint64 n, qint64& pos) {
    for (;;) {
        if (pos >= n)
            return false;
        const qint64 length = p[pos++];
        if (length == 0)
            return true;
        pos += length;
    }
}

/// Blocks from the header on, up to the end of the first image (the one a slide shows):
/// a file cut after it still gives the whole picture.
Walk WalkGif(const uchar* p, qint64 n) {
    if (n < 13)
        return Walk::CutShort;
    qint64 pos = 13;
    if (p[10] & 0x80)
        pos += 3 * (qint64(1) << ((p[10] & 7) + 1)); // global colour table
    for (;;) {
        if (pos >= n)
            return Walk::CutShort;
        const uchar block = p[pos++];
        if (block == 0x3B)
            return Walk::Complete; // the trailer: no image at all, nothing cut
        if (block == 0x21) {       // extension: label, then sub-blocks
            ++pos;
            if (!SkipGifSubBlocks(p, n, pos))
                return Walk::CutShort;
        } else if (block == 0x2C) { // image: descriptor, local table, code size, data
            if (pos + 9 > n)
                return Walk::CutShort;
            const uchar flags = p[pos + 8];
            pos += 9;
            if (flags & 0x80)
                pos += 3 * (qint64(1) << ((flags & 7) + 1));
            ++pos; // the LZW minimum code size
            return SkipGifSubBlocks(p, n, pos) ? Walk::Complete : Walk::CutShort;
        } else {
            return Walk::Unknown;
        }
    }
}

/// An uncompressed (or bit-field) BMP needs its pixel offset plus one padded row per
/// line of the picture; compressed ones have no length to compare with.
Walk WalkBmp(const uchar* p, qint64 n) {
    if (n < 26)
        return Walk::Unknown;
    const qint64 offset = LE32(p + 10);
    const quint32 headerSize = LE32(p + 14);
    qint64 width = 0, height = 0;
    quint32 bitCount = 0, compression = 0;
    if (headerSize == 12) { // the old OS/2 header
        width = LE16(p + 18);
        height = LE16(p + 20);
        bitCount = LE16(p + 24);
    } else if (headerSize >= 40 && n >= 34) {
        width = qint32(LE32(p + 18));
        height = qint32(LE32(p + 22));
        bitCount = LE16(p + 28);
        compression = LE32(p + 30);
    } else {
        return Walk::Unknown;
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const bool knownDepth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                            bitCount == 24 || bitCount == 32;
    if (!uncompressed || !knownDepth || width <= 0 || height == 0)
        return Walk::Unknown;
    const qint64 rows = height < 0 ? -height : height;
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    return n < offset + stride * rows ? Walk::CutShort : Walk::Complete;
}

} // namespace

bool ImageDataCutShort(const uchar* data, qint64 size) {
    if (!data || size < 4)
        return false;
    Walk walk = Walk::Unknown;
    if (data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        // Nearly every whole JPEG ends with its end marker: no need to walk its data. (A
        // file cut right after an embedded thumbnail's end marker lacks the picture's
        // own frame and does not decode at all.)
        if (data[size - 2] == 0xFF && data[size - 1] == 0xD9)
            return false;
        walk = WalkJpeg(data, size);
    }
    else if (std::memcmp(data, "GIF8", 4) == 0)
        walk = WalkGif(data, size);
    else if (data[0] == 'B' && data[1] == 'M')
        walk = WalkBmp(data, size);
    return walk == Walk::CutShort;
}

bool ImageFileCutShort(const QString& path) {
    const FileBytes file(path);
    return file.status() == FileBytes::Ok && ImageDataCutShort(file.data(), file.size());
}
