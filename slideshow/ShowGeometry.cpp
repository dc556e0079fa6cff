#include "slideshow/ShowGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace show {

RECT32 BringOntoScreen(const RECT32& rc, QSize screen) {
    const int sw = screen.width();
    const int sh = screen.height();
    // Width and height in 64 bits: a damaged file may hold any signed corners.
    qint64 width = qint64(rc.right) - rc.left;
    qint64 height = qint64(rc.bottom) - rc.top;
    width = std::min<qint64>(std::max<qint64>(width, kMinWindowSize), sw);
    height = std::min<qint64>(std::max<qint64>(height, kMinWindowSize), sh);
    qint64 left = std::max<qint64>(rc.left, 0);
    qint64 top = std::max<qint64>(rc.top, 0);
    left = std::min<qint64>(left, sw - width);
    top = std::min<qint64>(top, sh - height);
    RECT32 out;
    out.left = qint32(left);
    out.top = qint32(top);
    out.right = qint32(left + width);
    out.bottom = qint32(top + height);
    return out;
}

QRect ZoomStepRect(QPoint start, const RECT32& target, int step) {
    const int a = std::clamp(step, 0, kZoomSteps - 1) + 1;
    // The offset per step is computed in floating point and truncated toward zero
    // before it is multiplied by the step count.
    const int dx = int((double(target.left) - start.x()) / double(kZoomSteps));
    const int dy = int((double(target.top) - start.y()) / double(kZoomSteps));
    const int width = int(qint64(target.right - target.left) * a / kZoomSteps);
    const int height = int(qint64(target.bottom - target.top) * a / kZoomSteps);
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

QPoint ClampToScreen(QPoint proposed, QSize window, QSize screen) {
    int x = std::max(proposed.x(), 0);
    int y = std::max(proposed.y(), 0);
    x = std::min(x, screen.width() - window.width());
    y = std::min(y, screen.height() - window.height());
    return QPoint(x, y);
}

bool NeedsSizingRepaint(QSize proposed, const RECT32& stored) {
    const qint64 dw = qint64(proposed.width()) - (qint64(stored.right) - stored.left);
    const qint64 dh = qint64(proposed.height()) - (qint64(stored.bottom) - stored.top);
    return std::abs(dw) >= kSizingRepaintPx || std::abs(dh) >= kSizingRepaintPx;
}

COLORREF ShowKeyColor(COLORREF keyColor) {
    return keyColor == COLOR_NONE ? kNoKeyFill : keyColor;
}

RECT32 ToRect32(const QRect& r) {
    RECT32 out;
    out.left = r.x();
    out.top = r.y();
    out.right = r.x() + r.width();
    out.bottom = r.y() + r.height();
    return out;
}

QRect FromRect32(const RECT32& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

} // namespace show
