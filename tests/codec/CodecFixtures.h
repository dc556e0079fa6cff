#pragma once
// Picture files for the codec tests, written at run time from small descriptions (BMP
// headers, palettes, masks and pixels; GIF screens, tables and images with their own LZW
// encoder; run-length BMP pixels with holes), a sink that records what a decoder hands
// over, and Qt's readers as the reference.

#include "codec/Codec.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace codec_test {

/// A BMP file as its fields say.
struct BmpFile {
    int width = 0;
    int height = 0; ///< negative: rows top first
    int bits = 8;
    std::uint32_t compression = 0;
    int header = 40; ///< 12 (core), 40, 52, 56, 108 or 124 bytes
    /// Palette entries written: blue, green, red and (not after a core header) the
    /// entry's fourth byte, taken from the colour's alpha.
    std::vector<std::uint32_t> palette;
    int colours = -1; ///< the colour count field; -1: the palette's length
    /// Red, green, blue and alpha masks: in the header of 52 bytes and more, after a
    /// 40-byte header when the compression is bit fields (3) or with alpha (6).
    std::array<std::uint32_t, 4> masks{};
    /// Pixels, top row first: palette indices, or packed values of 16, 24 or 32 bits.
    std::vector<std::uint32_t> pixels;
    QByteArray data; ///< the pixel data as written (run-length data); replaces `pixels`
    int offset = -1; ///< the pixel offset field; -1: where the pixels are written
    int gap = 0;     ///< bytes between the palette and the pixels
};
QByteArray MakeBmp(const BmpFile& file);
/// Where the pixel data of a file made by MakeBmp starts when `gap` is 0.
int BmpPixelsAt(const BmpFile& file);

/// Run-length data (8 or 4 bits per pixel) of palette indices given top row first; -1
/// marks a hole, a pixel the data skips with a jump, an end of line or the end of the
/// picture. Rows are written in file order (bottom first unless `topDown`); `literal`
/// writes runs of three or more differing pixels as literal runs.
QByteArray EncodeRle(const std::vector<int>& indices, int width, int height, bool fourBits,
                     bool topDown = false, bool literal = true);

/// GIF image data: LZW codes of `indices` for a minimum code size, before they are cut
/// into sub-blocks. Without `clearWhenFull` a full table is kept (codes stay 12 bits).
QByteArray EncodeLzw(const std::vector<int>& indices, int codeSize, bool clearWhenFull = true);
/// LZW codes given one by one with their widths, packed least significant bit first.
QByteArray PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);

struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint32_t> local; ///< a local colour table when not empty
    int localBits = 0;                ///< the local table has 1 << localBits entries
    int transparent = -1;    ///< a graphic control before the image marks this index (-1: none)
    bool control = false;    ///< a graphic control without a transparent index
    std::vector<int> pixels; ///< width x height indices, rows top first
    int codeSize = 2;
    QByteArray data;      ///< the image data (LZW codes) instead of the pixels' encoding
    bool hasData = false; ///< `data` is written even when empty
    bool keepFullTable = false;
};

struct GifFile {
    int width = 0, height = 0;
    std::vector<std::uint32_t> global; ///< the global colour table when not empty
    int globalBits = 0;                ///< it has 1 << globalBits entries
    int background = 0;
    QByteArray version = "89a";
    QByteArray beforeImages; ///< blocks written before the first image's control
    std::vector<GifImage> images;
    bool trailer = true;
};
QByteArray MakeGif(const GifFile& file);

/// Records what a decoder hands over: the size, every pixel, how often each came.
class CollectSink : public codec::RowSink {
public:
    explicit CollectSink(bool accept = true) : m_accept(accept) {}
    bool Begin(int width, int height) override;
    void Row(int y, const std::uint32_t* row, int x0, int step) override;

    int begins = 0;
    int rowCalls = 0;
    int width = 0, height = 0;
    int widestCall = 0;   ///< the most pixels one call handed over
    bool badCall = false; ///< a row or column outside the picture, or a step below 1
    std::vector<std::uint32_t> pixels;
    std::vector<int> counts;

    bool EveryPixelOnce() const;
    std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }

private:
    bool m_accept;
};

struct Decoded {
    codec::Result result;
    CollectSink sink;
};
Decoded Decode(const QByteArray& bytes, const codec::Options& options = {});

/// Qt's reading of the bytes as 0xAARRGGBB pixels (Format_ARGB32); null when Qt refuses.
QImage QtDecode(const QByteArray& bytes);
/// The size QImageReader reports before reading.
QSize QtSize(const QByteArray& bytes);

/// The first pixel where `sink` differs from `expected` (skipping pixels `skip` names),
/// as "(x, y) 0x... != 0x..."; empty when they agree and the sizes match.
template <typename Skip>
QString FirstDifference(const QImage& expected, const CollectSink& sink, Skip skip) {
    if (expected.width() != sink.width || expected.height() != sink.height)
        return QStringLiteral("size %1 x %2 != %3 x %4")
            .arg(sink.width)
            .arg(sink.height)
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < sink.height; ++y)
        for (int x = 0; x < sink.width; ++x) {
            const std::uint32_t want = expected.pixel(x, y);
            if (!skip(x, y) && sink.At(x, y) != want)
                return QStringLiteral("(%1, %2) %3 != %4")
                    .arg(x)
                    .arg(y)
                    .arg(sink.At(x, y), 8, 16, QLatin1Char('0'))
                    .arg(want, 8, 16, QLatin1Char('0'));
        }
    return {};
}
inline QString FirstDifference(const QImage& expected, const CollectSink& sink) {
    return FirstDifference(expected, sink, [](int, int) { return false; });
}

} // namespace codec_test
