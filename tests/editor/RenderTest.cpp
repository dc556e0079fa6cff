#include "editor/Render.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(Render, MirrorsAsTheFlagsSay) {
    QImage img(2, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 0)); // top left red
    img.setPixel(1, 0, qRgb(0, 255, 0));
    img.setPixel(0, 1, qRgb(0, 0, 255));
    img.setPixel(1, 1, qRgb(9, 9, 9));
    SlideRecord s;
    s.picture = Picture::fromImage(img);
    struct Row {
        int h, v;
        bool ignore;
        QRgb topLeft;
    };
    const Row rows[] = {{0, 0, false, qRgb(255, 0, 0)},
                        {1, 0, false, qRgb(0, 255, 0)},
                        {0, 1, false, qRgb(0, 0, 255)},
                        {1, 1, false, qRgb(9, 9, 9)},
                        {1, 1, true, qRgb(255, 0, 0)}};
    for (const Row& r : rows) {
        s.flipH = quint8(r.h);
        s.flipV = quint8(r.v);
        const QImage out = RenderSlideImage(s, r.ignore);
        ASSERT_EQ(out.size(), QSize(2, 2));
        EXPECT_EQ(out.pixel(0, 0), r.topLeft) << r.h << r.v << r.ignore;
    }
    s.picture.reset();
    EXPECT_TRUE(RenderSlideImage(s, false).isNull());
}

} // namespace
