// BMP files decoded row by row: 1, 4, 8, 16, 24 and 32 bits per pixel, palettes, channel
// masks, and the run-length encodings of 4 and 8 bits per pixel.
//
// The pixels are those Qt's own BMP reader gives for the same file, converted to
// 0xAARRGGBB. Where that reader refuses a whole, plain file, or leaves pixels undefined,
// the choice made here is said where it is made.

#include "codec/Decoders.h"

#include <algorithm>
#include <new>
#include <vector>

namespace codec::detail {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
/// Pixels a run-length file skips over (with a jump, an end of line or an early end of
/// the picture). Qt leaves them as whatever its buffer held; here they are see-through,
/// as the file leaves them unpainted.
constexpr std::uint32_t kSkipped = 0x00000000u;

// Compression values of the info headers.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;

// Sizes of the headers read: the core header of 12 bytes and the info headers that
// follow one another in their first fields (40, with masks 52, with an alpha mask 56,
// the colour space ones 108 and 124).
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kMaskHeader = 52;
constexpr std::uint32_t kAlphaMaskHeader = 56;
constexpr std::uint32_t kColourSpaceHeader = 108;
constexpr std::uint32_t kProfileHeader = 124;

std::uint16_t U16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

/// One channel of a packed 16- or 32-bit pixel. Its value is scaled to 8 bits as Qt's
/// reader scales it: multiplied by 256 / (largest value + 1), so a 5-bit 31 gives 248,
/// and a channel wider than 8 bits gives 0.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t scale = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        scale = std::uint32_t(256u / (std::uint64_t(mask >> shift) + 1u));
    }
    std::uint32_t Of(std::uint32_t pixel) const { return ((pixel & mask) >> shift) * scale; }
};

struct Header {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[4] = {}; ///< red, green, blue, alpha of 16- and 32-bit pixels
    std::size_t paletteAt = 0;
    int paletteEntry = 4;     ///< bytes per palette entry: 3 after a core header
    int paletteCount = 0;     ///< entries that are in the file
    std::uint64_t dataAt = 0; ///< where the pixels start; may lie at or past the end
};

