// Drawing a slide into the show's frame and the region of its visible pixels.

#include "slideshow/ShowFrame.h"

#include <QBitmap>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kPink = 0xFFFFF7FFu; // qRgb(255, 247, 255)

// Every pixel of `frame` is in `region` exactly when it is not `key`.
::testing::AssertionResult RegionMatchesPixels(const QImage& frame, const QRegion& region,
                                               QRgb key) {
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const bool opaque = (frame.pixel(x, y) & 0xFFFFFF) != (key & 0xFFFFFF);
            if (region.contains(QPoint(x, y)) != opaque)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        }
    if (!QRect(QPoint(0, 0), frame.size()).contains(region.boundingRect()) && !region.isEmpty())
        return ::testing::AssertionFailure() << "region leaves the frame";
    return ::testing::AssertionSuccess();
}

TEST(ShowFrame, SmallSlideIsCentredWithItsKeyPixelsLeftOut) {
    const KeyColor green = qRgb(0, 255, 0);
    QImage slide(4, 2, QImage::Format_RGB32);
    slide.fill(qRgb(255, 0, 0));
    slide.setPixel(0, 0, qRgb(0, 255, 0)); // a key pixel
    slide.setPixel(3, 1, kPink);           // pink is no key on a keyed slide
    const ShowFrame f = ComposeShowFrame(slide, green, QSize(10, 10), false);
    ASSERT_EQ(f.image.size(), QSize(10, 10));
    EXPECT_EQ(f.placed, QRect(3, 4, 4, 2));
    EXPECT_EQ(f.key, qRgb(0, 255, 0));
    EXPECT_EQ(f.image.pixel(0, 0), qRgb(0, 255, 0)) << "margin is K";
    EXPECT_EQ(f.image.pixel(3, 4), qRgb(0, 255, 0)) << "key pixel keeps K";
    EXPECT_EQ(f.image.pixel(4, 4), qRgb(255, 0, 0));
    EXPECT_EQ(f.image.pixel(6, 5), kPink);
    EXPECT_EQ(f.opaque.boundingRect(), QRect(3, 4, 4, 2));
    EXPECT_TRUE(RegionMatchesPixels(f.image, f.opaque, f.key));
}

TEST(ShowFrame, SlideWithoutKeyHasPinkMarginsAndPinkPixelsSeeThrough) {
    QImage slide(3, 3, QImage::Format_RGB32);
    slide.fill(qRgb(10, 20, 30));
    slide.setPixel(1, 1, kPink);
    const ShowFrame f = ComposeShowFrame(slide, std::nullopt, QSize(9, 9), false);
    EXPECT_EQ(f.key, kPink);
    EXPECT_EQ(f.image.pixel(0, 0), kPink);
    EXPECT_EQ(f.image.pixel(3, 3), qRgb(10, 20, 30));
    EXPECT_FALSE(f.opaque.contains(QPoint(4, 4))) << "a pink picture pixel is see-through";
    EXPECT_TRUE(f.opaque.contains(QPoint(3, 3)));
    EXPECT_TRUE(RegionMatchesPixels(f.image, f.opaque, f.key));
}

TEST(ShowFrame, FitEnlargesAndTransparentSourcePixelsStaySeeThrough) {
    QImage slide(200, 100, QImage::Format_ARGB32);
    slide.fill(qRgba(0, 0, 255, 255));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            slide.setPixel(x, y, qRgba(0, 0, 0, 0)); // left quarter transparent
    const ShowFrame f = ComposeShowFrame(slide, std::nullopt, QSize(400, 300), true);
    EXPECT_EQ(f.placed, QRect(0, 50, 400, 200));
    EXPECT_EQ(f.image.pixel(50, 150), kPink);
    EXPECT_EQ(f.image.pixel(300, 150), qRgb(0, 0, 255));
    EXPECT_TRUE(RegionMatchesPixels(f.image, f.opaque, f.key));
}

// A red disc on a key-coloured square, drawn without antialiasing.
QImage Disc(int side, QRgb key) {
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(key);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(QRectF(side * 0.1, side * 0.1, side * 0.8, side * 0.8));
    return img;
}

