// The frame the Windows runtime draws, against pixels worked out by hand.

#include "slideshow/ShowRaster.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using show::Box;
using show::Raster;

constexpr std::uint32_t K = 0xFF00FF00u; // the key: green
constexpr std::uint32_t R = 0xFFFF0000u;
constexpr std::uint32_t B = 0xFF0000FFu;
constexpr std::uint32_t W = 0xFFFFFFFFu;

Raster Make(int w, int h, std::vector<std::uint32_t> pixels) {
    return Raster{w, h, std::move(pixels)};
}

/// A window of w x h filled with K and `picture` (rows of pixels) written at (x, y).
std::vector<std::uint32_t> Expect(int w, int h, int x, int y,
                                  const std::vector<std::vector<std::uint32_t>>& picture) {
    std::vector<std::uint32_t> out(size_t(w * h), K);
    for (size_t r = 0; r < picture.size(); ++r)
        for (size_t c = 0; c < picture[r].size(); ++c)
            out[(size_t(y) + r) * size_t(w) + size_t(x) + c] = picture[r][c];
    return out;
}

TEST(ShowRaster, SmallPicturesAreCentredKeyedAndMirrored) {
    const Raster picture = Make(4, 2,
                                {R, K, B, W, //
                                 W, W, K, R});
    struct Row {
        const char* name;
        bool flipH, flipV;
        std::vector<std::vector<std::uint32_t>> drawn;
    };
    const Row rows[] = {
        {"as it is", false, false, {{R, K, B, W}, {W, W, K, R}}},
        {"left-right", true, false, {{W, B, K, R}, {R, K, W, W}}},
        {"top-bottom", false, true, {{W, W, K, R}, {R, K, B, W}}},
        {"both", true, true, {{R, K, W, W}, {W, B, K, R}}},
    };
    for (const Row& r : rows) {
        Box placed;
        const Raster out =
            show::ComposeShowRaster(picture, K, true, 8, 6, false, r.flipH, r.flipV, &placed);
        // (8 - 4) / 2 = 2, (6 - 2) / 2 = 2.
        EXPECT_EQ(placed, (Box{2, 2, 4, 2})) << r.name;
        EXPECT_EQ(out.pixels, Expect(8, 6, 2, 2, r.drawn)) << r.name;
    }
}

TEST(ShowRaster, ScaledPicturesTakeOnlyTheirDrawnPixelsCutAtHalfCoverage) {
    // Four 2 x 2 blocks shrunk to one pixel each: all red; three key pixels and a blue
    // one (a quarter covered: see-through); one key and three white (white, not a
    // blend with green); two red and two blue (their mean).
    const Raster picture = Make(4, 4,
                                {R, R, K, B, //
                                 R, R, K, K, //
                                 K, W, R, B, //
                                 W, W, B, R});
    Box placed;
    const Raster out =
        show::ComposeShowRaster(picture, K, true, 2, 2, false, false, false, &placed);
    EXPECT_EQ(placed, (Box{0, 0, 2, 2}));
    // (255 + 255) / 4 per channel over full coverage: 127.5, rounded to 128 (0x80).
    EXPECT_EQ(out.pixels, (std::vector<std::uint32_t>{R, K, W, 0xFF800080u}));
}

TEST(ShowRaster, GrownPicturesBlendNeighboursBilinearly) {
    // 2 x 1 grown to fill a 4 x 2 window: sample centres at -0.25, 0.25, 0.75, 1.25 source
    // pixels, so the middle two are 3/4 : 1/4 mixes (191.25 -> 191 = 0xBF, 63.75 -> 64).
    const Raster picture = Make(2, 1, {R, B});
    const Raster out =
        show::ComposeShowRaster(picture, 0xFFFFF7FFu, false, 4, 2, true, false, false);
    const std::vector<std::uint32_t> row{R, 0xFFBF0040u, 0xFF4000BFu, B};
    EXPECT_EQ(out.pixels, Expect(4, 2, 0, 0, {row, row}));
}

TEST(ShowRaster, TranslucentPixelsAndTheKeyOnlyWhenKeyed) {
    struct Row {
        const char* name;
        std::uint32_t pixel;
        bool keyed;
        std::uint32_t shown;
    };
    const Row rows[] = {
        {"alpha below half", 0x7FFF0000u, true, K},
        {"alpha at half", 0x80FF0000u, true, R},
        {"the key, keyed", K, true, K},
        {"the key's colour with another alpha", 0x8000FF00u, true, K},
        {"green on a slide without a key", K, false, K}, // drawn, and it is green
        {"red on a slide without a key", R, false, R},
    };
    for (const Row& r : rows) {
        const std::uint32_t fill = r.keyed ? K : 0xFFFFF7FFu;
        const Raster out = show::ComposeShowRaster(Make(1, 1, {r.pixel}), fill, r.keyed, 3, 3,
                                                   false, false, false);
        std::vector<std::uint32_t> want(9, fill);
        want[4] = r.shown;
        EXPECT_EQ(out.pixels, want) << r.name;
    }
}