/// Reads the headers, the masks and where the palette and the pixels are. Returns why the
/// file is refused, or nullptr.
const char* ReadHeader(const std::uint8_t* data, std::size_t size, Header& h) {
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        return "not a BMP file, or its header is cut short";
    const std::uint32_t headerSize = U32(data + kFileHeaderSize);
    const bool core = headerSize == kCoreHeader;
    if (!core && headerSize != kInfoHeader && headerSize != kMaskHeader &&
        headerSize != kAlphaMaskHeader && headerSize != kColourSpaceHeader &&
        headerSize != kProfileHeader)
        return "unsupported BMP header";
    if (size < kFileHeaderSize + headerSize)
        return "the BMP header is cut short";
    const std::uint8_t* info = data + kFileHeaderSize;
    std::int64_t width, height;
    std::uint32_t planes, clrUsed = 0;
    if (core) {
        // Qt reads the core header's sizes as signed: a negative height is top-down.
        width = std::int16_t(U16(info + 4));
        height = std::int16_t(U16(info + 6));
        planes = U16(info + 8);
        h.bits = U16(info + 10);
        h.compression = kRgb;
        h.paletteEntry = 3;
    } else {
        width = std::int32_t(U32(info + 4));
        height = std::int32_t(U32(info + 8));
        planes = U16(info + 12);
        h.bits = U16(info + 14);
        h.compression = U32(info + 16);
        clrUsed = U32(info + 32);
    }
    if (planes != 1)
        return "unsupported BMP plane count";
    if (width <= 0 || height == 0)
        return "the BMP declares no pixels";
    if (height < -std::int64_t(0x7FFFFFFF))
        return "the BMP's height is out of range";
    h.topDown = height < 0;
    h.width = int(width);
    h.height = int(height < 0 ? -height : height);
    switch (h.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return "unsupported BMP depth";
    }
    const bool packed = h.bits == 16 || h.bits == 32;
    switch (h.compression) {
    case kRgb:
        break;
    case kRle8:
        if (h.bits != 8)
            return "unsupported BMP compression";
        break;
    case kRle4:
        if (h.bits != 4)
            return "unsupported BMP compression";
        break;
    case kBitfields:
        if (!packed)
            return "unsupported BMP compression";
        break;
    case kAlphaBitfields:
        // Qt refuses these (channel masks with an alpha mask after a 40-byte header);
        // they are plain packed pixels, read like bit fields.
        if (!packed)
            return "unsupported BMP compression";
        break;
    default:
        return "unsupported BMP compression";
    }

    std::size_t maskBytes = 0;
    if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
        if (headerSize == kInfoHeader) {
            // The masks follow the 40-byte header: three, or four with alpha.
            maskBytes = h.compression == kAlphaBitfields ? 16 : 12;
            if (size < kFileHeaderSize + headerSize + maskBytes)
                return "the BMP header is cut short";
            const std::uint8_t* m = info + kInfoHeader;
            for (std::size_t i = 0; i < maskBytes / 4; ++i)
                h.masks[i] = U32(m + 4 * i);
        } else {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = U32(info + 40 + 4 * i);
            if (headerSize >= kAlphaMaskHeader)
                h.masks[3] = U32(info + 52);
        }
    } else if (h.bits == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (h.bits == 32) {
        h.masks[0] = 0x00FF0000;
        h.masks[1] = 0x0000FF00;
        h.masks[2] = 0x000000FF;
        // Qt takes the fourth byte of uncompressed 32-bit pixels for alpha only when a
        // header with an alpha mask says exactly that; otherwise the pixels are opaque.
        if (headerSize >= kAlphaMaskHeader && U32(info + 52) == 0xFF000000u)
            h.masks[3] = 0xFF000000u;
    }

    // The palette follows the headers and masks; its length is the header's colour
    // count, or the whole depth when that is 0 (always after a core header). Deeper
    // pixels have no palette.
    h.paletteAt = kFileHeaderSize + headerSize + maskBytes;
    const std::uint64_t entry = std::uint64_t(h.paletteEntry);
    std::uint64_t declared = 0;
    if (h.bits <= 8)
        declared = (core || clrUsed == 0) ? (1u << h.bits) : clrUsed;
    const std::uint64_t paletteEnd = h.paletteAt + declared * entry;
    const std::uint64_t offBits = U32(data + 10);
    std::uint64_t entries = declared;
    const std::uint64_t stride = (std::uint64_t(h.width) * std::uint64_t(h.bits) + 31) / 32 * 4;
    // The bytes the rows take (at least an end code when run-length encoded); the
    // product stays within 2^64 as the width and height are below 2^31.
    const std::uint64_t pixelBytes =
        h.compression == kRle8 || h.compression == kRle4 ? 2 : stride * std::uint64_t(h.height);
    h.dataAt = paletteEnd;
    if (offBits > paletteEnd && offBits <= size) {
        // As Qt: the pixels start where the file header says when that lies after the
        // palette and within the file; any other offset is taken as wrong.
        h.dataAt = offBits;
    } else if (offBits >= h.paletteAt + entry && offBits < paletteEnd &&
               (paletteEnd > size || pixelBytes > size - paletteEnd)) {
        // A palette shorter than its count says (commonly a core header's, or a colour
        // count of 0 with only the colours used written): reading the count would eat
        // the pixels, and Qt refuses the file. The pixels start where the file header
        // says and the palette is what lies before them.
        entries = (offBits - h.paletteAt) / entry;
        h.dataAt = offBits;
    }
    const std::uint64_t inFile = size > h.paletteAt ? (size - h.paletteAt) / entry : 0;
    h.paletteCount = int(std::min({entries, inFile, std::uint64_t(256)}));
    return nullptr;
}

/// The colours of palette indices, as Qt's reader gives them: each entry opaque (its
/// fourth byte is not alpha); an index past the palette is transparent black, but at
/// one bit per pixel black for 0 and white for 1.
void ReadPalette(const std::uint8_t* data, const Header& h, std::uint32_t (&colours)[256]) {
    for (int i = 0; i < 256; ++i) {
        if (i < h.paletteCount) {
            const std::uint8_t* p = data + h.paletteAt + std::size_t(i) * h.paletteEntry;
            colours[i] = 0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) |
                         std::uint32_t(p[0]);
        } else if (h.bits == 1) {
            colours[i] = i == 0 ? 0xFF000000u : 0xFFFFFFFFu;
        } else {
            colours[i] = 0x00000000u;
        }
    }
}

