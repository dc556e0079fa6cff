#pragma once
// A slide's picture file decoded for the show at the size it is drawn, free of any
// toolkit: the Windows player runtime holds only such pictures, never one at the size
// its file declares.

#include "codec/Codec.h"
#include "slideshow/ShowRaster.h"

#include <cstddef>
#include <cstdint>

namespace show {

/// The size a picture of `info` is decoded at to be drawn in a window of `windowWidth` x
/// `windowHeight` (`fit` as the show's): where PlaceSlideBox puts it, but never larger
/// than the picture on either axis and at least 1 x 1. The picture's own size when it is
/// drawn at its size or enlarged (it is no larger than the window then). Left and top
/// are 0.
Box ShowDecodeBox(const codec::Info& info, int windowWidth, int windowHeight, bool fit);

/// The picture file `bytes` (whose header declares `info`) decoded at ShowDecodeBox's
/// size:
/// - smaller than the picture on either axis: reduced while it is decoded, as a coverage picture
///   (Raster::coverage) in which the pixels of exactly `key`'s red, green and blue (the
///   slide's key, or the show's fill colour for a slide without one) cover nothing; the
///   picture is never held at its own size. Of a slide without a key (`keyed` false), a
///   JPEG is first decoded at the decoder's reduced scale that still gives at least that
///   size (keyed ones are not: a key must meet the picture's own pixels);
/// - otherwise whole, as a plain picture with straight alpha.
/// An empty raster when it does not decode: a format the decoders do not read, more than
/// 100 megapixels, pixels of another size than the header declares, a PNG that breaks
/// off or is corrupt. (JPEG, BMP and GIF files that break off show what their decoder
/// makes of them.)
Raster DecodeShowPicture(const std::uint8_t* bytes, std::size_t size, const codec::Info& info,
                         int windowWidth, int windowHeight, bool fit, std::uint32_t key,
                         bool keyed);

/// The same for a picture given as pixels (0xAARRGGBB, straight alpha, `stride` pixels
/// from row to row) of `width` x `height`: reduced as a coverage picture when
/// ShowDecodeBox is smaller (the pixels of exactly `key`'s colour covering nothing), else
/// a plain copy. Empty when there are no pixels or no memory.
Raster ReduceShowPicture(const std::uint32_t* pixels, int width, int height, std::size_t stride,
                         int windowWidth, int windowHeight, bool fit, std::uint32_t key);

} // namespace show
