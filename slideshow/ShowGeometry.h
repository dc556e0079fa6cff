#pragma once
// The slideshow window's arithmetic: where the window opens, how it grows, where a slide
// is drawn in it and where a drag may take it. Pure functions of plain numbers, in Qt
// types over the toolkit-free arithmetic of ShowArithmetic.h.

#include "document/StoredColor.h"
#include "slideshow/ShowArithmetic.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace show {

constexpr QRgb kNoKeyFill = qRgb(255, 247, 255); ///< key of a slide without its own
static_assert(ColorFromStored(kNoKeyFillStored) == kNoKeyFill, "one fill colour for both players");

/// The stored show rectangle brought onto a screen of `screen` size with origin (0, 0):
/// width and height raised to 50 and lowered to the screen's; then left and top moved
/// inside (first not below 0, then not beyond the screen's right or bottom edge). The
/// stored corners may be anything a damaged file holds.
QRect BringOntoScreen(const QRect& stored, QSize screen);

/// The window rectangle after zoom step `step` (0 to 19) of the opening animation
/// that grows from `start` toward `target`. The per-step offset is truncated toward
/// zero before it is multiplied, so the last step may stop up to 19 px short of the
/// target's left and top; its size is exactly the target's.
QRect ZoomStepRect(QPoint start, const QRect& target, int step);

/// Where a picture of `picture` size is drawn in a window of `window` size. A picture
/// smaller than the window on both axes keeps its size and is centred unless `fit`;
/// every other picture is scaled, keeping its aspect, to fill the window's width or
/// height (ratios in single precision, as the drawn size is truncated).
QRect PlaceSlide(QSize picture, QSize window, bool fit);

/// The window's new top-left for a move-drag: `proposed` kept inside a screen of
/// `screen` size for a window of `window` size (first not below 0, then not beyond
/// the right or bottom edge).
QPoint ClampToScreen(QPoint proposed, QSize window, QSize screen);

/// True when a proposed size differs from the stored rectangle's by the sizing repaint
/// threshold or more on either axis.
bool NeedsSizingRepaint(QSize proposed, const QRect& stored);

/// The colour that is see-through on the show: the slide's key, or kNoKeyFill.
QRgb ShowKeyColor(const KeyColor& keyColor);

} // namespace show
