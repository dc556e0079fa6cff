#include "slideshow/ShowGeometry.h"

#include "document/DocumentHeader.h"

#include <algorithm>
#include <cstdlib>

namespace show {

namespace {
QRect ToRect(const Box& b) {
    return QRect(b.left, b.top, b.width, b.height);
}
Box ToBox(const QRect& r) {
    return Box{r.left(), r.top(), r.width(), r.height()};
}
} // namespace

QRect BringOntoScreen(const QRect& stored, QPoint from, const QRect& area) {
    const auto [l, t, r, b] = StoredCornersOf(stored);
    return ToRect(BringBoxOntoScreen(l, t, r, b, from.x(), from.y(), ToBox(area)));
}

std::optional<QPoint> StoredCentre(const QRect& stored) {
    const auto [l, t, r, b] = StoredCornersOf(stored);
    int x = 0, y = 0;
    if (!StoredCentreOf(l, t, r, b, x, y))
        return std::nullopt;
    return QPoint(x, y);
}

QRect ZoomStepRect(QPoint start, const QRect& target, int step) {
    return ToRect(ZoomStepBox(start.x(), start.y(), ToBox(target), step));
}

QRect PlaceSlide(QSize picture, QSize window, bool fit) {
    const Box b =
        PlaceSlideBox(picture.width(), picture.height(), window.width(), window.height(), fit);
    return b.width > 0 ? ToRect(b) : QRect();
}

QPoint ClampToScreen(QPoint proposed, QSize window, const QRect& area) {
    int x = proposed.x();
    int y = proposed.y();
    ClampPointToArea(x, y, window.width(), window.height(), ToBox(area));
    return QPoint(x, y);
}

bool NeedsSizingRepaint(QSize proposed, const QRect& stored) {
    const auto [l, t, r, b] = StoredCornersOf(stored);
    const qint64 dw = qint64(proposed.width()) - (qint64(r) - l);
    const qint64 dh = qint64(proposed.height()) - (qint64(b) - t);
    return std::abs(dw) >= kSizingRepaintPx || std::abs(dh) >= kSizingRepaintPx;
}

QRgb ShowKeyColor(const KeyColor& keyColor) {
    return keyColor ? *keyColor : kNoKeyFill;
}

} // namespace show
