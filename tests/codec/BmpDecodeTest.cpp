// The BMP decoder against Qt's own reader: every variant of header, depth, palette,
// masks and run-length data gives Qt's pixels; holes in run-length data, runs past the
// row and files cut short give what the codec's contract says; headers it cannot read are
// refused before any pixel.

#include "codec/Codec.h"
#include "tests/codec/CodecFixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>

using namespace codec_test;

namespace {

/// Pixel values spread over their range: indices below `modulo`, or packed values.
std::vector<std::uint32_t> Spread(int w, int h, std::uint32_t modulo, std::uint32_t seed = 7) {
    std::vector<std::uint32_t> v(std::size_t(w) * std::size_t(h));
    std::uint32_t s = seed;
    for (auto& p : v) {
        s = s * 1664525u + 1013904223u;
        p = modulo ? (s >> 8) % modulo : s;
    }
    return v;
}

std::vector<std::uint32_t> Palette(int n, std::uint32_t fourthByte = 0) {
    std::vector<std::uint32_t> p;
    for (int i = 0; i < n; ++i)
        p.push_back((fourthByte << 24) | std::uint32_t((i * 37) & 0xFF) << 16 |
                    std::uint32_t((255 - i * 11) & 0xFF) << 8 | std::uint32_t((i * 71) & 0xFF));
    return p;
}

BmpFile Indexed(int w, int h, int bits, int paletteSize, std::uint32_t modulo) {
    BmpFile f;
    f.width = w;
    f.height = h;
    f.bits = bits;
    f.palette = Palette(paletteSize);
    f.pixels = Spread(w, std::abs(h), modulo);
    return f;
}

BmpFile Packed(int w, int h, int bits, std::uint32_t compression = 0, int header = 40,
               std::array<std::uint32_t, 4> masks = {}) {
    BmpFile f;
    f.width = w;
    f.height = h;
    f.bits = bits;
    f.compression = compression;
    f.header = header;
    f.masks = masks;
    f.pixels = Spread(w, std::abs(h), bits == 16 ? 0x10000u : bits == 24 ? 0x1000000u : 0u);
    return f;
}

template <typename T> T With(T f, const std::function<void(T&)>& change) {
    change(f);
    return f;
}

struct BmpCase {
    const char* name;
    BmpFile file;
};

// Every variant Qt reads, decoded by both: the same pixels, the same size.
TEST(BmpDecode, GivesQtsPixelsForEveryVariant) {
    const std::array<std::uint32_t, 4> rgba8888 = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    const BmpCase cases[] = {
        {"1 bit, 9 wide (row padding)", Indexed(9, 3, 1, 2, 2)},
        {"1 bit, one palette entry: index 1 is white",
         With<BmpFile>(Indexed(9, 2, 1, 1, 2), [](BmpFile& f) { f.colours = 1; })},
        {"1 bit, core header",
         With<BmpFile>(Indexed(7, 2, 1, 2, 2), [](BmpFile& f) { f.header = 12; })},
        {"4 bits, odd width", Indexed(5, 3, 4, 16, 16)},
        {"4 bits, palette of 3: later indices transparent black", Indexed(5, 3, 4, 3, 16)},
        {"8 bits", Indexed(7, 3, 8, 256, 256)},
        {"8 bits, palette of 4 with indices past it", Indexed(6, 3, 8, 4, 9)},
        {"8 bits, top-down", Indexed(3, -4, 8, 16, 16)},
        {"8 bits, colour count 0 means the whole depth",
         With<BmpFile>(Indexed(5, 2, 8, 256, 256), [](BmpFile& f) { f.colours = 0; })},
        {"8 bits, core header (3-byte entries)",
         With<BmpFile>(Indexed(5, 2, 8, 256, 256), [](BmpFile& f) { f.header = 12; })},
        {"8 bits, core header, top-down (signed height)",
         With<BmpFile>(Indexed(5, -2, 8, 256, 256), [](BmpFile& f) { f.header = 12; })},
        {"8 bits, the palette's fourth byte is not alpha",
         With<BmpFile>(Indexed(5, 2, 8, 8, 8), [](BmpFile& f) { f.palette = Palette(8, 0x40); })},
        {"8 bits, V5 header",
         With<BmpFile>(Indexed(5, 2, 8, 8, 8), [](BmpFile& f) { f.header = 124; })},
        {"8 bits, a gap before the pixels", With<BmpFile>(Indexed(5, 2, 8, 8, 8),
                                                          [](BmpFile& f) {
                                                              f.gap = 10;
                                                              f.offset = BmpPixelsAt(f) + 10;
                                                          })},
        {"8 bits, pixel offset 0 (wrong): the pixels follow the palette",
         With<BmpFile>(Indexed(5, 2, 8, 8, 8), [](BmpFile& f) { f.offset = 0; })},
        {"8 bits, pixel offset inside the palette: the pixels follow it",
         With<BmpFile>(Indexed(5, 2, 8, 8, 8), [](BmpFile& f) { f.offset = 14 + 40 + 4; })},
        {"8 bits, pixel offset past the end: the pixels follow the palette",
         With<BmpFile>(Indexed(5, 2, 8, 8, 8), [](BmpFile& f) { f.offset = 100000; })},
        {"16 bits, 5-5-5 (5 bits scale by 8)", Packed(5, 3, 16)},
        {"16 bits, top-down", Packed(3, -2, 16)},
        {"16 bits, core header", Packed(3, 2, 16, 0, 12)},
        {"16 bits, 5-6-5 bit fields", Packed(5, 2, 16, 3, 40, {0xF800, 0x07E0, 0x001F, 0})},
        {"16 bits, 4-4-4-4 bit fields with alpha (V5)",
         Packed(5, 2, 16, 3, 124, {0x0F00, 0x00F0, 0x000F, 0xF000})},
        {"16 bits, V5 without bit fields ignores its masks",
         Packed(5, 2, 16, 0, 124, {0x0F00, 0x00F0, 0x000F, 0xF000})},
        {"24 bits, 5 wide", Packed(5, 3, 24)},
        {"24 bits, top-down", Packed(2, -3, 24)},
        {"24 bits, core header", Packed(3, 2, 24, 0, 12)},
        {"24 bits, V5 alpha mask has no effect", Packed(3, 2, 24, 0, 124, rgba8888)},
        {"32 bits, the fourth byte is not alpha", Packed(4, 3, 32)},
        {"32 bits, V5 alpha mask FF000000 makes it alpha", Packed(4, 3, 32, 0, 124, rgba8888)},
        {"32 bits, V4 alpha mask FF000000, top-down", Packed(4, -3, 32, 0, 108, rgba8888)},
        {"32 bits, V4 alpha mask other than FF000000 is ignored",
         Packed(4, 2, 32, 0, 108, {0, 0, 0, 0x0F000000})},
        {"32 bits, V5 without bit fields ignores its colour masks",
         Packed(4, 2, 32, 0, 124, {0xFF, 0xFF00, 0xFF0000, 0})},
        {"32 bits, bit fields after a 40-byte header",
         Packed(4, 2, 32, 3, 40, {0xFF, 0xFF00, 0xFF0000, 0})},
        {"32 bits, V5 bit fields with alpha", Packed(4, 2, 32, 3, 124, rgba8888)},
        {"32 bits, V4 bit fields of 4 bits with alpha",
         Packed(4, 2, 32, 3, 108, {0xF00, 0xF0, 0xF, 0xF000})},
        {"32 bits, 10-bit channels (Qt makes them 0)",
         Packed(4, 2, 32, 3, 124, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000})},
        {"32 bits, channels of 1 to 3 bits", Packed(4, 2, 32, 3, 124, {0x1, 0x6, 0x38, 0x40})},
        {"32 bits, a mask with a gap", Packed(4, 2, 32, 3, 124, {0x050000, 0xFF00, 0xFF, 0})},
        {"32 bits, zero masks give black", Packed(4, 2, 32, 3, 40, {0, 0, 0, 0})},
        {"32 bits, alpha mask overlapping blue",
         Packed(4, 2, 32, 3, 124, {0xFF0000, 0xFF00, 0xFF, 0xFF})},
    };
    for (const BmpCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = MakeBmp(c.file);
        const QImage qt = QtDecode(bytes);
        ASSERT_FALSE(qt.isNull()) << "Qt reads this variant";
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete) << d.result.error;
        EXPECT_TRUE(d.sink.EveryPixelOnce());
        EXPECT_EQ(FirstDifference(qt, d.sink).toStdString(), "");
        const codec::Info info =
            codec::ReadInfo(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
        EXPECT_EQ(info.format, codec::Format::Bmp);
        EXPECT_EQ(QSize(info.width, info.height),
                  QSize(QtSize(bytes).width(), std::abs(QtSize(bytes).height())));
        EXPECT_EQ(QSize(d.sink.width, d.sink.height), QSize(info.width, info.height));
    }
}

