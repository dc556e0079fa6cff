#include "image/ImageImport.h"
#include "tests/image/ImageFixtures.h"

#include <QPainter>
#include <gtest/gtest.h>

TEST(PixelRules, FitSizeToLimit) {
    struct Case {
        QSize in, limit, out;
    } cases[] = {
        {{1000, 800}, {500, 500}, {500, 400}},  {{800, 600}, {500, 500}, {500, 375}},
        {{1500, 1000}, {500, 500}, {500, 333}}, {{600, 300}, {500, 500}, {499, 249}},
        {{500, 500}, {500, 500}, {500, 500}},   {{501, 500}, {500, 500}, {500, 499}},
        {{300, 1200}, {500, 500}, {124, 499}},  {{4000, 3000}, {500, 500}, {500, 375}},
        {{100, 100}, {1000, 1000}, {100, 100}}, {{5000, 10}, {500, 500}, {500, 1}},
        {{5000, 1}, {500, 500}, {500, 1}}, // never below one pixel
        {{800, 600}, {0, 0}, {1, 1}},      // a broken limit in the store
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in.width() << "x" << c.in.height());
        EXPECT_EQ(FitSizeToLimit(c.in.width(), c.in.height(), c.limit.width(), c.limit.height()),
                  c.out);
    }
}

