// The PNG decoder against pictures written here with libpng, of the awkward kinds:
// 16-bit samples with a transparent colour, grey below 8 bits, palettes with alpha
// values, interlacing. The expected pixels are computed by hand from the samples
// written, never by the decoder.

#include "document/Picture.h"
#include "document/PngDecoder.h"
#include "image/ImageImport.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <csetjmp>
#include <gtest/gtest.h>
#include <optional>
#include <png.h>
#include <vector>

namespace {

/// A picture to write: its header and its samples at the file's own bit depth, row by
/// row, pixel by pixel, channel by channel (palette pictures: one index per pixel).
struct PngFixture {
    int width = 0;
    int height = 0;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<int> samples;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;      // the palette's tRNS values
    std::optional<png_color_16> transparent; // the grey or RGB tRNS colour
    std::optional<png_color_16> background;
    int compression = 6;
};

int Channels(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

int Sample(const PngFixture& s, int x, int y, int c) {
    return s.samples[size_t((y * s.width + x) * Channels(s.colourType) + c)];
}

void SetPixel(PngFixture& s, int x, int y, std::initializer_list<int> values) {
    int c = 0;
    for (int v : values)
        s.samples[size_t((y * s.width + x) * Channels(s.colourType) + c++)] = v;
}

/// Samples of a pattern that reaches every bit of the depth.
std::vector<int> Pattern(int width, int height, int channels, int depth) {
    std::vector<int> v;
    const unsigned mask = (1u << depth) - 1;
    for (int i = 0; i < width * height * channels; ++i)
        v.push_back(int((unsigned(i) * 2654435761u >> 7) & mask));
    return v;
}

void AppendBytes(png_structp png, png_bytep data, size_t count) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(count));
}

void NoFlush(png_structp) {}

/// The file's row bytes before filtering: samples packed from the top bit (below 8 bits),
/// or most significant byte first (16 bits).
std::vector<png_byte> PackRows(const PngFixture& s) {
    const int channels = Channels(s.colourType);
    const size_t rowBytes = (size_t(s.width) * channels * s.depth + 7) / 8;
    std::vector<png_byte> out(rowBytes * size_t(s.height), 0);
    for (int y = 0; y < s.height; ++y) {
        png_byte* row = out.data() + rowBytes * size_t(y);
        for (int i = 0; i < s.width * channels; ++i) {
            const int v = s.samples[size_t(y * s.width * channels + i)];
            if (s.depth == 16) {
                row[2 * i] = png_byte(v >> 8);
                row[2 * i + 1] = png_byte(v);
            } else if (s.depth == 8) {
                row[i] = png_byte(v);
            } else {
                const int bit = i * s.depth;
                row[bit / 8] |= png_byte(v << (8 - s.depth - bit % 8));
            }
        }
    }
    return out;
}