struct RleCase {
    const char* name;
    int width, height;
    bool fourBits, topDown, literal;
    /// Which pixels are holes (x, y from the top).
    std::function<bool(int, int)> hole;
    int paletteSize = 16;
};

// Run-length files made from pictures with holes: the pixels written are Qt's and the
// palette's; the holes, which Qt leaves undefined, are transparent.
TEST(BmpDecode, RunLengthPixelsAreQtsAndHolesAreTransparent) {
    const auto none = [](int, int) { return false; };
    const RleCase cases[] = {
        {"8 bits, every pixel, runs and literal runs", 13, 4, false, false, true, none},
        {"8 bits, only runs", 13, 4, false, false, false, none},
        {"8 bits, holes inside rows (jumps right)", 12, 4, false, false, true,
         [](int x, int y) { return (x + y) % 5 == 0; }},
        {"8 bits, holes across rows (jumps up)", 9, 6, false, false, true,
         [](int x, int y) { return y > 1 && y < 4 && x > 2; }},
        {"8 bits, rows ending in holes and a picture ending early", 7, 5, false, false, true,
         [](int x, int y) { return x > 4 || y < 2; }},
        {"8 bits, top-down", 6, -4, false, true, true, [](int x, int y) { return x == y; }},
        {"8 bits, indices past the palette", 6, 3, false, false, true, none, 5},
        {"4 bits, odd width with literal runs and padding", 11, 3, true, false, true, none},
        {"4 bits, holes", 9, 4, true, false, true, [](int x, int y) { return (x * y) % 4 == 1; }},
    };
    for (const RleCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int h = std::abs(c.height);
        std::vector<int> indices(std::size_t(c.width) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < c.width; ++x)
                indices[std::size_t(y) * c.width + x] =
                    c.hole(x, y) ? -1
                                 : ((x / 2 + y * 3) % 7 == 0 ? (x + y) % 16 : (y * 5 + 1) % 16);
        BmpFile f;
        f.width = c.width;
        f.height = c.height;
        f.bits = c.fourBits ? 4 : 8;
        f.compression = c.fourBits ? 2 : 1;
        f.palette = Palette(c.paletteSize);
        f.data = EncodeRle(indices, c.width, h, c.fourBits, c.topDown, c.literal);
        const QByteArray bytes = MakeBmp(f);
        const QImage qt = QtDecode(bytes);
        ASSERT_FALSE(qt.isNull());
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete) << d.result.error;
        ASSERT_TRUE(d.sink.EveryPixelOnce());
        const auto isHole = [&](int x, int y) { return indices[std::size_t(y) * c.width + x] < 0; };
        EXPECT_EQ(FirstDifference(qt, d.sink, isHole).toStdString(), "");
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int i = indices[std::size_t(y) * c.width + x];
                const std::uint32_t want = i < 0 ? 0u
                                           : i < c.paletteSize
                                               ? 0xFF000000u | f.palette[std::size_t(i)]
                                               : 0u;
                EXPECT_EQ(d.sink.At(x, y), want) << x << ", " << y;
            }
    }
}

