// Feeds arbitrary bytes to the picture decoders of codec/ (BMP, GIF, and JPEG and PNG
// where they are built): the header reader, a decoding into a sink that checks each
// pixel comes once, and a decoding into a reducer. Nothing may crash, hang or leak; a
// BMP or GIF refused gives no pixel, and one decoded gives every pixel once at the size
// its header declares.

#include "codec/Codec.h"
#include "codec/Reducer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

/// Pictures are refused above this, so each input stays cheap (a few bytes can declare
/// a screen of any size; the tests take the decoders through 100 megapixels).
constexpr std::int64_t kMaxPixels = 1 << 16;

class CheckingSink : public codec::RowSink {
public:
    bool Begin(int width, int height) override {
        if (begun || width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels)
            __builtin_trap(); // a second start, no pixels, or more than allowed
        begun = true;
        m_width = width;
        m_height = height;
        m_seen.assign(std::size_t(width) * std::size_t(height), false);
        return true;
    }
    void Row(int y, const std::uint32_t* row, int x0, int step) override {
        if (!begun || y < 0 || y >= m_height || x0 < 0 || step < 1 || !row)
            __builtin_trap(); // a row before the start or outside the picture
        ++rows;
        std::uint32_t mix = 0;
        for (int x = x0; x < m_width; x += step) {
            auto seen = m_seen[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
            if (seen)
                __builtin_trap(); // a pixel handed over twice
            seen = true;
            mix ^= row[x]; // every pixel handed over is read
        }
        m_mix = m_mix ^ mix;
    }
    bool EveryPixel() const {
        for (bool b : m_seen)
            if (!b)
                return false;
        return begun;
    }

    bool begun = false;
    int rows = 0;
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<bool> m_seen;
    volatile std::uint32_t m_mix = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const codec::Info info = codec::ReadInfo(data, size);
    const bool ours = info.format == codec::Format::Bmp || info.format == codec::Format::Gif;
    codec::Options options;
    options.maxPixels = kMaxPixels;

    CheckingSink sink;
    const codec::Result result = codec::Decode(data, size, sink, options);
    if (result.outcome == codec::Outcome::Complete && !result.error.empty())
        __builtin_trap(); // a complete picture has no complaint
    if (result.outcome == codec::Outcome::Damaged && result.error.empty())
        __builtin_trap(); // damage is explained
    if (result.outcome != codec::Outcome::Failed && !sink.EveryPixel())
        __builtin_trap(); // a decoded picture misses pixels
    if (ours && result.outcome == codec::Outcome::Failed && (sink.begun || sink.rows))
        __builtin_trap(); // BMP and GIF refuse before any pixel
    if (ours && sink.begun && (sink.width() != info.width || sink.height() != info.height))
        __builtin_trap(); // the header declared another size

    codec::Reducer reducer(17, 9, codec::Coverage{true, true, 0x00FF00FF});
    if (codec::Decode(data, size, reducer, options).outcome != codec::Outcome::Failed) {
        const std::vector<std::uint32_t> reduced = reducer.Take();
        if (reduced.size() != std::size_t(reducer.width()) * std::size_t(reducer.height()))
            __builtin_trap(); // the reduced picture has another size than it says
    }
    return 0;
}
