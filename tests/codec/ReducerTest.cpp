// The reducer: area-weighted averages of premultiplied coverage, whatever order the rows
// come in, computed here by hand.

#include "codec/Reducer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Pixels = std::vector<std::uint32_t>;

/// Feeds `picture` (width w) to a reducer row by row, top first.
Pixels Reduce(const Pixels& picture, int w, int h, int ow, int oh, codec::Coverage c = {}) {
    codec::Reducer r(ow, oh, c);
    EXPECT_TRUE(r.Begin(w, h));
    for (int y = 0; y < h; ++y)
        r.Row(y, picture.data() + size_t(y) * size_t(w), 0, 1);
    return r.Take();
}

constexpr std::uint32_t Argb(int a, int r, int g, int b) {
    return (std::uint32_t(a) << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) |
           std::uint32_t(b);
}

} // namespace

TEST(Reducer, AveragesWhatFallsInEachPixelByItsArea) {
    struct Case {
        const char* name;
        Pixels picture;
        int w, h, ow, oh;
        Pixels expected;
    };
    const Case cases[] = {
        {"2 x 2 blocks of a 4 x 2 picture",
         {Argb(255, 0, 0, 0), Argb(255, 100, 0, 0), Argb(255, 0, 40, 0), Argb(255, 0, 0, 80),
          Argb(255, 100, 0, 0), Argb(255, 200, 0, 0), Argb(255, 0, 40, 0), Argb(255, 0, 0, 80)},
         4,
         2,
         2,
         1,
         {Argb(255, 100, 0, 0), Argb(255, 0, 20, 40)}},
        // Three columns into two: the middle one falls half in each.
        // (0 + 90 / 2) / 1.5 = 30, (90 / 2 + 180) / 1.5 = 150.
        {"three columns into two",
         {Argb(255, 0, 0, 0), Argb(255, 90, 0, 0), Argb(255, 180, 0, 0)},
         3,
         1,
         2,
         1,
         {Argb(255, 30, 0, 0), Argb(255, 150, 0, 0)}},
        {"a smaller picture is not enlarged",
         {Argb(255, 1, 2, 3), Argb(255, 4, 5, 6)},
         2,
         1,
         8,
         8,
         {Argb(255, 1, 2, 3), Argb(255, 4, 5, 6)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Reduce(c.picture, c.w, c.h, c.ow, c.oh), c.expected);
    }
}

TEST(Reducer, KeyPixelsAndAlphaCoverLessOfThePixel) {
    const std::uint32_t key = 0x00FF00FF; // magenta
    // One key pixel of four: three quarters covered, the colour of the other three.
    const Pixels keyed = {Argb(255, 255, 0, 255), Argb(255, 200, 0, 0), Argb(255, 200, 0, 0),
                          Argb(255, 200, 0, 0)};
    EXPECT_EQ(Reduce(keyed, 2, 2, 1, 1, codec::Coverage{true, true, key}),
              (Pixels{Argb(191, 150, 0, 0)}));
    // Without the key the magenta pixel counts like the others.
    EXPECT_EQ(Reduce(keyed, 2, 2, 1, 1, codec::Coverage{true, false, 0}),
              (Pixels{Argb(255, 214, 0, 64)}));
    // Half-transparent pixels cover half; with alpha ignored they cover all.
    const Pixels half = {Argb(128, 255, 255, 255), Argb(0, 0, 0, 0)};
    EXPECT_EQ(Reduce(half, 2, 1, 1, 1, codec::Coverage{true, false, 0}),
              (Pixels{Argb(64, 64, 64, 64)}));
    EXPECT_EQ(Reduce(half, 2, 1, 1, 1, codec::Coverage{false, false, 0}),
              (Pixels{Argb(255, 128, 128, 128)}));
}

TEST(Reducer, RowsInAnyOrderAndInPiecesGiveTheSamePicture) {
    const int w = 13, h = 11;
    Pixels picture(size_t(w * h));
    for (int i = 0; i < w * h; ++i)
        picture[size_t(i)] = Argb(255, (i * 37) % 256, (i * 11) % 256, (i * 5) % 256);
    const Pixels inOrder = Reduce(picture, w, h, 4, 3);

    // Bottom row first, and each row in three interleaved pieces, as interlaced files do.
    codec::Reducer r(4, 3, codec::Coverage{});
    ASSERT_TRUE(r.Begin(w, h));
    for (int y = h - 1; y >= 0; --y)
        for (int x0 = 2; x0 >= 0; --x0)
            r.Row(y, picture.data() + size_t(y * w), x0, 3);
    const Pixels pieces = r.Take();
    ASSERT_EQ(pieces.size(), inOrder.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        for (int shift : {24, 16, 8, 0})
            EXPECT_NEAR(int((pieces[i] >> shift) & 0xFF), int((inOrder[i] >> shift) & 0xFF), 1);
    }
}

TEST(Reducer, AVeryLargeReductionKeepsItsPrecision) {
    // 40000 pixels into one, three of every four white: 0.75 * 255 = 191.25.
    const int w = 40000;
    Pixels row(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        row[size_t(x)] = x % 4 ? Argb(255, 255, 255, 255) : Argb(255, 0, 0, 0);
    codec::Reducer r(1, 1, codec::Coverage{});
    ASSERT_TRUE(r.Begin(w, 1));
    r.Row(0, row.data(), 0, 1);
    EXPECT_EQ(r.Take(), (Pixels{Argb(255, 191, 191, 191)}));
}