struct RleDataCase {
    const char* name;
    int width, height;
    bool fourBits;
    std::vector<int> data;
    codec::Outcome outcome;
    /// Expected rows, top first: a hex digit is that palette index, '.' a skipped
    /// (transparent) pixel, 'B' opaque black (not reached).
    std::vector<const char*> rows;
};

// Run-length codes written by hand: what passes the row or the picture, and data that
// stops early. Expected pixels come from the codes as written.
TEST(BmpDecode, RunLengthCodesAreBoundedByTheRowAndPicture) {
    const RleDataCase cases[] = {
        {"4-bit runs alternate two colours",
         5,
         1,
         true,
         {5, 0x12, 0, 1},
         codec::Outcome::Complete,
         {"12121"}},
        // Qt spills such a run into the row below; it is cut at the row end here.
        {"a run past the row end is cut there",
         4,
         2,
         false,
         {6, 1, 0, 0, 6, 2, 0, 1},
         codec::Outcome::Complete,
         {"2222", "1111"}},
        // Qt reads only the bytes that fit and takes the rest as codes; all are skipped here.
        {"a literal run past the row end is cut there",
         4,
         2,
         false,
         {0, 6, 1, 2, 3, 1, 2, 3, 0, 0, 4, 2, 0, 1},
         codec::Outcome::Complete,
         {"2222", "1231"}},
        {"a jump past the picture stops at its last row and column (as Qt)",
         4,
         3,
         false,
         {1, 1, 0, 2, 9, 9, 1, 3, 0, 1},
         codec::Outcome::Complete,
         {"...3", "....", "1..."}},
        {"rows after the last are ignored",
         4,
         1,
         false,
         {4, 1, 0, 0, 4, 2, 0, 1},
         codec::Outcome::Complete,
         {"1111"}},
        {"data ending after a full last row lacks only its end code",
         4,
         2,
         false,
         {4, 1, 0, 0, 4, 2},
         codec::Outcome::Complete,
         {"2222", "1111"}},
        {"data ending inside a row",
         4,
         2,
         false,
         {4, 1, 0, 0, 2, 2},
         codec::Outcome::Damaged,
         {"22BB", "1111"}},
        {"data ending after a jump",
         4,
         2,
         false,
         {2, 1, 0, 2, 1, 1},
         codec::Outcome::Damaged,
         {"...B", "11.."}},
        {"a literal run cut short",
         4,
         2,
         false,
         {0, 4, 1, 2},
         codec::Outcome::Damaged,
         {"BBBB", "12BB"}},
        {"a jump cut short", 4, 1, false, {1, 3, 0, 2, 1}, codec::Outcome::Damaged, {"3BBB"}},
        {"no data at all", 2, 2, false, {}, codec::Outcome::Damaged, {"BB", "BB"}},
    };
    for (const RleDataCase& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFile f;
        f.width = c.width;
        f.height = c.height;
        f.bits = c.fourBits ? 4 : 8;
        f.compression = c.fourBits ? 2 : 1;
        f.palette = Palette(16);
        for (int b : c.data)
            f.data.append(char(b));
        const Decoded d = Decode(MakeBmp(f));
        EXPECT_EQ(d.result.outcome, c.outcome) << d.result.error;
        EXPECT_EQ(d.result.error.empty(), c.outcome == codec::Outcome::Complete);
        ASSERT_TRUE(d.sink.EveryPixelOnce());
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const char e = c.rows[std::size_t(y)][x];
                const std::uint32_t want =
                    e == '.' ? 0u
                    : e == 'B'
                        ? 0xFF000000u
                        : 0xFF000000u | f.palette[std::size_t(QByteArray(1, e).toInt(nullptr, 16))];
                EXPECT_EQ(d.sink.At(x, y), want) << x << ", " << y;
            }
    }
}

