// Telling files that end before their picture does from complete ones, by their bytes.

#include "image/CutShort.h"
#include "tests/image/ImageFixtures.h"

#include <gtest/gtest.h>

namespace {

QImage Noise(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, seed >> 8);
        }
    return img;
}

/// The offset of the n-th (from 0) start-of-scan marker of a JPEG file, found by
/// following its segments (the scans' own data may hold any bytes).
int ScanOffset(const QByteArray& jpeg, int n) {
    int found = 0;
    for (int i = 2; i + 1 < jpeg.size(); ++i)
        if (quint8(jpeg[i]) == 0xFF && quint8(jpeg[i + 1]) == 0xDA && found++ == n)
            return i;
    return -1;
}

bool CutShort(const QByteArray& bytes) {
    return ImageDataCutShort(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

} // namespace

TEST(CutShort, JpegGifAndBmpFilesEndingEarly) {
    const QByteArray jpeg = Encode(Noise(64, 48), "jpeg", 90);
    const QByteArray progressive = Encode(Noise(64, 48), "jpeg", 90, false, true);
    ASSERT_GE(ScanOffset(progressive, 2), 0);
    // An application segment holding an end marker (as an embedded thumbnail does) comes
    // before the picture's own data.
    QByteArray thumb("\xFF\xE1\x00\x06\xFF\xD8\xFF\xD9", 8);
    const QByteArray withThumb = jpeg.left(2) + thumb + jpeg.mid(2);
    const QByteArray bmp = Encode(Noise(5, 3), "bmp", 90); // rows of 15 bytes padded to 16
    QByteArray topDown = bmp;
    topDown[22] = char(0xFD); // height -3
    topDown[23] = topDown[24] = topDown[25] = char(0xFF);
    QByteArray rle = MakeBmp32(2, 2, {0, 0, 0, 0});
    rle[28] = 8; // 8 bits per pixel, run-length coded: no length to compare with
    rle[30] = 1;
    const QVector<QRgb> palette = {qRgb(0, 0, 0), qRgb(250, 250, 0)};
    const QByteArray gif = MakeGif(100, 50, palette, {QByteArray(100 * 50, char(1))}, -1);
    const QByteArray animated =
        MakeGif(100, 50, palette, {QByteArray(100 * 50, char(1)), QByteArray(100 * 50, 0)}, 0);
    const QByteArray png = Encode(Noise(20, 20), "png", 90);

    const struct {
        const char* name;
        QByteArray bytes;
        bool cutShort;
    } rows[] = {
        {"JPEG, whole", jpeg, false},
        {"JPEG, half", jpeg.left(jpeg.size() / 2), true},
        {"JPEG without its end marker", jpeg.left(jpeg.size() - 2), true},
        {"JPEG cut inside its end marker", jpeg.left(jpeg.size() - 1), true},
        {"JPEG cut in its headers", jpeg.left(ScanOffset(jpeg, 0) - 10), true},
        {"JPEG with data after its end", jpeg + QByteArray("\xFF\xD8tail data", 11), false},
        {"JPEG with a thumbnail, whole", withThumb, false},
        {"JPEG with a thumbnail, half", withThumb.left(withThumb.size() / 2), true},
        {"progressive JPEG, whole", progressive, false},
        {"progressive JPEG, cut before its third scan",
         progressive.left(ScanOffset(progressive, 2)), true},
        {"BMP, whole", bmp, false},
        {"BMP, one byte short", bmp.left(bmp.size() - 1), true},
        {"BMP, only its headers", bmp.left(54), true},
        {"top-down BMP, whole", topDown, false},
        {"top-down BMP, one row short", topDown.left(topDown.size() - 16), true},
        {"run-length BMP, cut (not judged)", rle.left(60), false},
        {"GIF, whole", gif, false},
        {"GIF, half", gif.left(gif.size() / 2), true},
        {"GIF, only its colour table", gif.left(13 + 768), true},
        {"GIF without its trailer", gif.left(gif.size() - 1), false},
        {"GIF, second frame cut (the first is the picture)", animated.left(animated.size() - 900),
         false},
        {"PNG, half (not judged)", png.left(png.size() / 2), false},
        {"text", QByteArray("hello, world"), false},
        {"three bytes", QByteArray("\xFF\xD8\xFF", 3), false},
        {"empty", QByteArray(), false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CutShort(r.bytes), r.cutShort) << r.name;
    EXPECT_FALSE(ImageDataCutShort(nullptr, 10));
}
