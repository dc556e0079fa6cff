#pragma once
// One frame of the show computed on plain 32-bit pixels, free of any toolkit: the
// Windows player runtime draws its slides with it.

#include "slideshow/ShowArithmetic.h"

#include <cstdint>
#include <vector>

namespace show {

/// Pixels 0xAARRGGBB, row after row, top row first (in memory on a little-endian
/// machine: blue, green, red, alpha, as a 32-bit top-down device-independent bitmap).
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    /// A coverage picture: premultiplied pixels whose alpha is the share of the pixel the
    /// slide's picture covers, its see-through pixels already left out (a picture reduced
    /// while it was decoded). Otherwise a plain picture: straight alpha.
    bool coverage = false;
};

/// The stored colour 0x00BBGGRR as an opaque pixel 0xFFRRGGBB.
constexpr std::uint32_t PixelFromStored(std::uint32_t stored) {
    return 0xFF000000u | ((stored & 0xFFu) << 16) | (stored & 0xFF00u) | ((stored >> 16) & 0xFFu);
}

/// A window of `width` x `height` filled with `key` (0xFFRRGGBB) and `picture` drawn in
/// it where PlaceSlideBox puts it (`placed` receives that box), mirrored as `flipH` and
/// `flipV` say. Of a plain picture, with `keyed`, the pixels of exactly the key's red,
/// green and blue are left out; pixels with an alpha below one half always are. A
/// coverage picture's pixels are left out where they cover less than one half (`keyed`
/// plays no part: its key pixels cover nothing already); the others are drawn with their
/// colour taken out of the premultiplication.
///
/// A scaled picture is resampled (area average when it shrinks, bilinear when it grows)
/// with the left-out pixels as no coverage and cut at half coverage: a drawn pixel has
/// the colour of the picture's drawn pixels only, never a blend with the key.
Raster ComposeShowRaster(const Raster& picture, std::uint32_t key, bool keyed, int width,
                         int height, bool fit, bool flipH, bool flipV, Box* placed = nullptr);

/// The same for `picture` holding the slide's picture of `pictureWidth` x
/// `pictureHeight` pixels at a size of its own (reduced to where it is drawn): it is
/// placed as the slide's picture would be, and scaled into that box when its size differs.
Raster ComposeShowRaster(const Raster& picture, int pictureWidth, int pictureHeight,
                         std::uint32_t key, bool keyed, int width, int height, bool fit, bool flipH,
                         bool flipV, Box* placed = nullptr);

/// Where the pause sign of a window of `width` x `height` goes: a square plate near the
/// top-left corner, clear of the sizing border; an empty box when the window is too small
/// to hold it.
Box PauseSignBox(int width, int height);

/// Draws the pause sign (two light bars on a dark plate with a light rim) over `frame`
/// at PauseSignBox. Its colours are never `key` (0xFFRRGGBB), so every pixel of the sign
/// is visible and clickable however the slide is keyed.
void DrawPauseSign(Raster& frame, std::uint32_t key);

} // namespace show
