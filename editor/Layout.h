#pragma once
// Geometry of the main editor window: every rectangle the window paints and hit-tests,
// computed from the client size, the page's slides and the switch times. Pure
// arithmetic: painting, hit-testing and the tests all use these results, and nothing
// else computes window geometry.

#include "document/Document.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

/// Fill colour per column (page cell mod 5 on the page, slide index mod 5 in the graph).
constexpr QRgb kColumnColors[5] = {qRgb(247, 8, 0), qRgb(255, 130, 0), qRgb(247, 247, 8),
                                   qRgb(16, 247, 16), qRgb(0, 49, 189)};
/// Colour of text drawn on a column's fill.
constexpr QRgb kColumnTextColors[5] = {qRgb(247, 247, 8), qRgb(247, 247, 8), qRgb(0, 0, 0),
                                       qRgb(0, 0, 0), qRgb(247, 247, 8)};
constexpr QRgb kTitleColor = qRgb(247, 247, 8);
constexpr QRgb kGraphFrameColor = qRgb(66, 107, 156); ///< the graph's frame
/// The ink of labels written on a fill of colour `fill`: black or white, whichever
/// contrasts more with it by relative luminance (on every column colour at least 4.5 : 1,
/// 5 : 1 on the red one).
QRgb LabelInkOn(QRgb fill);
constexpr QRgb kTotalTimeColor = qRgb(16, 16, 222);

/// The icons of the icon bar, in their order there: two rows of six.
enum class Icon {
    NextPage,
    PreviousPage,
    SwitchTimes, ///< the switch-time table
    NewDocument,
    OpenDocument,
    SaveDocument,
    Settings,
    Slideshow,
    Export, ///< a standalone slideshow executable
    VersionInfo,
    Help,
    Exit,
};
constexpr int kIconCount = 12;
constexpr int kIconBarWidth = 170;
constexpr int kIconBarHeight = 67;
constexpr int kIconSize = 26;
constexpr int kLogoWidth = 235;
constexpr int kLogoHeight = 46;
constexpr int kPropMarkSize = 11;
constexpr int kLabelBandHeight = 18; ///< number and time band under each cell
constexpr int kGraphHeight = 100;
constexpr int kAddButtonWidth = 200; ///< the empty page's add button
constexpr int kAddButtonHeight = 36;

/// The scaled size of a slide picture inside a cell and its offsets there.
struct CellFit {
    int fw = 0, fh = 0, ox = 0, oy = 0;
    bool operator==(const CellFit& o) const {
        return fw == o.fw && fh == o.fh && ox == o.ox && oy == o.oy;
    }
};

/// Scales a pw x ph picture to touch two opposite sides of a cw x ch cell, keeping its
/// aspect ratio (small pictures are enlarged too). The scale factors are single-precision
/// values, as stored files and earlier layouts expect. All zero for an empty picture.
CellFit FitPictureToCell(QSize picture, int cw, int ch);

/// Widths of the time-graph bars for the given switch times over a bar area `graphWidth`
/// wide: each bar but the last gets trunc(q * width) with q = time / total in single
/// precision; the last gets what is left (0 when nothing is). Empty for no slides.
std::vector<int> GraphBarWidths(const std::vector<int>& times, int graphWidth);

/// Point size of the label font for a client area `width` pixels wide: 9 below 600,
/// 11 from 1200 on, else 10.
int LabelFontPoints(int width);

/// Whether the point lies in the rectangle. A rectangle of no or negative width or height
/// holds no point (QRect::contains would turn a negative one round).
bool PointInRect(const QRect& r, QPoint pt);

/// What the layout needs to know about the document and the window.
struct LayoutInput {
    int width = 0;      ///< client width W
    int height = 0;     ///< client height H
    int pageSlides = 0; ///< slides on the current page (0 = empty document)
    /// Picture size of each page cell to lay out, from cell 0 on; an empty size marks a
    /// slide without a picture (its cell, marks and labels are left out).
    std::vector<QSize> pictures;
    std::vector<int> times; ///< switch times of every slide of the document
};

/// Every rectangle of the window for one paint.
struct EditorLayout {
    int cw = 0, ch = 0; ///< cell size
    int rows = 0;       ///< cell rows in use
    int gy = 0;         ///< top of the first cell row
    int gt = 0;         ///< top of the time graph
    int graphWidth = 0; ///< width G of the bar area
    int labelPoints = 10;

    QRect titleBand;
    QRect logo;

    // The page. Index k is the page cell; entries past `pictures` stay empty.
    bool cellShown[kSlidesPerPage] = {};     ///< the cell's slide has a picture
    QRect cellBox[kSlidesPerPage];           ///< the whole cell, cw x ch
    CellFit fit[kSlidesPerPage];             ///< the picture's place inside the cell
    QRect cells[kSlidesPerPage];             ///< the drawn picture (hit rectangle)
    QRect propMark[kSlidesPerPage];          ///< where the property-button mark is drawn
    QRect labelBands[kSlidesPerPage];        ///< number and time band under the cell
    bool markShown[kSlidesPerPage + 1] = {}; ///< the insertion mark exists
    QRect marks[kSlidesPerPage + 1];         ///< insertion marks (hit rectangles)
    int markColumn[kSlidesPerPage + 1] = {}; ///< column colour of each mark
    // The empty page only: how to add pictures is written over its mark, and the add
    // button sits under it, both centred on the mark.
    QRect emptyHint; ///< the hint's area; its text stands at the bottom
    QRect addButton; ///< the button (hit rectangle)

    // The time graph.
    QRect graphBars;               ///< (18, gt, W - 206, gt + 100), filled black
    QRect graph;                   ///< the outer frame, one pixel larger: hit rectangle
    std::vector<QRect> bars;       ///< one per slide of the document
    std::vector<QRect> boundaries; ///< index 1 to n: right edge of slide b - 1's bar

    // The right-hand column.
    QRect totalLine;         ///< total time and page number
    QRect iconBar;           ///< where the 170 x 67 icon bar image goes
    QRect iconArea;          ///< the twelve icons' area
    QRect transBar;          ///< the transparency bar
    QRect icons[kIconCount]; ///< in the order of Icon
};

/// The layout for one paint.
EditorLayout ComputeLayout(const LayoutInput& in);

/// The drawn bar of an insertion mark: one pixel wider on each side when highlighted,
/// one pixel narrower on each side otherwise.
QRect MarkBar(const QRect& mark, bool highlighted);

/// The total-time line: "%s (%d/%d) " with the total time, the page (1-based) and the
/// page count, a blank at the end.
QString TotalTimeText(int totalSeconds, int page, int pageCount);

/// The colour of highlight ring `n` (1 to 4) around a selected cell of a column:
/// 50 * n added to each component, capped at 255.
QRgb HighlightRingColor(int column, int n);
