#pragma once
// One frame of the slideshow window: the window area filled with the key colour K and
// the slide drawn on it, plus the region of the pixels that are not K. The window
// shows exactly that region (see-through and click-through elsewhere).

#include "document/Document.h"

class Picture;

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>

struct ShowFrame {
    QImage image;   ///< the window area, Format_RGB32; see-through pixels hold `key`
    QRegion opaque; ///< the pixels of `image` that are not `key`
    QRect placed;   ///< where the slide was drawn; empty when nothing was drawn
    QRgb key = 0;   ///< the see-through colour, opaque
};

/// Draws `picture` (a slide's picture at its pixel size) into a window of `window` size
/// as the show does: fill with K, place the picture (see PlaceSlide), mirrored as
/// `flipH` and `flipV` say, leaving out its pixels of exactly K. K is `keyColor`,
/// or the fill colour of slides without a key.
///
/// A scaled picture is resampled with its key pixels as fully transparent coverage and
/// then cut at half coverage: edge pixels take the colour of the picture only, never a
/// blend with K, and the see-through edge stays crisp. Source pixels with an alpha
/// below one half count as see-through too.
ShowFrame ComposeShowFrame(const QImage& picture, const KeyColor& keyColor, QSize window, bool fit,
                           bool flipH = false, bool flipV = false);

/// The same for a picture decoded at a size of its own: `picture` holds the slide's
/// picture of `pictureSize` pixels, perhaps reduced; it is placed as the full picture
/// would be.
ShowFrame ComposeShowFrame(const QImage& picture, QSize pictureSize, const KeyColor& keyColor,
                           QSize window, bool fit, bool flipH, bool flipV);

/// The picture as the show draws it where it is placed at `placed` size: a JPEG without
/// a key decoded at exactly that size (far faster than whole), any other picture whole
/// (a key must meet the picture's own pixels). Null when the picture does not decode.
/// Safe to call from any thread.
QImage ShowSource(const Picture& picture, const KeyColor& keyColor, QSize placed);

/// The region of the pixels of `image` (32 bits per pixel) that differ from `key`, built
/// as horizontal bands: rows with the same runs share one band of rectangles.
QRegion OpaqueRegion(const QImage& image, QRgb key);
