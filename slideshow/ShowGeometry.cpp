#include "slideshow/ShowGeometry.h"

#include "document/DocumentHeader.h"

#include <algorithm>
#include <cstdlib>

namespace show {

QRect BringOntoScreen(const QRect& stored, QPoint from, const QRect& area) {
    const int sw = area.width();
    const int sh = area.height();
    // Corners in 64 bits: a damaged file may hold any signed corners.
    const auto [l, t, r, b] = StoredCornersOf(stored);
    qint64 width = qint64(r) - l;
    qint64 height = qint64(b) - t;
    width = std::min<qint64>(std::max<qint64>(width, kMinWindowSize), sw);
    height = std::min<qint64>(std::max<qint64>(height, kMinWindowSize), sh);
    qint64 left = std::max<qint64>(qint64(l) - from.x(), 0);
    qint64 top = std::max<qint64>(qint64(t) - from.y(), 0);
    left = std::min<qint64>(left, sw - width);
    top = std::min<qint64>(top, sh - height);
    return QRect(int(area.left() + left), int(area.top() + top), int(width), int(height));
}

std::optional<QPoint> StoredCentre(const QRect& stored) {
    const auto [l, t, r, b] = StoredCornersOf(stored);
    const qint64 x = (qint64(l) + r) / 2;
    const qint64 y = (qint64(t) + b) / 2;
    // Screens lie well within a few hundred thousand pixels of the origin.
    constexpr qint64 kFar = 1 << 24;
    if (x < -kFar || x > kFar || y < -kFar || y > kFar)
        return std::nullopt;
    return QPoint(int(x), int(y));
}

QRect ZoomStepRect(QPoint start, const QRect& target, int step) {
    const int a = std::clamp(step, 0, kZoomSteps - 1) + 1;
    // The offset per step is computed in floating point and truncated toward zero
    // before it is multiplied by the step count.
    const int dx = int((double(target.left()) - start.x()) / double(kZoomSteps));
    const int dy = int((double(target.top()) - start.y()) / double(kZoomSteps));
    const int width = int(qint64(target.width()) * a / kZoomSteps);
    const int height = int(qint64(target.height()) * a / kZoomSteps);
    return QRect(start.x() + a * dx, start.y() + a * dy, width, height);
}

QRect PlaceSlide(QSize picture, QSize window, bool fit) {
    const int w = picture.width();
    const int h = picture.height();
    const int W = window.width();
    const int H = window.height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0)
        return QRect();
    if (w < W && h < H && !fit)
        return QRect((W - w) / 2, (H - h) / 2, w, h);
    const float rx = float(w) / float(W);
    const float ry = float(h) / float(H);
    if (ry >= rx) {
        const int dw = int(float(w) / ry);
        return QRect((W - dw) / 2, 0, dw, H);
    }
    const int dh = int(float(h) / rx);
    return QRect(0, (H - dh) / 2, W, dh);
}

QPoint ClampToScreen(QPoint proposed, QSize window, const QRect& area) {
    int x = std::max(proposed.x(), area.left());
    int y = std::max(proposed.y(), area.top());
    x = std::min(x, area.left() + area.width() - window.width());
    y = std::min(y, area.top() + area.height() - window.height());
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