/// Converts the uncompressed pixels of one row, `avail` bytes of it being in the file.
/// Returns how many pixels were whole; the others are left as they are.
int ConvertRow(const Header& h, const std::uint8_t* src, std::uint64_t avail,
               const std::uint32_t (&palette)[256], const Channel (&ch)[4], std::uint32_t* out) {
    const int w = h.width;
    switch (h.bits) {
    case 1:
    case 4:
    case 8: {
        const int perByte = 8 / h.bits;
        const std::uint32_t valueMask = (1u << h.bits) - 1;
        const int n = int(std::min<std::uint64_t>(std::uint64_t(w), avail * perByte));
        for (int x = 0; x < n; ++x) {
            const std::uint8_t byte = src[x / perByte];
            const int shift = 8 - h.bits * (x % perByte + 1);
            out[x] = palette[(byte >> shift) & valueMask];
        }
        return n;
    }
    case 24: {
        const int n = int(std::min<std::uint64_t>(std::uint64_t(w), avail / 3));
        for (int x = 0; x < n; ++x) {
            const std::uint8_t* p = src + 3 * std::size_t(x);
            out[x] = 0xFF000000u | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
        }
        return n;
    }
    default: {
        const int bytes = h.bits / 8;
        const int n = int(std::min<std::uint64_t>(std::uint64_t(w), avail / bytes));
        for (int x = 0; x < n; ++x) {
            const std::uint8_t* p = src + std::size_t(x) * bytes;
            const std::uint32_t v = bytes == 2 ? U16(p) : U32(p);
            const std::uint32_t a = ch[3].mask ? ch[3].Of(v) : 255u;
            out[x] = (a << 24) | (ch[0].Of(v) << 16) | (ch[1].Of(v) << 8) | ch[2].Of(v);
        }
        return n;
    }
    }
}

Result DecodeRows(const std::uint8_t* data, std::size_t size, const Header& h,
                  const std::uint32_t (&palette)[256], std::vector<std::uint32_t>& row,
                  RowSink& sink) {
    const Channel ch[4] = {Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]),
                           Channel(h.masks[3])};
    const std::uint64_t stride = (std::uint64_t(h.width) * std::uint64_t(h.bits) + 31) / 32 * 4;
    bool damaged = false;
    for (int r = 0; r < h.height; ++r) {
        // Rows past the end of the file are not read: the offset is compared before it
        // is formed, so it never wraps.
        const std::uint64_t at =
            h.dataAt < size && std::uint64_t(r) < (size - h.dataAt) / stride + 1
                ? h.dataAt + std::uint64_t(r) * stride
                : size;
        const std::uint64_t avail = at < size ? std::min<std::uint64_t>(stride, size - at) : 0;
        const int whole = avail ? ConvertRow(h, data + at, avail, palette, ch, row.data()) : 0;
        if (whole < h.width) {
            std::fill(row.begin() + whole, row.end(), kOpaqueBlack);
            damaged = true;
        }
        sink.Row(h.topDown ? r : h.height - 1 - r, row.data(), 0, 1);
    }
    if (damaged)
        return Result{Outcome::Damaged, "the BMP file ends before its last row"};
    return Result{Outcome::Complete, {}};
}

/// Run-length pixels: pairs of a count and a colour, or escapes (end of line, end of
/// the picture, a jump, a run of literal pixels). The row being assembled is the only
/// buffer; rows are handed over as the codes leave them, in file order.
class RleRows {
public:
    RleRows(const Header& h, const std::uint32_t (&palette)[256], std::vector<std::uint32_t>& row,
            RowSink& sink)
        : m_h(h), m_palette(palette), m_row(row), m_sink(sink) {
        std::fill(m_row.begin(), m_row.end(), kSkipped);
    }

