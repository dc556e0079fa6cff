// Transparent colours on JPEG pictures: pixels near the key become exactly the key, the
// slide keeps a lossless keyed copy and the picture it was made from, and a pick takes
// the dominant colour around the point instead of one noisy pixel.

#include "image/KeyedPicture.h"
#include "base/Settings.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"

#include <QImageReader>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGreen = qRgb(0, 255, 0);

/// A picture of JPEG bytes of `image` at `quality`.
PicturePtr JpegPicture(const QImage& image, int quality = 70) {
    return Picture::fromBytes(Encode(image, "jpeg", quality));
}

} // namespace

TEST(KeyedPicture, PixelsWithinTheToleranceBecomeTheKey) {
    struct Row {
        const char* name;
        QRgb in;
        QRgb key;
        int tolerance;
        QRgb out;
    };
    const Row rows[] = {
        {"near white, every channel within", qRgb(250, 231, 255), kWhite, 24,
         qRgba(255, 255, 255, 0)},
        {"one channel just beyond", qRgb(255, 230, 255), kWhite, 24, qRgb(255, 230, 255)},
        {"near green", qRgb(1, 254, 20), kGreen, 24, qRgba(0, 255, 0, 0)},
        {"exact key at tolerance 0", kGreen, kGreen, 0, qRgba(0, 255, 0, 0)},
        {"one level off at tolerance 0 stays", qRgb(1, 255, 0), kGreen, 0, qRgb(1, 255, 0)},
        {"far colour stays", qRgb(200, 30, 30), kWhite, 64, qRgb(200, 30, 30)},
        {"already transparent takes the key", qRgba(9, 9, 9, 0), kGreen, 0, qRgba(0, 255, 0, 0)},
        {"half-transparent stays as it was mixed", qRgba(100, 200, 100, 128), kGreen, 0,
         qRgba(100, 200, 100, 128)},
        {"opaque key colour moves its green off it", kGreen, kGreen, -1, qRgb(0, 247, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QImage img(1, 1, QImage::Format_ARGB32);
        img.setPixel(0, 0, r.in);
        const QImage out = KeyWithTolerance(img, r.key, r.tolerance);
        ASSERT_EQ(out.format(), QImage::Format_ARGB32);
        EXPECT_EQ(out.pixel(0, 0), r.out) << std::hex << out.pixel(0, 0);
    }
}

TEST(KeyedPicture, BesideTheKeyEachPixelGoesWithTheNearerSide) {
    // One row of pixels keyed white with tolerance 24. 'W' white, 'R' a red shape, 'M'
    // background mixed with the red (nearer white), 'I' the red's edge mixed with white
    // (nearer red: 0.73 of red, 0.27 of white), 'D' a dark line one pixel wide.
    // Expected: '.' transparent, else the colour the pixel ends as.
    const std::map<char, QRgb> colours = {{'W', kWhite},
                                          {'R', qRgb(200, 30, 30)},
                                          {'M', qRgb(240, 170, 170)},
                                          {'I', qRgb(215, 90, 90)},
                                          {'D', qRgb(20, 20, 20)}};
    struct Row {
        const char* name;
        const char* in;
        int tolerance;
        const char* out;
    };
    const Row rows[] = {
        {"mixed background beside a shape goes", "WWWMRRRR", 24, "....RRRR"},
        {"two pixels from the key too", "WWMMRRRR", 24, "....RRRR"},
        {"three pixels out, once those nearer went", "WMMMRRRR", 24, "....RRRR"},
        {"the shape's own mixed edge stays, without the white's share", "WWWIRRRR", 24, "...RRRRR"},
        {"a line one pixel wide stays", "WWWDWWW", 24, "...D..."},
        {"no tolerance, no edge: only the exact key goes", "WWWMRRRR", 0, "...MRRRR"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const int n = int(std::strlen(r.in));
        QImage img(n, 1, QImage::Format_RGB32);
        for (int i = 0; i < n; ++i)
            img.setPixel(i, 0, colours.at(r.in[i]));
        const QImage out = KeyWithTolerance(img, kWhite, r.tolerance);
        for (int i = 0; i < n; ++i) {
            const QRgb c = out.pixel(i, 0);
            if (r.out[i] == '.')
                EXPECT_EQ(c, qRgba(255, 255, 255, 0)) << i << " " << std::hex << c;
            else
                EXPECT_EQ(c, colours.at(r.out[i])) << i << " " << std::hex << c;
        }
    }
}

TEST(KeyedPicture, APickTakesTheDominantColourAroundThePoint) {
    const struct {
        int in, out;
    } levels[] = {{0, 0},     {2, 0},     {3, 5},     {127, 125},
                  {128, 130}, {252, 250}, {253, 255}, {255, 255}};
    for (const auto& l : levels)
        EXPECT_EQ(QuantisedLevel(l.in), l.out) << l.in;

    // 7 x 7 images: `fill` everywhere, then the listed pixels.
    struct Px {
        int x, y;
        QRgb c;
    };
    struct Row {
        const char* name;
        QRgb fill;
        std::vector<Px> pixels;
        QPoint at;
        bool quantise;
        QRgb expect;
    };
    const QRgb red = qRgb(200, 10, 10), blue = qRgb(0, 0, 255);
    const Row rows[] = {
        {"a stray pixel under the point is not taken",
         kGreen,
         {{3, 3, qRgb(1, 255, 1)}},
         {3, 3},
         false,
         kGreen},
        {"JPEG noise around pure green comes back pure",
         qRgb(1, 254, 2),
         {{2, 2, qRgb(0, 255, 0)}, {3, 2, qRgb(2, 253, 1)}, {4, 4, qRgb(1, 255, 0)}},
         {3, 3},
         true,
         kGreen},
        {"exact colours are kept exactly", red, {}, {3, 3}, false, red},
        {"quantised to the grid of five", qRgb(201, 9, 11), {}, {3, 3}, true, red},
        {"the most frequent of the 5 x 5 wins",
         blue,
         {{1, 1, red},
          {2, 1, red},
          {3, 1, red},
          {4, 1, red},
          {5, 1, red},
          {1, 2, red},
          {2, 2, red},
          {3, 2, red},
          {4, 2, red},
          {5, 2, red},
          {1, 3, red},
          {2, 3, red},
          {4, 3, red}},
         {3, 3},
         false,
         red},
        {"a tie goes to the colour under the point, not the one met first",
         blue,
         {{0, 0, red},
          {1, 0, red},
          {2, 0, red},
          {3, 0, red},
          {0, 3, red},
          {1, 3, red},
          {2, 3, red},
          {3, 3, red}},
         {1, 1},
         false,
         blue},
        {"at a corner only the pixels inside count",
         blue,
         {{0, 0, red}, {1, 0, red}, {0, 1, red}, {1, 1, red}, {2, 2, red}},
         {0, 0},
         false,
         red},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QImage img(7, 7, QImage::Format_RGB32);
        img.fill(r.fill);
        for (const Px& p : r.pixels)
            img.setPixel(p.x, p.y, p.c);
        EXPECT_EQ(DominantColor(img, r.at, r.quantise), r.expect)
            << std::hex << DominantColor(img, r.at, r.quantise);
    }
}

TEST(KeyedPicture, SlidesKeepThePictureTheirCopyWasMadeFrom) {
    ResetWorld();
    const PicturePtr jpeg = JpegPicture(ShapesOn(kWhite));
    const PicturePtr pixels = MakeTestPicture(8, 8, QColor(250, 250, 250));
    ASSERT_TRUE(jpeg);

    // A JPEG slide keyed with the default tolerance: a lossless copy, the JPEG kept.
    SlideRecord slide;
    slide.picture = jpeg;
    SetSlideKey(slide, kWhite);
    EXPECT_EQ(slide.keyColor, kWhite);
    EXPECT_EQ(slide.keyTolerance, kDefaultKeyTolerance);
    EXPECT_EQ(slide.keySource, jpeg);
    ASSERT_TRUE(slide.picture && slide.picture != jpeg);
    EXPECT_TRUE(slide.picture->save().startsWith("BM"));
    EXPECT_EQ(slide.picture->size(), jpeg->size());

    // Another colour starts from the JPEG again, with the slide's tolerance.
    SetSlideKey(slide, kWhite, 10);
    SetSlideKey(slide, qRgb(20, 20, 20));
    EXPECT_EQ(slide.keyTolerance, 10);
    EXPECT_EQ(slide.keySource, jpeg);
    EXPECT_EQ(slide.picture->image().pixel(0, 0), jpeg->image().pixel(0, 0))
        << "the JPEG's own background is back";

    // No colour, or tolerance 0, gives the JPEG itself back.
    SetSlideKey(slide, std::nullopt);
    EXPECT_EQ(slide.picture, jpeg);
    EXPECT_EQ(slide.keySource, nullptr);
    EXPECT_EQ(slide.keyTolerance, 0);
    SetSlideKey(slide, kWhite, 0);
    EXPECT_EQ(slide.picture, jpeg);

    // The setting chooses the default for JPEG pictures.
    WriteSettingInt(Setting::KeyTolerance, 7);
    SetSlideKey(slide, kWhite);
    EXPECT_EQ(slide.keyTolerance, 7);

    // A lossless picture is keyed exactly unless a tolerance is asked for.
    SlideRecord exact;
    exact.picture = pixels;
    SetSlideKey(exact, kWhite);
    EXPECT_EQ(exact.picture, pixels);
    EXPECT_EQ(exact.keyTolerance, 0);
    SetSlideKey(exact, kWhite, 5);
    EXPECT_EQ(exact.keySource, pixels);
    EXPECT_EQ(qAlpha(exact.picture->image().pixel(0, 0)), 0);
    ResetWorld();
}

class KeyedImport : public ImageFolderTest {};

TEST_F(KeyedImport, JpegPicturesKeyedAfterImportLeaveNoFringe) {
    // Shapes on white and on pure green, saved as PNG: imported, they become JPEG
    // pictures (no transparency), then get the background as their transparent colour.
    // Measured against the art itself: the background's pixels that still show, and the
    // shapes' pixels that no longer do.
    struct Row {
        const char* name;
        QRgb background;
        int tintLeft; // of the shapes' pixels tinted by the key, at most this percentage stays
    };
    // On white the tint is light and few; on green the edges of every shape were green.
    const Row rows[] = {{"white", kWhite, 100}, {"green", kGreen, 20}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QImage art = ShapesOn(r.background);
        const QString png = file(QString::fromLatin1(r.name) + ".png", Encode(art, "png"));
        const ImportResult imported = ImportImageFile(png, QStringLiteral("png"));
        ASSERT_TRUE(imported.ok && imported.picture);
        ASSERT_EQ(imported.picture->format(), QByteArray("jpeg"));
        // Keyed exactly, as before: thousands of the background's pixels are a level or
        // more off the key and stay, around the shapes and in blocks.
        const int before = BackgroundLeftVisible(art, imported.picture->image(), r.background);
        EXPECT_GT(before, 5000);
        const int tintedBefore = ShapePixelsOff(art, imported.picture->image(), r.background, 64);

        // The colour a pick on the background takes, away from the shapes.
        const QRgb picked = DominantColor(imported.picture->image(), QPoint(2, 2), true);
        EXPECT_EQ(picked, r.background) << std::hex << picked;

        SlideRecord slide;
        slide.picture = imported.picture;
        SetSlideKey(slide, picked);
        // What a saved document stores, read back as any reader would.
        const QByteArray stored = slide.picture->save();
        ASSERT_TRUE(stored.startsWith("BM"));
        const QImage back = QImage::fromData(stored);
        ASSERT_EQ(back.size(), art.size());
        EXPECT_EQ(back.pixel(2, 2) & 0xFFFFFFu, r.background & 0xFFFFFFu);
        const int after = BackgroundLeftVisible(art, back, r.background);
        EXPECT_LT(after * 100, before) << after << " of " << before;
        // The shapes stay, but for pixels of their edges the compression mixed with the
        // background: fewer than one in a hundred.
        int shapePixels = 0;
        for (int y = 0; y < art.height(); ++y)
            for (int x = 0; x < art.width(); ++x)
                shapePixels += (art.pixel(x, y) & 0xFFFFFFu) != (r.background & 0xFFFFFFu);
        const int lost = ShapePixelsLost(art, back, r.background);
        EXPECT_LT(lost * 100, shapePixels) << lost << " of " << shapePixels;
        // Nor are their edges left tinted with the key: the key's share is taken out of
        // the pixels the compression mixed.
        const int tinted = ShapePixelsOff(art, back, r.background, 64);
        EXPECT_LE(tinted * 100, tintedBefore * r.tintLeft) << tinted << " of " << tintedBefore;
        RecordProperty(std::string("tintedBefore_") + r.name, tintedBefore);
        RecordProperty(std::string("tintedAfter_") + r.name, tinted);
        RecordProperty(std::string("fringeBefore_") + r.name, before);
        RecordProperty(std::string("fringeAfter_") + r.name, after);
        RecordProperty(std::string("shapePixelsLost_") + r.name, lost);
    }
}
