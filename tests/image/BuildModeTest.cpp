#include "app/BuildMode.h"
#include "document/Picture.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

/// A stream for the build's messages, read back as lines.
class ErrorLines {
public:
    ErrorLines() : m_file(std::tmpfile()) {}
    ~ErrorLines() {
        if (m_file)
            std::fclose(m_file);
    }
    std::FILE* file() const { return m_file; }
    QStringList lines() const {
        std::fflush(m_file);
        std::rewind(m_file);
        QByteArray bytes;
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, m_file)) > 0;)
            bytes.append(chunk, qsizetype(n));
        return QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    std::FILE* m_file;
};

/// A line of the program's own: "program: text" (the program is the test's here).
QString Own(const QString& text) {
    return ApplicationName() + QStringLiteral(": ") + text;
}

/// The line that names a file left out: "program: gist: file: the editor's text".
QString Refused(const QString& file, const char* gist, Msg reason) {
    return Own(QString::fromUtf8(gist) + QStringLiteral(": ") + file + QStringLiteral(": ") +
               MessageText(reason));
}

} // namespace

TEST(BuildMode, MixedFolderBecomesSlidesInOrder) {
    ResetWorld();
    TestPrompts tp;
    QTemporaryDir dir;
    const TempFolderOverride tmp;

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
    ErrorLines err;
    const int rc = BuildDocumentFromImages(dir.filePath("out.lsr"), images, err.file());
    QDir::setCurrent(oldCwd);

    EXPECT_EQ(rc, 1); // the text file was left out
    EXPECT_TRUE(tp.calls.isEmpty());
    EXPECT_EQ(err.lines(),
              (QStringList{Refused("6-readme.txt", "not an image file name", Msg::NotImageFileName),
                           Own("1 of 7 images were not added"),
                           Own(dir.filePath("out.lsr") + QStringLiteral(" now holds 6 slides"))}));
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

TEST(BuildMode, ASizeLimitOfTheRunWinsOverTheSettings) {
    QTemporaryDir dir;
    const TempFolderOverride tmp;
    QImage photo(1000, 800, QImage::Format_RGB32);
    photo.fill(qRgb(30, 90, 150));
    ASSERT_TRUE(WriteFile(dir.filePath("photo.png"), Encode(photo, "png")));
    struct Row {
        const char* name;
        std::optional<SizeLimit> limit;
        QSize size; // 1000 x 800 scaled by the smaller of the two ratios
    };
    const Row rows[] = {
        {"the settings' 400 x 400", std::nullopt, {400, 320}},
        {"300 x 300", SizeLimit{true, 300, 300}, {300, 240}},
        {"400 x 100: the height decides", SizeLimit{true, 400, 100}, {125, 100}},
        {"larger than the picture", SizeLimit{true, 2000, 2000}, {1000, 800}},
        {"none", SizeLimit{false, 0, 0}, {1000, 800}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        WriteSettingInt(Setting::ImageLimitWidth, 400);
        WriteSettingInt(Setting::ImageLimitHeight, 400);
        TestPrompts tp;
        ErrorLines err;
        ASSERT_EQ(
            BuildDocumentFromImages(dir.filePath("out.lsr"),
                                    QList<BuildImage>{{dir.filePath("photo.png"), {}, {}, {}, {}}},
                                    err.file(), r.limit),
            0);
        ASSERT_EQ(CurrentDocument().slideCount, 1);
        EXPECT_EQ(GetPictureSize(CurrentDocument().slides[0].picture), r.size);
        // The settings stay as they were.
        EXPECT_EQ(ReadSettingInt(Setting::ImageLimitWidth, 0), 400);
    }
    ResetWorld();
}

TEST(BuildMode, EachFileLeftOutIsNamedWithItsReason) {
    ResetWorld();
    TestPrompts tp;
    QTemporaryDir dir;
    const TempFolderOverride tmp;
    QImage photo(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            photo.setPixel(x, y, qRgb(4 * x, 5 * y, (x * y) % 256));
    const QByteArray jpeg = Encode(photo, "jpeg");
    ASSERT_TRUE(WriteFile(dir.filePath("notes.txt"), "not a picture"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    ASSERT_TRUE(WriteFile(dir.filePath("junk.png"), QByteArray(200, char(0x42))));
    ASSERT_TRUE(WriteFile(dir.filePath("cut.jpg"), jpeg.left(jpeg.size() / 2)));
    ASSERT_TRUE(WriteFile(dir.filePath("fine.jpg"), jpeg));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());

    const QString cutShort = Own("warning: the picture's data ends early: cut.jpg: " +
                                 MessageText(Msg::PictureCutShort));
    // The first rows make no slide, so nothing is written until the damaged JPEG.
    const QString nothing = Own("nothing was written: no image became a slide");
    const QString oneOfOne = Own("1 of 1 images were not added");
    const struct {
        const char* name;
        QStringList images;
        int rc;
        QStringList lines; ///< standard error, in order
        int slides;
    } rows[] = {
        {"wrong extension",
         {"notes.txt"},
         1,
         {Refused("notes.txt", "not an image file name", Msg::NotImageFileName), oneOfOne, nothing},
         0},
        {"missing file",
         {"missing.png"},
         1,
         {Own("file not found: missing.png: ファイルが見つかりません"), oneOfOne, nothing},
         0},
        {"folder named x.png",
         {"folder.png"},
         1,
         {Refused("folder.png", "not a file", Msg::NotAFile), oneOfOne, nothing},
         0},
        {"garbage named .png",
         {"junk.png"},
         1,
         {Refused("junk.png", "not a picture", Msg::NotAPicture), oneOfOne, nothing},
         0},
        // A damaged file that became a slide is warned about and counts as added.
        {"truncated JPEG", {"cut.jpg"}, 0, {cutShort}, 1},
        {"valid file", {"fine.jpg"}, 0, {}, 1},
        {"all together",
         {"notes.txt", "cut.jpg", "missing.png", "fine.jpg", "folder.png", "junk.png"},
         1,
         {Refused("notes.txt", "not an image file name", Msg::NotImageFileName),
          Refused("missing.png", "file not found", Msg::FileNotFound),
          Refused("folder.png", "not a file", Msg::NotAFile),
          Refused("junk.png", "not a picture", Msg::NotAPicture), cutShort,
          Own("4 of 6 images were not added"),
          Own(dir.filePath("out.lsr") + " was replaced and now holds 2 slides")},
         2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ErrorLines err;
        EXPECT_EQ(BuildDocumentFromImages(dir.filePath("out.lsr"), r.images, err.file()), r.rc);
        EXPECT_EQ(err.lines(), r.lines);
        EXPECT_EQ(CurrentDocument().slideCount, r.slides);
        EXPECT_EQ(QFile::exists(dir.filePath("out.lsr")), r.rc == 0 || r.slides > 0);
    }
    EXPECT_TRUE(tp.calls.isEmpty());
    QDir::setCurrent(oldCwd);
    ResetWorld();
}

TEST(BuildMode, ImagesBeyondAHundredAreNamed) {
    ResetWorld();
    TestPrompts tp;
    tp.answer(Answer::Yes); // the command line goes on with the first hundred
    QTemporaryDir dir;
    const TempFolderOverride tmp;
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    const QString png = dir.filePath("one.png");
    ASSERT_TRUE(WriteFile(png, Encode(img, "png")));
    QStringList images;
    for (int i = 0; i < 102; ++i)
        images << png;
    images << dir.filePath("last.png");
    ErrorLines err;
    EXPECT_EQ(BuildDocumentFromImages(dir.filePath("out.lsr"), images, err.file()), 1);
    EXPECT_EQ(CurrentDocument().slideCount, 100);
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::TooManyFilesQuestion});
    const char* full = "no room for more slides (100 at most)";
    EXPECT_EQ(err.lines(), (QStringList{Refused(png, full, Msg::TooManySlides),
                                        Refused(png, full, Msg::TooManySlides),
                                        Refused(dir.filePath("last.png"), full, Msg::TooManySlides),
                                        Own("3 of 103 images were not added"),
                                        Own(dir.filePath("out.lsr") + " now holds 100 slides")}));
    ResetWorld();
}

TEST(BuildMode, ALargeFirstImageStaysFirst) {
    // The large picture takes far longer than the small ones after it, which finish
    // first on the other cores; the slides and the messages keep the command line's order.
    ResetWorld();
    TestPrompts tp;
    QTemporaryDir dir;
    const TempFolderOverride tmp;
    QImage large(2000, 1600, QImage::Format_ARGB32); // shrunk to 500 x 400
    large.fill(Qt::transparent);
    {
        QPainter p(&large);
        p.setBrush(Qt::blue);
        p.drawEllipse(QPoint(1000, 800), 900, 700);
    }
    ASSERT_TRUE(WriteFile(dir.filePath("large.png"), MakeRgbaPng(large)));
    QStringList images = {dir.filePath("large.png")};
    for (int i = 1; i <= 4; ++i) {
        QImage small(10 + i, 4, QImage::Format_RGB32);
        small.fill(qRgb(40 * i, 0, 0));
        const QString name = dir.filePath(QStringLiteral("small%1.png").arg(i));
        ASSERT_TRUE(WriteFile(name, Encode(small, "png")));
        images << name;
    }
    // A PNG named .bmp: the bitmap reader's message, in its place among the others.
    QImage plain(7, 2, QImage::Format_RGB32);
    plain.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(WriteFile(dir.filePath("named.bmp"), Encode(plain, "png")));
    images.insert(2, dir.filePath("named.bmp"));
    images << dir.filePath("missing.png");

    ErrorLines err;
    EXPECT_EQ(BuildDocumentFromImages(dir.filePath("out.lsr"), images, err.file()), 1);
    const Document& doc = CurrentDocument();
    ASSERT_EQ(doc.slideCount, 6);
    const int widths[] = {500, 11, 7, 12, 13, 14};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(GetPictureSize(doc.slides[i].picture).width(), widths[i]) << i;
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::BitmapInfoFailed});
    EXPECT_TRUE(tp.progressRuns.isEmpty()); // no display on the command line
    EXPECT_EQ(err.lines(), (QStringList{Refused(dir.filePath("missing.png"), "file not found",
                                                Msg::FileNotFound),
                                        Own("1 of 7 images were not added"),
                                        Own(dir.filePath("out.lsr") + " now holds 6 slides")}));
    ResetWorld();
}

TEST(BuildMode, WrongCommandLine) {
    ErrorLines err;
    EXPECT_EQ(BuildDocumentFromImages(QString(), QStringList(), err.file()), 2);
    EXPECT_EQ(BuildDocumentFromImages(QStringLiteral("out.lsr"), QStringList(), err.file()), 2);
    EXPECT_EQ(err.lines(),
              QStringList(2, QStringLiteral("usage: luserio --build OUT.lsr IMAGE...")));
}
