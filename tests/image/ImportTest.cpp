#include "base/Screen.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "image/JpegOrientation.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cmath>
#include <gtest/gtest.h>

#ifdef LSR_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace {

/// The JPEG quantisation tables of a file, 64 values each (8-bit tables only).
QList<QByteArray> QuantTables(const QByteArray& jpeg) {
    QList<QByteArray> tables;
    int pos = 2;
    while (pos + 4 <= jpeg.size() && quint8(jpeg[pos]) == 0xFF) {
        const int marker = quint8(jpeg[pos + 1]);
        const int len = (quint8(jpeg[pos + 2]) << 8) | quint8(jpeg[pos + 3]);
        if (marker == 0xDB) {
            for (int t = pos + 4; t + 65 <= pos + 2 + len; t += 65)
                tables << jpeg.mid(t + 1, 64);
        }
        if (marker == 0xDA)
            break;
        pos += 2 + len;
    }
    return tables;
}

bool IsQuality100(const QByteArray& jpeg) {
    const QList<QByteArray> tables = QuantTables(jpeg);
    if (tables.isEmpty())
        return false;
    for (const QByteArray& t : tables)
        if (t != QByteArray(64, char(1)))
            return false;
    return true;
}

double MeanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

/// A smooth, photo-like opaque image.
QImage Photo(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            p[x] = qRgb((x * 255) / w, (y * 255) / h, 128 + int(60 * std::sin((x + y) / 40.0)));
    }
    return img;
}

/// The JPEG file with an Exif segment (APP1) right after its start-of-image marker whose
/// first directory holds one entry, the orientation tag (0x0112, one SHORT) of `value`,
/// in the given byte order.
QByteArray WithOrientationTag(const QByteArray& jpeg, int value, bool littleEndian) {
    const auto u16 = [littleEndian](int v) {
        QByteArray two(2, '\0');
        two[littleEndian ? 1 : 0] = char(v >> 8);
        two[littleEndian ? 0 : 1] = char(v & 0xFF);
        return two;
    };
    const auto u32 = [&](int v) {
        return littleEndian ? u16(v & 0xFFFF) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xFFFF);
    };
    QByteArray tiff = littleEndian ? QByteArray("II") : QByteArray("MM");
    tiff += u16(42) + u32(8);                 // the first directory right after the header
    tiff += u16(1);                           // one entry:
    tiff += u16(0x0112) + u16(3) + u32(1);    //   orientation, SHORT, one value,
    tiff += u16(value) + QByteArray(2, '\0'); //   the value in the first half of the field
    tiff += u32(0);                           // no further directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = 2 + int(payload.size());
    const QByteArray segment =
        QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

/// The values of every orientation tag in the Exif segments of a JPEG file (read here on
/// its own, not through an image reader): the first directory's entries 0x0112.
QList<int> OrientationTags(const QByteArray& jpeg) {
    QList<int> values;
    const auto byte = [&jpeg](qsizetype i) { return i < jpeg.size() ? int(quint8(jpeg[i])) : 0; };
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && byte(pos) == 0xFF && byte(pos + 1) != 0xDA) {
        const int marker = byte(pos + 1);
        const qsizetype length = (byte(pos + 2) << 8) | byte(pos + 3);
        if (marker == 0xE1 && jpeg.mid(pos + 4, 6) == QByteArray("Exif\0\0", 6)) {
            const qsizetype tiff = pos + 10;
            const bool le = byte(tiff) == 'I';
            const auto u16 = [&](qsizetype i) {
                return le ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
            };
            const auto u32 = [&](qsizetype i) {
                return le ? u16(i) | (u16(i + 2) << 16) : (u16(i) << 16) | u16(i + 2);
            };
            const qsizetype dir = tiff + u32(tiff + 4);
            for (int e = 0; e < u16(dir); ++e) {
                const qsizetype entry = dir + 2 + 12 * e;
                if (u16(entry) == 0x0112)
                    values << u16(entry + 8);
            }
        }
        pos += 2 + length;
    }
    return values;
}

#ifdef LSR_HAVE_TURBOJPEG
/// The JPEG's compressed blocks, turned by the lossless operation `op`, written out
/// again without any metadata and with the standard Huffman tables: two files give
/// equal results exactly when their (turned) blocks and quantisation are the same.
QByteArray Blocks(const QByteArray& jpeg, int op) {
    tjhandle handle = tjInitTransform();
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    tjtransform transform{};
    transform.op = op;
    transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    const int status =
        tjTransform(handle, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                    static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0);
    QByteArray blocks;
    if (status == 0)
        blocks = QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize));
    tjFree(out);
    tjDestroy(handle);
    return blocks;
}
#endif

