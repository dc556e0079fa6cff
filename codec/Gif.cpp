// GIF files (the first image) decoded row by row: the picture has the logical screen's
// size, the first image drawn on it and the rest filled as Qt's own reader fills it.
// Only the colour tables, the LZW tables and one row are held (four rows for the small
// interlaced images Qt assembles out of order).
//
// The pixels are those Qt's GIF reader gives for the same file, converted to 0xAARRGGBB;
// where that reader reads memory it never filled, the choice made here is said where it
// is made.

#include "codec/Decoders.h"

#include <algorithm>
#include <new>
#include <vector>

namespace codec::detail {

namespace {

constexpr std::size_t kScreenDescriptorSize = 13;
constexpr std::size_t kImageDescriptorSize = 10; ///< with its introducer
constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

std::uint16_t U16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

/// What lies before the first image's pixel data.
struct Layout {
    int screenWidth = 0;
    int screenHeight = 0;
    std::uint8_t screenFlags = 0;
    std::uint8_t background = 0;
    std::size_t globalTable = 0; ///< where the global colour table starts (0: none)
    bool transparent = false;    ///< the last graphic control before the image sets one
    std::uint8_t transparentIndex = 0;
    bool haveImage = false; ///< an image descriptor was found; when not, `broken` says why
    const char* broken = nullptr;
    bool noImage = false; ///< the file ends properly without any image
    int left = 0, top = 0, frameWidth = 0, frameHeight = 0;
    std::uint8_t frameFlags = 0;
    std::size_t localTable = 0; ///< where the local colour table starts (0: none)
    std::size_t dataAt = 0;     ///< the LZW code size byte

    int Width() const { return screenWidth ? screenWidth : left + frameWidth; }
    int Height() const { return screenHeight ? screenHeight : top + frameHeight; }
};

/// Reads the screen descriptor and the blocks up to the first image descriptor. Returns
/// why the file is refused, or nullptr; a file that breaks off or is corrupt before its
/// first image is not refused here (`haveImage` is false and `broken` says why).
const char* ReadLayout(const std::uint8_t* data, std::size_t size, Layout& l) {
    if (size < kScreenDescriptorSize || data[0] != 'G' || data[1] != 'I' || data[2] != 'F')
        return "not a GIF file, or its header is cut short";
    l.screenWidth = U16(data + 6);
    l.screenHeight = U16(data + 8);
    l.screenFlags = data[10];
    l.background = data[11];
    std::size_t p = kScreenDescriptorSize;
    if (l.screenFlags & 0x80) {
        l.globalTable = p;
        p += 3 * (std::size_t(2) << (l.screenFlags & 7));
    }
    while (true) {
        if (p >= size) {
            l.broken = "the GIF file ends before its first image";
            return nullptr;
        }
        const std::uint8_t block = data[p];
        if (block == 0x2C) {
            if (size - p < kImageDescriptorSize) {
                l.broken = "the GIF file ends before its first image";
                return nullptr;
            }
            const std::uint8_t* d = data + p + 1;
            l.left = U16(d);
            l.top = U16(d + 2);
            l.frameWidth = U16(d + 4);
            l.frameHeight = U16(d + 6);
            l.frameFlags = d[8];
            p += kImageDescriptorSize;
            if (l.frameFlags & 0x80) {
                l.localTable = p;
                p += 3 * (std::size_t(2) << (l.frameFlags & 7));
                if (p > size) {
                    l.broken = "the GIF file ends inside its first image's colour table";
                    return nullptr;
                }
            }
            l.dataAt = p;
            l.haveImage = true;
            return nullptr;
        }
        if (block == 0x3B) {
            l.noImage = true;
            return nullptr;
        }
        if (block != 0x21) {
            l.broken = "the GIF file is corrupt before its first image";
            return nullptr;
        }
        // An extension: its label, then sub-blocks up to an empty one. A graphic control
        // of at least 4 bytes sets (or clears) the transparent index; the last one
        // before the image counts. A shorter one is ignored.
        if (size - p < 2) {
            l.broken = "the GIF file ends before its first image";
            return nullptr;
        }
        const std::uint8_t label = data[p + 1];
        p += 2;
        bool first = true;
        while (true) {
            if (p >= size) {
                l.broken = "the GIF file ends before its first image";
                return nullptr;
            }
            const std::size_t n = data[p];
            if (n == 0) {
                ++p;
                break;
            }
            if (size - p - 1 < n) {
                l.broken = "the GIF file ends before its first image";
                return nullptr;
            }
            if (first && label == 0xF9 && n >= 4) {
                l.transparent = (data[p + 1] & 1) != 0;
                l.transparentIndex = data[p + 4];
            }
            first = false;
            p += 1 + n;
        }
    }
}

/// Reads LZW codes from the image's sub-blocks, least significant bit first.
class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t size, std::size_t at)
        : m_data(data), m_size(size), m_pos(at) {}