Raster Coverage(int w, int h, std::vector<std::uint32_t> pixels) {
    Raster r{w, h, std::move(pixels)};
    r.coverage = true;
    return r;
}

TEST(ShowRaster, CoveragePixelsAreDrawnWhereTheyCoverHalfInTheirOwnColour) {
    // Premultiplied pixels: the alpha is the share covered; the colour is drawn divided
    // by that share.
    struct Row {
        const char* name;
        std::uint32_t pixel;
        std::uint32_t shown;
    };
    const Row rows[] = {
        {"covered", R, R},
        {"not covered", 0x00000000u, K},
        {"half covered, red premultiplied", 0x80800000u, R}, // 128 / (128 / 255) = 255
        {"just under half", 0x7F7F0000u, K},
        {"three quarters", 0xC0300000u, 0xFF400000u}, // 48 * 255 / 192 = 63.75
    };
    for (const Row& r : rows) {
        // keyed: it plays no part for coverage pictures.
        const Raster out =
            show::ComposeShowRaster(Coverage(1, 1, {r.pixel}), K, true, 3, 3, false, false, false);
        std::vector<std::uint32_t> want(9, K);
        want[4] = r.shown;
        EXPECT_EQ(out.pixels, want) << r.name;
    }
}

TEST(ShowRaster, CoveragePicturesArePlacedAsTheSlidesDeclaredPicture) {
    // An 8 x 4 picture held reduced to 4 x 2: its left half covered red.
    const Raster half = Coverage(4, 2, {R, R, 0, 0, R, R, 0, 0});
    Box placed;
    // A 4 x 2 window: the 8 x 4 picture shrinks to fill it, exactly the held size.
    Raster out = show::ComposeShowRaster(half, 8, 4, K, false, 4, 2, false, false, false, &placed);
    EXPECT_EQ(placed, (Box{0, 0, 4, 2}));
    EXPECT_EQ(out.pixels, Expect(4, 2, 0, 0, {{R, R, K, K}, {R, R, K, K}}));

    // An 8 x 6 window: 8 x 4 at (0, 1), the held picture grown twice. The growing samples
    // at -0.25, 0.25, ... 3.25 held pixels: the fourth column at 1.25 is covered 3/4,
    // the fifth at 1.75 only 1/4. Mirrored left to right as well.
    out = show::ComposeShowRaster(half, 8, 4, K, false, 8, 6, false, false, false, &placed);
    EXPECT_EQ(placed, (Box{0, 1, 8, 4}));
    const std::vector<std::uint32_t> row{R, R, R, R, K, K, K, K};
    EXPECT_EQ(out.pixels, Expect(8, 6, 0, 1, {row, row, row, row}));
    out = show::ComposeShowRaster(half, 8, 4, K, false, 8, 6, false, true, false);
    const std::vector<std::uint32_t> mirrored{K, K, K, K, R, R, R, R};
    EXPECT_EQ(out.pixels, Expect(8, 6, 0, 1, {mirrored, mirrored, mirrored, mirrored}));

    // A 2 x 1 window: 2 x 2 blocks averaged. Red over half the block: red. Blue, and
    // two pixels of blue half covered (premultiplied 128): covered (255 + 2 * 128) / 4 /
    // 255, just over half, and blue = (255 + 2 * 128) / 4 over that share = 255.
    const Raster blocks = Coverage(4, 2,
                                   {R, 0, B, 0x80000080u, //
                                    0, R, 0x80000080u, 0});
    out = show::ComposeShowRaster(blocks, 8, 4, K, false, 2, 1, false, false, false, &placed);
    EXPECT_EQ(placed, (Box{0, 0, 2, 1}));
    EXPECT_EQ(out.pixels, (std::vector<std::uint32_t>{R, B}));
}

TEST(ShowRaster, StoredColoursBecomeOpaquePixels) {
    EXPECT_EQ(show::PixelFromStored(0x0000FF00u), K);
    EXPECT_EQ(show::PixelFromStored(0x00FFF7FFu), 0xFFFFF7FFu);
    EXPECT_EQ(show::PixelFromStored(0x00332211u), 0xFF112233u);
}

} // namespace