class Import : public ImageFolderTest {
protected:
    void TearDown() override {
        // Conversions leave no work files behind.
        const QDir tmp(m_tmp.path());
        for (const QString& sub : tmp.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            EXPECT_TRUE(QDir(tmp.filePath(sub)).isEmpty()) << sub.toStdString();
        ImageFolderTest::TearDown();
    }
};

} // namespace

TEST_F(Import, BitmapsWithAndWithoutKey) {
    TestPrompts tp;
    // 24 bits: no key; JPEG bytes written at the Quality setting.
    WriteSettingInt(Setting::JpegQuality, 30);
    QImage plain = Photo(40, 30);
    const QString bmp24 = file(QStringLiteral("plain.bmp"), Encode(plain, "bmp"));
    const ImportResult a = ImportImageFile(bmp24, QStringLiteral("bmp"));
    ASSERT_TRUE(a.ok);
    ASSERT_TRUE(a.picture);
    EXPECT_EQ(a.key, std::nullopt);
    EXPECT_EQ(QSize(a.width, a.height), QSize(40, 30));
    // Stored with Huffman tables made for the picture: the same pixels in fewer bytes.
    const QImage argb = QImage(bmp24).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(a.picture->sourceBytes(), Encode(argb, "jpeg", 30, true));
    EXPECT_LT(a.picture->sourceBytes().size(), Encode(argb, "jpeg", 30).size());
    EXPECT_EQ(QImage::fromData(a.picture->sourceBytes()),
              QImage::fromData(Encode(argb, "jpeg", 30)));

    // 32 bits with a marked pixel: the key, and the pixels exactly as they are.
    // As 0xXXRRGGBB: the file bytes are blue, green, red, fourth byte.
    const QVector<quint32> px = {0xFF030201, 0xFF1E140A, 0x001E140A, 0xED604050};
    const QString bmp32 = file(QStringLiteral("keyed.bmp"), MakeBmp32(2, 2, px));
    const ImportResult b = ImportImageFile(bmp32, QStringLiteral("bmp"));
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(b.key, qRgb(30, 20, 10));
    EXPECT_TRUE(b.picture->sourceBytes().isEmpty());
    const QImage& img = b.picture->image();
    // Not blended: the opaque pixel of the key colour keeps green 20.
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0x1E140Au);
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x030201u);
    EXPECT_EQ(img.pixel(1, 1) & 0xFFFFFF, 0x604050u);
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, JpegKeepsItsBytesOrIsShrunkAtFullQuality) {
    TestPrompts tp;
    WriteSettingInt(Setting::JpegQuality, 5);
    const QByteArray small = Encode(Photo(300, 200), "jpeg", 80);
    const ImportResult a = ImportImageFile(file(QStringLiteral("s.JPG"), small), "jpeg");
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(a.picture->sourceBytes(), small);
    EXPECT_EQ(a.key, std::nullopt);
    EXPECT_EQ(QSize(a.width, a.height), QSize(300, 200));

    const QImage bigImage = Photo(1000, 800);
    const QByteArray big = Encode(bigImage, "jpeg", 90);
    const ImportResult b = ImportImageFile(file(QStringLiteral("b.jpeg"), big), "jpeg");
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(QSize(b.width, b.height), QSize(500, 400));
    EXPECT_EQ(b.picture->size(), QSize(500, 400));
    EXPECT_EQ(b.key, std::nullopt);
    EXPECT_TRUE(IsQuality100(b.picture->sourceBytes())); // 100, not the setting
    // Decoding at a reduced scale looks like decoding in full and shrinking.
    const QImage reference =
        QImage::fromData(big).scaled(500, 400, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(MeanDifference(b.picture->image(), reference), 2.0);

    // LimitImageSize 0: no shrinking at any size.
    WriteSettingInt(Setting::LimitImageSize, 0);
    const ImportResult c = ImportImageFile(file(QStringLiteral("c.jpeg"), big), "jpeg");
    ASSERT_TRUE(c.ok && c.picture);
    EXPECT_EQ(QSize(c.width, c.height), QSize(1000, 800));
    EXPECT_EQ(c.picture->sourceBytes(), big);
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, PngKeysAndBlending) {
    TestPrompts tp;
    // Colour type 6 without bKGD, transparent pixels black: the key becomes white.
    QImage img(4, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    img.setPixel(1, 0, qRgba(0, 0, 200, 128));
    img.setPixel(2, 0, qRgba(255, 255, 255, 255));
    img.setPixel(3, 0, qRgba(10, 20, 30, 255));
    const ImportResult a =
        ImportImageFile(file(QStringLiteral("a.png"), MakeRgbaPng(img)), QStringLiteral("png"));
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(a.key, qRgb(255, 255, 255));
    const QImage& out = a.picture->image();
    EXPECT_EQ(out.pixel(0, 0), qRgba(255, 255, 255, 0));
    EXPECT_EQ(out.pixel(1, 0), qRgba(126, 126, 227, 128)); // mixed towards white
    EXPECT_EQ(out.pixel(2, 0), qRgba(255, 247, 255, 255));
    EXPECT_EQ(out.pixel(3, 0), qRgba(10, 20, 30, 255));
    EXPECT_TRUE(a.picture->sourceBytes().isEmpty());

    // With a background chunk, the transparent pixels take its colour.
    QByteArray bkgd("\x00\x00\x00\x80\x00\xFF", 6);
    const ImportResult b = ImportImageFile(
        file(QStringLiteral("b.png"), MakeRgbaPng(img, {{"bKGD", bkgd}})), QStringLiteral("png"));
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(b.key, qRgb(0, 128, 255));
    EXPECT_EQ(b.picture->image().pixel(0, 0), qRgba(0, 128, 255, 0));
    EXPECT_EQ(b.picture->image().pixel(2, 0), qRgba(255, 255, 255, 255));

    // Only half-transparent pixels: no key, re-encoded as JPEG.
    QImage half(2, 2, QImage::Format_ARGB32);
    half.fill(qRgba(90, 90, 90, 100));
    const ImportResult c =
        ImportImageFile(file(QStringLiteral("c.png"), MakeRgbaPng(half)), QStringLiteral("png"));
    ASSERT_TRUE(c.ok && c.picture);
    EXPECT_EQ(c.key, std::nullopt);
    EXPECT_TRUE(c.picture->sourceBytes().startsWith("\xFF\xD8"));

    // A palette image nominates its first non-opaque palette colour.
    const QByteArray pal =
        MakePalettePng(3, 3, {qRgb(1, 2, 3), qRgb(200, 100, 50)}, QByteArray("\xFF\x00", 2), 1);
    const ImportResult d = ImportImageFile(file(QStringLiteral("d.png"), pal), "png");
    ASSERT_TRUE(d.ok && d.picture);
    EXPECT_EQ(d.key, qRgb(200, 100, 50));
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, GifOnALowDepthDisplayAndTiff) {
    TestPrompts tp;
    SetScreenOverride(MakeScreen(1920, 1080, 16));
    // Index 0 transparent black, 1 near black, 2 opaque black, 3 red; a second frame
    // that must not be used.
    const QVector<QRgb> palette = {qRgb(0, 0, 0), qRgb(3, 3, 3), qRgb(0, 0, 0), qRgb(200, 0, 0)};
    const QByteArray first("\x00\x01\x02\x03", 4), second("\x03\x03\x03\x03", 4);
    const ImportResult a = ImportImageFile(
        file(QStringLiteral("a.gif"), MakeGif(4, 1, palette, {first, second}, 0)), "gif");
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(a.key, qRgb(0, 0, 0));
    const QImage& g = a.picture->image();
    EXPECT_EQ(g.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(g.pixel(1, 0), qRgba(0, 8, 0, 255));
    EXPECT_EQ(g.pixel(2, 0), qRgba(0, 8, 0, 255));
    EXPECT_EQ(g.pixel(3, 0), qRgba(200, 0, 0, 255));

    // TIFF with alpha imports with a key like any other transparent image.
    SetScreenOverride(MakeScreen(1920, 1080, 32));
    QImage t(3, 2, QImage::Format_ARGB32);
    t.fill(qRgba(20, 40, 60, 255));
    t.setPixel(0, 0, qRgba(0, 0, 255, 0));
    const ImportResult b =
        ImportImageFile(file(QStringLiteral("b.tif"), Encode(t, "tiff")), QStringLiteral("tiff"));
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_NE(b.key, std::nullopt);
    EXPECT_EQ(b.picture->image().pixel(0, 0) & 0xFFFFFF, *b.key & 0xFFFFFF);
    EXPECT_EQ(b.picture->image().pixel(2, 1), qRgba(20, 40, 60, 255));
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, ShrinkingKeepsKeyedPicturesLosslessAndUnkeyedAsJpeg) {
    TestPrompts tp;
    WriteSettingInt(Setting::JpegQuality, 10);
    // Keyed, 1000 x 800: a BMP work file at 500 x 400, the key exact around a shape.
    QImage keyed(1000, 800, QImage::Format_ARGB32);
    keyed.fill(qRgba(0, 0, 0, 0));
    for (int y = 200; y < 600; ++y)
        for (int x = 300; x < 700; ++x)
            keyed.setPixel(x, y, qRgba(0, 0, 255, 255));
    const ImportResult a =
        ImportImageFile(file(QStringLiteral("k.png"), MakeRgbaPng(keyed)), QStringLiteral("png"));
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(a.key, qRgb(255, 255, 255));
    EXPECT_EQ(QSize(a.width, a.height), QSize(500, 400));
    EXPECT_TRUE(a.picture->sourceBytes().startsWith("BM"));
    const QImage& k = a.picture->image();
    EXPECT_EQ(k.pixel(10, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(k.pixel(149, 99) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(k.pixel(150, 100) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(k.pixel(349, 299) & 0xFFFFFF, 0x0000FFu);

    // Unkeyed, not a JPEG: re-encoded at the setting, then shrunk at quality 100.
    const ImportResult b = ImportImageFile(
        file(QStringLiteral("u.png"), Encode(Photo(1000, 800), "png")), QStringLiteral("png"));
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(b.key, std::nullopt);
    EXPECT_EQ(QSize(b.width, b.height), QSize(500, 400));
    EXPECT_TRUE(IsQuality100(b.picture->sourceBytes()));

    // LimitImageSize 0 keeps the size.
    WriteSettingInt(Setting::LimitImageSize, 0);
    const ImportResult c =
        ImportImageFile(file(QStringLiteral("k2.png"), MakeRgbaPng(keyed)), QStringLiteral("png"));
    ASSERT_TRUE(c.ok && c.picture);
    EXPECT_EQ(QSize(c.width, c.height), QSize(1000, 800));
    EXPECT_EQ(c.picture->size(), QSize(1000, 800));
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, MislabelledDamagedAndHostileFiles) {
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(qRgba(1, 2, 3, 255));
    img.setPixel(0, 0, qRgba(9, 9, 9, 0));
    const QByteArray png = MakeRgbaPng(img);
    {
        // A PNG named .bmp: the bitmap reader complains, the import goes on by content.
        TestPrompts tp;
        const ImportResult r = ImportImageFile(file(QStringLiteral("p.bmp"), png), "bmp");
        EXPECT_TRUE(r.ok && r.picture);
        EXPECT_EQ(r.key, std::nullopt);
        EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::BitmapInfoFailed});
        EXPECT_TRUE(tp.calls[0].text.startsWith(QStringLiteral("形式判別エラー\n")));
    }
    {
        // A PNG named .jpg is decoded, not kept as foreign bytes in the document.
        TestPrompts tp;
        const ImportResult r = ImportImageFile(file(QStringLiteral("p.jpg"), png), "jpeg");
        ASSERT_TRUE(r.ok && r.picture);
        EXPECT_FALSE(r.picture->sourceBytes().startsWith("\x89PNG"));
        EXPECT_EQ(r.key, qRgb(9, 9, 9));
        EXPECT_TRUE(tp.calls.isEmpty());
    }
    // Files that cannot be decoded are skipped, without a message of the import's own;
    // the result says why.
    QByteArray huge = png;
    huge[16] = char(0x00);
    huge[17] = char(0x01);
    huge[18] = char(0x86);
    huge[19] = char(0xA0); // width 100000
    huge[20] = char(0x00);
    huge[21] = char(0x01);
    huge[22] = char(0x86);
    huge[23] = char(0xA0); // height 100000
    QByteArray over = MakePng(10001, 10000, 1, 0, {}, QByteArray(1, '\0'));
    QByteArray jpegCut = Encode(Photo(64, 64), "jpeg", 80).left(20);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* ext;
        ImportFailure failure;
    } bad[] = {
        {"empty.png", QByteArray(), "png", ImportFailure::NotAPicture},
        {"cut.png", png.left(40), "png", ImportFailure::NotAPicture},
        {"noise.gif", QByteArray(300, char(0x5A)), "gif", ImportFailure::NotAPicture},
        {"noise.tiff", QByteArray("II*\0\x08\0\0\0\xFF\xFF", 10), "tiff",
         ImportFailure::NotAPicture},
        {"cut.jpeg", jpegCut, "jpeg", ImportFailure::NotAPicture},
        {"noise.bmp", QByteArray("BM") + QByteArray(100, char(0x11)), "bmp",
         ImportFailure::NotAPicture},
        {"huge.png", huge, "png", ImportFailure::NotAPicture}, // its header fails its CRC
        {"over100mp.png", over, "png", ImportFailure::TooLarge},
        {"text.jp", QByteArray("hello"), "jp", ImportFailure::NotAPicture},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.name);
        TestPrompts tp;
        const ImportResult r =
            ImportImageFile(file(QString::fromLatin1(c.name), c.bytes), QString::fromLatin1(c.ext));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.picture);
        EXPECT_EQ(r.failure, c.failure);
        EXPECT_FALSE(r.cutShort);
        EXPECT_TRUE(tp.calls.isEmpty());
    }
}

TEST_F(Import, UsesTheSettingsItIsGivenAndHandsItsMessagesBack) {
    // The store and the screen say otherwise: what the import is given counts, so it can
    // run on a thread that may touch neither.
    WriteSettingInt(Setting::LimitImageSize, 0);
    SetScreenOverride(MakeScreen(1920, 1080, 32));
    ImportSettings settings;
    settings.limitSize = true;
    settings.limitWidth = 100;
    settings.limitHeight = 80;
    settings.jpegQuality = 30;
    settings.screenDepth = 16;
    TestPrompts tp;
    // Without a background chunk the key is white; near-white pixels, which a 16-bit
    // display could not tell from it, are moved away from it.
    QImage keyed(400, 200, QImage::Format_ARGB32);
    keyed.fill(qRgba(250, 250, 250, 255));
    keyed.setPixel(0, 0, qRgba(0, 0, 0, 0));
    const ImportResult a =
        ImportImageFile(file(QStringLiteral("k.png"), MakeRgbaPng(keyed)), "png", settings);
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(QSize(a.width, a.height), QSize(100, 50));
    EXPECT_EQ(a.key, qRgb(255, 255, 255));
    EXPECT_EQ(a.picture->image().pixel(50, 25), qRgba(255, 247, 255, 255));
    EXPECT_TRUE(a.notices.isEmpty());

    // An opaque picture within the limit is stored at the quality given.
    const QImage photo = Photo(60, 40);
    const ImportResult b =
        ImportImageFile(file(QStringLiteral("o.png"), Encode(photo, "png")), "png", settings);
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(b.picture->sourceBytes(),
              Encode(photo.convertToFormat(QImage::Format_ARGB32), "jpeg", 30, true));

    // The bitmap reader's message about a PNG named .bmp is handed back, not shown.
    const ImportResult c =
        ImportImageFile(file(QStringLiteral("p.bmp"), Encode(photo, "png")), "bmp", settings);
    ASSERT_TRUE(c.ok && c.picture);
    ASSERT_EQ(c.notices.size(), 1);
    EXPECT_EQ(c.notices[0].id, Msg::BitmapInfoFailed);
    EXPECT_EQ(c.notices[0].prefix, QStringLiteral("形式判別エラー\n"));
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, PathsThatNameNoReadableFile) {
    // Neither a missing file nor a folder reaches a reader (the bitmap reader would show
    // its own message for them).
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.bmp")));
    const struct {
        const char* name;
        const char* ext;
        ImportFailure failure;
    } rows[] = {
        {"missing.png", "png", ImportFailure::Missing},
        {"missing.bmp", "bmp", ImportFailure::Missing},
        {"folder.bmp", "bmp", ImportFailure::NotAFile},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestPrompts tp;
        const ImportResult got = ImportImageFile(m_dir.filePath(QString::fromLatin1(r.name)),
                                                 QString::fromLatin1(r.ext));
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(got.failure, r.failure);
        EXPECT_TRUE(tp.calls.isEmpty());
    }
    // Each reason has its text.
    const struct {
        ImportFailure failure;
        Msg message;
    } texts[] = {
        {ImportFailure::NotImageFileName, Msg::NotImageFileName},
        {ImportFailure::Missing, Msg::FileNotFound},
        {ImportFailure::NotAFile, Msg::NotAFile},
        {ImportFailure::Unreadable, Msg::FileUnreadable},
        {ImportFailure::NotAPicture, Msg::NotAPicture},
        {ImportFailure::TooLarge, Msg::PictureTooLarge},
        {ImportFailure::NotPrepared, Msg::PictureNotPrepared},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(ImportFailureMessage(t.failure), t.message) << int(t.failure);
        EXPECT_FALSE(MessageText(t.message).isEmpty()) << int(t.failure);
    }
}

TEST_F(Import, FilesCutShortBecomeSlidesWithAWarning) {
    // The decoders fill in what a cut file lacks; the import takes the picture and says
    // that the file ended early.
    const QByteArray jpeg = Encode(Photo(300, 200), "jpeg", 80);
    const QByteArray bigJpeg = Encode(Photo(1000, 800), "jpeg", 80); // decoded at 500 x 400
    const QByteArray bmp = Encode(Photo(40, 30), "bmp");
    const QByteArray gif =
        MakeGif(100, 50, {qRgb(0, 0, 0), qRgb(250, 250, 0)}, {QByteArray(100 * 50, char(1))}, -1);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* ext;
        bool cutShort;
        QSize size;
    } rows[] = {
        {"whole.jpg", jpeg, "jpeg", false, {300, 200}},
        {"half.jpg", jpeg.left(jpeg.size() / 2), "jpeg", true, {300, 200}},
        {"no-end-marker.jpg", jpeg.left(jpeg.size() - 2), "jpeg", true, {300, 200}},
        {"half-big.jpg", bigJpeg.left(bigJpeg.size() / 2), "jpeg", true, {500, 400}},
        {"jpeg-named.png", jpeg.left(jpeg.size() / 2), "png", true, {300, 200}},
        {"whole.bmp", bmp, "bmp", false, {40, 30}},
        {"half.bmp", bmp.left(bmp.size() / 2), "bmp", true, {40, 30}},
        {"whole.gif", gif, "gif", false, {100, 50}},
        {"half.gif", gif.left(gif.size() / 2), "gif", true, {100, 50}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestPrompts tp;
        const ImportResult got =
            ImportImageFile(file(QString::fromLatin1(r.name), r.bytes), QString::fromLatin1(r.ext));
        ASSERT_TRUE(got.ok && got.picture);
        EXPECT_EQ(got.failure, ImportFailure::None);
        EXPECT_EQ(got.cutShort, r.cutShort);
        EXPECT_EQ(QSize(got.width, got.height), r.size);
        EXPECT_TRUE(tp.calls.isEmpty());
    }
}

TEST_F(Import, HundredMegapixelsDecode) {
    TestPrompts tp;
    // 10000 x 10000 palette pixels, index 0 transparent: exactly the largest size taken.
    const int w = 10000, h = 10000;
    QByteArray rows;
    rows.reserve((w / 8 + 2) * h);
    QByteArray row(1 + (w + 7) / 8, char(0x0F)); // 1 bit per pixel: stripes of 4
    row[0] = 0;
    for (int y = 0; y < h; ++y)
        rows.append(row);
    QByteArray plte("\x10\x20\x30\xC0\x80\x40", 6);
    const QByteArray png =
        MakePng(w, h, 1, 3, {{"PLTE", plte}, {"tRNS", QByteArray(1, '\0')}}, rows);
    const ImportResult r = ImportImageFile(file(QStringLiteral("big.png"), png), "png");
    ASSERT_TRUE(r.ok && r.picture);
    EXPECT_EQ(r.key, qRgb(0x10, 0x20, 0x30));
    EXPECT_EQ(QSize(r.width, r.height), QSize(500, 500));
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, WorkFileForPastedPictures) {
    TestPrompts tp;
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(qRgb(7, 8, 9));
    const PicturePtr pic = Picture::fromImage(img);
    const std::unique_ptr<QTemporaryFile> bmp = SavePictureToWorkBmp(pic.get());
    ASSERT_TRUE(bmp);
    const QString path = bmp->fileName();
    const QImage back(path);
    ASSERT_EQ(back.size(), QSize(3, 2));
    EXPECT_EQ(back.pixel(2, 1) & 0xFFFFFF, 0x070809u);
    EXPECT_FALSE(SavePictureToWorkBmp(nullptr));

    // Decoding it the way a paste does: no transparent pixel and a key given keeps
    // the pixels lossless; without a key the picture becomes a JPEG.
    KeyColor key = qRgb(7, 8, 9);
    int w = 0, h = 0;
    const PicturePtr keyed = DecodeWithColorKey(path, "bmp", pic, false, key, w, h);
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->image().pixel(0, 0) & 0xFFFFFF, 0x070009u); // key colour, green moved
    key = std::nullopt;
    const PicturePtr jpeg = DecodeWithColorKey(path, "bmp", pic, false, key, w, h);
    ASSERT_TRUE(jpeg);
    EXPECT_TRUE(jpeg->sourceBytes().startsWith("\xFF\xD8"));
    // An undecodable file hands back the fallback.
    key = std::nullopt;
    EXPECT_EQ(DecodeWithColorKey(file("x.bmp", "junk"), "bmp", pic, false, key, w, h), pic);
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, NonPositiveSizeLimitsFallBackToTheDefault) {
    // A limit of zero or less would shrink every picture to a single pixel.
    const QString path = file(QStringLiteral("p.png"), Encode(Photo(1000, 800), "png"));
    for (const int limit : {0, -3, -2147483647}) {
        SCOPED_TRACE(limit);
        WriteSettingInt(Setting::ImageLimitWidth, limit);
        WriteSettingInt(Setting::ImageLimitHeight, limit);
        TestPrompts tp;
        const ImportResult r = ImportImageFile(path, QStringLiteral("png"));
        ASSERT_TRUE(r.ok && r.picture);
        EXPECT_EQ(QSize(r.width, r.height), QSize(500, 400));
        EXPECT_TRUE(tp.calls.isEmpty());
    }
}

TEST_F(Import, WebPFilesAreTakenLikeTheOthers) {
    ASSERT_TRUE(QImageWriter::supportedImageFormats().contains("webp"));
    // Lossless WebP with see-through pixels: keyed by its first one, pixels kept.
    QImage keyed(40, 30, QImage::Format_ARGB32);
    keyed.fill(qRgba(0, 0, 0, 0));
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 30; ++x)
            keyed.setPixel(x, y, qRgba(200, 40, 60, 255));
    const ImportResult a =
        ImportImageFile(file(QStringLiteral("k.webp"), Encode(keyed, "webp", 100)), "webp");
    ASSERT_TRUE(a.ok && a.picture);
    EXPECT_EQ(QSize(a.width, a.height), QSize(40, 30));
    EXPECT_EQ(a.key, qRgb(0, 0, 0));
    EXPECT_EQ(a.picture->image().pixel(15, 15) & 0xFFFFFF, 0xC8283Cu);
    // An opaque one is stored as JPEG, as any opaque picture.
    const ImportResult b =
        ImportImageFile(file(QStringLiteral("o.webp"), Encode(Photo(50, 40), "webp", 90)), "webp");
    ASSERT_TRUE(b.ok && b.picture);
    EXPECT_EQ(b.key, std::nullopt);
    EXPECT_TRUE(b.picture->sourceBytes().startsWith("\xFF\xD8"));
}

