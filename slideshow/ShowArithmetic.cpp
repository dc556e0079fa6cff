#include "slideshow/ShowArithmetic.h"

#include <algorithm>
#include <cstdio>

namespace show {

Box BringBoxOntoScreen(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, int fromX,
                       int fromY, const Box& area) {
    const int sw = area.width;
    const int sh = area.height;
    // Corners in 64 bits: a damaged file may hold any signed corners.
    std::int64_t width = std::int64_t(r) - l;
    std::int64_t height = std::int64_t(b) - t;
    width = std::min<std::int64_t>(std::max<std::int64_t>(width, kMinWindowSize), sw);
    height = std::min<std::int64_t>(std::max<std::int64_t>(height, kMinWindowSize), sh);
    std::int64_t left = std::max<std::int64_t>(std::int64_t(l) - fromX, 0);
    std::int64_t top = std::max<std::int64_t>(std::int64_t(t) - fromY, 0);
    left = std::min<std::int64_t>(left, sw - width);
    top = std::min<std::int64_t>(top, sh - height);
    return Box{int(area.left + left), int(area.top + top), int(width), int(height)};
}

bool StoredCentreOf(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, int& x,
                    int& y) {
    const std::int64_t cx = (std::int64_t(l) + r) / 2;
    const std::int64_t cy = (std::int64_t(t) + b) / 2;
    // Screens lie well within a few hundred thousand pixels of the origin.
    constexpr std::int64_t kFar = 1 << 24;
    if (cx < -kFar || cx > kFar || cy < -kFar || cy > kFar)
        return false;
    x = int(cx);
    y = int(cy);
    return true;
}

Box ZoomStepBox(int sx, int sy, const Box& target, int step) {
    const int a = std::clamp(step, 0, kZoomSteps - 1) + 1;
    // The offset per step is computed in floating point and truncated toward zero
    // before it is multiplied by the step count.
    const int dx = int((double(target.left) - sx) / double(kZoomSteps));
    const int dy = int((double(target.top) - sy) / double(kZoomSteps));
    const int width = int(std::int64_t(target.width) * a / kZoomSteps);
    const int height = int(std::int64_t(target.height) * a / kZoomSteps);
    return Box{sx + a * dx, sy + a * dy, width, height};
}

Box PlaceSlideBox(int w, int h, int W, int H, bool fit) {
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0)
        return Box{};
    if (w < W && h < H && !fit)
        return Box{(W - w) / 2, (H - h) / 2, w, h};
    const float rx = float(w) / float(W);
    const float ry = float(h) / float(H);
    if (ry >= rx) {
        const int dw = int(float(w) / ry);
        return Box{(W - dw) / 2, 0, dw, H};
    }
    const int dh = int(float(h) / rx);
    return Box{0, (H - dh) / 2, W, dh};
}

void ClampPointToArea(int& x, int& y, int ww, int wh, const Box& area) {
    x = std::min(std::max(x, area.left), area.left + area.width - ww);
    y = std::min(std::max(y, area.top), area.top + area.height - wh);
}

std::string SwitchTimeText(int seconds) {
    char text[40];
    if (seconds < 3600)
        std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60,
                      seconds % 60);
    return text;
}

std::string ShowTooltipUtf8(int number, int seconds) {
    return u8"№" + std::to_string(number) + " " + SwitchTimeText(seconds) +
           u8"\n※ 右クリックメニューで操作できます";
}

} // namespace show
