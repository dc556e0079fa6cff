// The window geometry against hand-computed values of the documented formulas.

#include "editor/Layout.h"

#include "tests/editor/RectEdges.h"

#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const CellFit& f, std::ostream* os) {
    *os << f.fw << " x " << f.fh << " at +" << f.ox << " +" << f.oy;
}

namespace {

TEST(Layout, FixedRegionsForClientSizes) {
    struct Row {
        const char* name;
        int w, h;
        int cw, ch, gt;
        QRect graphBars, graph, totalLine, iconBar, iconArea, transBar, icon0, icon11;
        int labelPoints;
    };
    const Row rows[] = {
        {"1440 x 810", 1440, 810, 266, 140, 699, FromEdges(18, 699, 1234, 799),
         FromEdges(17, 698, 1235, 800), FromEdges(1252, 699, 1422, 732),
         FromEdges(1252, 732, 1422, 799), FromEdges(1252, 732, 1422, 790),
         FromEdges(1252, 790, 1422, 799), FromEdges(1254, 734, 1280, 760),
         FromEdges(1394, 762, 1420, 788), 11},
        {"minimum 488 x 508", 488, 508, 76, 65, 399, FromEdges(18, 399, 282, 499),
         FromEdges(17, 398, 283, 500), FromEdges(300, 399, 470, 432), FromEdges(300, 432, 470, 499),
         FromEdges(300, 432, 470, 490), FromEdges(300, 490, 470, 499),
         FromEdges(302, 434, 328, 460), FromEdges(442, 462, 468, 488), 9},
        {"1001 x 703", 1001, 703, 178, 113, 591, FromEdges(18, 591, 795, 691),
         FromEdges(17, 590, 796, 692), FromEdges(813, 591, 983, 624), FromEdges(813, 624, 983, 691),
         FromEdges(813, 624, 983, 682), FromEdges(813, 682, 983, 691),
         FromEdges(815, 626, 841, 652), FromEdges(955, 654, 981, 680), 10},
    };
    for (const Row& r : rows) {
        LayoutInput in;
        in.width = r.w;
        in.height = r.h;
        const EditorLayout L = ComputeLayout(in);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(L.cw, r.cw);
        EXPECT_EQ(L.ch, r.ch);
        EXPECT_EQ(L.gt, r.gt);
        EXPECT_EQ(L.graphWidth, r.w - 224);
        EXPECT_EQ(L.graphBars, r.graphBars);
        EXPECT_EQ(L.graph, r.graph);
        EXPECT_EQ(L.totalLine, r.totalLine);
        EXPECT_EQ(L.iconBar, r.iconBar);
        EXPECT_EQ(L.iconArea, r.iconArea);
        EXPECT_EQ(L.transBar, r.transBar);
        EXPECT_EQ(L.icons[0], r.icon0);
        EXPECT_EQ(L.icons[11], r.icon11);
        EXPECT_EQ(L.labelPoints, r.labelPoints);
        EXPECT_EQ(L.titleBand, FromEdges(0, 0, r.w, 58));
        EXPECT_EQ(L.logo, FromEdges(5, 5, 240, 51));
        // The icons of a row are 28 pixels apart with 2-pixel gaps.
        EXPECT_EQ(L.icons[6].top() - L.icons[0].top(), 28);
        EXPECT_EQ(L.icons[5].left() - Right(L.icons[4]), 2);
    }
}

TEST(Layout, EmptyPageHasOneCentredMark) {
    LayoutInput in;
    in.width = 1440;
    in.height = 810;
    const EditorLayout L = ComputeLayout(in);
    // y = (3 * 140 + 54) / 2 + 58 = 295, the top of a single centred row.
    EXPECT_TRUE(L.markShown[0]);
    EXPECT_EQ(L.marks[0], FromEdges(709, 295, 713, 435));
    EXPECT_EQ(L.markColumn[0], 0);
    for (int k = 1; k <= kSlidesPerPage; ++k)
        EXPECT_FALSE(L.markShown[k]) << k;
    EXPECT_TRUE(L.bars.empty());
}

TEST(Layout, EmptyPageHintOverTheMarkAndButtonUnderIt) {
    const struct {
        const char* name;
        int w, h;
    } sizes[] = {{"the window's minimum", 488, 508},
                 {"1440 x 810", 1440, 810},
                 {"a large screen", 2560, 1400}};
    for (const auto& s : sizes) {
        LayoutInput in;
        in.width = s.w;
        in.height = s.h;
        const EditorLayout L = ComputeLayout(in);
        const QRect mark = L.marks[0];
        const int middle = (mark.left() + Right(mark)) / 2; // of the 4-pixel mark
        // The hint: between the title band and the mark, across the page.
        EXPECT_GE(L.emptyHint.top(), 58) << s.name;
        EXPECT_LT(Bottom(L.emptyHint), mark.top()) << s.name;
        EXPECT_GE(L.emptyHint.height(), 60) << s.name; // room for a few lines
        EXPECT_GE(L.emptyHint.left(), 0) << s.name;
        EXPECT_LE(Right(L.emptyHint), s.w) << s.name;
        EXPECT_LE(std::abs((L.emptyHint.left() + Right(L.emptyHint)) / 2 - middle), 1) << s.name;
        // The button: its full size, centred under the mark, clear of the graph.
        EXPECT_EQ(L.addButton.size(), QSize(kAddButtonWidth, kAddButtonHeight)) << s.name;
        EXPECT_LE(std::abs((L.addButton.left() + Right(L.addButton)) / 2 - middle), 1) << s.name;
        EXPECT_GT(L.addButton.top(), Bottom(mark)) << s.name;
        EXPECT_LT(Bottom(L.addButton), L.graph.top()) << s.name;
    }
    // A page with slides has neither.
    LayoutInput in;
    in.width = 1440;
    in.height = 810;
    in.pageSlides = 1;
    in.pictures = {QSize(4, 3)};
    in.times = {5};
    const EditorLayout L = ComputeLayout(in);
    EXPECT_TRUE(L.emptyHint.isNull());
    EXPECT_TRUE(L.addButton.isNull());
}

TEST(Layout, SevenSlidesUseTwoCentredRows) {
    LayoutInput in;
    in.width = 1440;
    in.height = 810;
    in.pageSlides = 7;
    in.pictures.assign(7, QSize(400, 300));
    in.pictures[1] = QSize(800, 200); // wide: fills the width, centred vertically
    const EditorLayout L = ComputeLayout(in);
    EXPECT_EQ(L.rows, 2);
    // gy = (4 - 2) * (140 + 18) / 2 + 58 = 216; the second row starts 158 lower.
    EXPECT_EQ(L.gy, 216);
    // 400 x 300 in 266 x 140: sy = 0.4666667 < sx = 0.665, so the height fills:
    // 186 x 140, 40 pixels in.
    EXPECT_EQ(L.fit[6], (CellFit{186, 140, 40, 0}));
    EXPECT_EQ(L.cellBox[6], FromEdges(302, 374, 568, 514));
    EXPECT_EQ(L.cells[6], FromEdges(342, 374, 528, 514));
    EXPECT_EQ(L.labelBands[6], FromEdges(302, 514, 568, 532));
    EXPECT_EQ(L.marks[6], FromEdges(291, 374, 295, 514));
    EXPECT_EQ(L.marks[7], FromEdges(575, 374, 579, 514));
    EXPECT_EQ(L.markColumn[6], 1);
    EXPECT_EQ(L.markColumn[7], 1);
    EXPECT_TRUE(L.markShown[7]);
    EXPECT_FALSE(L.markShown[8]);
    EXPECT_EQ(L.marks[5], FromEdges(7, 374, 11, 514));
    // 800 x 200: sx = 0.3325 < sy = 0.7, so the width fills: 266 x 66, 37 down.
    EXPECT_EQ(L.fit[1], (CellFit{266, 66, 0, 37}));
    EXPECT_EQ(L.cells[1], FromEdges(302, 253, 568, 319));
    EXPECT_EQ(L.marks[1], FromEdges(291, 253, 295, 319));
    // The property-button mark sits 2 pixels inside the lower right corner.
    EXPECT_EQ(L.propMark[6], FromEdges(515, 501, 526, 512));
}

TEST(Layout, SlideWithoutPictureLeavesItsCellOut) {
    LayoutInput in;
    in.width = 1440;
    in.height = 810;
    in.pageSlides = 3;
    in.pictures = {QSize(10, 10), QSize(), QSize(10, 10)};
    const EditorLayout L = ComputeLayout(in);
    EXPECT_TRUE(L.cellShown[0]);
    EXPECT_FALSE(L.cellShown[1]);
    EXPECT_FALSE(L.markShown[1]);
    EXPECT_EQ(L.cells[1], QRect());
    EXPECT_TRUE(L.cellShown[2]);
    EXPECT_TRUE(L.markShown[3]);
}

TEST(Layout, FitPictureToCell) {
    struct Row {
        const char* name;
        QSize picture;
        int cw, ch;
        CellFit expect;
    };
    const Row rows[] = {
        {"width fills", QSize(1600, 400), 800, 600, {800, 200, 0, 200}},
        // 780 / 1200 is 0.64999998 in single precision: 300 * that truncates to 194.
        {"single-precision factor", QSize(1200, 300), 780, 600, {780, 194, 0, 203}},
        {"equal factors: height fills", QSize(400, 300), 200, 150, {200, 150, 0, 0}},
        {"small picture is enlarged", QSize(10, 10), 266, 140, {140, 140, 63, 0}},
        {"tall picture", QSize(300, 520), 266, 140, {80, 140, 93, 0}},
        {"no picture", QSize(0, 0), 266, 140, {0, 0, 0, 0}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FitPictureToCell(r.picture, r.cw, r.ch), r.expect) << r.name;
}

TEST(Layout, GraphBarsShareTheWidthByTime) {
    struct Row {
        const char* name;
        std::vector<int> times;
        int width;
        std::vector<int> expect;
    };
    const Row rows[] = {
        {"10, 20, 30 over 600", {10, 20, 30}, 600, {100, 200, 300}},
        {"1, 1, 1 over 100: the last takes the rest", {1, 1, 1}, 100, {33, 33, 34}},
        {"one slide fills the graph", {7}, 1216, {1216}},
        {"no slides", {}, 1216, {}},
        {"long and short", {64800, 1}, 1216, {1215, 1}},
        // Times of 0 (possible only in a damaged file) give no division by zero: the
        // last bar takes the whole width.
        {"all times zero", {0, 0, 0}, 300, {0, 0, 300}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(GraphBarWidths(r.times, r.width), r.expect) << r.name;
}

TEST(Layout, GraphBarsAndBoundaries) {
    LayoutInput in;
    in.width = 824; // bar area 600 wide
    in.height = 810;
    in.pageSlides = 3;
    in.pictures.assign(3, QSize(4, 3));
    in.times = {10, 20, 30};
    const EditorLayout L = ComputeLayout(in);
    ASSERT_EQ(L.bars.size(), 3u);
    EXPECT_EQ(L.bars[0], FromEdges(18, 699, 118, 799));
    EXPECT_EQ(L.bars[1], FromEdges(118, 699, 318, 799));
    EXPECT_EQ(L.bars[2], FromEdges(318, 699, 618, 799));
    ASSERT_EQ(L.boundaries.size(), 4u);
    EXPECT_EQ(L.boundaries[1], FromEdges(116, 699, 120, 799));
    EXPECT_EQ(L.boundaries[2], FromEdges(316, 699, 320, 799));
    EXPECT_EQ(L.boundaries[3], FromEdges(616, 699, 620, 799)); // the graph's right end
}

TEST(Layout, MarksHighlightsAndTexts) {
    const QRect mark = FromEdges(100, 10, 104, 50);
    EXPECT_EQ(MarkBar(mark, true), FromEdges(99, 10, 105, 50));
    EXPECT_EQ(MarkBar(mark, false), FromEdges(101, 10, 103, 50));
    struct Row {
        int column, n;
        KeyColor expect;
    };
    const Row rows[] = {{0, 1, qRgb(255, 58, 50)},
                        {0, 4, qRgb(255, 208, 200)},
                        {4, 2, qRgb(100, 149, 255)},
                        {2, 1, qRgb(255, 255, 58)}};
    for (const Row& r : rows)
        EXPECT_EQ(HighlightRingColor(r.column, r.n), r.expect) << r.column << " " << r.n;
    EXPECT_EQ(TotalTimeText(0, 1, 1), QStringLiteral("00:00 (1/1) "));
    EXPECT_EQ(TotalTimeText(95, 1, 2), QStringLiteral("01:35 (1/2) "));
    EXPECT_EQ(TotalTimeText(3600, 3, 5), QStringLiteral("01:00:00 (3/5) "));
    EXPECT_EQ(LabelFontPoints(599), 9);
    EXPECT_EQ(LabelFontPoints(600), 10);
    EXPECT_EQ(LabelFontPoints(1199), 10);
    EXPECT_EQ(LabelFontPoints(1200), 11);
}

} // namespace