TEST_F(Import, PhotosAreStoredUprightAsTheirOrientationTagSays) {
    // Every orientation value on pictures whose sides are whole 16-pixel blocks, one side
    // only, or neither. A turn is lossless when it leaves the partial blocks of the right
    // and bottom edges at the right and bottom: a mirror needs whole columns, a flip whole
    // rows, the quarter turns one of them, the transposition neither; the other turns are
    // decoded and encoded anew at quality 100. Either way the slide is upright, untagged,
    // and keeps the photo's colour profile.
    TestPrompts tp;
#ifdef LSR_HAVE_TURBOJPEG
    ASSERT_TRUE(CanTurnJpegLosslessly()); // the library this test links is found at run time
#endif
    const QList<QSize> sizes = {{48, 32}, {48, 20}, {37, 23}};
    for (const QSize& size : sizes) {
        QImage photo = Photo(size.width(), size.height());
        photo.setColorSpace(QColorSpace::DisplayP3);
        const QByteArray plain = Encode(photo, "jpeg", 90);
        const bool wholeColumns = size.width() % 16 == 0;
        const bool wholeRows = size.height() % 16 == 0;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(QStringLiteral("%1 x %2, orientation %3")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(orientation)
                             .toStdString());
            // Both byte orders of the Exif data.
            const QByteArray tagged = WithOrientationTag(plain, orientation, orientation % 2 == 0);
            const QString path = file(QStringLiteral("photo.jpg"), tagged);
            QBuffer buffer;
            buffer.setData(tagged);
            QImageReader reader(&buffer);
            reader.setAutoTransform(true);
            const QImage upright = reader.read();
            ASSERT_FALSE(upright.isNull());
            ASSERT_EQ(upright.size(), orientation >= 5 ? size.transposed() : size);

            const ImportResult r = ImportImageFile(path, QStringLiteral("jpeg"));
            ASSERT_TRUE(r.ok && r.picture);
            const QByteArray stored = r.picture->sourceBytes();
            EXPECT_EQ(QSize(r.width, r.height), upright.size());
            ASSERT_EQ(r.picture->image().size(), upright.size());
            EXPECT_LT(MeanDifference(r.picture->image(), upright), 1.0);
            const QImage storedImage = QImage::fromData(stored);
            EXPECT_EQ(storedImage.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
            for (const int tag : OrientationTags(stored))
                EXPECT_EQ(tag, 1);
            if (orientation == 1) {
                EXPECT_EQ(stored, tagged); // upright already: the file's own bytes
                continue;
            }
            EXPECT_TRUE(OrientationTags(stored).isEmpty());
            const bool needsColumns = QList<int>{2, 3, 7, 8}.contains(orientation);
            const bool needsRows = QList<int>{3, 4, 6, 7}.contains(orientation);
            const bool lossless = CanTurnJpegLosslessly() && (wholeColumns || !needsColumns) &&
                                  (wholeRows || !needsRows);
            if (!lossless) {
                EXPECT_TRUE(IsQuality100(stored));
                continue;
            }
            // Not encoded anew: the photo's own blocks, turned.
            EXPECT_FALSE(IsQuality100(stored));
#ifdef LSR_HAVE_TURBOJPEG
            // Turned back the other way, the stored blocks are the photo's own.
            const int back[9] = {0,           TJXOP_NONE,      TJXOP_HFLIP,  TJXOP_ROT180,
                                 TJXOP_VFLIP, TJXOP_TRANSPOSE, TJXOP_ROT270, TJXOP_TRANSVERSE,
                                 TJXOP_ROT90};
            const QByteArray original = Blocks(plain, TJXOP_NONE);
            ASSERT_FALSE(original.isEmpty());
            EXPECT_EQ(Blocks(stored, back[orientation]), original);
#endif
        }
    }
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST_F(Import, UnknownOrDamagedOrientationTagsLeaveThePhotoAsStored) {
    // An orientation value outside 1..8, and an Exif segment that ends inside its first
    // directory: no turn is read from either, and the file keeps its own bytes.
    const QByteArray plain = Encode(Photo(48, 32), "jpeg", 90);
    // The segment cut after the directory's entry count (its length field, "Exif\0\0",
    // the header and the count: 18 bytes), the entry and the directory's end gone.
    QByteArray cut = WithOrientationTag(plain, 6, false);
    cut.remove(2 + 2 + 18, 16);
    cut[5] = char(18);
    const QList<QByteArray> files = {WithOrientationTag(plain, 9, false),
                                     WithOrientationTag(plain, 0, true), cut};
    for (const QByteArray& bytes : files) {
        const ImportResult r = ImportImageFile(file(QStringLiteral("odd.jpg"), bytes), "jpeg");
        ASSERT_TRUE(r.ok && r.picture);
        EXPECT_EQ(QSize(r.width, r.height), QSize(48, 32));
        EXPECT_EQ(r.picture->sourceBytes(), bytes);
    }
}

TEST_F(Import, PhotosShrunkToTheLimitAreStoredUprightToo) {
    // Left half red, right half blue, stored with the tag "turn 90 degrees clockwise"
    // (a phone held upright): upright, the red half is on top.
    QImage stored(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            stored.setPixel(x, y, x < 20 ? qRgb(230, 20, 20) : qRgb(20, 20, 230));
    QByteArray tagged;
    {
        QBuffer buf(&tagged);
        buf.open(QIODevice::WriteOnly);
        QImageWriter w(&buf, "jpeg");
        w.setQuality(95);
        w.setTransformation(QImageIOHandler::TransformationRotate90);
        ASSERT_TRUE(w.write(stored));
    }
    // The limit shrinks the 20 x 40 picture to 10 x 20.
    WriteSettingInt(Setting::ImageLimitWidth, 10);
    WriteSettingInt(Setting::ImageLimitHeight, 20);
    const ImportResult r = ImportImageFile(file(QStringLiteral("upright.jpg"), tagged), "jpeg");
    ASSERT_TRUE(r.ok && r.picture);
    const QSize size(10, 20);
    EXPECT_EQ(QSize(r.width, r.height), size);
    const QImage& img = r.picture->image();
    ASSERT_EQ(img.size(), size);
    EXPECT_GT(qRed(img.pixel(size.width() / 2, size.height() / 4)), 180);
    EXPECT_GT(qBlue(img.pixel(size.width() / 2, size.height() * 3 / 4)), 180);
    // Stored without the tag: any reader shows it the same way.
    EXPECT_TRUE(OrientationTags(r.picture->sourceBytes()).isEmpty());
    EXPECT_TRUE(IsQuality100(r.picture->sourceBytes()));
}