// Whole, plain files Qt refuses: read as the format means them. Expected pixels come
// from the description.
TEST(BmpDecode, ReadsWholeFilesQtRefuses) {
    struct Case {
        const char* name;
        BmpFile file;
    };
    const std::array<std::uint32_t, 4> rgba8888 = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    const Case cases[] = {
        {"52-byte header with bit fields", Packed(3, 2, 32, 3, 52, {0xFF0000, 0xFF00, 0xFF, 0})},
        {"56-byte header with an alpha mask", Packed(3, 2, 32, 3, 56, rgba8888)},
        {"alpha bit fields after a 40-byte header", Packed(3, 2, 32, 6, 40, rgba8888)},
        {"core header whose palette is shorter than the depth",
         With<BmpFile>(Indexed(5, 2, 8, 4, 4), [](BmpFile& f) { f.header = 12; })},
        {"colour count 0 with only the used colours written",
         With<BmpFile>(Indexed(5, 2, 8, 4, 4), [](BmpFile& f) { f.colours = 0; })},
        {"colour count above 256",
         With<BmpFile>(Indexed(5, 2, 8, 256, 256), [](BmpFile& f) { f.colours = 300; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = MakeBmp(c.file);
        EXPECT_TRUE(QtDecode(bytes).isNull()) << "Qt refuses this file";
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete) << d.result.error;
        ASSERT_TRUE(d.sink.EveryPixelOnce());
        const BmpFile& f = c.file;
        for (int y = 0; y < std::abs(f.height); ++y)
            for (int x = 0; x < f.width; ++x) {
                const std::uint32_t v = f.pixels[std::size_t(y) * f.width + x];
                std::uint32_t want;
                if (f.bits <= 8)
                    want = 0xFF000000u | (f.palette[v] & 0xFFFFFFu);
                else if (f.masks[3])
                    want = v; // 8-bit channels in the 0xAARRGGBB places
                else
                    want = 0xFF000000u | (v & 0xFFFFFFu);
                EXPECT_EQ(d.sink.At(x, y), want) << x << ", " << y;
            }
    }
}

// Headers that cannot be read, or pictures too large: refused before the sink hears of
// them, and no size is declared.
TEST(BmpDecode, RefusesUnreadableHeadersBeforeAnyPixel) {
    const auto header = [](std::function<void(BmpFile&)> change) {
        return MakeBmp(With<BmpFile>(Indexed(4, 2, 8, 4, 4), change));
    };
    const auto patched = [](QByteArray bytes, int at, QByteArray value) {
        return bytes.replace(at, value.size(), value);
    };
    const QByteArray good = header([](BmpFile&) {});
    struct Case {
        const char* name;
        QByteArray bytes;
        bool sizeKnown = false; ///< the header is readable, the picture refused
    };
    const Case cases[] = {
        {"not a BMP", patched(good, 0, "BX")},
        {"cut inside the file header", good.left(16)},
        {"cut inside the info header", good.left(14 + 30)},
        {"header of 64 bytes", patched(good, 14, QByteArray("\x40\0\0\0", 4))},
        {"header of 16 bytes", patched(good, 14, QByteArray("\x10\0\0\0", 4))},
        {"width 0", header([](BmpFile& f) { f.width = 0; })},
        {"height 0", header([](BmpFile& f) { f.height = 0; })},
        {"negative width", header([](BmpFile& f) { f.width = -4; })},
        {"smallest height", header([](BmpFile& f) { f.height = INT_MIN; })},
        {"2 planes", patched(good, 26, QByteArray("\x02\0", 2))},
        {"2 bits per pixel", header([](BmpFile& f) { f.bits = 2; })},
        {"7 bits per pixel", header([](BmpFile& f) { f.bits = 7; })},
        {"64 bits per pixel", header([](BmpFile& f) { f.bits = 64; })},
        {"8-bit run-length at 24 bits", header([](BmpFile& f) {
             f.bits = 24;
             f.compression = 1;
         })},
        {"4-bit run-length at 8 bits", header([](BmpFile& f) { f.compression = 2; })},
        {"bit fields at 8 bits", header([](BmpFile& f) { f.compression = 3; })},
        {"bit fields at 24 bits", header([](BmpFile& f) {
             f.bits = 24;
             f.compression = 3;
         })},
        {"JPEG inside", header([](BmpFile& f) {
             f.bits = 24;
             f.compression = 4;
         })},
        {"PNG inside", header([](BmpFile& f) {
             f.bits = 24;
             f.compression = 5;
         })},
        {"bit-field masks cut short",
         MakeBmp(Packed(2, 2, 32, 3, 40, {1, 2, 4, 0})).left(14 + 40 + 8)},
        {"more pixels than allowed", header([](BmpFile& f) {
             f.width = 20001;
             f.height = 5000;
             f.pixels.clear();
         }),
         true},
        {"widest and tallest", header([](BmpFile& f) {
             f.width = INT_MAX;
             f.height = -INT_MAX;
             f.pixels.clear();
         }),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = Decode(c.bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Failed);
        EXPECT_FALSE(d.result.error.empty());
        EXPECT_EQ(d.sink.begins, 0);
        EXPECT_EQ(d.sink.rowCalls, 0);
        const codec::Info info = codec::ReadInfo(
            reinterpret_cast<const std::uint8_t*>(c.bytes.constData()), c.bytes.size());
        EXPECT_EQ(info.width != 0, c.sizeKnown);
        if (!c.sizeKnown) {
            EXPECT_TRUE(QtDecode(c.bytes).isNull()) << "Qt refuses it too";
        }
    }
}

} // namespace
