// The GIF decoder against Qt's own reader: screens and first images of every shape,
// colour tables, transparency, interlacing and LZW streams give Qt's pixels and Qt's
// size; corrupt image data gives the pixels reached and black after; files without a
// picture are refused before any pixel.

#include "codec/Codec.h"
#include "tests/codec/CodecFixtures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace codec_test;

namespace {

const std::vector<std::uint32_t> kFour = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
const std::vector<std::uint32_t> kLocal = {0x010203, 0x040506, 0x070809, 0x0A0B0C};

std::vector<int> Pattern(int w, int h, int colours, int seed = 0) {
    std::vector<int> v(std::size_t(w) * std::size_t(h));
    unsigned s = unsigned(seed) * 2654435761u + 1;
    for (std::size_t i = 0; i < v.size(); ++i) {
        s = s * 1103515245u + 12345u;
        v[i] = seed ? int((s >> 16) % unsigned(colours)) : int((i / 2 + i / 7) % unsigned(colours));
    }
    return v;
}

GifImage Image(int left, int top, int w, int h, int colours = 4, int codeSize = 2) {
    GifImage im;
    im.left = left;
    im.top = top;
    im.width = w;
    im.height = h;
    im.pixels = Pattern(w, h, colours);
    im.codeSize = codeSize;
    return im;
}

GifFile Screen(int w, int h, std::vector<GifImage> images, int background = 1,
               std::vector<std::uint32_t> global = kFour, int globalBits = 2) {
    GifFile f;
    f.width = w;
    f.height = h;
    f.global = std::move(global);
    f.globalBits = f.global.empty() ? 0 : globalBits;
    f.background = background;
    f.images = std::move(images);
    return f;
}

template <typename T> T With(T v, const std::function<void(T&)>& change) {
    change(v);
    return v;
}

struct GifCase {
    const char* name;
    GifFile file;
    /// Qt fills around the first image from its local table before reading that table:
    /// there only the alpha of Qt's pixels is defined.
    bool onlyAlphaAroundImage = false;
};

// Every shape of screen and first image, colour table and transparency Qt reads: the
// same pixels, and the size Qt reports is the one the header declares and Begin gets.
TEST(GifDecode, GivesQtsPixelsAndSize) {
    const auto trans = [](GifImage im, int index) {
        im.transparent = index;
        return im;
    };
    const auto local = [](GifImage im, std::vector<std::uint32_t> table, int bits) {
        im.local = std::move(table);
        im.localBits = bits;
        return im;
    };
    const auto interlaced = [](GifImage im) {
        im.interlaced = true;
        return im;
    };
    const QByteArray transparentControl("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
    const QByteArray otherBlocks = QByteArray("\x21\xFE\x03"
                                              "abc"
                                              "\x00",
                                              7) +
                                   QByteArray("\x21\xFF\x0B"
                                              "NETSCAPE2.0"
                                              "\x03\x01\x00\x00\x00",
                                              19) +
                                   QByteArray("\x21\x55\x02\x09\x09\x00", 6);
    std::vector<std::uint32_t> colours256;
    for (int i = 0; i < 256; ++i)
        colours256.push_back(std::uint32_t(i * 0x010307) & 0xFFFFFF);
    const GifCase cases[] = {
        {"the image fills the screen", Screen(5, 4, {Image(0, 0, 5, 4)})},
        {"1 x 1", Screen(1, 1, {Image(0, 0, 1, 1)})},
        {"a smaller image: the background colour around it", Screen(6, 5, {Image(2, 1, 3, 2)})},
        {"a smaller image with a transparent index: its colour at alpha 0 around it",
         Screen(6, 5, {trans(Image(2, 1, 3, 2), 0)})},
        {"the transparent index is the background", Screen(6, 5, {trans(Image(2, 1, 3, 2), 1)})},
        {"the transparent index past the table", Screen(6, 5, {trans(Image(2, 1, 3, 2), 9)})},
        {"a control without a transparent index",
         Screen(6, 5,
                {With<GifImage>(Image(2, 1, 3, 2), [](GifImage& im) { im.control = true; })})},
        {"an image partly off the screen is clipped", Screen(4, 3, {Image(2, 1, 4, 3)})},
        {"an image larger than the screen is clipped", Screen(3, 2, {Image(0, 0, 5, 4)})},
        {"an image wholly off the screen", Screen(3, 2, {Image(10, 10, 2, 2)})},
        {"an empty image", Screen(3, 2, {Image(0, 0, 0, 0)})},
        {"screen width 0: the image's right edge", Screen(0, 5, {Image(1, 1, 2, 2)})},
        {"screen height 0: the image's bottom edge", Screen(5, 0, {Image(1, 1, 2, 2)})},
        {"screen 0 x 0 with a transparent index", Screen(0, 0, {trans(Image(1, 2, 3, 2), 2)})},
        {"interlaced, 13 rows", Screen(3, 13, {interlaced(Image(0, 0, 3, 13))})},
        {"interlaced, 1 row", Screen(3, 1, {interlaced(Image(0, 0, 3, 1))})},
        {"interlaced, 3 rows", Screen(3, 3, {interlaced(Image(0, 0, 3, 3))})},
        {"interlaced, 6 rows", Screen(2, 6, {interlaced(Image(0, 0, 2, 6))})},
        // Qt's passes over 3 or 4 rows write row 2 twice and leave a row to the copies
        // of its first pass, or to what was there before when an index is transparent.
        {"interlaced, 4 rows", Screen(2, 4, {interlaced(Image(0, 0, 2, 4))})},
        {"interlaced, 3 rows, transparent index, covering the screen",
         Screen(2, 3, {trans(interlaced(Image(0, 0, 2, 3)), 3)})},
        {"interlaced, 4 rows, transparent index, inside the screen",
         Screen(3, 4, {trans(interlaced(Image(1, 0, 2, 4)), 3)})},
        {"interlaced, 3 of 10 rows on the screen", Screen(2, 5, {interlaced(Image(0, 2, 2, 10))})},
        {"interlaced, 4 of 10 rows on the screen, transparent index",
         Screen(2, 6, {trans(interlaced(Image(0, 2, 2, 10)), 0)})},
        {"interlaced, smaller than the screen and clipped",
         Screen(4, 9, {interlaced(Image(1, 2, 4, 10))})},
        {"a local table over the global one", Screen(4, 3, {local(Image(0, 0, 4, 3), kLocal, 2)})},
        {"a local table and no global one",
         Screen(4, 3, {local(Image(0, 0, 4, 3), kLocal, 2)}, 0, {})},
        {"a local table, background around the image",
         Screen(5, 4, {local(Image(1, 1, 3, 2), kLocal, 2)}), true},
        {"a local table, transparent index around the image",
         Screen(5, 4, {trans(local(Image(1, 1, 3, 2), kLocal, 2), 3)}), true},
        {"no colour table: the first indices black, later ones white",
         Screen(8, 2, {Image(0, 0, 8, 2, 8, 3)}, 0, {})},
        {"no colour table, transparent index",
         Screen(8, 2, {trans(Image(0, 0, 8, 2, 8, 3), 5)}, 0, {})},
        {"indices past a global table of 2", Screen(8, 2, {Image(0, 0, 8, 2, 8, 3)}, 0, kFour, 1)},
        {"indices past a local table of 2, transparent index",
         Screen(8, 2, {trans(local(Image(0, 0, 8, 2, 8, 3), kLocal, 1), 0)})},
        {"the background index past the table", Screen(5, 3, {Image(1, 1, 2, 1)}, 9)},
        {"the background index equal to the table's size",
         Screen(5, 3, {Image(1, 1, 2, 1)}, 2, kFour, 1)},
        {"two controls before the image: the last one, without transparency, counts",
         With<GifFile>(
             Screen(5, 3,
                    {With<GifImage>(Image(1, 1, 2, 1), [](GifImage& im) { im.control = true; })}),
             [&](GifFile& f) { f.beforeImages = transparentControl; })},
        {"a control, then other blocks, then the image",
         With<GifFile>(Screen(5, 3, {Image(1, 1, 2, 1)}),
                       [&](GifFile& f) { f.beforeImages = transparentControl + otherBlocks; })},
        {"GIF87a",
         With<GifFile>(Screen(4, 3, {Image(0, 0, 4, 3)}), [](GifFile& f) { f.version = "87a"; })},
        {"only the first of two images",
         Screen(4, 3,
                {Image(1, 1, 2, 2), With<GifImage>(Image(0, 0, 4, 3),
                                                   [](GifImage& im) {
                                                       std::fill(im.pixels.begin(), im.pixels.end(),
                                                                 2);
                                                   })})},
        {"no trailer",
         With<GifFile>(Screen(4, 3, {Image(0, 0, 4, 3)}), [](GifFile& f) { f.trailer = false; })},
        {"codes past the last pixel are ignored",
         Screen(4, 2,
                {With<GifImage>(Image(0, 0, 4, 2),
                                [](GifImage& im) {
                                    std::vector<int> more = im.pixels;
                                    more.insert(more.end(), {1, 2, 3, 0, 1});
                                    im.data = EncodeLzw(more, 2);
                                })})},
        {"256 colours, code size 8",
         Screen(20, 13, {Image(0, 0, 20, 13, 256, 8)}, 0, colours256, 8)},
        {"code size 9: indices of 256 and up wrap to a byte",
         Screen(20, 4,
                {With<GifImage>(Image(0, 0, 20, 4, 512, 9),
                                [](GifImage& im) { im.pixels = Pattern(20, 4, 512, 3); })})},
        {"code size 9 with a transparent index",
         Screen(20, 4,
                {trans(With<GifImage>(Image(0, 0, 20, 4, 512, 9),
                                      [](GifImage& im) { im.pixels = Pattern(20, 4, 512, 3); }),
                       1)})},
        {"code size 11", Screen(9, 9, {Image(0, 0, 9, 9, 4, 11)})},
        {"a full table cleared",
         Screen(300, 90,
                {With<GifImage>(Image(0, 0, 300, 90),
                                [](GifImage& im) { im.pixels = Pattern(300, 90, 4, 5); })})},
        {"a full table kept: codes stay 12 bits",
         Screen(300, 90,
                {With<GifImage>(Image(0, 0, 300, 90),
                                [](GifImage& im) {
                                    im.pixels = Pattern(300, 90, 4, 5);
                                    im.keepFullTable = true;
                                })})},
    };
    for (const GifCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = MakeGif(c.file);
        const QImage qt = QtDecode(bytes);
        ASSERT_FALSE(qt.isNull()) << "Qt reads this file";
        const Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete) << d.result.error;
        EXPECT_TRUE(d.sink.EveryPixelOnce());
        const GifImage& im = c.file.images.front();
        const auto outside = [&](int x, int y) {
            return c.onlyAlphaAroundImage && (x < im.left || y < im.top ||
                                              x >= im.left + im.width || y >= im.top + im.height);
        };
        EXPECT_EQ(FirstDifference(qt, d.sink, outside).toStdString(), "");
        if (c.onlyAlphaAroundImage && d.sink.EveryPixelOnce()) {
            for (int y = 0; y < qt.height(); ++y)
                for (int x = 0; x < qt.width(); ++x)
                    EXPECT_EQ(d.sink.At(x, y) >> 24, qt.pixel(x, y) >> 24) << x << ", " << y;
        }
        const codec::Info info =
            codec::ReadInfo(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
        EXPECT_EQ(info.format, codec::Format::Gif);
        EXPECT_EQ(QSize(info.width, info.height), QtSize(bytes));
        EXPECT_EQ(QSize(d.sink.width, d.sink.height), QSize(info.width, info.height));
        // A transparent index marked right before the image makes the file transparent.
        if (c.file.beforeImages.isEmpty()) {
            EXPECT_EQ(d.result.transparent, im.transparent >= 0);
        }
    }
}

/// The positions of an image's pixels in the order its data brings them.
std::vector<std::pair<int, int>> DataOrder(const GifImage& im) {
    std::vector<int> rows;
    if (im.interlaced) {
        const int start[4] = {0, 4, 2, 1};
        const int step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < im.height; y += step[pass])
                rows.push_back(y);
    } else {
        for (int y = 0; y < im.height; ++y)
            rows.push_back(y);
    }
    std::vector<std::pair<int, int>> order;
    for (int y : rows)
        for (int x = 0; x < im.width; ++x)
            order.push_back({x, y});
    return order;
}

struct CorruptCase {
    const char* name;
    GifImage image;           ///< on a screen of its own size with a border of 1
    std::vector<int> reached; ///< the indices of the pixels that still come, in data order
};

// Image data that is corrupt or stops early: the pixels before the fault are the
// image's, the image's others opaque black, the border the background colour.
TEST(GifDecode, CorruptImageDataGivesThePixelsReachedAndBlackAfter) {
    const auto raw = [](GifImage im, QByteArray data, int codeSize = 2) {
        im.data = std::move(data);
        im.hasData = true;
        im.codeSize = codeSize;
        return im;
    };
    const GifImage plain = Image(0, 0, 4, 3);
    const std::vector<int> first7(plain.pixels.begin(), plain.pixels.begin() + 7);
    GifImage interlaced = Image(0, 0, 3, 9);
    interlaced.interlaced = true;
    std::vector<int> passOrder;
    for (const auto& [x, y] : DataOrder(interlaced))
        passOrder.push_back(interlaced.pixels[std::size_t(y) * 3 + x]);
    passOrder.resize(14);
    const CorruptCase cases[] = {
        {"code size 0", raw(plain, EncodeLzw(plain.pixels, 2), 0), {}},
        {"code size 1", raw(plain, EncodeLzw(plain.pixels, 2), 1), {}},
        {"code size 12", raw(plain, EncodeLzw(plain.pixels, 2), 12), {}},
        {"code size 200", raw(plain, EncodeLzw(plain.pixels, 2), 200), {}},
        // Clear is 4, the end code 5, the first free code 6.
        {"the first code after a clear is not an index",
         raw(plain, PackCodes({{4, 3}, {6, 3}})),
         {}},
        {"a code past the next free one",
         raw(plain, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {15, 4}})),
         {1, 2, 3}},
        {"the end code before the last pixel", raw(plain, EncodeLzw(first7, 2)), first7},
        // 16 bits: the last code is 4 bits wide, as the table has reached 8 codes.
        {"the data stops before the last pixel",
         raw(plain, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}})),
         {1, 2, 3, 1}},
        {"no image data", raw(plain, QByteArray()), {}},
        {"interlaced, the end code early", raw(interlaced, EncodeLzw(passOrder, 2)), passOrder},
    };
    for (const CorruptCase& c : cases) {
        SCOPED_TRACE(c.name);
        GifImage im = c.image;
        im.left = im.top = 1;
        const GifFile file = Screen(im.width + 2, im.height + 2, {im}, 1);
        const Decoded d = Decode(MakeGif(file));
        EXPECT_EQ(d.result.outcome, codec::Outcome::Damaged);
        EXPECT_FALSE(d.result.error.empty());
        ASSERT_TRUE(d.sink.EveryPixelOnce());
        const auto order = DataOrder(im);
        for (std::size_t i = 0; i < order.size(); ++i) {
            const auto [x, y] = order[i];
            const std::uint32_t want =
                i < c.reached.size() ? 0xFF000000u | kFour[std::size_t(c.reached[i])] : 0xFF000000u;
            EXPECT_EQ(d.sink.At(x + 1, y + 1), want) << "image pixel " << x << ", " << y;
        }
        for (int x = 0; x < file.width; ++x) {
            EXPECT_EQ(d.sink.At(x, 0), 0xFF00FF00u);
            EXPECT_EQ(d.sink.At(x, file.height - 1), 0xFF00FF00u);
        }
    }
}

// Files without a picture to give: refused before the sink hears of them.
TEST(GifDecode, RefusesFilesWithoutAPictureBeforeAnyPixel) {
    const QByteArray good = MakeGif(Screen(4, 3, {Image(0, 0, 4, 3)}));
    struct Case {
        const char* name;
        QByteArray bytes;
        codec::Options options;
        bool sizeKnown = false;
    };
    const Case cases[] = {
        {"not a GIF", QByteArray("GIF90a") + good.mid(6), {}},
        {"the header cut short", good.left(12), {}},
        {"screen and image of 0 x 0", MakeGif(Screen(0, 0, {Image(0, 0, 0, 0)})), {}},
        {"screen 0 wide, the file ends before the image",
         MakeGif(Screen(0, 3, {Image(0, 0, 4, 3)})).left(13 + 12),
         {}},
        {"a trailer and no image", MakeGif(Screen(4, 3, {})), {}, true},
        {"more pixels than allowed",
         MakeGif(Screen(1001, 1000, {Image(0, 0, 1, 1)})),
         {1, 1, 1'000'000},
         true},
        {"more pixels than the default allows",
         MakeGif(Screen(65535, 65535, {Image(0, 0, 1, 1)})),
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = Decode(c.bytes, c.options);
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
