#include "slideshow/ShowPicture.h"

#include "codec/Reducer.h"

#include <algorithm>
#include <new>

namespace show {

namespace {

/// Keeps a picture whole, as the decoder hands it over: straight alpha. Refuses any
/// other size than the one expected, so nothing larger than that is ever allocated.
class WholeSink : public codec::RowSink {
public:
    WholeSink(int width, int height) : m_width(width), m_height(height) {}
    bool Begin(int width, int height) override {
        if (width != m_width || height != m_height)
            return false;
        try {
            m_raster.pixels.assign(size_t(width) * size_t(height), 0u);
        } catch (const std::bad_alloc&) {
            return false;
        }
        m_raster.width = width;
        m_raster.height = height;
        return true;
    }
    void Row(int y, const std::uint32_t* row, int x0, int step) override {
        if (y < 0 || y >= m_height || x0 < 0 || step <= 0)
            return;
        std::uint32_t* line = &m_raster.pixels[size_t(y) * size_t(m_width)];
        for (int x = x0; x < m_width; x += step)
            line[x] = row[x];
    }
    Raster Take() { return std::move(m_raster); }

private:
    int m_width, m_height;
    Raster m_raster;
};

/// Whether a decoding gave a picture the show draws.
bool Shown(codec::Format format, const codec::Result& result) {
    // A PNG that breaks off is no picture, as in the Qt program.
    return result.outcome == codec::Outcome::Complete ||
           (result.outcome == codec::Outcome::Damaged && format != codec::Format::Png);
}

} // namespace

Box ShowDecodeBox(const codec::Info& info, int windowWidth, int windowHeight, bool fit) {
    if (info.width <= 0 || info.height <= 0)
        return Box{};
    const Box placed = PlaceSlideBox(info.width, info.height, windowWidth, windowHeight, fit);
    // Never larger than the picture on either axis, and at least one pixel: a box that
    // the truncation of a very thin picture's side emptied still decodes the picture,
    // one pixel across, rather than whole.
    return Box{0, 0, std::clamp(placed.width, 1, info.width),
               std::clamp(placed.height, 1, info.height)};
}

Raster DecodeShowPicture(const std::uint8_t* bytes, std::size_t size, const codec::Info& info,
                         int windowWidth, int windowHeight, bool fit, std::uint32_t key,
                         bool keyed) {
    if (!bytes || size == 0 || info.width <= 0 || info.height <= 0 || !codec::Decodes(info.format))
        return Raster();
    const Box box = ShowDecodeBox(info, windowWidth, windowHeight, fit);
    try {
        if (box.width == info.width && box.height == info.height) {
            WholeSink sink(info.width, info.height);
            const codec::Result result = codec::Decode(bytes, size, sink);
            return Shown(info.format, result) ? sink.Take() : Raster();
        }
        codec::Reducer reducer(box.width, box.height,
                               codec::Coverage{true, true, key & 0x00FFFFFFu});
        codec::Options options;
        if (!keyed && info.format == codec::Format::Jpeg) {
            options.minWidth = box.width;
            options.minHeight = box.height;
        }
        const codec::Result result = codec::Decode(bytes, size, reducer, options);
        // Pixels that came at a smaller size than the header declared are not the
        // picture placed.
        if (!Shown(info.format, result) || reducer.width() != box.width ||
            reducer.height() != box.height)
            return Raster();
        Raster out;
        out.pixels = reducer.Take();
        out.width = box.width;
        out.height = box.height;
        out.coverage = true;
        return out;
    } catch (const std::bad_alloc&) {
        return Raster();
    }
}

Raster ReduceShowPicture(const std::uint32_t* pixels, int width, int height, std::size_t stride,
                         int windowWidth, int windowHeight, bool fit, std::uint32_t key) {
    if (!pixels || width <= 0 || height <= 0 || stride < size_t(width))
        return Raster();
    const Box box = ShowDecodeBox(codec::Info{codec::Format::Unknown, width, height}, windowWidth,
                                  windowHeight, fit);
    try {
        Raster out;
        if (box.width == width && box.height == height) {
            out.pixels.resize(size_t(width) * size_t(height));
            for (int y = 0; y < height; ++y)
                std::copy(pixels + size_t(y) * stride, pixels + size_t(y) * stride + size_t(width),
                          out.pixels.begin() + std::ptrdiff_t(size_t(y) * size_t(width)));
            out.width = width;
            out.height = height;
            return out;
        }
        codec::Reducer reducer(box.width, box.height,
                               codec::Coverage{true, true, key & 0x00FFFFFFu});
        if (!reducer.Begin(width, height))
            return Raster();
        for (int y = 0; y < height; ++y)
            reducer.Row(y, pixels + size_t(y) * stride, 0, 1);
        out.pixels = reducer.Take();
        out.width = reducer.width();
        out.height = reducer.height();
        out.coverage = true;
        return out;
    } catch (const std::bad_alloc&) {
        return Raster();
    }
}

} // namespace show