    /// The next code of `width` bits, or -1 when the data ends (an empty sub-block, or
    /// the end of the file: then cut() is true).
    int Read(int width) {
        while (m_count < width) {
            if (m_blockLeft == 0) {
                if (m_end || m_pos >= m_size)
                    return End();
                m_blockLeft = m_data[m_pos++];
                if (m_blockLeft == 0) {
                    m_end = true;
                    return -1;
                }
            }
            if (m_pos >= m_size)
                return End();
            m_bits |= std::uint32_t(m_data[m_pos++]) << m_count;
            m_count += 8;
            --m_blockLeft;
        }
        const int code = int(m_bits & ((1u << width) - 1));
        m_bits >>= width;
        m_count -= width;
        return code;
    }
    bool cut() const { return m_cut; }

private:
    int End() {
        if (!m_end)
            m_cut = m_pos >= m_size;
        m_end = true;
        return -1;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos;
    std::size_t m_blockLeft = 0;
    std::uint32_t m_bits = 0;
    int m_count = 0;
    bool m_end = false;
    bool m_cut = false;
};

/// The colours of the 256 indices as Qt gives them. The table of the image (its local
/// one, else the global one) has `count` entries, counted from the flags even when the
/// table is absent. Past the table an index is white with alpha 0 (Qt's marker for a
/// colour it has not got); without any table the indices up to and with the count are
/// black. The
/// transparent index keeps its colour with alpha 0. Without a transparent index the
/// picture has no alpha: every colour is opaque.
void MakeColours(const std::uint8_t* table, int count, const Layout& l,
                 std::uint32_t (&colours)[256]) {
    for (int i = 0; i < 256; ++i) {
        std::uint32_t c;
        if (i >= count)
            c = 0x00FFFFFFu;
        else if (!table)
            c = 0;
        else
            c = 0xFF000000u | (std::uint32_t(table[3 * i]) << 16) |
                (std::uint32_t(table[3 * i + 1]) << 8) | table[3 * i + 2];
        if (!table && i == count)
            c = 0;
        if (!l.transparent)
            c |= 0xFF000000u;
        else if (i == l.transparentIndex)
            c &= 0x00FFFFFFu;
        colours[i] = c;
    }
}

/// Where Qt puts the rows of the image's data: top to bottom, or for an interlaced
/// image the four passes (every 8th row from 0, every 8th from 4, every 4th from 2, every
/// 2nd from 1), counted over the rows the screen shows of the image; the data's later rows
/// are dropped. For 3 or 4 rows Qt's passes go astray: after the first row it writes row
/// 2 twice, then the odd rows. Its first three passes also copy each row into the rows
/// below it that a later pass fills (when no index is transparent).
class RowOrder {
public:
    RowOrder(int rows, bool interlaced) : m_bottom(rows - 1), m_pass(interlaced ? 1 : 0) {}
    int row() const { return m_y; }
    bool done() const { return m_y > m_bottom; }
    /// How many rows below the current one Qt copies it into.
    int spread() const {
        static const int kSpread[5] = {0, 7, 3, 1, 0};
        return std::min(kSpread[m_pass], m_bottom - m_y);
    }
    void Next() {
        switch (m_pass) {
        case 0:
            ++m_y;
            break;
        case 1:
            m_y += 8;
            if (m_y > m_bottom) {
                m_pass = 2;
                m_y = 4;
                if (m_y > m_bottom)
                    m_y = 2;
                if (m_y > m_bottom) {
                    m_pass = 0;
                    m_y = 1;
                }
            }
            break;
        case 2:
            m_y += 8;
            if (m_y > m_bottom) {
                m_pass = 3;
                m_y = 2;
            }
            break;
        case 3:
            m_y += 4;
            if (m_y > m_bottom) {
                m_pass = 4;
                m_y = 1;
            }
            break;
        default:
            m_y += 2;
            break;
        }
    }

private:
    int m_bottom;
    int m_pass;
    int m_y = 0;
};

/// Decodes the first image onto the picture's rows: the rows outside the image are the
/// fill colour, the image's rows come as its data brings them, clipped to the picture.
/// An interlaced image showing 3 or 4 rows, which Qt writes out of order, is assembled in
/// those few rows before they are handed over; any other image in one row.
class FrameDecoder {
public:
    FrameDecoder(const Layout& l, const std::uint32_t (&colours)[256], std::uint32_t fill,
                 std::vector<std::uint32_t>& row, RowSink& sink)
        : m_l(l), m_colours(colours), m_row(row), m_sink(sink), m_width(l.Width()),
          m_visibleWidth(std::max(0, std::min(l.frameWidth, m_width - l.left))),
          m_visibleRows(
              m_visibleWidth > 0 ? std::max(0, std::min(l.frameHeight, l.Height() - l.top)) : 0),
          m_order(m_visibleRows, (l.frameFlags & 0x40) != 0) {
        std::fill(m_row.begin(), m_row.end(), fill);
        for (int y = 0; y < l.Height(); ++y) {
            if (y < l.top || y >= l.top + m_visibleRows)
                m_sink.Row(y, m_row.data(), 0, 1);
        }
        m_gathered = (l.frameFlags & 0x40) && (m_visibleRows == 3 || m_visibleRows == 4);
        if (m_gathered) {
            // Rows Qt never writes keep what it put there first: the fill colour, or 0
            // where the image covers the whole screen.
            const bool covers =
                l.left == 0 && l.top == 0 && l.frameWidth >= m_width && l.frameHeight >= l.Height();
            const std::uint32_t initial = !covers ? fill : l.transparent ? 0u : kOpaqueBlack;
            m_rows.assign(std::size_t(m_visibleRows) * std::size_t(m_width), fill);
            for (int y = 0; y < m_visibleRows; ++y)
                FillFrame(y, 0, initial);
            m_written.assign(std::size_t(m_visibleRows), false);
        }
        m_target = Target();
    }

