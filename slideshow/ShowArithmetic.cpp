#include "slideshow/ShowArithmetic.h"

#include <algorithm>
#include <cstdio>

namespace show {

Box BringBoxOntoScreen(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, int sw,
                       int sh) {
    // Width and height in 64 bits: a damaged file may hold any signed corners.
    std::int64_t width = std::int64_t(r) - l;
    std::int64_t height = std::int64_t(b) - t;
    width = std::min<std::int64_t>(std::max<std::int64_t>(width, kMinWindowSize), sw);
    height = std::min<std::int64_t>(std::max<std::int64_t>(height, kMinWindowSize), sh);
    std::int64_t left = std::max<std::int64_t>(l, 0);
    std::int64_t top = std::max<std::int64_t>(t, 0);
    left = std::min<std::int64_t>(left, sw - width);
    top = std::min<std::int64_t>(top, sh - height);
    return Box{int(left), int(top), int(width), int(height)};
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

void ClampPointToScreen(int& x, int& y, int ww, int wh, int sw, int sh) {
    x = std::min(std::max(x, 0), sw - ww);
    y = std::min(std::max(y, 0), sh - wh);
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
