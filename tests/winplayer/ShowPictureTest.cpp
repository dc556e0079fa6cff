// A slide's picture decoded for the Windows runtime's show: reduced to the size it is
// drawn at while it is decoded, or whole when it is drawn at its size or larger.

#include "slideshow/ShowPicture.h"
#include "tests/support/HugePicture.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t Black = 0xFF000000u;
constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t None = 0x00000000u;
constexpr std::uint32_t Fill = 0xFFFFF7FFu; // the key of slides without their own

QByteArray Encoded(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(image));
    return buffer.data();
}

/// 64 x 64 pixels of no pattern a compressor could shorten much.
QImage Noise() {
    QImage img(64, 64, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return img;
}

show::Raster Decode(const QByteArray& bytes, int ww, int wh, bool fit, std::uint32_t key,
                    bool keyed) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const codec::Info info = codec::ReadInfo(data, size_t(bytes.size()));
    return show::DecodeShowPicture(data, size_t(bytes.size()), info, ww, wh, fit, key, keyed);
}

TEST(ShowPicture, LargerPicturesAreReducedToTheirPlaceSmallerOnesDecodedWhole) {
    struct Row {
        const char* name;
        QByteArray file;
        int ww, wh;
        bool fit;
        std::uint32_t key;
        bool keyed;
        show::Box box; ///< the size decoded at
        std::optional<show::Raster> want;
    };
    const auto coverage = [](int w, int h, std::vector<std::uint32_t> p) {
        show::Raster r{w, h, std::move(p)};
        r.coverage = true;
        return r;
    };
    const auto plain = [](int w, int h, std::vector<std::uint32_t> p) {
        return show::Raster{w, h, std::move(p)};
    };
    // Black left of the middle, white right of it.
    const QByteArray halves = HalfBlackPng(40, 20, 20);
    const QByteArray noisePng = Encoded(Noise(), "png");
    const Row rows[] = {
        // 40 x 20 in a 4 x 2 window: shrunk tenfold on both axes.
        {"larger, keyed white: the key covers nothing",
         halves,
         4,
         2,
         false,
         White,
         true,
         {0, 0, 4, 2},
         coverage(4, 2, {Black, Black, None, None, Black, Black, None, None})},
        {"larger, without a key: every pixel covers",
         halves,
         4,
         2,
         false,
         Fill,
         false,
         {0, 0, 4, 2},
         coverage(4, 2, {Black, Black, White, White, Black, Black, White, White})},
        {"fitted to a window smaller than it",
         halves,
         4,
         2,
         true,
         Fill,
         false,
         {0, 0, 4, 2},
         coverage(4, 2, {Black, Black, White, White, Black, Black, White, White})},
        {"smaller than the window: whole, as it is",
         HalfBlackPng(4, 2, 2),
         8,
         6,
         false,
         White,
         true,
         {0, 0, 4, 2},
         plain(4, 2, {Black, Black, White, White, Black, Black, White, White})},
        {"smaller, enlarged to fit: whole",
         HalfBlackPng(4, 2, 2),
         8,
         6,
         true,
         White,
         true,
         {0, 0, 4, 2},
         plain(4, 2, {Black, Black, White, White, Black, Black, White, White})},
        // 200 x 1 in 4 x 3: placed 4 x 0 (1 / 50 truncated); still decoded, 4 x 1.
        {"too thin to be seen: one pixel high, never whole",
         HalfBlackPng(200, 1, 100),
         4,
         3,
         false,
         Fill,
         false,
         {0, 0, 4, 1},
         coverage(4, 1, {Black, Black, White, White})},
        // 10001 x 10000 in 400 x 300: height fills, width 10001 / (10000 / 300) = 300.
        {"over 100 megapixels",
         HalfBlackPng(10001, 10000, 0),
         400,
         300,
         false,
         Fill,
         false,
         {0, 0, 300, 300},
         std::nullopt},
        {"a PNG that breaks off",
         noisePng.left(noisePng.size() / 2),
         8,
         8,
         false,
         Fill,
         false,
         {0, 0, 8, 8},
         std::nullopt},
        {"no picture",
         QByteArray("not a picture at all"),
         8,
         8,
         false,
         Fill,
         false,
         {},
         std::nullopt},
    };
    for (const Row& r : rows) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(r.file.constData());
        const codec::Info info = codec::ReadInfo(data, size_t(r.file.size()));
        EXPECT_EQ(show::ShowDecodeBox(info, r.ww, r.wh, r.fit), r.box) << r.name;
        const show::Raster got = Decode(r.file, r.ww, r.wh, r.fit, r.key, r.keyed);
        if (!r.want) {
            EXPECT_TRUE(got.pixels.empty()) << r.name;
            continue;
        }
        EXPECT_EQ(got.width, r.want->width) << r.name;
        EXPECT_EQ(got.height, r.want->height) << r.name;
        EXPECT_EQ(got.coverage, r.want->coverage) << r.name;
        EXPECT_EQ(got.pixels, r.want->pixels) << r.name;
    }
}

TEST(ShowPicture, AJpegWithoutAKeyIsReducedFromTheDecodersSmallerScale) {
    // 64 x 64 of one colour in an 8 x 8 window: whichever scale the decoder takes, the
    // reduced picture covers every pixel with about that colour (JPEG is lossy).
    QImage solid(64, 64, QImage::Format_RGB32);
    solid.fill(qRgb(200, 100, 50));
    const QByteArray jpeg = Encoded(solid, "jpeg");
    for (const bool keyed : {false, true}) {
        const show::Raster got = Decode(jpeg, 8, 8, false, keyed ? White : Fill, keyed);
        ASSERT_EQ(got.width, 8);
        ASSERT_EQ(got.height, 8);
        EXPECT_TRUE(got.coverage);
        for (const std::uint32_t p : got.pixels) {
            EXPECT_EQ(p >> 24, 0xFFu);
            EXPECT_NEAR(int((p >> 16) & 0xFF), 200, 6);
            EXPECT_NEAR(int((p >> 8) & 0xFF), 100, 6);
            EXPECT_NEAR(int(p & 0xFF), 50, 6);
        }
    }
}

} // namespace
