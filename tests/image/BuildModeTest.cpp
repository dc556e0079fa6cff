#include "app/BuildMode.h"
#include "document/Picture.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Encode(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter(&buf, format).write(img);
    return bytes;
}

} // namespace

TEST(BuildMode, MixedFolderBecomesSlidesInOrder) {
    ResetWorld();
    TestPrompts tp;
    QTemporaryDir dir, tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());

    QImage disc(800, 600, QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    {
        QPainter p(&disc);
        p.setBrush(Qt::red);
        p.drawEllipse(QPoint(400, 300), 200, 200);
    }
    QImage photo(1000, 800, QImage::Format_RGB32);
    photo.fill(qRgb(30, 90, 150));
    QImage plain(300, 200, QImage::Format_RGB32);
    plain.fill(qRgb(0, 128, 0));
    ASSERT_TRUE(WriteFile(dir.filePath("1-disc.png"), Encode(disc, "png")));
    ASSERT_TRUE(WriteFile(dir.filePath("2-photo.jpg"), Encode(photo, "jpeg")));
    ASSERT_TRUE(WriteFile(dir.filePath("3-plain.bmp"), Encode(plain, "bmp")));
    ASSERT_TRUE(WriteFile(dir.filePath("4-keyed.bmp"), MakeBmp32(2, 1, {0xFF102030, 0x00405060})));
    ASSERT_TRUE(
        WriteFile(dir.filePath("5-anim.gif"), MakeGif(600, 300, {qRgb(0, 0, 0), qRgb(250, 250, 0)},
                                                      {QByteArray(600 * 300, char(1))}, -1)));
    ASSERT_TRUE(WriteFile(dir.filePath("6-readme.txt"), "not a picture"));
    ASSERT_TRUE(WriteFile(dir.filePath("7-sprite.gif"),
                          MakeGif(4, 2, {qRgb(255, 0, 255), qRgb(250, 250, 0)},
                                  {QByteArray("\x00\x01\x01\x00\x00\x01\x01\x00", 8)}, 0)));

    // Relative names are taken from the current folder, as a shell gives them.
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QStringList images = {"1-disc.png", "2-photo.jpg",  "3-plain.bmp", "4-keyed.bmp",
                                "5-anim.gif", "6-readme.txt", "7-sprite.gif"};
    const int rc = BuildDocumentFromImages(dir.filePath("out.lsr"), images);
    QDir::setCurrent(oldCwd);
    qputenv("TMPDIR", oldTmp);

    EXPECT_EQ(rc, 1); // the text file was left out
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::NotAnImage});
    const Document& doc = CurrentDocument();
    ASSERT_EQ(doc.slideCount, 6);
    const struct {
        KeyColor key;
        QSize size;
    } expected[] = {
        {qRgb(0xFF, 0xFF, 0xFF), {500, 375}}, // transparent PNG without a background: white key
        {std::nullopt, {500, 400}},           // JPEG shrunk to the limit
        {std::nullopt, {300, 200}},           // 24-bit BMP
        {qRgb(0x40, 0x50, 0x60), {2, 1}},     // 32-bit BMP with a marked pixel
        {std::nullopt, {499, 249}},           // opaque GIF shrunk (single-precision scale)
        {qRgb(255, 0, 255), {4, 2}},          // GIF with a transparent palette entry
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doc.slides[i].keyColor, expected[i].key);
        EXPECT_EQ(GetPictureSize(doc.slides[i].picture), expected[i].size);
        EXPECT_EQ(doc.slides[i].switchTime, 5);
    }
    ResetWorld();
}

TEST(BuildMode, WrongCommandLine) {
    EXPECT_EQ(BuildDocumentFromImages(QString(), {}), 2);
    EXPECT_EQ(BuildDocumentFromImages(QStringLiteral("out.lsr"), {}), 2);
}
