#include "slideshow/ShowRaster.h"

#include <algorithm>
#include <cmath>

namespace show {

namespace {

/// One source pixel's share in a destination pixel along one axis.
struct Tap {
    int index;
    float weight;
};

/// For each of `to` destination pixels, the source pixels among `from` it is made of,
/// with weights adding up to 1: the overlapped area when shrinking (or keeping the
/// size), the two nearest centres when growing.
std::vector<std::vector<Tap>> Taps(int from, int to) {
    std::vector<std::vector<Tap>> taps(size_t(std::max(to, 0)));
    const double scale = double(from) / double(to);
    for (int d = 0; d < to; ++d) {
        std::vector<Tap>& t = taps[size_t(d)];
        if (from >= to) {
            const double a = d * scale;
            const double b = (d + 1) * scale;
            for (int s = int(std::floor(a)); s < int(std::ceil(b)) && s < from; ++s) {
                const double w = std::min<double>(b, s + 1) - std::max<double>(a, s);
                if (w > 1e-9)
                    t.push_back(Tap{s, float(w / scale)});
            }
        } else {
            const double c = (d + 0.5) * scale - 0.5;
            const int s0 = int(std::floor(c));
            const float f = float(c - s0);
            const int lo = std::clamp(s0, 0, from - 1);
            const int hi = std::clamp(s0 + 1, 0, from - 1);
            if (lo == hi) {
                t.push_back(Tap{lo, 1.0f});
            } else {
                t.push_back(Tap{lo, 1.0f - f});
                t.push_back(Tap{hi, f});
            }
        }
    }
    return taps;
}

} // namespace

Raster ComposeShowRaster(const Raster& picture, std::uint32_t key, bool keyed, int width,
                         int height, bool fit, bool flipH, bool flipV, Box* placed) {
    return ComposeShowRaster(picture, picture.width, picture.height, key, keyed, width, height, fit,
                             flipH, flipV, placed);
}

Raster ComposeShowRaster(const Raster& picture, int pictureWidth, int pictureHeight,
                         std::uint32_t key, bool keyed, int width, int height, bool fit, bool flipH,
                         bool flipV, Box* placed) {
    Raster out;
    out.width = std::max(width, 0);
    out.height = std::max(height, 0);
    key |= 0xFF000000u;
    out.pixels.assign(size_t(out.width) * size_t(out.height), key);
    const Box box = PlaceSlideBox(pictureWidth, pictureHeight, out.width, out.height, fit);
    if (placed)
        *placed = box;
    if (box.width <= 0 || box.height <= 0 || picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() < size_t(picture.width) * size_t(picture.height))
        return out;

    // How much of each source pixel is drawn, 0 to 1: a plain picture's pixels whole or
    // not at all, a coverage picture's as much as their alpha says. The colour channels
    // are summed as stored (a coverage picture's premultiplied), so that their sum over
    // the summed coverage is the drawn colour.
    const bool coverage = picture.coverage;
    const auto share = [&](std::uint32_t p) -> float {
        if (coverage)
            return float(p >> 24) / 255.0f;
        return (p >> 24) >= 0x80u && !(keyed && ((p ^ key) & 0x00FFFFFFu) == 0) ? 1.0f : 0.0f;
    };
    const auto channel = [](float v, float cover) {
        return std::uint32_t(std::clamp(std::lround(v / cover), 0L, 255L));
    };
    // One source pixel for each drawn one: copied as it is, or left out.
    const auto copy = [&](std::uint32_t p, std::uint32_t& target) {
        const float a = share(p);
        if (a < 0.5f)
            return;
        if (a == 1.0f)
            target = p | 0xFF000000u;
        else
            target = 0xFF000000u | (channel(float((p >> 16) & 0xFFu), a) << 16) |
                     (channel(float((p >> 8) & 0xFFu), a) << 8) | channel(float(p & 0xFFu), a);
    };
    if (box.width == picture.width && box.height == picture.height) {
        // Drawn at its size: row by row, without resampling.
        for (int y = 0; y < box.height; ++y) {
            const int oy = box.top + y;
            if (oy < 0 || oy >= out.height)
                continue;
            const std::uint32_t* line =
                &picture.pixels[size_t(flipV ? picture.height - 1 - y : y) * size_t(picture.width)];
            std::uint32_t* target = &out.pixels[size_t(oy) * size_t(out.width)];
            const int x0 = std::max(0, -box.left);
            const int x1 = std::min(box.width, out.width - box.left);
            for (int x = x0; x < x1; ++x)
                copy(line[flipH ? picture.width - 1 - x : x], target[box.left + x]);
        }
        return out;
    }
    // Mirrored by reading the picture mirrored: a flipped frame is exactly the frame of
    // the mirrored picture.
    auto columns = Taps(picture.width, box.width);
    auto rows = Taps(picture.height, box.height);
    if (flipH)
        for (std::vector<Tap>& taps : columns)
            for (Tap& t : taps)
                t.index = picture.width - 1 - t.index;
    if (flipV)
        for (std::vector<Tap>& taps : rows)
            for (Tap& t : taps)
                t.index = picture.height - 1 - t.index;
    for (int y = 0; y < box.height; ++y) {
        const int oy = box.top + y;
        if (oy < 0 || oy >= out.height)
            continue;
        const std::vector<Tap>& ry = rows[size_t(y)];
        for (int x = 0; x < box.width; ++x) {
            const int ox = box.left + x;
            if (ox < 0 || ox >= out.width)
                continue;
            const std::vector<Tap>& rx = columns[size_t(x)];
            std::uint32_t& target = out.pixels[size_t(oy) * size_t(out.width) + size_t(ox)];
            if (ry.size() == 1 && rx.size() == 1) {
                copy(picture
                         .pixels[size_t(ry[0].index) * size_t(picture.width) + size_t(rx[0].index)],
                     target);
                continue;
            }
            float cover = 0, r = 0, g = 0, b = 0;
            for (const Tap& ty : ry) {
                const std::uint32_t* line =
                    &picture.pixels[size_t(ty.index) * size_t(picture.width)];
                for (const Tap& tx : rx) {
                    const std::uint32_t p = line[tx.index];
                    const float a = share(p);
                    if (a == 0.0f)
                        continue;
                    const float w = ty.weight * tx.weight;
                    cover += w * a;
                    r += w * float((p >> 16) & 0xFFu);
                    g += w * float((p >> 8) & 0xFFu);
                    b += w * float(p & 0xFFu);
                }
            }
            if (cover < 0.5f)
                continue;
            target = 0xFF000000u | (channel(r, cover) << 16) | (channel(g, cover) << 8) |
                     channel(b, cover);
        }
    }
    return out;
}

Box PauseSignBox(int width, int height) {
    // The plate grows with the window, from 24 to 48 pixels, and keeps clear of the
    // sizing border and the window's edges.
    const int inset = 12;
    const int side = std::min(48, std::max(24, std::min(width, height) / 10));
    if (width < side + 2 * inset || height < side + 2 * inset)
        return Box{};
    return Box{inset, inset, side, side};
}

void DrawPauseSign(Raster& frame, std::uint32_t key) {
    const Box plate = PauseSignBox(frame.width, frame.height);
    if (plate.width <= 0 ||
        frame.pixels.size() < size_t(frame.width) * size_t(std::max(frame.height, 0)))
        return;
    // A colour one step away from the key where it would be the key itself.
    const auto avoidKey = [key](std::uint32_t c) {
        return (c & 0x00FFFFFFu) == (key & 0x00FFFFFFu) ? (c ^ 0x00010101u) : c;
    };
    const std::uint32_t dark = avoidKey(0xFF303030u);
    const std::uint32_t light = avoidKey(0xFFF0F0F0u);
    const int side = plate.width;
    const int barWidth = std::max(3, side / 6);
    const int barHeight = side / 2;
    const int gap = std::max(3, side / 8);
    const int barsLeft = (side - 2 * barWidth - gap) / 2;
    const int barsTop = (side - barHeight) / 2;
    const auto inBar = [&](int x, int y) {
        if (y < barsTop || y >= barsTop + barHeight)
            return false;
        const int bx = x - barsLeft;
        return (bx >= 0 && bx < barWidth) || (bx >= barWidth + gap && bx < 2 * barWidth + gap);
    };
    for (int y = 0; y < side; ++y) {
        std::uint32_t* row = frame.pixels.data() + size_t(plate.top + y) * size_t(frame.width);
        for (int x = 0; x < side; ++x) {
            const bool rim = x == 0 || y == 0 || x == side - 1 || y == side - 1;
            row[plate.left + x] = rim || inBar(x, y) ? light : dark;
        }
    }
}

} // namespace show