    Result Decode(const std::uint8_t* data, std::size_t size) {
        if (m_visibleRows == 0)
            return Result{Outcome::Complete, {}};
        if (m_l.dataAt >= size)
            return Damage("the GIF file ends before its first image's pixels");
        const int minBits = data[m_l.dataAt];
        // Codes are at most 12 bits wide and start one bit wider than this size; a size
        // below 2 is not one GIF writers use (Qt garbles it).
        if (minBits < 2 || minBits >= kMaxCodeBits)
            return Damage("the GIF image has an invalid LZW code size");
        CodeReader reader(data, size, m_l.dataAt + 1);
        const int clear = 1 << minBits;
        const int end = clear + 1;
        int width = minBits + 1;
        int next = clear + 2;
        int prev = -1;
        for (int i = 0; i < clear; ++i)
            m_suffix[i] = std::uint8_t(i); // Qt keeps indices as bytes: 256 and up wrap
        while (!Finished()) {
            const int code = reader.Read(width);
            if (code < 0) {
                return Damage(reader.cut() ? "the GIF file ends before its last pixel"
                                           : "the GIF image data ends before its last pixel");
            }
            if (code == clear) {
                width = minBits + 1;
                next = clear + 2;
                prev = -1;
                continue;
            }
            if (code == end)
                return Damage("the GIF image data ends before its last pixel");
            if (prev < 0) {
                if (code > clear)
                    return Damage("the GIF image data holds an invalid code");
                Put(m_suffix[code]);
                prev = code;
                continue;
            }
            const bool known = code < next;
            if (!known && (code != next || next >= kTableSize))
                return Damage("the GIF image data holds an invalid code");
            // The string of the code (or of the previous one, for the code being made),
            // last byte first.
            int c = known ? code : prev;
            int n = 0;
            while (c > end) {
                m_stack[n++] = m_suffix[c];
                c = m_prefix[c];
            }
            const std::uint8_t firstByte = m_suffix[c];
            m_stack[n++] = firstByte;
            while (n > 0 && !Finished())
                Put(m_stack[--n]);
            if (!known && !Finished())
                Put(firstByte);
            if (next < kTableSize) {
                m_prefix[next] = std::uint16_t(prev);
                m_suffix[next] = firstByte;
                ++next;
                if (next >= (1 << width) && width < kMaxCodeBits)
                    ++width;
            }
            prev = code;
        }
        HandOverGathered();
        return Result{Outcome::Complete, {}};
    }

private:
    bool Finished() const { return m_order.done() || m_dataRows >= m_l.frameHeight; }

