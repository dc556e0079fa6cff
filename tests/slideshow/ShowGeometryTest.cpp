// The slideshow's arithmetic against hand-computed tables.

#include "slideshow/ShowGeometry.h"
#include "document/DocumentHeader.h"
#include "slideshow/ShowTooltip.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

using namespace show;

/// The rectangle a document stores as left, top, right and bottom.
QRect R(int l, int t, int r, int b) {
    return RectFromStoredCorners(l, t, r, b);
}

TEST(ShowGeometry, StoredRectangleIsBroughtOntoTheScreen) {
    struct Row {
        const char* name;
        QRect in, out;
    };
    const Row rows[] = {
        {"inside stays", R(100, 100, 500, 400), R(100, 100, 500, 400)},
        {"wider than the screen", R(300, 0, 2500, 300), R(0, 0, 1920, 300)},
        {"wider, left negative", R(-10, 0, 2000, 300), R(0, 0, 1920, 300)},
        {"taller than the screen", R(0, 0, 400, 5000), R(0, 0, 400, 1080)},
        {"narrow raised to 50", R(10, 10, 30, 200), R(10, 10, 60, 200)},
        {"low raised to 50", R(10, 10, 400, 12), R(10, 10, 400, 60)},
        {"inverted corners", R(100, 100, 50, 50), R(100, 100, 150, 150)},
        {"off the left and top", R(-100, -50, 300, 250), R(0, 0, 400, 300)},
        {"off the right and bottom", R(1800, 1000, 2200, 1300), R(1520, 780, 1920, 1080)},
        {"extreme corners", R(INT_MIN, INT_MIN, INT_MAX, INT_MAX), R(0, 0, 1920, 1080)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BringOntoScreen(r.in, QPoint(0, 0), QRect(0, 0, 1920, 1080)), r.out) << r.name;
}

TEST(ShowGeometry, StoredRectangleMovesOntoTheScreenOfTheShow) {
    // Two screens side by side: 1920 x 1080 at the origin, 1280 x 1024 to its right.
    const QRect first(0, 0, 1920, 1080);
    const QRect second(1920, 0, 1280, 1024);
    struct Row {
        const char* name;
        QRect in;
        QPoint from; // the top-left of the work area the rectangle lies on
        QRect area;  // the work area of the screen the show opens on
        QRect out;
    };
    const Row rows[] = {
        {"stays on the second screen", R(2100, 100, 2500, 400), second.topLeft(), second,
         R(2100, 100, 2500, 400)},
        {"from the first onto the second", R(100, 100, 500, 400), first.topLeft(), second,
         R(2020, 100, 2420, 400)},
        {"from the second onto the first", R(3000, 900, 3200, 1000), second.topLeft(), first,
         R(1080, 900, 1280, 1000)},
        {"onto a smaller screen", R(0, 0, 1920, 1080), first.topLeft(), second,
         R(1920, 0, 3200, 1024)},
        // A screen that is gone leaves its coordinates: they are kept as far as they fit.
        {"its screen is gone", R(2500, 100, 2900, 400), QPoint(0, 0), first,
         R(1520, 100, 1920, 400)},
        {"below a panel", R(0, 0, 400, 300), QPoint(0, 27), QRect(0, 27, 1920, 1053),
         R(0, 27, 400, 327)},
        {"extreme corners", R(INT_MIN, INT_MIN, INT_MAX, INT_MAX), QPoint(0, 0), second, second},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BringOntoScreen(r.in, r.from, r.area), r.out) << r.name;
    EXPECT_EQ(StoredCentre(R(2100, 100, 2500, 400)), QPoint(2300, 250));
    EXPECT_EQ(StoredCentre(R(INT_MIN, 0, INT_MIN + 10, 10)), std::nullopt);
}

TEST(ShowGeometry, ZoomStepsTruncateTheOffsetBeforeMultiplying) {
    struct Row {
        const char* name;
        QPoint start;
        QRect target;
        int step;
        QRect expect;
    };
    const Row rows[] = {
        // 105 / 20 = 5.25 -> 5 per step, 45 / 20 = 2.25 -> 2 per step.
        {"first step", {0, 0}, R(105, 45, 505, 345), 0, QRect(5, 2, 20, 15)},
        {"tenth step", {0, 0}, R(105, 45, 505, 345), 9, QRect(50, 20, 200, 150)},
        {"last step 5 px short", {0, 0}, R(105, 45, 505, 345), 19, QRect(100, 40, 400, 300)},
        // 19 / 20 = 0.95 -> 0: the window never leaves the cursor's column.
        {"19 px short", {0, 0}, R(19, 39, 119, 139), 19, QRect(0, 20, 100, 100)},
        // (105 - 1000) / 20 = -44.75 -> -44, (45 - 800) / 20 = -37.75 -> -37.
        {"toward the top left, first",
         {1000, 800},
         R(105, 45, 505, 345),
         0,
         QRect(956, 763, 20, 15)},
        {"toward the top left, last",
         {1000, 800},
         R(105, 45, 505, 345),
         19,
         QRect(120, 60, 400, 300)},
        // Sizes in integer division: 55 * 1 / 20 = 2, 55 * 10 / 20 = 27.
        {"odd size, first", {10, 10}, R(10, 10, 65, 61), 0, QRect(10, 10, 2, 2)},
        {"odd size, tenth", {10, 10}, R(10, 10, 65, 61), 9, QRect(10, 10, 27, 25)},
        {"odd size, last", {10, 10}, R(10, 10, 65, 61), 19, QRect(10, 10, 55, 51)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ZoomStepRect(r.start, r.target, r.step), r.expect) << r.name;
}

TEST(ShowGeometry, PlacementKeepsSmallPicturesUnlessFitAndShrinksLargeOnes) {
    struct Row {
        const char* name;
        QSize picture, window;
        bool fit;
        QRect expect;
    };
    const Row rows[] = {
        {"small, centred", {200, 100}, {400, 300}, false, QRect(100, 100, 200, 100)},
        {"small, fit: width fills", {200, 100}, {400, 300}, true, QRect(0, 50, 400, 200)},
        {"odd margins", {201, 101}, {400, 300}, false, QRect(99, 99, 201, 101)},
        {"same size", {400, 300}, {400, 300}, false, QRect(0, 0, 400, 300)},
        {"wider: width fills", {800, 300}, {400, 300}, false, QRect(0, 75, 400, 150)},
        {"one axis too tall", {100, 400}, {400, 300}, false, QRect(162, 0, 75, 300)},
        {"tall, fit: height fills", {100, 200}, {400, 300}, true, QRect(125, 0, 150, 300)},
        // Single precision: 10 / (10 / 300.f) is just below 300, 1080 / 4.8f below 225.
        {"single precision, height", {10, 10}, {400, 300}, true, QRect(50, 0, 299, 300)},
        {"single precision, width", {1920, 1080}, {400, 300}, false, QRect(0, 38, 400, 224)},
        {"full HD in full HD", {1920, 1080}, {1920, 1080}, false, QRect(0, 0, 1920, 1080)},
        {"half HD, fit", {960, 540}, {1920, 1080}, true, QRect(0, 0, 1920, 1080)},
        {"empty picture", {0, 0}, {400, 300}, true, QRect()},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PlaceSlide(r.picture, r.window, r.fit), r.expect) << r.name;
}

TEST(ShowGeometry, DragStaysOnTheScreen) {
    struct Row {
        const char* name;
        QPoint proposed;
        QSize window;
        QPoint expect;
    };
    const Row rows[] = {
        {"inside", {100, 100}, {400, 300}, {100, 100}},
        {"past the left", {-5, 10}, {400, 300}, {0, 10}},
        {"past the top", {10, -300}, {400, 300}, {10, 0}},
        {"past the right and bottom", {1600, 900}, {400, 300}, {1520, 780}},
        {"exactly at the corner", {1520, 780}, {400, 300}, {1520, 780}},
        // The right edge is applied last: a window wider than the screen hangs left.
        {"wider than the screen", {50, 0}, {2000, 300}, {-80, 0}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ClampToScreen(r.proposed, r.window, QRect(0, 0, 1920, 1080)), r.expect) << r.name;
    // On a screen right of the first, the same rules hold in its own coordinates.
    const QRect second(1920, 0, 1280, 1024);
    EXPECT_EQ(ClampToScreen({1900, -5}, {400, 300}, second), QPoint(1920, 0));
    EXPECT_EQ(ClampToScreen({3000, 900}, {400, 300}, second), QPoint(2800, 724));
}

TEST(ShowGeometry, SizingRepaintsFromTwoPixels) {
    struct Row {
        QSize proposed;
        bool repaint;
    };
    const Row rows[] = {{{400, 300}, false}, {{401, 300}, false}, {{399, 301}, false},
                        {{402, 300}, true},  {{400, 298}, true},  {{300, 300}, true}};
    for (const Row& r : rows)
        EXPECT_EQ(NeedsSizingRepaint(r.proposed, R(10, 10, 410, 310)), r.repaint)
            << r.proposed.width() << "x" << r.proposed.height();
}

TEST(ShowGeometry, KeyColourOfSlidesWithoutKeyIsPalePink) {
    EXPECT_EQ(ShowKeyColor(std::nullopt), qRgb(255, 247, 255));
    EXPECT_EQ(ShowKeyColor(qRgb(0, 255, 0)), qRgb(0, 255, 0));
    EXPECT_EQ(ShowKeyColor(qRgb(0, 0, 0)), qRgb(0, 0, 0));
}

TEST(ShowTooltip, NamesTheSlideAndItsTime) {
    EXPECT_EQ(ShowTooltipText(3, 75),
              QStringLiteral("№3 01:15\n※ 右クリックメニューで操作できます"));
    EXPECT_EQ(ShowTooltipText(100, 3661),
              QStringLiteral("№100 01:01:01\n※ 右クリックメニューで操作できます"));
}

} // namespace
