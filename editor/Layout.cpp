#include "editor/Layout.h"

#include "editor/Text.h"

#include <algorithm>
#include <cmath>

CellFit FitPictureToCell(QSize picture, int cw, int ch) {
    const int pw = picture.width();
    const int ph = picture.height();
    if (pw <= 0 || ph <= 0)
        return {};
    // The factors are kept in single precision; the products are taken in double, so
    // a factor of 0.65f (0.64999998) times 300 truncates to 194.
    const float sx = float(double(cw) / pw);
    const float sy = float(double(ch) / ph);
    CellFit f;
    if (sy > sx) {
        f.fw = cw;
        f.fh = int(double(ph) * double(sx));
        f.ox = 0;
        f.oy = (ch - f.fh) / 2;
    } else {
        f.fw = int(double(pw) * double(sy));
        f.fh = ch;
        f.ox = (cw - f.fw) / 2;
        f.oy = 0;
    }
    return f;
}

std::vector<int> GraphBarWidths(const std::vector<int>& times, int graphWidth) {
    std::vector<int> widths;
    const int n = int(times.size());
    if (n == 0)
        return widths;
    qint64 total = 0;
    for (int t : times)
        total += t;
    widths.reserve(size_t(n));
    int used = 0;
    for (int i = 0; i < n; ++i) {
        int w;
        if (i < n - 1) {
            const float q = total > 0 ? float(double(times[size_t(i)]) / double(total)) : 0.0f;
            w = int(double(q) * graphWidth);
        } else {
            w = std::max(graphWidth - used, 0);
        }
        widths.push_back(w);
        used += w;
    }
    return widths;
}