    /// Where the pixels of the row being decoded go (left of the image included).
    std::uint32_t* Target() {
        if (!m_gathered || m_order.done())
            return m_row.data();
        return m_rows.data() + std::size_t(m_order.row()) * std::size_t(m_width);
    }

    void FillFrame(int y, int from, std::uint32_t colour) {
        std::uint32_t* r = m_rows.data() + std::size_t(y) * std::size_t(m_width) + m_l.left;
        std::fill(r + from, r + m_visibleWidth, colour);
    }

    void Put(std::uint8_t index) {
        if (m_x < m_visibleWidth)
            m_target[m_l.left + m_x] = m_colours[index];
        if (++m_x == m_l.frameWidth)
            EndRow();
    }

    void EndRow() {
        const int y = m_order.row();
        if (!m_gathered) {
            m_sink.Row(m_l.top + y, m_row.data(), 0, 1);
        } else {
            m_written[std::size_t(y)] = true;
            if (!m_l.transparent) {
                const std::uint32_t* from = m_target + m_l.left;
                for (int k = 1; k <= m_order.spread(); ++k)
                    std::copy(from, from + m_visibleWidth,
                              m_rows.data() + std::size_t(y + k) * std::size_t(m_width) + m_l.left);
            }
        }
        ++m_dataRows;
        m_x = 0;
        m_order.Next();
        m_target = Target();
    }

    void HandOverGathered() {
        if (!m_gathered)
            return;
        for (int y = 0; y < m_visibleRows; ++y)
            m_sink.Row(m_l.top + y, m_rows.data() + std::size_t(y) * std::size_t(m_width), 0, 1);
    }

    /// The image data broke off or is corrupt: the image's pixels not reached are black.
    Result Damage(const char* why) {
        if (m_gathered) {
            if (!m_order.done() && m_x > 0) {
                FillFrame(m_order.row(), std::min(m_x, m_visibleWidth), kOpaqueBlack);
                m_written[std::size_t(m_order.row())] = true;
            }
            for (int y = 0; y < m_visibleRows; ++y)
                if (!m_written[std::size_t(y)])
                    FillFrame(y, 0, kOpaqueBlack);
            HandOverGathered();
        } else {
            std::uint32_t* frame = m_row.data() + m_l.left;
            std::fill(frame + std::min(m_x, m_visibleWidth), frame + m_visibleWidth, kOpaqueBlack);
            while (!m_order.done()) {
                m_sink.Row(m_l.top + m_order.row(), m_row.data(), 0, 1);
                std::fill(frame, frame + m_visibleWidth, kOpaqueBlack);
                m_order.Next();
            }
        }
        return Result{Outcome::Damaged, why};
    }

