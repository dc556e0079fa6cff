// Importing a batch on every core: the slides and the messages come in the order of the
// files whatever order the decodes finish in, and Cancel leaves the document as it was.

#include "image/ParallelImport.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "image/AddSlides.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

namespace {

/// A keyed picture far larger than the limit: decoding it, blending it and shrinking it
/// with its key takes many times longer than a tiny file, so the tiny files after it
/// finish first.
QByteArray BigKeyedPng() {
    QImage img(2000, 1600, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 60, 40));
    p.drawEllipse(QPointF(1000, 800), 900, 700);
    p.end();
    return MakeRgbaPng(img);
}

/// A PNG named .bmp: the bitmap reader's message, then the import goes on by content.
QByteArray PngForBmpName() {
    QImage img(6, 2, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    return Encode(img, "png");
}

class ParallelImport : public ImageFolderTest {
protected:
    /// A small opaque PNG whose width tells the files apart.
    QString tiny(const QString& name, int width) {
        QImage img(width, 3, QImage::Format_RGB32);
        img.fill(qRgb(10 * width % 256, 20, 30));
        return file(name, Encode(img, "png"));
    }
    QString big() { return file(QStringLiteral("big.png"), BigKeyedPng()); }

    /// Picture widths of the slides from `from`, in table order.
    std::vector<int> widths(int from = 0) const {
        std::vector<int> v;
        for (int i = from; i < doc.slideCount; ++i)
            v.push_back(GetPictureSize(doc.slides[i].picture).width());
        return v;
    }

    CountingEditState ed;
    Document& doc = CurrentDocument();
};

} // namespace