TEST(PixelRules, BlendTowardsTheKey) {
    struct Case {
        const char* name;
        QRgb in;
        QRgb key;
        QRgb out;
    } cases[] = {
        {"transparent takes the key", qRgba(9, 9, 9, 0), qRgb(10, 20, 30), qRgba(10, 20, 30, 0)},
        {"opaque key colour, green 5 -> 13", qRgba(1, 5, 3, 255), qRgb(1, 5, 3),
         qRgba(1, 13, 3, 255)},
        {"opaque key colour, green 200 -> 192", qRgba(1, 200, 3, 255), qRgb(1, 200, 3),
         qRgba(1, 192, 3, 255)},
        {"opaque other colour untouched", qRgba(1, 201, 3, 255), qRgb(1, 200, 3),
         qRgba(1, 201, 3, 255)},
        // trunc(c * a + k * (1 - a)) with a = float(alpha / 255).
        {"alpha 128 towards white", qRgba(200, 10, 0, 128), qRgb(255, 255, 255),
         qRgba(227, 132, 126, 128)},
        {"alpha 1 towards white", qRgba(200, 0, 0, 1), qRgb(255, 255, 255),
         qRgba(254, 253, 253, 1)},
        {"alpha 254 towards 0,255,0", qRgba(100, 0, 0, 254), qRgb(0, 255, 0), qRgba(99, 0, 0, 254)},
        {"alpha 51", qRgba(255, 255, 255, 51), qRgb(0, 0, 0), qRgba(51, 51, 51, 51)},
        {"alpha 85", qRgba(90, 90, 90, 85), qRgb(30, 30, 30), qRgba(50, 50, 50, 85)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage img(1, 1, QImage::Format_ARGB32);
        img.setPixel(0, 0, c.in);
        BlendTowardsKey(img, c.key);
        EXPECT_EQ(img.pixel(0, 0), c.out) << std::hex << img.pixel(0, 0);
    }
}

TEST(PixelRules, LowDepthDisplayRules) {
    struct Case {
        const char* name;
        QRgb key;
        QRgb in, out;
        QRgb keyAfter;
    } cases[] = {
        {"white key: near white moves", qRgb(255, 255, 255), qRgba(245, 250, 241, 255),
         qRgba(255, 247, 255, 255), qRgb(255, 255, 255)},
        {"white key: pure white stays", qRgb(255, 255, 255), qRgba(255, 255, 255, 0),
         qRgba(255, 255, 255, 0), qRgb(255, 255, 255)},
        {"white key: 239 is far enough", qRgb(255, 255, 255), qRgba(239, 250, 250, 255),
         qRgba(239, 250, 250, 255), qRgb(255, 255, 255)},
        {"black key: near black moves", qRgb(0, 0, 0), qRgba(3, 3, 3, 255), qRgba(0, 8, 0, 255),
         qRgb(0, 0, 0)},
        {"black key: pure black stays", qRgb(0, 0, 0), qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 255),
         qRgb(0, 0, 0)},
        {"black key: 16 is far enough", qRgb(0, 0, 0), qRgba(16, 0, 0, 255), qRgba(16, 0, 0, 255),
         qRgb(0, 0, 0)},
        {"other key: transparent becomes white", qRgb(255, 0, 255), qRgba(255, 0, 255, 0),
         qRgba(255, 255, 255, 0), qRgb(255, 255, 255)},
        {"other key: opaque white moves", qRgb(255, 0, 255), qRgba(255, 255, 255, 200),
         qRgba(255, 247, 255, 200), qRgb(255, 255, 255)},
        {"other key: other colours stay", qRgb(255, 0, 255), qRgba(250, 250, 250, 255),
         qRgba(250, 250, 250, 255), qRgb(255, 255, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage img(1, 1, QImage::Format_ARGB32);
        img.setPixel(0, 0, c.in);
        EXPECT_EQ(ApplyLowDepthRules(img, c.key), c.keyAfter);
        EXPECT_EQ(img.pixel(0, 0), c.out) << std::hex << img.pixel(0, 0);
    }
}

TEST(PixelRules, KeyedScalingLeavesNoHaloOfTheKey) {
    // A red disc on the key colour magenta, shrunk four times: as an import leaves it
    // (with alpha) and as a keyed bitmap or a reloaded picture holds it (without).
    const QRgb key = qRgb(255, 0, 255);
    for (const bool withAlpha : {true, false}) {
        SCOPED_TRACE(withAlpha ? "with alpha" : "without alpha");
        QImage src(400, 400, QImage::Format_ARGB32);
        src.fill(qRgba(255, 0, 255, 0));
        {
            QPainter p(&src);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 0, 0));
            p.drawEllipse(QPoint(200, 200), 150, 150);
        }
        BlendTowardsKey(src, key);
        if (!withAlpha)
            src = src.convertToFormat(QImage::Format_RGB32);

        const auto strangers = [](const QImage& img) {
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y) & 0xFFFFFF;
                    if (c != 0xFF00FF && c != 0xFF0000)
                        ++n;
                }
            return n;
        };
        // The plain smooth scaler mixes the key into the rim, or loses the key colour
        // of the transparent area...
        const QImage plain = src.scaled(100, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        EXPECT_GT(strangers(plain), 0);

        // ...the keyed one gives either exactly the key or the disc's own colour.
        const QImage scaled = ScaleKeyedImage(src, 100, 100, key);
        ASSERT_EQ(scaled.size(), QSize(100, 100));
        EXPECT_EQ(scaled.hasAlphaChannel(), withAlpha);
        EXPECT_EQ(strangers(scaled), 0);
        int disc = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const QRgb c = scaled.pixel(x, y);
                if ((c & 0xFFFFFF) == 0xFF0000) {
                    EXPECT_EQ(qAlpha(c), 255);
                    ++disc;
                } else {
                    EXPECT_EQ(qAlpha(c), withAlpha ? 0 : 255);
                }
            }
        // The disc keeps its area: pi * 37.5^2 = 4418 pixels.
        EXPECT_NEAR(disc, 4418, 4418 * 0.03);
    }
}

TEST(PixelRules, KeyedScalingNeverMakesTheKeyByAveraging) {
    // Two opaque colours that average exactly to the key.
    const QRgb key = qRgb(100, 100, 100);
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(90, 100, 100));
    src.setPixel(1, 0, qRgb(110, 100, 100));
    const QImage one = ScaleKeyedImage(src, 1, 1, key);
    EXPECT_EQ(one.pixel(0, 0), qRgb(100, 92, 100));
    // Enlarging works too and keeps key pixels exact.
    QImage tiny(2, 2, QImage::Format_RGB32);
    tiny.fill(qRgb(100, 100, 100));
    tiny.setPixel(0, 0, qRgb(0, 0, 255));
    const QImage big = ScaleKeyedImage(tiny, 8, 8, key);
    EXPECT_EQ(big.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(big.pixel(7, 7), qRgb(100, 100, 100));
}
