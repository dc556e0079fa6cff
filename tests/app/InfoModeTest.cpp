// `luserio --info` and `--help`, run as a separate process without any display.

#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MeasuredRun.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

using Result = ProgramRun;

Result runLuserio(const QStringList& args) {
    return RunLuserio(args);
}

QByteArray jpegBytes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(200, 100, 50));
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", 85);
    return b;
}

class InfoMode : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};

} // namespace

TEST_F(InfoMode, DescribesOurDocumentsAndGcabCabinets) {
    QTemporaryDir dir;
    const QByteArray jpg = jpegBytes(30, 20);
    CountingEditState ed;
    NewDocument(ed);
    FillSlides(ed, 3);
    Document& doc = CurrentDocument();
    doc.slides[0].keyColor = qRgb(0x12, 0x34, 0x56);
    doc.slides[0].flipH = 1;
    doc.slides[1].picture = Picture::fromBytes(jpg);
    doc.slides[1].switchTime = 64800;
    doc.slides[2].picture.reset(); // no picture
    const QByteArray bmp = EncodeBmp(MakeTestPicture(4, 3)->image());
    // Saved by the program ...
    {
        TestPrompts p;
        ASSERT_TRUE(WriteDocumentFile(dir.path() + "/Ours.lsr"));
    }
    // ... and the same stream packed by gcab.
    {
        QFile f(dir.path() + "/stream.lsr");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(WriteDocumentStream(f));
    }
    QProcess gcab;
    gcab.setWorkingDirectory(dir.path());
    gcab.start(QStringLiteral("gcab"), {"-c", "-z", "Gcab.lsr", "stream.lsr"});
    ASSERT_TRUE(gcab.waitForFinished(60000));
    ASSERT_EQ(gcab.exitCode(), 0);

    for (const char* name : {"/Ours.lsr", "/Gcab.lsr"}) {
        const Result r = runLuserio({"--info", dir.path() + name});
        ASSERT_EQ(r.code, 0) << name << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(o["file"].toString(), dir.path() + name);
        const QJsonObject h = o["header"].toObject();
        EXPECT_EQ(h["crBackLeft"].toString(), QStringLiteral("#F7F3D7"));
        EXPECT_EQ(h["crBackCenter"].toString(), QStringLiteral("#000042"));
        EXPECT_EQ(h["rcShowWindow"].toArray(), (QJsonArray{0, 0, 400, 300}));
        EXPECT_EQ(h["bLoop"].toInt(), 1);
        EXPECT_EQ(o["slideCount"].toInt(), 3);
        const QJsonArray s = o["slides"].toArray();
        ASSERT_EQ(s.size(), 3);
        const QJsonObject s0 = s[0].toObject(), s1 = s[1].toObject(), s2 = s[2].toObject();
        EXPECT_EQ(s0["width"].toInt(), 4);
        EXPECT_EQ(s0["height"].toInt(), 3);
        EXPECT_EQ(s0["transparentColor"].toString(), QStringLiteral("#123456"));
        EXPECT_EQ(s0["flipH"].toInt(), 1);
        EXPECT_EQ(s0["switchTime"].toInt(), 1);
        EXPECT_EQ(s0["imageFormat"].toString(), QStringLiteral("bmp"));
        EXPECT_EQ(s0["imageBytes"].toInt(), bmp.size());
        EXPECT_TRUE(s1["transparentColor"].isNull());
        EXPECT_EQ(s1["width"].toInt(), 30);
        EXPECT_EQ(s1["switchTime"].toInt(), 64800);
        EXPECT_EQ(s1["imageFormat"].toString(), QStringLiteral("jpeg"));
        EXPECT_EQ(s1["imageBytes"].toInt(), jpg.size());
        EXPECT_TRUE(s2["imageFormat"].isNull());
        EXPECT_EQ(s2["imageBytes"].toInt(), 0);
        EXPECT_EQ(s2["width"].toInt(), 0);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
}

TEST_F(InfoMode, FailuresSayWhyOnOneLineInTheCommandLinesStyle) {
    // "luserio: " and the gist in English, then the message the window shows, its lines
    // joined: one line each, whatever the failure.
    QTemporaryDir dir;
    QFile f(dir.path() + "/bad.lsr");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("no cabinet here");
    f.close();
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::gray);
    ASSERT_TRUE(photo.save(dir.path() + "/photo.jpg", "JPEG"));
    QFile notes(dir.path() + "/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("a shopping list\n");
    notes.close();
    // Why a file is no document comes in English; the window's Japanese text follows.
    const QString notADocument = QStringLiteral(
        "luserio: not a document (a .lsr file or a slideshow made by this program): ");
    const QString whatADocumentIs =
        QStringLiteral(": このファイルは開けません ルセリオのドキュメント (.lsr ファイル) か、"
                       "ルセリオで作成したスライドショーの実行ファイルを指定してください");
    struct Row {
        QString path;
        QString err;
    };
    const Row rows[] = {
        {dir.path() + "/none.lsr",
         "luserio: file not found: " + dir.path() + "/none.lsr: ファイルが見つかりません"},
        {dir.path() + "/bad.lsr",
         QStringLiteral("luserio: the document could not be extracted: [File Copy]: "
                        "ファイルの展開に失敗しました")},
        {dir.path() + "/x.txt",
         "luserio: file not found: " + dir.path() + "/x.txt: ファイルが見つかりません"},
        {dir.path() + "/photo.jpg",
         notADocument + dir.path() + "/photo.jpg: a JPEG picture" + whatADocumentIs},
        {dir.path() + "/notes.txt",
         notADocument + dir.path() + "/notes.txt: a text file" + whatADocumentIs},
    };
    for (const Row& r : rows) {
        const Result res = runLuserio({"--info", r.path});
        EXPECT_NE(res.code, 0) << r.path.toStdString();
        EXPECT_TRUE(res.out.isEmpty());
        EXPECT_EQ(QString::fromUtf8(res.err).trimmed(), r.err) << res.err.toStdString();
    }
}

TEST_F(InfoMode, VersionAndWhereTheCompanionsAre) {
    const Result v = runLuserio({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_TRUE(v.out.startsWith("luserio 1.01 (")) << v.out.toStdString();
    EXPECT_TRUE(v.err.isEmpty()) << v.err.toStdString();
    // The build puts the runtime and the manual next to the executable.
    const Result h = runLuserio({"--help"});
    EXPECT_EQ(h.code, 0);
    EXPECT_TRUE(h.out.contains("--version")) << h.out.toStdString();
    const QString folder = QFileInfo(QStringLiteral(LSR_BINARY_DIR)).canonicalFilePath();
    const QString out = QString::fromLocal8Bit(h.out);
    EXPECT_TRUE(out.contains("Program folder: " + folder + "\n")) << h.out.toStdString();
    EXPECT_TRUE(out.contains(folder + "/LsrCtrl.dll\n")) << h.out.toStdString();
    EXPECT_TRUE(out.contains(folder + "/Manual.pdf\n")) << h.out.toStdString();
    EXPECT_FALSE(out.contains("(missing)")) << h.out.toStdString();
}

TEST_F(InfoMode, SizesComeFromThePicturesHeadersWithoutDecoding) {
    // A PNG whose pixel data is damaged: no decoder can make a picture of it, yet its
    // header names the size, which is all a description needs.
    QImage img(640, 480, QImage::Format_RGB32);
    img.fill(QColor(10, 120, 200));
    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&buf, "PNG"));
    }
    const int idat = int(png.indexOf("IDAT"));
    ASSERT_GT(idat, 0);
    for (int i = idat + 10; i < png.size() - 20; ++i)
        png[i] = char(png[i] ^ 0x5A);
    QTemporaryDir dir;
    CountingEditState ed;
    NewDocument(ed);
    FillSlides(ed, 1);
    CurrentDocument().slides[0].picture.reset();
    CurrentDocument().slides[0].undecodedImage = png;
    {
        TestPrompts p;
        ASSERT_TRUE(WriteDocumentFile(dir.path() + "/Damaged.lsr"));
    }
    const Result r = runLuserio({"--info", dir.path() + "/Damaged.lsr"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject s0 =
        QJsonDocument::fromJson(r.out).object()["slides"].toArray()[0].toObject();
    EXPECT_EQ(s0["width"].toInt(), 640);
    EXPECT_EQ(s0["height"].toInt(), 480);
    EXPECT_EQ(s0["imageFormat"].toString(), QStringLiteral("png"));
    EXPECT_EQ(s0["imageBytes"].toInt(), png.size());
}

#if defined(Q_OS_UNIX)
TEST_F(InfoMode, ASparseSlideshowIsDescribedInPlaceWithLittleMemory) {
    // A two-slide document's stream in a slideshow whose trailer points at byte 1, so
    // that the stream seen from the trailer runs on over gigabytes of zeros: what the
    // slides declare is read, and nothing else is copied or held.
    CountingEditState ed;
    NewDocument(ed);
    FillSlides(ed, 2);
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(stream));
    const qint64 bmpBytes = EncodeBmp(MakeTestPicture(4, 3)->image()).size();
    constexpr qint64 kGiB = qint64(1) << 30;
    struct Row {
        const char* name;
        qint64 hole;
        bool stretch;     // the last picture's block declared to run over the hole
        qint64 lastBytes; // the last slide's imageBytes
    };
    const Row rows[] = {
        {"the stream, then a hole", 6 * kGiB, false, bmpBytes},
        {"the last picture's block over the hole", 3 * kGiB, true, bmpBytes + 3 * kGiB},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir dir, tmp;
        const QString show = dir.filePath(QStringLiteral("show"));
        const QString why = WriteSparseSlideshow(show, "X", stream.data(), r.hole, r.stretch);
        if (!why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        const MeasuredRun run =
            RunMeasured(QStringLiteral(LSR_BINARY_DIR "/luserio"), {QStringLiteral("--info"), show},
                        {QStringLiteral("TMPDIR=") + tmp.path()});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(run.out).object();
        EXPECT_EQ(o["slideCount"].toInt(), 2);
        const QJsonArray slides = o["slides"].toArray();
        ASSERT_EQ(slides.size(), 2);
        for (const QJsonValue slide : slides) {
            EXPECT_EQ(slide.toObject()["width"].toInt(), 4);
            EXPECT_EQ(slide.toObject()["height"].toInt(), 3);
        }
        EXPECT_EQ(slides[1].toObject()["imageBytes"].toDouble(), double(r.lastBytes));
        // No work file was written: the work folder the child would use was never made.
        const QString work = tmp.path() + QStringLiteral("/luserio-%1").arg(::geteuid());
        EXPECT_FALSE(QFileInfo::exists(work)) << QDir(work).entryList().join(' ').toStdString();
        // Neither the stream nor a picture's block was held (the program itself takes
        // some 25 MiB).
        EXPECT_LT(run.peakKiB, 128 * 1024);
        QFile::remove(show);
    }
}
#endif