TEST_F(ParallelImport, ResultsComeInTheOrderOfTheFiles) {
    const QStringList paths = {big(),
                               tiny(QStringLiteral("a.png"), 11),
                               m_dir.filePath(QStringLiteral("missing.png")),
                               tiny(QStringLiteral("b.png"), 12),
                               m_dir.filePath(QStringLiteral("notes.txt")),
                               tiny(QStringLiteral("c.png"), 13)};
    const QStringList exts = {"png", "png", "png", "png", "", "png"};
    struct Expected {
        bool ok;
        ImportFailure failure;
        int width;
    };
    const Expected expected[] = {
        {true, ImportFailure::None, 500}, // 2000 x 1600 shrunk to 500 x 400
        {true, ImportFailure::None, 11},
        {false, ImportFailure::Missing, 0},
        {true, ImportFailure::None, 12},
        {false, ImportFailure::None, 0}, // no extension: not started
        {true, ImportFailure::None, 13},
    };
    const struct {
        const char* name;
        int threads;
        qint64 pixelBudget;
    } rows[] = {
        {"four workers", 4, 0},
        {"one worker", 1, 0},
        {"a budget smaller than any picture: one file at a time", 4, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestPrompts tp;
        ParallelImportOptions options;
        options.threads = r.threads;
        options.pixelBudget = r.pixelBudget;
        const ParallelImportOutcome out =
            ImportFilesInParallel(paths, exts, ImportSettings(), options);
        EXPECT_FALSE(out.cancelled);
        ASSERT_EQ(out.results.size(), paths.size());
        for (int i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(out.results[i].ok, expected[i].ok);
            EXPECT_EQ(out.results[i].failure, expected[i].failure);
            EXPECT_EQ(GetPictureSize(out.results[i].picture).width(), expected[i].width);
        }
        EXPECT_TRUE(tp.calls.isEmpty());
        EXPECT_TRUE(tp.progressRuns.isEmpty());
    }
}

TEST_F(ParallelImport, SlidesGoInTheOrderOfTheFilesNotOfTheDecodes) {
    const QStringList files = {big(), tiny(QStringLiteral("a.png"), 11),
                               tiny(QStringLiteral("b.png"), 12), tiny(QStringLiteral("c.png"), 13),
                               tiny(QStringLiteral("d.png"), 14)};
    const struct {
        const char* name;
        int mark;
        std::vector<int> widths; ///< the whole table afterwards
        int page;
    } rows[] = {
        {"appended",
         -1,
         {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 500, 11, 12, 13, 14},
         1},
        // At a mark the first file goes to the mark and each next one after it.
        {"at the mark",
         2,
         {4, 4, 500, 11, 12, 13, 14, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
         0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestPrompts tp;
        FillSlides(ed, 22);
        ed.m_page = 0;
        ed.redraws = 0;
        EXPECT_EQ(AddSlidesFromFiles(ed, r.mark, files), 5);
        EXPECT_EQ(widths(), r.widths);
        EXPECT_EQ(ed.m_page, r.page);
        EXPECT_EQ(ed.redraws, 1);
        EXPECT_TRUE(tp.calls.isEmpty());
        // One progress display for the batch, told of every file.
        ASSERT_EQ(tp.progressRuns.size(), 1);
        EXPECT_EQ(tp.progressRuns[0].label, Msg::ImportingImages);
        EXPECT_EQ(tp.progressRuns[0].total, 5);
        ASSERT_FALSE(tp.progressRuns[0].steps.isEmpty());
        EXPECT_EQ(tp.progressRuns[0].steps.last(), 5);
        EXPECT_FALSE(tp.progressRuns[0].cancelled);
    }
    // A single file needs no display.
    TestPrompts tp;
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, {files[1]}), 1);
    EXPECT_TRUE(tp.progressRuns.isEmpty());
}

TEST_F(ParallelImport, CancelLeavesTheDocumentAsItWas) {
    // The bitmap-named PNG would show a message of its own, the junk file a summary.
    const QStringList files = {big(), tiny(QStringLiteral("a.png"), 11),
                               file(QStringLiteral("png.bmp"), PngForBmpName()),
                               file(QStringLiteral("junk.png"), QByteArray(200, char(0x42))),
                               tiny(QStringLiteral("b.png"), 12)};
    const struct {
        const char* name;
        int cancelAfter; ///< files finished when Cancel is pressed
        int mark;
    } rows[] = {
        {"before the first file completes, appending", 0, -1},
        {"before the first file completes, at a mark", 0, 3},
        {"after the first file", 1, -1},
        {"midway, appending", 3, -1},
        {"midway, at a mark", 3, 3},
        {"when every file is done", 5, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FillSlides(ed, 25); // two pages: appending would show the second
        ed.m_page = 0;
        ed.m_modified = false;
        ed.redraws = 0;
        std::vector<const Picture*> before;
        for (int i = 0; i < doc.slideCount; ++i)
            before.push_back(doc.slides[i].picture.get());

        TestPrompts tp;
        tp.cancelProgressAfter(r.cancelAfter);
        EXPECT_EQ(AddSlidesFromFiles(ed, r.mark, files), 0);

        ASSERT_EQ(doc.slideCount, 25);
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(doc.slides[i].reserved1, quint32(i));
            EXPECT_EQ(doc.slides[i].picture.get(), before[i]);
        }
        EXPECT_EQ(ed.m_page, 0);
        EXPECT_EQ(ed.m_pageCount, 2);
        EXPECT_FALSE(ed.m_modified);
        EXPECT_EQ(ed.redraws, 0);
        EXPECT_TRUE(tp.calls.isEmpty()); // neither the files' messages nor a summary
        ASSERT_EQ(tp.progressRuns.size(), 1);
        EXPECT_TRUE(tp.progressRuns[0].cancelled);
    }
}

TEST_F(ParallelImport, MessagesAreTheOnesOfAFileByFileImport) {
    // 22 files left out (20 named, 2 counted), two added although cut short, two
    // bitmap-named PNGs whose own message comes first, in file order, then the summary.
    const QByteArray jpeg = [] {
        QImage img(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixel(x, y, qRgb(4 * x, 5 * y, (x * y) % 256));
        return Encode(img, "jpeg");
    }();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    struct Row {
        QString path;
        Msg reason; ///< Unlisted: added without a word
    };
    QList<Row> rows;
    rows << Row{big(), Msg::Unlisted}
         << Row{file(QStringLiteral("cut1.jpg"), jpeg.left(jpeg.size() / 2)), Msg::PictureCutShort}
         << Row{file(QStringLiteral("first.bmp"), PngForBmpName()), Msg::Unlisted}
         << Row{file(QStringLiteral("notes.txt"), "hello"), Msg::NotImageFileName}
         << Row{m_dir.filePath(QStringLiteral("folder.png")), Msg::NotAFile}
         << Row{file(QStringLiteral("junk.png"), QByteArray(200, char(0x42))), Msg::NotAPicture};
    for (int i = 0; i < 19; ++i)
        rows << Row{m_dir.filePath(QStringLiteral("gone%1.png").arg(i)), Msg::FileNotFound};
    rows << Row{file(QStringLiteral("second.bmp"), PngForBmpName()), Msg::Unlisted}
         << Row{file(QStringLiteral("cut2.jpg"), jpeg.left(jpeg.size() - 2)), Msg::PictureCutShort}
         << Row{tiny(QStringLiteral("fine.png"), 9), Msg::Unlisted};

    QStringList paths;
    QStringList refused, damaged;
    for (const Row& r : rows) {
        paths << r.path;
        const QString line =
            QFileInfo(r.path).fileName() + QStringLiteral(": ") + MessageText(r.reason);
        if (r.reason == Msg::PictureCutShort)
            damaged << line;
        else if (r.reason != Msg::Unlisted)
            refused << line;
    }
    ASSERT_EQ(refused.size(), 22);
    const QString expected =
        QStringLiteral("次のファイルはスライドにできませんでした\n") +
        refused.mid(0, 20).join(QLatin1Char('\n')) + QStringLiteral("\nほか 2 件\n\n") +
        QStringLiteral(
            "次のファイルは壊れている可能性があります (読み取れた範囲でスライドにしました)\n") +
        damaged.join(QLatin1Char('\n'));
    const QString bitmapMessage =
        QStringLiteral("形式判別エラー\n") + MessageText(Msg::BitmapInfoFailed);

    TestPrompts tp;
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, paths), 6);
    EXPECT_EQ(widths(), (std::vector<int>{500, 64, 6, 6, 64, 9}));
    ASSERT_EQ(tp.messageIds(),
              (QList<Msg>{Msg::BitmapInfoFailed, Msg::BitmapInfoFailed, Msg::FilesNotAdded}));
    EXPECT_EQ(tp.calls[0].text, bitmapMessage);
    EXPECT_EQ(tp.calls[1].text, bitmapMessage);
    EXPECT_EQ(tp.calls[2].text, expected) << tp.calls[2].text.toStdString();
    EXPECT_EQ(tp.calls[2].kind, MsgKind::Error);
}

