// Files cut at every length and with bytes flipped keep the codec's contract (every
// pixel once, black where the file broke off, refusals before any pixel), and pictures
// that declare a hundred megapixels go through a reducer without being held.

#include "codec/Codec.h"
#include "codec/Reducer.h"
#include "tests/codec/AllocationProbe.h"
#include "tests/codec/CodecFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace codec_test;

namespace {

struct Sample {
    const char* name;
    QByteArray bytes;
    int headerEnd; ///< cuts from here on still declare the picture
};

std::vector<Sample> Samples() {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back(0xFF000000u | std::uint32_t(i * 0x0F0D0B));
    const auto indices = [](int w, int h, int colours) {
        std::vector<std::uint32_t> v;
        for (int i = 0; i < w * h; ++i)
            v.push_back(std::uint32_t((i * 7 + i / 3) % colours));
        return v;
    };
    std::vector<Sample> samples;

    BmpFile bmp8;
    bmp8.width = 7;
    bmp8.height = 3;
    bmp8.palette = palette;
    bmp8.pixels = indices(7, 3, 16);
    samples.push_back({"BMP, 8 bits", MakeBmp(bmp8), 14 + 40});

    BmpFile bmp4 = bmp8;
    bmp4.bits = 4;
    bmp4.width = 5;
    bmp4.pixels = indices(5, 3, 16);
    bmp4.header = 12;
    samples.push_back({"BMP, 4 bits, core header", MakeBmp(bmp4), 14 + 12});

    BmpFile bmp24;
    bmp24.width = 5;
    bmp24.height = -3;
    bmp24.bits = 24;
    for (int i = 0; i < 15; ++i)
        bmp24.pixels.push_back(std::uint32_t(i) * 0x112233u);
    samples.push_back({"BMP, 24 bits, top-down", MakeBmp(bmp24), 14 + 40});

    BmpFile bmp32 = bmp24;
    bmp32.bits = 32;
    bmp32.height = 3;
    bmp32.header = 124;
    bmp32.compression = 3;
    bmp32.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    for (auto& p : bmp32.pixels)
        p |= 0x80000000u;
    samples.push_back({"BMP, 32 bits, bit fields with alpha", MakeBmp(bmp32), 14 + 124});

    std::vector<int> holes(9 * 5);
    for (int i = 0; i < 9 * 5; ++i)
        holes[std::size_t(i)] = i % 11 == 3 || (i > 20 && i < 26) ? -1 : (i / 4) % 16;
    BmpFile rle8 = bmp8;
    rle8.width = 9;
    rle8.height = 5;
    rle8.compression = 1;
    rle8.pixels.clear();
    rle8.data = EncodeRle(holes, 9, 5, false);
    samples.push_back({"BMP, 8-bit run lengths with holes", MakeBmp(rle8), 14 + 40});

    BmpFile rle4 = rle8;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.data = EncodeRle(holes, 9, 5, true);
    samples.push_back({"BMP, 4-bit run lengths with holes", MakeBmp(rle4), 14 + 40});

    const std::vector<std::uint32_t> four = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    GifFile gif;
    gif.width = 5;
    gif.height = 4;
    gif.global = four;
    gif.globalBits = 2;
    GifImage image;
    image.width = 5;
    image.height = 4;
    for (int i = 0; i < 20; ++i)
        image.pixels.push_back((i * 3 + i / 5) % 4);
    gif.images = {image};
    samples.push_back({"GIF", MakeGif(gif), 13});

    GifFile interlaced = gif;
    interlaced.width = 6;
    interlaced.height = 15;
    GifImage inner;
    inner.left = 1;
    inner.top = 1;
    inner.width = 4;
    inner.height = 13;
    inner.interlaced = true;
    inner.transparent = 2;
    for (int i = 0; i < 4 * 13; ++i)
        inner.pixels.push_back((i + i / 4) % 4);
    interlaced.images = {inner};
    samples.push_back({"GIF, interlaced, transparent, inside a border", MakeGif(interlaced), 13});

    GifFile local = gif;
    local.images.front().local = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    local.images.front().localBits = 2;
    local.images.front().left = 1;
    local.width = 6;
    samples.push_back({"GIF, local table", MakeGif(local), 13});
    return samples;
}

TEST(CodecDamage, EveryCutGivesEveryPixelOnceAndBlackWhereTheFileEnds) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const Decoded full = Decode(s.bytes);
        ASSERT_EQ(full.result.outcome, codec::Outcome::Complete) << full.result.error;
        ASSERT_TRUE(full.sink.EveryPixelOnce());
        for (int n = s.headerEnd; n < s.bytes.size(); ++n) {
            SCOPED_TRACE(n);
            const Decoded cut = Decode(s.bytes.left(n));
            ASSERT_NE(cut.result.outcome, codec::Outcome::Failed) << cut.result.error;
            ASSERT_TRUE(cut.sink.EveryPixelOnce());
            ASSERT_EQ(QSize(cut.sink.width, cut.sink.height),
                      QSize(full.sink.width, full.sink.height));
            int wrong = 0, black = 0;
            for (std::size_t i = 0; i < full.sink.pixels.size(); ++i) {
                if (cut.sink.pixels[i] == full.sink.pixels[i])
                    continue;
                ++black;
                if (cut.sink.pixels[i] != 0xFF000000u)
                    ++wrong;
            }
            EXPECT_EQ(wrong, 0) << "pixels neither the file's nor black";
            if (cut.result.outcome == codec::Outcome::Complete)
                EXPECT_EQ(black, 0) << "a complete picture is the whole picture";
            else
                EXPECT_FALSE(cut.result.error.empty());
        }
    }
}

