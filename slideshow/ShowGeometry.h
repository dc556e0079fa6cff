#pragma once
// The slideshow window's arithmetic: where the window opens, how it grows, where a slide
// is drawn in it and where a drag may take it. Pure functions of plain numbers, in Qt
// types over the toolkit-free arithmetic of ShowArithmetic.h.

#include "document/StoredColor.h"
#include "slideshow/ShowArithmetic.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace show {

constexpr QRgb kNoKeyFill = qRgb(255, 247, 255); ///< key of a slide without its own
static_assert(ColorFromStored(kNoKeyFillStored) == kNoKeyFill, "one fill colour for both players");

/// The stored show rectangle brought onto the work area `area` (global coordinates) of
/// the screen the show opens on, keeping its place relative to `from`, the top-left of
/// the work area it was stored on (the same area's when it stays on its screen): width
/// and height raised to 50 and lowered to the area's; then left and top moved inside
/// (first not before the area's left and top, then not beyond its right or bottom
/// edge). The stored corners may be anything a damaged file holds.
QRect BringOntoScreen(const QRect& stored, QPoint from, const QRect& area);

/// The centre of the stored show rectangle; nothing when a damaged file's corners put
/// it beyond any screen's coordinates.
std::optional<QPoint> StoredCentre(const QRect& stored);

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

/// The window's new top-left for a move-drag: `proposed` kept inside the work area
/// `area` for a window of `window` size (first not before its left and top, then not
/// beyond its right or bottom edge).
QPoint ClampToScreen(QPoint proposed, QSize window, const QRect& area);

/// True when a proposed size differs from the stored rectangle's by the sizing repaint
/// threshold or more on either axis.
bool NeedsSizingRepaint(QSize proposed, const QRect& stored);

/// The colour that is see-through on the show: the slide's key, or kNoKeyFill.
QRgb ShowKeyColor(const KeyColor& keyColor);

} // namespace show