    Result Decode(const std::uint8_t* data, std::size_t size) {
        const bool four = m_h.compression == kRle4;
        std::uint64_t p = m_h.dataAt;
        while (m_y < m_h.height) {
            if (p + 2 > size)
                return Cut();
            const std::uint8_t count = data[p];
            const std::uint8_t value = data[p + 1];
            p += 2;
            if (count > 0) {
                // A run: one colour, or two alternating ones at 4 bits per pixel. What
                // passes the end of the row is dropped (Qt lets it spill into the memory
                // of the row below; the row is the run's bound here).
                for (int i = 0; i < count && m_x < m_h.width; ++i) {
                    const int index = four ? ((i & 1) ? value & 0x0F : value >> 4) : value;
                    m_row[std::size_t(m_x++)] = m_palette[index];
                }
                continue;
            }
            switch (value) {
            case 0: // end of line
                NextRow();
                break;
            case 1: // end of the picture: the rest is skipped
                Finish(kSkipped);
                return Result{Outcome::Complete, {}};
            case 2: { // a jump right and up
                if (p + 2 > size)
                    return Cut();
                const int dx = data[p];
                const int dy = data[p + 1];
                p += 2;
                // Qt stops a jump past the picture at its last column and row.
                const std::int64_t toY =
                    std::min<std::int64_t>(std::int64_t(m_y) + dy, m_h.height - 1);
                const int fromX = m_x; // the jump keeps the column when it changes rows
                while (m_y < toY)
                    NextRow();
                m_x = int(std::min<std::int64_t>(std::int64_t(fromX) + dx, m_h.width - 1));
                break;
            }
            default: { // literal pixels, padded to an even number of bytes
                const std::uint64_t bytes = four ? (value + 1u) / 2u : value;
                const std::uint64_t there = p < size ? std::min<std::uint64_t>(bytes, size - p) : 0;
                const int pixels = int(four ? std::min<std::uint64_t>(value, there * 2) : there);
                for (int i = 0; i < pixels && m_x < m_h.width; ++i) {
                    const std::uint8_t b = data[p + std::uint64_t(four ? i / 2 : i)];
                    const int index = four ? ((i & 1) ? b & 0x0F : b >> 4) : b;
                    m_row[std::size_t(m_x++)] = m_palette[index];
                }
                if (there < bytes)
                    return Cut();
                p += (bytes + 1) & ~std::uint64_t(1);
                break;
            }
            }
        }
        return Result{Outcome::Complete, {}};
    }

private:
    void NextRow() {
        m_sink.Row(m_h.topDown ? m_y : m_h.height - 1 - m_y, m_row.data(), 0, 1);
        std::fill(m_row.begin(), m_row.end(), kSkipped);
        ++m_y;
        m_x = 0;
    }

    /// Hands over the row being assembled, with the pixels from the current one on as
    /// `rest`, and every row after it in `rest`.
    void Finish(std::uint32_t rest) {
        if (m_y >= m_h.height)
            return;
        std::fill(m_row.begin() + std::min(m_x, m_h.width), m_row.end(), rest);
        m_sink.Row(m_h.topDown ? m_y : m_h.height - 1 - m_y, m_row.data(), 0, 1);
        std::fill(m_row.begin(), m_row.end(), rest);
        for (++m_y; m_y < m_h.height; ++m_y)
            m_sink.Row(m_h.topDown ? m_y : m_h.height - 1 - m_y, m_row.data(), 0, 1);
    }

    /// The codes end before the picture does. A file whose last row is full lacks only
    /// its closing code; otherwise the pixels not reached are black.
    Result Cut() {
        if (m_y == m_h.height - 1 && m_x >= m_h.width) {
            Finish(kSkipped);
            return Result{Outcome::Complete, {}};
        }
        Finish(kOpaqueBlack);
        return Result{Outcome::Damaged, "the BMP file ends before the end of its pixels"};
    }

    const Header& m_h;
    const std::uint32_t (&m_palette)[256];
    std::vector<std::uint32_t>& m_row;
    RowSink& m_sink;
    int m_x = 0;
    int m_y = 0; ///< the row being assembled, counted in file order
};

} // namespace

Info ReadBmpInfo(const std::uint8_t* data, std::size_t size) {
    Header h;
    if (ReadHeader(data, size, h))
        return Info{Format::Bmp, 0, 0};
    return Info{Format::Bmp, h.width, h.height};
}

Result DecodeBmp(const std::uint8_t* data, std::size_t size, RowSink& sink,
                 const Options& options) {
    Header h;
    if (const char* why = ReadHeader(data, size, h))
        return Failure(why);
    if (std::int64_t(h.width) * std::int64_t(h.height) > options.maxPixels)
        return Failure("the BMP declares more pixels than allowed");
    std::vector<std::uint32_t> row;
    try {
        row.resize(std::size_t(h.width));
    } catch (const std::bad_alloc&) {
        return Failure("not enough memory for one row");
    }
    std::uint32_t palette[256];
    ReadPalette(data, h, palette);
    if (!sink.Begin(h.width, h.height))
        return Failure("the picture was refused");
    if (h.compression == kRle8 || h.compression == kRle4)
        return RleRows(h, palette, row, sink).Decode(data, size);
    return DecodeRows(data, size, h, palette, row, sink);
}

} // namespace codec::detail
