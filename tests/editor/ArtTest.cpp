// The compiled-in artwork renders at its sizes, and the icon bar's pictures sit where
// the window hit-tests its icons.

#include "editor/ui/Art.h"
#include "editor/Layout.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

/// Number of pixels that are not fully transparent.
int Covered(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) != 0;
    return n;
}

TEST(Art, EveryImageRendersAtItsSize) {
    struct Row {
        const char* name;
        QSize size;
    };
    const Row rows[] = {
        {"iconbar", {170, 67}}, {"logo", {235, 46}},       {"propmark", {11, 11}},
        {"icon", {32, 32}},     {"cursor_pick", {32, 32}}, {"cursor_prop", {32, 32}},
        {"prev32", {32, 32}},   {"next32", {32, 32}},      {"fd32", {32, 32}},
        {"end32", {32, 32}},    {"tape1_32", {32, 32}},    {"tape2_32", {32, 32}},
        {"tape3_32", {32, 32}}, {"tape4_32", {32, 32}}};
    for (const Row& r : rows) {
        const QImage img = RenderArt(QString::fromLatin1(r.name), r.size);
        ASSERT_FALSE(img.isNull()) << r.name;
        EXPECT_EQ(img.size(), r.size) << r.name;
        EXPECT_GT(Covered(img), r.size.width() * r.size.height() / 10) << r.name;
    }
    EXPECT_TRUE(RenderArt(QStringLiteral("no_such_art"), QSize(16, 16)).isNull());
    EXPECT_FALSE(ProgramIcon().isNull());
}

TEST(Art, SwatchesShowTheirColours) {
    const QRgb expect[5] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                            qRgb(0, 0, 255)};
    for (int i = 0; i < 5; ++i) {
        const QImage img = RenderArt(QString::fromLatin1(kSwatchArt[i]), QSize(16, 16));
        ASSERT_FALSE(img.isNull()) << kSwatchArt[i];
        EXPECT_EQ(img.pixel(8, 8), expect[i]) << kSwatchArt[i];
    }
}

TEST(Art, IconPicturesLieOnTheIconRectangles) {
    // The icon bar drawn at (0, 0): the layout's icon rectangles relative to the bar.
    LayoutInput in;
    in.width = 1440;
    in.height = 810;
    const EditorLayout L = ComputeLayout(in);
    const QImage bar = RenderArt(QStringLiteral("iconbar"), QSize(170, 67));
    ASSERT_FALSE(bar.isNull());
    for (int k = 0; k < kIconCount; ++k) {
        const QRect icon = L.icons[k].translated(-L.iconBar.left(), -L.iconBar.top());
        const int cy = icon.center().y();
        const QRgb panel = bar.pixel(1, cy); // the panel's margin left of the row
        // The tile covers the icon rectangle, a picture lies on the tile, and the
        // 2-pixel gaps between icons show the bare panel.
        EXPECT_NE(bar.pixel(icon.left() + 3, cy), panel) << k;
        EXPECT_NE(bar.pixel(icon.right() - 3, cy), panel) << k;
        QSet<QRgb> colours;
        for (int y = icon.top() + 4; y < icon.bottom() - 4; ++y)
            for (int x = icon.left() + 4; x < icon.right() - 4; ++x)
                colours.insert(bar.pixel(x, y));
        EXPECT_GE(colours.size(), 6) << k;
        if (k % 6 != 5) {
            EXPECT_EQ(bar.pixel(icon.right() + 1, cy), panel) << k;
            EXPECT_EQ(bar.pixel(icon.right() + 2, cy), panel) << k;
        }
    }
}

} // namespace
