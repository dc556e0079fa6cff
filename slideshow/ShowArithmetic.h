#pragma once
// The slideshow window's arithmetic on plain integers, free of any toolkit: the Qt
// slideshow (ShowGeometry) and the Windows player runtime both compute with it.

#include <cstdint>
#include <string>

namespace show {

constexpr int kZoomPeriodMs = 10;     ///< the opening animation's step
constexpr int kSecondPeriodMs = 1000; ///< the count of a slide's seconds on show
constexpr int kZoomSteps = 20;        ///< steps of the opening animation
constexpr int kStartSize = 2;         ///< the window's side before the animation
constexpr int kMinWindowSize = 50;    ///< smallest width and height of the show
constexpr int kTooltipWidth = 512;    ///< widest the tooltip may grow
constexpr int kSizingRepaintPx = 2;   ///< size difference that repaints while sizing
/// The key of a slide without its own, as documents store colours (0x00BBGGRR).
constexpr std::uint32_t kNoKeyFillStored = 0x00FFF7FFu;

/// A rectangle as left, top, width and height.
struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

/// The stored corners (left, top, right, bottom; right and bottom exclusive, any values
/// a damaged file holds) brought onto the work area `area` (global coordinates) of the
/// screen the show opens on, keeping their place relative to (fromX, fromY), the
/// top-left of the work area they were stored on: width and height raised to 50 and
/// lowered to the area's, then left and top moved inside (first not before the area's
/// left and top, then not beyond its right or bottom edge).
Box BringBoxOntoScreen(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       int fromX, int fromY, const Box& area);

/// The centre of the stored corners; false when a damaged file's corners put it beyond
/// any screen's coordinates.
bool StoredCentreOf(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                    int& x, int& y);

/// The window after zoom step `step` (0 to 19) of the opening animation growing from
/// (sx, sy) toward `target`: the per-step offset is truncated toward zero before it is
/// multiplied; the size is `target`'s times (step + 1) / 20.
Box ZoomStepBox(int sx, int sy, const Box& target, int step);

/// Where a picture of w x h is drawn in a window of ww x wh: centred at its size when
/// smaller on both axes and not `fit`, else scaled keeping its aspect to fill the
/// window's width or height (ratios in single precision, the drawn size truncated).
/// Empty when either size is empty.
Box PlaceSlideBox(int w, int h, int ww, int wh, bool fit);

/// A move-drag's proposed top-left kept inside the work area `area` for a window of
/// ww x wh: first not before the area's left and top, then not beyond its right or
/// bottom edge.
void ClampPointToArea(int& x, int& y, int ww, int wh, const Box& area);

/// The slide the show goes on to after slide `index` of `count`: the next one for which
/// `showable(i)` holds (a slide whose picture does not show is passed over), back to the
/// first after the last when `loop`. -1 when the show ends there: after the last slide
/// without looping, or when no slide can be shown.
template <typename Showable>
int NextShowableSlide(int index, int count, bool loop, const Showable& showable) {
    for (int step = 1; step <= count; ++step) {
        int i = index + step;
        if (i >= count) {
            if (!loop)
                return -1;
            i %= count;
        }
        if (showable(i))
            return i;
    }
    return -1;
}

/// The slide a show started at `start` opens with: `start` itself when it can be shown,
/// else the next one that can (as NextShowableSlide); -1 when none can.
template <typename Showable>
int FirstShowableSlide(int start, int count, bool loop, const Showable& showable) {
    if (start >= 0 && start < count && showable(start))
        return start;
    return NextShowableSlide(start, count, loop, showable);
}

/// A switch time as the show and the editor write it: "mm:ss" below an hour, else
/// "hh:mm:ss" (hours not limited).
std::string SwitchTimeText(int seconds);

/// The show's tooltip (UTF-8) for slide `number` (counted from 1) shown `seconds`.
std::string ShowTooltipUtf8(int number, int seconds);

} // namespace show
