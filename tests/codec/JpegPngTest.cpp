// The JPEG and PNG decoders of the codec against Qt's own readers of the same bytes.

#include "codec/Codec.h"
#include "tests/codec/CodecFixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

using codec_test::Decode;
using codec_test::FirstDifference;
using codec_test::QtDecode;

/// A picture with gradients, sharp edges and half-transparent pixels.
QImage TestPicture(int w, int h, bool alpha) {
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         qRgba((x * 255) / w, (y * 255) / h, (x ^ y) & 0xFF,
                               alpha ? ((x + y) % 3) * 120 : 255));
    QPainter p(&img);
    p.fillRect(w / 4, h / 4, w / 3, h / 5, QColor(10, 200, 30, alpha ? 200 : 255));
    return img;
}

QByteArray Encode(const QImage& img, const char* format, int quality = -1,
                  bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(img));
    return bytes;
}

/// The pixels a sink collected, as a picture.
QImage ImageOf(const codec_test::CollectSink& sink) {
    QImage img(sink.width, sink.height, QImage::Format_ARGB32);
    for (int y = 0; y < sink.height; ++y)
        for (int x = 0; x < sink.width; ++x)
            img.setPixel(x, y, sink.At(x, y));
    return img;
}

} // namespace

TEST(CodecJpeg, DecodesLikeQtAtFullSizeWhateverTheEncoding) {
    struct Case {
        const char* name;
        QImage picture;
        bool progressive;
    };
    QImage grey = TestPicture(61, 37, false).convertToFormat(QImage::Format_Grayscale8);
    const Case cases[] = {
        {"colour, baseline", TestPicture(61, 37, false), false},
        {"colour, progressive", TestPicture(64, 48, false), true},
        {"grey", grey, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = Encode(c.picture, "jpeg", 85, c.progressive);
        const codec::Info info = codec::ReadInfo(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), size_t(bytes.size()));
        EXPECT_EQ(info.format, codec::Format::Jpeg);
        EXPECT_EQ(QSize(info.width, info.height), c.picture.size());
        const codec_test::Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete);
        EXPECT_TRUE(d.sink.EveryPixelOnce());
        EXPECT_EQ(FirstDifference(QtDecode(bytes), d.sink).toStdString(), "");
    }
}

TEST(CodecJpeg, DecodesAtTheSmallestScaleThatStillGivesTheSizeAskedFor) {
    const QImage picture = TestPicture(200, 120, false);
    const QByteArray bytes = Encode(picture, "jpeg", 95);
    struct Case {
        int minW, minH;
        QSize decoded;
    };
    const Case cases[] = {
        {0, 0, QSize(200, 120)}, {100, 60, QSize(100, 60)}, {101, 10, QSize(200, 120)},
        {50, 30, QSize(50, 30)}, {25, 15, QSize(25, 15)},   {1, 1, QSize(25, 15)},
        {26, 1, QSize(50, 30)},
    };
    const QImage full = QtDecode(bytes);
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(c.minW).arg(c.minH).toStdString());
        codec::Options o;
        o.minWidth = c.minW;
        o.minHeight = c.minH;
        const codec_test::Decoded d = Decode(bytes, o);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete);
        const QImage decoded = ImageOf(d.sink);
        EXPECT_EQ(decoded.size(), c.decoded);
        // A reduced decode is close to the full decode averaged over its blocks.
        const QImage averaged =
            full.scaled(c.decoded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double total = 0;
        int count = 0;
        for (int y = 2; y < c.decoded.height() - 2; ++y)
            for (int x = 2; x < c.decoded.width() - 2; ++x, ++count)
                total += std::abs(qGreen(decoded.pixel(x, y)) - qGreen(averaged.pixel(x, y)));
        EXPECT_LE(total / std::max(count, 1), 4.0);
    }
}

TEST(CodecJpeg, ACutFileIsDamagedWithEveryPixelAndGarbageFails) {
    const QByteArray bytes = Encode(TestPicture(64, 64, false), "jpeg", 90);
    for (int keep : {int(bytes.size()) - 2, int(bytes.size()) / 2, 700}) {
        SCOPED_TRACE(keep);
        const codec_test::Decoded d = Decode(bytes.left(keep));
        EXPECT_EQ(d.result.outcome, codec::Outcome::Damaged);
        EXPECT_TRUE(d.sink.EveryPixelOnce());
    }
    const QByteArray garbage = bytes.left(20) + QByteArray(300, '\x55');
    EXPECT_NE(Decode(garbage).result.outcome, codec::Outcome::Complete);
    // Declaring more pixels than a slide may have is refused before any pixel.
    codec::Options small;
    small.maxPixels = 64 * 63;
    const codec_test::Decoded refused = Decode(bytes, small);
    EXPECT_EQ(refused.result.outcome, codec::Outcome::Failed);
    EXPECT_EQ(refused.sink.begins, 0);
}

TEST(CodecPng, DecodesLikeQtAndInterlacedLikePlain) {
    const QImage opaque = TestPicture(23, 17, false);
    const QImage alpha = TestPicture(23, 17, true);
    struct Case {
        const char* name;
        QImage picture;
        bool transparent;
    };
    const Case cases[] = {
        {"RGB", opaque, false},
        {"RGBA", alpha, true},
        {"palette", opaque.convertToFormat(QImage::Format_Indexed8), false},
        {"grey", opaque.convertToFormat(QImage::Format_Grayscale8), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = Encode(c.picture, "png");
        const codec_test::Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete);
        EXPECT_EQ(d.result.transparent, c.transparent);
        EXPECT_TRUE(d.sink.EveryPixelOnce());
        EXPECT_EQ(FirstDifference(QtDecode(bytes), d.sink).toStdString(), "");
    }
}

TEST(CodecPng, InterlacedFilesComeInPassesWithEveryPixelOnce) {
    for (const char* name :
         {"grey4_trns_interlaced.png", "palette2_trns_interlaced.png", "rgba16_interlaced.png"}) {
        SCOPED_TRACE(name);
        QFile file(QStringLiteral(LSR_SOURCE_DIR "/fuzz/corpus/png_reader/") +
                   QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const codec_test::Decoded d = Decode(bytes);
        EXPECT_EQ(d.result.outcome, codec::Outcome::Complete);
        EXPECT_TRUE(d.sink.EveryPixelOnce());
        const QImage reference = QtDecode(bytes);
        const QImage decoded = ImageOf(d.sink);
        ASSERT_EQ(decoded.size(), reference.size());
        for (int y = 0; y < reference.height(); ++y)
            for (int x = 0; x < reference.width(); ++x) {
                // Qt gives fully transparent pixels no colour: compare premultiplied.
                // 16-bit samples may round one way or the other.
                const QRgb a = qPremultiply(decoded.pixel(x, y));
                const QRgb b = qPremultiply(reference.pixel(x, y));
                ASSERT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b)),
                          4)
                    << x << "," << y;
            }
        // Cut anywhere in its pixel data, it still brings every pixel once.
        for (int keep = int(bytes.size()) - 1; keep > 60; keep -= 37) {
            const codec_test::Decoded cut = Decode(bytes.left(keep));
            if (cut.result.outcome != codec::Outcome::Failed) {
                ASSERT_TRUE(cut.sink.EveryPixelOnce()) << keep;
            }
        }
    }
}
