#pragma once
// The document stream and the standalone executable's trailer read from bytes in
// memory, free of any toolkit: the Windows player runtime reads its slides with it, and
// the Qt program finds the stream inside an executable with it.
//
// Stream: "LSR001    ", the 64-byte header, the slide count (big-endian), 28-byte
// records (little-endian fields), then per slide a big-endian length and that many
// image bytes. Executable: the runtime's bytes, the stream, 03 CA 19 3A and the
// runtime's length (big-endian).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace layout {

constexpr std::uint32_t kTrailerMagic = 0x03CA193Au; // 63576378
constexpr std::size_t kTrailerSize = 8;
constexpr std::size_t kMagicSize = 10;
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kRecordSize = 28;
/// A stream without slides: magic, header and count.
constexpr std::size_t kEmptyStreamSize = kMagicSize + kHeaderSize + 4;
constexpr std::uint32_t kMaxSlides = 100;
/// The stored transparent colour of a slide without one.
constexpr std::uint32_t kStoredNoKey = 0xFFFFFFFFu;

std::uint32_t GetBE32(const unsigned char* p);
std::uint32_t GetLE32(const unsigned char* p);
std::uint16_t GetLE16(const unsigned char* p);

/// Where the document stream lies inside an executable of `fileSize` bytes whose last
/// 8 bytes are `trailer`.
struct EmbeddedSpan {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};
/// The stream's place when the trailer is whole and consistent: the magic, and a
/// runtime length that leaves room for at least a stream without slides.
std::optional<EmbeddedSpan> LocateEmbeddedStream(const unsigned char* trailer,
                                                 std::uint64_t fileSize);

/// Why a stream was refused.
enum class StreamError {
    None,
    WrongFormat,   ///< not "LSR", or cut short before its records end
    WrongVersion,  ///< "LSR" with other version digits than "001"
    TooManySlides, ///< a slide count above 100 (see `declaredCount`)
};

/// One slide as the show needs it; the image is a span of the parsed bytes (length 0
/// when the stream ends before the slide's block or the block is empty).
struct StreamSlide {
    std::uint32_t storedKey = kStoredNoKey; ///< 0x00BBGGRR, or kStoredNoKey
    std::uint16_t switchTime = 0;           ///< seconds
    std::uint8_t flipH = 0;                 ///< any value but 0 mirrors
    std::uint8_t flipV = 0;
    std::size_t imageOffset = 0;
    std::size_t imageLength = 0;
};

/// The header fields the show uses, as stored (flags: any value but 0 is on).
struct StreamHeader {
    std::int32_t rect[4] = {}; ///< the show's left, top, right, bottom (exclusive)
    std::int32_t loop = 0;
    std::int32_t timerSwitch = 0;
    std::int32_t topMost = 0;
    std::int32_t fitToWindow = 0;
};

struct ParsedStream {
    StreamError error = StreamError::None;
    std::uint32_t declaredCount = 0; ///< the count the stream declares
    StreamHeader header;
    std::vector<StreamSlide> slides; ///< empty after an error
};

/// Reads a stream of `size` bytes with the reader's rules, in their order: the magic's
/// letters, its version, the header, the count (at most 100), the records; then each
/// slide's block, where a length beyond the data ends the blocks (the slides after it
/// have no image) and the slides themselves stay.
ParsedStream ParseDocumentStream(const unsigned char* data, std::size_t size);

} // namespace layout