TEST(CodecDamage, FlippedBytesKeepTheContract) {
    codec::Options options;
    options.maxPixels = 1'000'000; // what the collecting sink may hold
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        for (int i = 0; i < s.bytes.size(); ++i) {
            const auto original = std::uint8_t(s.bytes[i]);
            for (const std::uint8_t value : {std::uint8_t(original ^ 0xFF), std::uint8_t(0),
                                             std::uint8_t(0xFF), std::uint8_t(original + 1)}) {
                QByteArray bytes = s.bytes;
                bytes[i] = char(value);
                const Decoded d = Decode(bytes, options);
                SCOPED_TRACE(testing::Message() << "byte " << i << " = " << int(value));
                if (d.result.outcome == codec::Outcome::Failed) {
                    ASSERT_EQ(d.sink.begins, 0);
                    ASSERT_EQ(d.sink.rowCalls, 0);
                    continue;
                }
                ASSERT_TRUE(d.sink.EveryPixelOnce());
                const codec::Info info = codec::ReadInfo(
                    reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
                ASSERT_EQ(QSize(info.width, info.height), QSize(d.sink.width, d.sink.height));
            }
        }
    }
}

TEST(CodecDamage, ASinkRefusingThePictureStopsItBeforeAnyRow) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        CollectSink refusing(false);
        const codec::Result result =
            codec::Decode(reinterpret_cast<const std::uint8_t*>(s.bytes.constData()),
                          std::size_t(s.bytes.size()), refusing);
        EXPECT_EQ(result.outcome, codec::Outcome::Failed);
        EXPECT_EQ(refusing.begins, 1);
        EXPECT_EQ(refusing.rowCalls, 0);
    }
}

/// Passes rows to a reducer and checks each pixel of a large picture comes once, with
/// one bit per pixel made before the decoding.
class CheckedReducer : public codec::RowSink {
public:
    CheckedReducer(int width, int height)
        : reducer(100, 50, codec::Coverage{}), m_seen(std::size_t(width) * std::size_t(height)) {}
    bool Begin(int w, int h) override {
        ++begins;
        width = w;
        height = h;
        return std::size_t(w) * std::size_t(h) == m_seen.size() && reducer.Begin(w, h);
    }
    void Row(int y, const std::uint32_t* row, int x0, int step) override {
        if (y < 0 || y >= height || x0 < 0 || step < 1) {
            ++misplaced;
            return;
        }
        int n = 0;
        for (int x = x0; x < width; x += step, ++n) {
            auto bit = m_seen[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            if (bit)
                ++twice;
            bit = true;
        }
        widestCall = std::max(widestCall, n);
        reducer.Row(y, row, x0, step);
    }
    bool EveryPixel() const {
        return std::all_of(m_seen.begin(), m_seen.end(), [](bool b) { return b; });
    }

    codec::Reducer reducer;
    int begins = 0, width = 0, height = 0, widestCall = 0;
    long long twice = 0, misplaced = 0;

private:
    std::vector<bool> m_seen;
};

// A 199-byte GIF of 9999 x 9999 whose data is a few clear codes, and a BMP of
// 20000 x 5000 of which three rows are in the file: about 400 MB each at full size. The
// decoders hand over every pixel once while no allocation comes near a picture.
TEST(CodecDamage, HugeDeclaredPicturesPassThroughAReducerWithoutBeingHeld) {
    GifFile gif;
    gif.width = gif.height = 9999;
    gif.global = {0xFF0000, 0x00FF00};
    gif.globalBits = 1;
    GifImage image;
    image.width = image.height = 9999;
    image.data = PackCodes({{4, 3}, {4, 3}, {4, 3}, {4, 3}, {5, 3}});
    gif.images = {image};
    const QByteArray gifBytes = MakeGif(gif);
    ASSERT_LT(gifBytes.size(), 200);

    BmpFile bmp;
    bmp.width = 20000;
    bmp.height = 5000;
    bmp.bits = 24;
    for (int i = 0; i < 3 * 20000; ++i)
        bmp.data.append("\x00\x00\xFF", 3); // red
    const QByteArray bmpBytes = MakeBmp(bmp);

    struct Case {
        const char* name;
        QByteArray bytes;
        int width, height;
    };
    const Case cases[] = {{"GIF", gifBytes, 9999, 9999}, {"BMP", bmpBytes, 20000, 5000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckedReducer sink(c.width, c.height);
        codec::Result result;
        std::size_t largest = 0;
        {
            AllocationProbe probe;
            result = codec::Decode(reinterpret_cast<const std::uint8_t*>(c.bytes.constData()),
                                   std::size_t(c.bytes.size()), sink);
            largest = probe.largest();
        }
        EXPECT_EQ(result.outcome, codec::Outcome::Damaged);
        EXPECT_EQ(sink.begins, 1);
        EXPECT_EQ(QSize(sink.width, sink.height), QSize(c.width, c.height));
        EXPECT_EQ(sink.twice, 0);
        EXPECT_EQ(sink.misplaced, 0);
        EXPECT_TRUE(sink.EveryPixel());
        EXPECT_EQ(sink.widestCall, c.width);
        // One row of the picture is 80 KB at most; the picture itself 400 MB.
        EXPECT_LT(largest, std::size_t(1) << 20);
        const std::vector<std::uint32_t> reduced = sink.reducer.Take();
        ASSERT_EQ(reduced.size(), std::size_t(100 * 50));
        for (int y = 0; y < 49; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(reduced[std::size_t(y) * 100 + x], 0xFF000000u) << x << ", " << y;
        // The bottom row of the reduction holds the three red rows of the BMP.
        const std::uint32_t bottom = reduced[49 * 100 + 50];
        EXPECT_EQ(bottom >> 24, 0xFFu);
        EXPECT_EQ((bottom >> 16) & 0xFF, c.width == 20000 ? 8u : 0u);
    }
}

} // namespace