namespace {

/// The relative luminance of an sRGB colour: its channels made linear, then weighed.
double RelativeLuminance(QRgb c) {
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

} // namespace

QRgb LabelInkOn(QRgb fill) {
    const double l = RelativeLuminance(fill);
    // Contrast ratios (lighter + 0.05) / (darker + 0.05) against white and black.
    const double onWhite = 1.05 / (l + 0.05);
    const double onBlack = (l + 0.05) / 0.05;
    return onBlack >= onWhite ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
}

int LabelFontPoints(int width) {
    if (width < 600)
        return 9;
    if (width >= 1200)
        return 11;
    return 10;
}

bool PointInRect(const QRect& r, QPoint pt) {
    return !r.isEmpty() && r.contains(pt);
}

EditorLayout ComputeLayout(const LayoutInput& in) {
    EditorLayout L;
    const int W = in.width;
    const int H = in.height;
    L.cw = (W - 108) / 5;
    L.ch = (H - 248) / 4;
    L.rows = in.pageSlides > 0 ? (in.pageSlides - 1) / 5 + 1 : 1;
    L.gy = (4 - L.rows) * (L.ch + kLabelBandHeight) / 2 + 58;
    L.gt = 4 * L.ch + 139;
    L.graphWidth = W - 224;
    L.labelPoints = LabelFontPoints(W);
    L.titleBand = QRect(0, 0, W, 58);
    L.logo = QRect(5, 5, kLogoWidth, kLogoHeight);

    // The page.
    if (in.pageSlides <= 0) {
        // Only mark 0 exists, centred where a single row would sit.
        const int y = (3 * L.ch + 54) / 2 + 58;
        L.marks[0] = QRect(W / 2 - 11, y, 4, L.ch);
        L.markShown[0] = true;
        L.markColumn[0] = 0;
        // 16 pixels of air between the mark and the hint and button; the button stays
        // clear of the graph when the page is low.
        const int middle = W / 2 - 9; // the mark's middle
        L.emptyHint = QRect(18, 66, 2 * (middle - 18) + 1, std::max(0, y - 16 - 66));
        const int buttonTop = std::min(y + L.ch + 16, L.gt - 8 - kAddButtonHeight);
        L.addButton = QRect(middle - kAddButtonWidth / 2, std::max(buttonTop, y + L.ch + 2),
                            kAddButtonWidth, kAddButtonHeight);
    } else {
        const int count =
            std::min<int>(int(in.pictures.size()), std::min(L.rows * 5, kSlidesPerPage));
        for (int k = 0; k < count; ++k) {
            const int i = k / 5;
            const int j = k % 5;
            const int x = 18 + j * (L.cw + 18);
            const int y = L.gy + i * (L.ch + 18);
            L.cellBox[k] = QRect(x, y, L.cw, L.ch);
            L.labelBands[k] = QRect(x, y + L.ch, L.cw, kLabelBandHeight);
            const QSize pic = in.pictures[size_t(k)];
            if (pic.isEmpty())
                continue; // no picture: nothing of this cell is drawn
            const CellFit f = FitPictureToCell(pic, L.cw, L.ch);
            L.fit[k] = f;
            L.cellShown[k] = true;
            L.cells[k] = QRect(x + f.ox, y + f.oy, f.fw, f.fh);
            L.propMark[k] =
                QRect(x + f.ox + f.fw - 13, y + f.oy + f.fh - 13, kPropMarkSize, kPropMarkSize);
            L.marks[k] = QRect(x - 11, y + f.oy, 4, f.fh);
            L.markShown[k] = true;
            L.markColumn[k] = j;
            if (k == in.pageSlides - 1) {
                L.marks[k + 1] = QRect(x + L.cw + 7, y + f.oy, 4, f.fh);
                L.markShown[k + 1] = true;
                L.markColumn[k + 1] = j;
            }
        }
    }

    // The time graph: every slide of the document, not paged.
    L.graphBars = QRect(18, L.gt, W - 224, kGraphHeight);
    L.graph = L.graphBars.adjusted(-1, -1, 1, 1);
    const std::vector<int> widths = GraphBarWidths(in.times, L.graphWidth);
    const int n = int(widths.size());
    L.bars.reserve(size_t(n));
    L.boundaries.assign(size_t(n) + 1, QRect());
    int x = 18;
    for (int i = 0; i < n; ++i) {
        const int w = widths[size_t(i)];
        L.bars.push_back(QRect(x, L.gt, w, kGraphHeight));
        if (i > 0)
            L.boundaries[size_t(i)] = QRect(x - 2, L.gt, 4, kGraphHeight);
        else
            L.boundaries[size_t(n)] = QRect(W - 208, L.gt, 4, kGraphHeight);
        x += w;
    }

    // The right-hand column: total-time line over the icon bar.
    L.totalLine = QRect(W - 188, L.gt, 170, 33);
    L.iconBar = QRect(W - 188, L.gt + 33, kIconBarWidth, kIconBarHeight);
    L.iconArea = QRect(W - 188, L.gt + 33, 170, 58);
    L.transBar = QRect(W - 188, L.gt + 91, 170, 9);
    for (int k = 0; k < kIconCount; ++k) {
        const int row = k / 6;
        const int col = k % 6;
        L.icons[k] = QRect(W - 186 + 28 * col, L.gt + 35 + 28 * row, kIconSize, kIconSize);
    }
    return L;
}

QRect MarkBar(const QRect& mark, bool highlighted) {
    return highlighted ? mark.adjusted(-1, 0, 1, 0) : mark.adjusted(1, 0, -1, 0);
}

QRgb HighlightRingColor(int column, int n) {
    const QRgb c = kColumnColors[((column % 5) + 5) % 5];
    const int add = 50 * n;
    return qRgb(std::min(qRed(c) + add, 255), std::min(qGreen(c) + add, 255),
                std::min(qBlue(c) + add, 255));
}

QString TotalTimeText(int totalSeconds, int page, int pageCount) {
    return QStringLiteral("%1 (%2/%3) ")
        .arg(FormatSwitchTime(totalSeconds))
        .arg(page)
        .arg(pageCount);
}