    const Layout& m_l;
    const std::uint32_t (&m_colours)[256];
    std::vector<std::uint32_t>& m_row;
    RowSink& m_sink;
    int m_width;
    int m_visibleWidth;
    int m_visibleRows;
    RowOrder m_order;
    bool m_gathered = false;
    std::vector<std::uint32_t> m_rows; ///< the 3 or 4 rows assembled before they go
    std::vector<bool> m_written;
    std::uint32_t* m_target = nullptr;
    int m_dataRows = 0;
    int m_x = 0;
    std::uint16_t m_prefix[kTableSize] = {};
    std::uint8_t m_suffix[kTableSize] = {};
    std::uint8_t m_stack[kTableSize + 1] = {};
};

} // namespace

Info ReadGifInfo(const std::uint8_t* data, std::size_t size) {
    Layout l;
    if (size < kScreenDescriptorSize || ReadLayout(data, size, l))
        return Info{Format::Gif, 0, 0};
    // The logical screen's size, as Qt reports it; an axis the screen leaves at 0 takes
    // the first image's far edge.
    if ((l.screenWidth == 0 || l.screenHeight == 0) && !l.haveImage)
        return Info{Format::Gif, 0, 0};
    return Info{Format::Gif, l.Width(), l.Height()};
}

Result DecodeGif(const std::uint8_t* data, std::size_t size, RowSink& sink,
                 const Options& options) {
    Layout l;
    if (const char* why = ReadLayout(data, size, l))
        return Failure(why);
    if (l.noImage)
        return Failure("the GIF file holds no image");
    if (!l.haveImage && (l.screenWidth == 0 || l.screenHeight == 0))
        return Failure(l.broken);
    const int width = l.Width();
    const int height = l.Height();
    if (width <= 0 || height <= 0)
        return Failure("the GIF declares no pixels");
    if (std::int64_t(width) * std::int64_t(height) > options.maxPixels)
        return Failure("the GIF declares more pixels than allowed");
    std::vector<std::uint32_t> row;
    try {
        row.resize(std::size_t(width));
    } catch (const std::bad_alloc&) {
        return Failure("not enough memory for one row");
    }
    if (!sink.Begin(width, height))
        return Failure("the picture was refused");
    if (!l.haveImage) {
        // Broken before the first image: nothing of the picture was reached.
        std::fill(row.begin(), row.end(), kOpaqueBlack);
        for (int y = 0; y < height; ++y)
            sink.Row(y, row.data(), 0, 1);
        return Result{Outcome::Damaged, l.broken};
    }
    // The image's own table, else the global one (both whole: the image's descriptor
    // came after them).
    const std::uint8_t flags = l.localTable ? l.frameFlags : l.screenFlags;
    const std::size_t at = l.localTable ? l.localTable : l.globalTable;
    std::uint32_t colours[256];
    MakeColours(at ? data + at : nullptr, 2 << (flags & 7), l, colours);
    // Outside the first image Qt fills with the colour of the transparent index, else
    // of the background index when there is a global table, else black; the colour is
    // taken from the image's table. With a local table Qt reads that table before it is
    // filled in (the colour is undefined there, only its alpha holds); here it is the
    // local table's entry.
    const std::uint32_t fill = l.transparent   ? colours[l.transparentIndex]
                               : l.globalTable ? colours[l.background]
                                               : kOpaqueBlack;
    FrameDecoder frame(l, colours, fill, row, sink);
    Result result = frame.Decode(data, size);
    result.transparent = l.transparent;
    return result;
}

} // namespace codec::detail