TEST(ShowFrame, ScaledKeyedSlidesHaveNoHaloAndCrispEdges) {
    struct Row {
        const char* name;
        int side;
        QSize window;
        bool fit;
    };
    const Row rows[] = {
        {"shrunk by 3", 300, {100, 100}, false},
        {"shrunk to an odd size", 301, {77, 77}, false},
        {"shrunk by a third", 300, {200, 200}, false},
        {"enlarged by 3", 40, {120, 120}, true},
        {"enlarged unevenly", 40, {173, 120}, true},
    };
    const KeyColor keys[] = {qRgb(0, 0, 255), qRgb(255, 255, 255), std::nullopt};
    for (const Row& r : rows) {
        for (KeyColor key : keys) {
            const QRgb k = key ? *key : qRgb(255, 247, 255);
            const ShowFrame f = ComposeShowFrame(Disc(r.side, k), key, r.window, r.fit);
            ASSERT_FALSE(f.placed.isEmpty()) << r.name;
            EXPECT_NE(f.placed.size(), QSize(r.side, r.side)) << r.name;
            int red = 0;
            for (int y = 0; y < f.image.height(); ++y)
                for (int x = 0; x < f.image.width(); ++x) {
                    const QRgb p = f.image.pixel(x, y);
                    if (p == k)
                        continue;
                    // Any blend with the key would pull green or blue above zero
                    // or red below 255.
                    ASSERT_EQ(p, qRgb(255, 0, 0))
                        << r.name << " key " << k << " at " << x << "," << y;
                    ++red;
                }
            // The disc keeps its area: pi * (0.4 * drawn side)^2, within 3 %.
            const double side =
                f.placed.width() < f.placed.height() ? f.placed.width() : f.placed.height();
            const double area = 3.14159265 * 0.16 * side * side;
            EXPECT_NEAR(red, area, area * 0.03) << r.name;
            EXPECT_TRUE(RegionMatchesPixels(f.image, f.opaque, f.key)) << r.name;
        }
    }
}

TEST(ShowFrame, MirroringMatchesAMirroredPicture) {
    // A picture with a distinct colour in every pixel and a few key pixels; drawn with
    // the flip flags it must equal the mirrored copy drawn without them.
    QImage opaque(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < opaque.height(); ++y)
        for (int x = 0; x < opaque.width(); ++x)
            opaque.setPixel(x, y,
                            (x * 7 + y * 13) % 5 == 0 ? qRgb(0, 255, 0) : qRgb(x * 4, y * 5, 128));
    QImage alpha = opaque.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(3, 2, qRgba(0, 0, 0, 0));
    struct Row {
        const char* name;
        const QImage* picture;
        QSize window;
        bool fit;
    };
    const Row rows[] = {
        {"centred", &opaque, {100, 100}, false},       {"exact fit", &opaque, {64, 48}, false},
        {"enlarged", &opaque, {200, 100}, true},       {"shrunk by half", &opaque, {30, 20}, false},
        {"shrunk a little", &opaque, {50, 40}, false}, {"alpha centred", &alpha, {90, 90}, false},
        {"alpha shrunk", &alpha, {20, 20}, false},
    };
    for (const Row& r : rows)
        for (int h = 0; h < 2; ++h)
            for (int v = 0; v < 2; ++v) {
                const ShowFrame flipped =
                    ComposeShowFrame(*r.picture, qRgb(0, 255, 0), r.window, r.fit, h, v);
                const ShowFrame reference = ComposeShowFrame(r.picture->mirrored(h != 0, v != 0),
                                                             qRgb(0, 255, 0), r.window, r.fit);
                EXPECT_EQ(flipped.image, reference.image) << r.name << " h" << h << " v" << v;
                EXPECT_EQ(flipped.opaque, reference.opaque) << r.name << " h" << h << " v" << v;
            }
}

TEST(ShowFrame, NoPictureGivesAKeyFilledFrameWithNothingVisible) {
    const ShowFrame f = ComposeShowFrame(QImage(), qRgb(1, 2, 3), QSize(20, 10), false);
    ASSERT_EQ(f.image.size(), QSize(20, 10));
    EXPECT_EQ(f.image.pixel(5, 5), qRgb(1, 2, 3));
    EXPECT_TRUE(f.opaque.isEmpty());
    EXPECT_TRUE(f.placed.isEmpty());
}

TEST(ShowFrame, OpaqueRegionMatchesAOneBitMask) {
    // Random blobs, stripes and the corner cases, each compared with the pixels and
    // with Qt's own region of a 1-bit mask.
    QRandomGenerator rng(417);
    const QRgb key = qRgb(0, 255, 0);
    struct Row {
        const char* name;
        QSize size;
        int density; // percent of pixels that are not the key; -1 = stripes
    };
    const Row rows[] = {
        {"all key", {31, 17}, 0},   {"no key", {31, 17}, 100}, {"sparse", {64, 48}, 5},
        {"half", {64, 48}, 50},     {"dense", {64, 48}, 95},   {"stripes", {50, 40}, -1},
        {"one pixel", {1, 1}, 100},
    };
    for (const Row& r : rows) {
        QImage img(r.size, QImage::Format_RGB32);
        QImage mono(r.size, QImage::Format_Mono);
        mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)}); // color0, color1
        mono.fill(0);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const bool opaque =
                    r.density < 0 ? (x / 3 + y / 5) % 2 == 0 : int(rng.bounded(100)) < r.density;
                img.setPixel(x, y, opaque ? qRgb(int(rng.bounded(256)), 0, 0) : key);
                mono.setPixel(x, y, opaque ? 1 : 0);
            }
        const QRegion region = OpaqueRegion(img, key);
        EXPECT_TRUE(RegionMatchesPixels(img, region, key)) << r.name;
        const QRegion reference(QBitmap::fromImage(mono));
        EXPECT_TRUE((region ^ reference).isEmpty()) << r.name;
    }
}

} // namespace
