#pragma once
// One frame of the slideshow window in Qt's types: the window area filled with the key
// colour K and the slide drawn on it, plus the region of the pixels that are not K. The
// window shows exactly that region (see-through and click-through elsewhere). The frames
// are made toolkit-free (ShowFrames.h, ShowRaster.h): every player draws the same pixels.

#include "document/Document.h"
#include "slideshow/ShowFrames.h"

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

/// `frame` in Qt's types; the image shares the frame's pixels (and keeps it alive).
ShowFrame ShowFrameOf(const show::FramePtr& frame);

/// Draws `picture` (a slide's picture at its pixel size) into a window of `window` size
/// as the show does: fill with K, place the picture (see PlaceSlide), mirrored as
/// `flipH` and `flipV` say, leaving out its pixels of exactly K. K is `keyColor`,
/// or the fill colour of slides without a key.
///
/// A scaled picture is resampled (ComposeShowRaster) with its key pixels as no coverage
/// and cut at half coverage: edge pixels take the colour of the picture only, never a
/// blend with K, and the see-through edge stays crisp. Source pixels with an alpha
/// below one half count as see-through too.
ShowFrame ComposeShowFrame(const QImage& picture, const KeyColor& keyColor, QSize window, bool fit,
                           bool flipH = false, bool flipV = false);

/// The same for a picture decoded at a size of its own: `picture` holds the slide's
/// picture of `pictureSize` pixels, perhaps reduced (Format_ARGB32_Premultiplied:
/// coverage); it is placed as the full picture would be.
ShowFrame ComposeShowFrame(const QImage& picture, QSize pictureSize, const KeyColor& keyColor,
                           QSize window, bool fit, bool flipH, bool flipV);

/// The region of the pixels of `image` (32 bits per pixel) that differ from `key`, built
/// as horizontal bands: rows with the same runs share one band of rectangles.
QRegion OpaqueRegion(const QImage& image, QRgb key);
/// The region of banded rectangles (OpaqueBands).
QRegion RegionOfBands(const std::vector<show::Box>& bands);