/// Writes the picture with libpng; empty when libpng refuses it.
QByteArray WritePng(const PngFixture& s) {
    std::vector<png_byte> pixels = PackRows(s);
    std::vector<png_bytep> rows;
    for (int y = 0; y < s.height; ++y)
        rows.push_back(pixels.data() + pixels.size() / size_t(s.height) * size_t(y));
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_compression_level(png, s.compression);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.transparent)
        png_set_tRNS(png, info, nullptr, 0, &*s.transparent);
    if (s.background)
        png_set_bKGD(png, info, &*s.background);
    png_write_info(png, info);
    if (s.interlaced)
        png_set_interlace_handling(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

/// A sample reduced to 8 bits: 16-bit values to the nearest of the 255 steps
/// (round(v / 257)), small grey values spread over 0..255.
int To8(int v, int depth) {
    if (depth == 16)
        return (2 * v + 257) / 514;
    return v * 255 / ((1 << depth) - 1);
}

/// The pixel the file describes at (x, y), as 0xAARRGGBB.
QRgb ExpectedPixel(const PngFixture& s, int x, int y) {
    const auto at = [&](int c) { return Sample(s, x, y, c); };
    const auto v8 = [&](int c) { return To8(at(c), s.depth); };
    switch (s.colourType) {
    case PNG_COLOR_TYPE_GRAY: {
        const bool clear = s.transparent && at(0) == s.transparent->gray;
        return qRgba(v8(0), v8(0), v8(0), clear ? 0 : 255);
    }
    case PNG_COLOR_TYPE_RGB: {
        const bool clear = s.transparent && at(0) == s.transparent->red &&
                           at(1) == s.transparent->green && at(2) == s.transparent->blue;
        return qRgba(v8(0), v8(1), v8(2), clear ? 0 : 255);
    }
    case PNG_COLOR_TYPE_PALETTE: {
        // An index beyond the palette stands for opaque black.
        const size_t i = size_t(at(0));
        const png_color c = i < s.palette.size() ? s.palette[i] : png_color{0, 0, 0};
        return qRgba(c.red, c.green, c.blue, i < s.paletteAlpha.size() ? s.paletteAlpha[i] : 255);
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return qRgba(v8(0), v8(0), v8(0), v8(1));
    default:
        return qRgba(v8(0), v8(1), v8(2), v8(3));
    }
}

bool DeclaresTransparency(const PngFixture& s) {
    bool any = (s.colourType & PNG_COLOR_MASK_ALPHA) || s.transparent;
    for (png_byte a : s.paletteAlpha)
        any = any || a != 255;
    return any;
}

png_color_16 Colour16(int r, int g, int b) {
    png_color_16 c{};
    c.red = png_uint_16(r);
    c.green = png_uint_16(g);
    c.blue = png_uint_16(b);
    return c;
}

png_color_16 Grey16(int g) {
    png_color_16 c{};
    c.gray = png_uint_16(g);
    return c;
}

PngFixture Fixture(int width, int height, int depth, int colourType, bool interlaced = false) {
    PngFixture s;
    s.width = width;
    s.height = height;
    s.depth = depth;
    s.colourType = colourType;
    s.interlaced = interlaced;
    s.samples = Pattern(width, height, Channels(colourType), depth);
    return s;
}

struct DecodeCase {
    const char* name;
    PngFixture fixture;
    KeyColor key;     // the transparent colour an import chooses, worked out by hand
    QByteArray bytes; // the file
};

/// The fixture's file built byte by byte, for contents libpng's writer refuses to write.
QByteArray AssemblePng(const PngFixture& s) {
    const std::vector<png_byte> packed = PackRows(s);
    const size_t rowBytes = packed.size() / size_t(s.height);
    QByteArray rows;
    for (int y = 0; y < s.height; ++y) {
        rows.append(char(0)); // filter: none
        rows.append(reinterpret_cast<const char*>(packed.data() + rowBytes * size_t(y)),
                    qsizetype(rowBytes));
    }
    QByteArray plte;
    for (const png_color& c : s.palette)
        plte.append(char(c.red)).append(char(c.green)).append(char(c.blue));
    return MakePng(s.width, s.height, s.depth, s.colourType, {{"PLTE", plte}}, rows);
}

std::vector<DecodeCase> Cases() {
    std::vector<DecodeCase> v;
    const auto add = [&v](const char* name, const PngFixture& s, KeyColor key) {
        v.push_back({name, s, key, WritePng(s)});
    };
    {
        // 16-bit RGB with a transparent colour. (4, 0) differs from it only in the low
        // byte of red: the same colour after rounding, yet opaque.
        PngFixture s = Fixture(6, 4, 16, PNG_COLOR_TYPE_RGB);
        s.transparent = Colour16(0x1234, 0x5678, 0x9ABC);
        SetPixel(s, 2, 1, {0x1234, 0x5678, 0x9ABC});
        SetPixel(s, 5, 3, {0x1234, 0x5678, 0x9ABC});
        SetPixel(s, 4, 0, {0x1235, 0x5678, 0x9ABC});
        // round(0x1234 / 257) = 18, round(0x5678 / 257) = 86, round(0x9ABC / 257) = 154.
        add("16-bit RGB, transparent colour", s, qRgb(0x12, 0x56, 0x9A));
    }
    {
        PngFixture s = Fixture(5, 3, 16, PNG_COLOR_TYPE_GRAY);
        s.transparent = Grey16(0x8000);
        SetPixel(s, 0, 0, {0x8001}); // rounds to 128 too, but is not the transparent grey
        SetPixel(s, 3, 1, {0x8000});
        add("16-bit grey, transparent grey", s, qRgb(128, 128, 128));
    }
    {
        PngFixture s = Fixture(7, 3, 4, PNG_COLOR_TYPE_GRAY);
        s.transparent = Grey16(5);
        SetPixel(s, 6, 0, {5});
        add("4-bit grey, transparent grey", s, qRgb(85, 85, 85)); // 5 * 17
    }
    {
        // The key is the first palette entry that is not opaque (1), not the colour of
        // the first fully transparent pixel (entry 2).
        PngFixture s = Fixture(5, 4, 8, PNG_COLOR_TYPE_PALETTE);
        s.palette = {{200, 0, 0}, {10, 200, 30}, {0, 0, 255}, {250, 250, 250}};
        s.paletteAlpha = {255, 128, 0};
        for (int i = 0; i < 20; ++i)
            s.samples[size_t(i)] = (i * 3 + i / 5) % 4;
        add("8-bit palette with alpha values", s, qRgb(10, 200, 30));
    }
    {
        PngFixture s = Fixture(4, 4, 2, PNG_COLOR_TYPE_PALETTE, true);
        s.palette = {{1, 2, 3}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
        s.paletteAlpha = {0};
        SetPixel(s, 1, 1, {0});
        add("2-bit palette, interlaced", s, qRgb(1, 2, 3));
    }
    {
        PngFixture s = Fixture(5, 3, 8, PNG_COLOR_TYPE_RGB_ALPHA);
        SetPixel(s, 1, 1, {9, 8, 7, 0});
        s.background = Colour16(0x20, 0x40, 0x60);
        add("8-bit RGBA with a background colour", s, qRgb(0x20, 0x40, 0x60));
    }
    {
        PngFixture s = Fixture(4, 3, 16, PNG_COLOR_TYPE_RGB_ALPHA);
        SetPixel(s, 2, 0, {0x0101, 0x7F80, 0xFFFF, 0});
        SetPixel(s, 3, 0, {0x0101, 0x7F80, 0xFFFF, 0x00FF}); // alpha rounds to 1
        add("16-bit RGBA, no background: white", s, qRgb(255, 255, 255));
    }
    {
        PngFixture s = Fixture(11, 9, 8, PNG_COLOR_TYPE_RGB, true);
        s.transparent = Colour16(1, 2, 3);
        SetPixel(s, 7, 2, {1, 2, 3});
        SetPixel(s, 3, 5, {1, 2, 3});
        add("8-bit RGB interlaced, transparent colour", s, qRgb(1, 2, 3));
    }
    {
        PngFixture s = Fixture(9, 9, 16, PNG_COLOR_TYPE_GRAY_ALPHA, true);
        SetPixel(s, 4, 4, {0xFFFF, 0});
        add("16-bit grey and alpha, interlaced", s, qRgb(255, 255, 255));
    }
    add("8-bit grey, opaque", Fixture(6, 2, 8, PNG_COLOR_TYPE_GRAY), std::nullopt);
    {
        PngFixture s = Fixture(8, 2, 4, PNG_COLOR_TYPE_PALETTE);
        s.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
        SetPixel(s, 0, 0, {15});
        // libpng does not write such a file: it is put together byte by byte.
        v.push_back({"4-bit palette, indices beyond the palette", s, std::nullopt, AssemblePng(s)});
    }
    return v;
}

/// The rows of `image` against the picture the fixture describes: the number of rows
/// from the top that match exactly.
int MatchingRows(const QImage& image, const PngFixture& s) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (PixelAt(image, x, y) != ExpectedPixel(s, x, y))
                return y;
    return s.height;
}

using PngDecode = ImageFolderTest;

} // namespace

TEST_F(PngDecode, PixelsAndKeysMatchTheFile) {
    TestPrompts tp;
    for (const DecodeCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const PngFixture& s = c.fixture;
        const QByteArray& bytes = c.bytes;
        ASSERT_FALSE(bytes.isEmpty());

        const PngImage png = DecodePng(bytes);
        ASSERT_FALSE(png.image.isNull()) << png.error.toStdString();
        EXPECT_FALSE(png.damaged);
        EXPECT_TRUE(png.error.isEmpty());
        EXPECT_EQ(png.image.format(), QImage::Format_ARGB32);
        EXPECT_EQ(png.transparent, DeclaresTransparency(s));
        ASSERT_EQ(png.image.size(), QSize(s.width, s.height));
        EXPECT_EQ(MatchingRows(png.image, s), s.height);

        // The same pixels from a device, and in a document's picture.
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        EXPECT_EQ(DecodePng(device).image, png.image);
        const PicturePtr picture = Picture::fromBytes(bytes);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->image().format(),
                  png.transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        EXPECT_EQ(MatchingRows(picture->image(), s), s.height);
        EXPECT_EQ(picture->sourceBytes(), bytes);

        const ImportResult r = ImportImageFile(file(QStringLiteral("a.png"), bytes), "png");
        ASSERT_TRUE(r.ok && r.picture);
        EXPECT_EQ(r.key, c.key);
        EXPECT_EQ(QSize(r.width, r.height), QSize(s.width, s.height));
    }
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(PngDecode, DamagedFilesKeepTheRowsBeforeTheBreak) {
    TestPrompts tp;
    // Stored without compression, so a file cut at three quarters still holds about
    // three quarters of the rows.
    PngFixture s = Fixture(16, 64, 8, PNG_COLOR_TYPE_RGB);
    s.compression = 0;
    const QByteArray whole = WritePng(s);
    const QByteArray cut = whole.left(whole.size() * 3 / 4);
    const PngImage png = DecodePng(cut);
    ASSERT_FALSE(png.image.isNull());
    EXPECT_TRUE(png.damaged);
    EXPECT_FALSE(png.error.isEmpty());
    const int rows = MatchingRows(png.image, s);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, s.height);
    for (int y = rows; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            ASSERT_EQ(PixelAt(png.image, x, y), 0u) << x << "," << y;

    // Interlaced: the passes decoded fill some pixels, every other one is transparent black.
    PngFixture il = Fixture(32, 32, 8, PNG_COLOR_TYPE_RGB, true);
    il.compression = 0;
    const QByteArray ilWhole = WritePng(il);
    const PngImage ilPng = DecodePng(ilWhole.left(ilWhole.size() / 2));
    ASSERT_FALSE(ilPng.image.isNull());
    EXPECT_TRUE(ilPng.damaged);
    int decoded = 0;
    for (int y = 0; y < il.height; ++y)
        for (int x = 0; x < il.width; ++x) {
            const QRgb p = PixelAt(ilPng.image, x, y);
            if (p == ExpectedPixel(il, x, y))
                ++decoded;
            else
                ASSERT_EQ(p, 0u) << x << "," << y;
        }
    EXPECT_GT(decoded, 0);

    // Imports do not take damaged files; a damaged picture in a document has nothing
    // to show once its decoding has failed.
    const PicturePtr damaged = Picture::fromBytes(cut);
    ASSERT_TRUE(damaged); // its header reads
    EXPECT_TRUE(damaged->image().isNull());
    EXPECT_TRUE(damaged->failedToDecode());
    EXPECT_EQ(GetPictureSize(damaged), QSize(0, 0));
    EXPECT_FALSE(ImportImageFile(file(QStringLiteral("cut.png"), cut), "png").ok);

    // A file that lacks only its end chunk has every pixel: nothing is damaged.
    const PngImage noEnd = DecodePng(whole.left(whole.size() - 12));
    EXPECT_FALSE(noEnd.damaged);
    EXPECT_EQ(MatchingRows(noEnd.image, s), s.height);
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST(PngDecodeRefusal, HugeDeclaredSizesAndForeignBytesDecodeToNothing) {
    // Header-only files: the size is refused before any pixel memory is taken.
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"100000 x 100000", MakePng(100000, 100000, 8, 2, {}, QByteArray(1, '\0'))},
        {"one row over 100 megapixels", MakePng(10000, 10001, 1, 0, {}, QByteArray(1, '\0'))},
        {"not PNG", QByteArray("GIF89a\x01\x00\x01\x00", 10)},
        {"signature only", QByteArray("\x89PNG\r\n\x1a\n", 8)},
        {"empty", QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PngImage png = DecodePng(c.bytes);
        EXPECT_TRUE(png.image.isNull());
        EXPECT_FALSE(png.damaged);
        EXPECT_FALSE(png.error.isEmpty());
        EXPECT_TRUE(DecodePngImage(c.bytes).isNull());
        EXPECT_FALSE(Picture::fromBytes(c.bytes));
    }

    // The image readers' allocation limit holds for PNG pictures too.
    const QByteArray mega = WritePng(Fixture(1024, 1024, 1, PNG_COLOR_TYPE_GRAY));
    const int oldLimit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(3); // megabytes; the picture needs 4
    EXPECT_TRUE(DecodePng(mega).image.isNull());
    QImageReader::setAllocationLimit(4);
    EXPECT_FALSE(DecodePng(mega).image.isNull());
    QImageReader::setAllocationLimit(oldLimit);
}