TEST_F(ParallelImport, TheTableFillsAtTheSameFileAsFileByFile) {
    // Three places are left: the files that fail before them take none, the fourth
    // picture finds the table full; the bitmap-named file after it is never looked at.
    TestPrompts tp;
    FillSlides(ed, 97);
    const QStringList files = {file(QStringLiteral("junk.png"), QByteArray(200, char(0x42))),
                               tiny(QStringLiteral("a.png"), 11),
                               m_dir.filePath(QStringLiteral("missing.png")),
                               tiny(QStringLiteral("b.png"), 12),
                               tiny(QStringLiteral("c.png"), 13),
                               tiny(QStringLiteral("d.png"), 14),
                               file(QStringLiteral("png.bmp"), PngForBmpName())};
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, files), 3);
    EXPECT_EQ(widths(97), (std::vector<int>{11, 12, 13}));
    ASSERT_EQ(tp.messageIds(), (QList<Msg>{Msg::TooManySlides, Msg::FilesNotAdded}));
    EXPECT_EQ(tp.calls[1].text, QStringLiteral("次のファイルはスライドにできませんでした\n") +
                                    QStringLiteral("junk.png: ") + MessageText(Msg::NotAPicture) +
                                    QStringLiteral("\nmissing.png: ") +
                                    MessageText(Msg::FileNotFound));
}
