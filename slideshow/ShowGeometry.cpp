#include "slideshow/ShowGeometry.h"

#include "document/DocumentHeader.h"

#include <algorithm>
#include <cstdlib>

namespace show {

namespace {
QRect ToRect(const Box& b) {
    return QRect(b.left, b.top, b.width, b.height);
}
} // namespace

QRect BringOntoScreen(const QRect& stored, QSize screen) {
    const auto [l, t, r, b] = StoredCornersOf(stored);
    return ToRect(BringBoxOntoScreen(l, t, r, b, screen.width(), screen.height()));
}

QRect ZoomStepRect(QPoint start, const QRect& target, int step) {
    const Box to{target.left(), target.top(), target.width(), target.height()};
    return ToRect(ZoomStepBox(start.x(), start.y(), to, step));
}

QRect PlaceSlide(QSize picture, QSize window, bool fit) {
    const Box b =
        PlaceSlideBox(picture.width(), picture.height(), window.width(), window.height(), fit);
    return b.width > 0 ? ToRect(b) : QRect();
}

QPoint ClampToScreen(QPoint proposed, QSize window, QSize screen) {
    int x = proposed.x();
    int y = proposed.y();
    ClampPointToScreen(x, y, window.width(), window.height(), screen.width(), screen.height());
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
