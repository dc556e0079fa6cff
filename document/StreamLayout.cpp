#include "document/StreamLayout.h"

namespace layout {

std::uint32_t GetBE32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

std::uint32_t GetLE32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

std::uint16_t GetLE16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::optional<EmbeddedSpan> LocateEmbeddedStream(const unsigned char* trailer,
                                                 std::uint64_t fileSize) {
    if (fileSize < kTrailerSize || GetBE32(trailer) != kTrailerMagic)
        return std::nullopt;
    const std::uint64_t r = GetBE32(trailer + 4);
    // The runtime's own bytes come first and the stream holds at least its fixed part.
    if (r == 0 || r + kEmptyStreamSize > fileSize - kTrailerSize)
        return std::nullopt;
    return EmbeddedSpan{r, fileSize - kTrailerSize - r};
}

namespace {
ParsedStream Refused(StreamError error, std::uint32_t count = 0) {
    ParsedStream p;
    p.error = error;
    p.declaredCount = count;
    return p;
}
} // namespace

ParsedStream ParseDocumentStream(const unsigned char* data, std::size_t size) {
    if (size < 3 || data[0] != 'L' || data[1] != 'S' || data[2] != 'R')
        return Refused(StreamError::WrongFormat);
    // Too short to hold the version is not a document at all.
    if (size < 6)
        return Refused(StreamError::WrongFormat);
    if (data[3] != '0' || data[4] != '0' || data[5] != '1')
        return Refused(StreamError::WrongVersion);
    if (size < kEmptyStreamSize)
        return Refused(StreamError::WrongFormat);

    ParsedStream p;
    const unsigned char* h = data + kMagicSize;
    for (int i = 0; i < 4; ++i)
        p.header.rect[i] = std::int32_t(GetLE32(h + 0x10 + 4 * i));
    p.header.loop = std::int32_t(GetLE32(h + 0x20));
    p.header.timerSwitch = std::int32_t(GetLE32(h + 0x24));
    p.header.topMost = std::int32_t(GetLE32(h + 0x2C));
    p.header.fitToWindow = std::int32_t(GetLE32(h + 0x30));

    const std::uint32_t n = GetBE32(data + kMagicSize + kHeaderSize);
    p.declaredCount = n;
    if (n > kMaxSlides) {
        p.error = StreamError::TooManySlides;
        return p;
    }
    std::size_t at = kEmptyStreamSize;
    if (size - at < std::size_t(n) * kRecordSize)
        return Refused(StreamError::WrongFormat, n);
    p.slides.resize(n);
    for (std::uint32_t i = 0; i < n; ++i, at += kRecordSize) {
        StreamSlide& s = p.slides[i];
        s.storedKey = GetLE32(data + at + 12);
        s.switchTime = GetLE16(data + at + 16);
        s.flipH = data[at + 18];
        s.flipV = data[at + 19];
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        if (size - at < 4)
            break;
        const std::uint32_t len = GetBE32(data + at);
        at += 4;
        if (size - at < len)
            break;
        p.slides[i].imageOffset = at;
        p.slides[i].imageLength = len;
        at += len;
    }
    return p;
}

} // namespace layout
