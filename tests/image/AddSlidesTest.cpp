#include "image/AddSlides.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class AddSlides : public ImageFolderTest {
protected:
    /// A small opaque PNG whose width tells the files apart.
    QString image(const QString& name, int width) {
        QImage img(width, 3, QImage::Format_RGB32);
        img.fill(qRgb(10, 20, 30));
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "png");
        return file(name, bytes);
    }
    /// Picture widths of the slides from `from`, in table order (-1: no picture).
    std::vector<int> widths(int from = 0) const {
        std::vector<int> v;
        for (int i = from; i < doc.slideCount; ++i)
            v.push_back(doc.slides[i].picture ? doc.slides[i].picture->size().width() : -1);
        return v;
    }
    CountingEditState ed;
    Document& doc = CurrentDocument();
};

} // namespace

TEST(CheckImageExtension, NormalisesOrRejects) {
    ResetWorld();
    const struct {
        const char* path;
        const char* ext;
    } cases[] = {
        {"/photos/photo.JPG", "jpeg"},
        {"/photos/scan.TIF", "tiff"},
        {"/photos/a.jpeg", "jpeg"},
        {"/photos/a.Png", "png"},
        {"/photos/a.b.gif", "gif"},
        {"/photos/a.tiff", "tiff"},
        {"/photos/a.WebP", "webp"},
        {"/photos/picture.jp", "jp"},
        {"/photos/x.-", "-"},
        {"/photos/x.pe", "pe"},
        {"/photos/notes.txt", ""},
        {"/photos/nodot", ""},
        {"photo.png", ""},
        {"/pho.tos/nodot", ""},
        {"/photos/ends.", ""},
        {"/photos/x.pngx", ""},
        {"/photos/x.ＰＮＧ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TestPrompts tp; // the batch names rejected files; the check itself says nothing
        EXPECT_EQ(CheckImageExtension(QString::fromUtf8(c.path)), QLatin1String(c.ext));
        EXPECT_TRUE(tp.calls.isEmpty());
    }
}

TEST(LimitPathsToCapacity, AsksAboveAHundred) {
    QStringList many;
    for (int i = 0; i < 150; ++i)
        many << QStringLiteral("/p/%1.png").arg(i);
    {
        TestPrompts tp;
        tp.answer(Answer::No);
        QStringList paths = many;
        EXPECT_FALSE(LimitPathsToCapacity(paths, nullptr));
        EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::TooManyFilesQuestion});
        EXPECT_EQ(tp.calls[0].kind, MsgKind::YesNo);
    }
    {
        TestPrompts tp;
        tp.answer(Answer::Yes);
        QStringList paths = many;
        EXPECT_TRUE(LimitPathsToCapacity(paths, nullptr));
        EXPECT_EQ(paths, many.mid(0, 100));
    }
    {
        TestPrompts tp; // exactly 100: no question
        QStringList paths = many.mid(0, 100);
        EXPECT_TRUE(LimitPathsToCapacity(paths, nullptr));
        EXPECT_EQ(paths.size(), 100);
    }
}

TEST_F(AddSlides, AtTheMarkInTheOrderOfTheFiles) {
    // Five slides 4 pixels wide; the files' pictures are 11, 12 and 13 pixels wide.
    struct Row {
        const char* name;
        int mark;
        std::vector<int> widths;
        int formerSlide2At; // where the slide that was third is afterwards
    };
    const Row rows[] = {
        {"at the start", 0, {11, 12, 13, 4, 4, 4, 4, 4}, 5},
        {"in the middle", 2, {4, 4, 11, 12, 13, 4, 4, 4}, 5},
        {"at the end", 5, {4, 4, 4, 4, 4, 11, 12, 13}, 2},
    };
    for (const Row& r : rows) {
        TestPrompts tp;
        FillSlides(ed, 5);
        ed.m_page = 0;
        ed.m_modified = false;
        ed.redraws = 0;
        const QStringList files = {image("A.png", 11), image("B.png", 12), image("C.png", 13)};
        EXPECT_EQ(AddSlidesFromFiles(ed, r.mark, files), 3) << r.name;
        ASSERT_EQ(doc.slideCount, 8) << r.name;
        EXPECT_EQ(widths(), r.widths) << r.name;
        EXPECT_EQ(doc.slides[r.formerSlide2At].reserved1, 2u) << r.name;
        EXPECT_TRUE(ed.m_modified) << r.name;
        EXPECT_EQ(ed.redraws, 1) << r.name;
        EXPECT_TRUE(tp.calls.isEmpty()) << r.name;
    }
}

TEST_F(AddSlides, AppendedInOrderOnTheLastPage) {
    TestPrompts tp;
    WriteSettingInt(Setting::NewSlideSeconds, 10);
    FillSlides(ed, 45);
    ed.m_page = 0;
    const QStringList files = {image("A.png", 11), image("B.png", 12), image("C.png", 13)};
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, files), 3);
    EXPECT_EQ(ed.m_page, 2);
    EXPECT_EQ(widths(45), (std::vector<int>{11, 12, 13}));
    for (int i = 45; i < 48; ++i) {
        EXPECT_EQ(doc.slides[i].switchTime, 10);
        EXPECT_EQ(doc.slides[i].keyColor, std::nullopt);
        EXPECT_EQ(doc.slides[i].flipH, 0);
        EXPECT_EQ(doc.slides[i].flipV, 0);
    }
    // Appending the slide that opens a new page shows that page.
    FillSlides(ed, 40);
    ed.m_page = 0;
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, {image("D.png", 14)}), 1);
    EXPECT_EQ(ed.m_pageCount, 3);
    EXPECT_EQ(ed.m_page, 2);
}

TEST_F(AddSlides, SwitchTimeFromTheSettingStaysUsable) {
    struct Row {
        int setting;
        int time;
    };
    const Row rows[] = {{0, 1}, {-3, 1}, {1, 1}, {64800, 64800}, {70000, 64800}};
    for (const Row& r : rows) {
        TestPrompts tp;
        WriteSettingInt(Setting::NewSlideSeconds, r.setting);
        FillSlides(ed, 0);
        ASSERT_EQ(AddSlidesFromFiles(ed, -1, {image("T.png", 9)}), 1);
        EXPECT_EQ(doc.slides[0].switchTime, r.time) << "AutoCng " << r.setting;
    }
}

TEST_F(AddSlides, StopsWhenTheTableIsFull) {
    TestPrompts tp;
    FillSlides(ed, 95);
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << image(QStringLiteral("f%1.png").arg(i), 20 + i);
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, files), 5);
    EXPECT_EQ(doc.slideCount, 100);
    EXPECT_EQ(widths(95), (std::vector<int>{20, 21, 22, 23, 24}));
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::TooManySlides});
    EXPECT_EQ(tp.calls[0].kind, MsgKind::Error);
}

TEST_F(AddSlides, RejectedAndUndecodableFilesLeaveNoTrace) {
    TestPrompts tp;
    FillSlides(ed, 3);
    const QString junk = m_dir.filePath(QStringLiteral("broken.png"));
    ASSERT_TRUE(WriteFile(junk, "not an image"));
    const QString text = m_dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(WriteFile(text, "hello"));
    EXPECT_EQ(AddSlidesFromFiles(ed, 1, {junk, text}), 0);
    EXPECT_EQ(doc.slideCount, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(doc.slides[i].reserved1, quint32(i));
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::FilesNotAdded}); // one message for both
    EXPECT_FALSE(ed.m_modified);                                // nothing changed, nothing to save
    EXPECT_EQ(ed.redraws, 1);

    EXPECT_TRUE(tp.calls[0].text.contains(QStringLiteral("broken.png: ")));
    EXPECT_TRUE(tp.calls[0].text.contains(QStringLiteral("notes.txt: ")));

    // A file whose extension is a piece of the accepted list is imported by content.
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, {image("picture.jp", 9)}), 1);
    EXPECT_EQ(widths(3), (std::vector<int>{9}));

    // A mark beyond the table (left from another page) puts the slide at the end.
    ed.m_page = 0;
    EXPECT_EQ(AddSlidesFromFiles(ed, 19, {image("late.png", 7)}), 1);
    EXPECT_EQ(widths(4), (std::vector<int>{7}));
}

TEST_F(AddSlides, TheSizeLimitInForceIsSaidWherePicturesAreAdded) {
    struct Row {
        const char* name;
        int on, width, height; // the settings; -1: not stored
        const char* text;
    };
    const Row rows[] = {
        {"the default", -1, -1, -1,
         "500 × 500 ピクセルを超える画像は、収まるように縮小します\n(設定で変更できます)"},
        {"800 x 600", 1, 800, 600,
         "800 × 600 ピクセルを超える画像は、収まるように縮小します\n(設定で変更できます)"},
        {"off", 0, 800, 600, "画像は元の大きさのまま追加します\n(設定で変更できます)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ClearSettings();
        if (r.on >= 0) {
            WriteSettingInt(Setting::LimitImageSize, r.on);
            WriteSettingInt(Setting::ImageLimitWidth, r.width);
            WriteSettingInt(Setting::ImageLimitHeight, r.height);
        }
        EXPECT_EQ(ImageLimitText(), QString::fromUtf8(r.text));
        TestPrompts tp;
        tp.answerFiles({});
        AddSlidesCommand(ed, -1);
        ASSERT_EQ(tp.calls.size(), 1);
        EXPECT_EQ(tp.calls[0].request.title,
                  QStringLiteral("追加するイメージファイルを指定(複数選択可)"));
        EXPECT_EQ(tp.calls[0].request.note, QString::fromUtf8(r.text));
    }
}

TEST_F(AddSlides, CommandAndDropCollectAtMostAHundred) {
    const QString a = image("a.png", 11), b = image("b.png", 12);
    {
        TestPrompts tp;
        tp.answerFiles({}); // cancelled
        AddSlidesCommand(ed, -1);
        EXPECT_EQ(doc.slideCount, 0);
        EXPECT_EQ(ed.redraws, 0);
        ASSERT_EQ(tp.calls.size(), 1);
        EXPECT_EQ(tp.calls[0].type, PromptCall::OpenFiles);
        EXPECT_TRUE(tp.calls[0].multi);
        EXPECT_TRUE(tp.calls[0].request.title.startsWith(
            QStringLiteral("追加するイメージファイルを指定(複数選択可)")));
        EXPECT_TRUE(tp.calls[0].request.filter.startsWith(
            QStringLiteral("イメージファイル(jpeg, gif, bmp, png, tiff, webp) |*.jpg;*.jpeg;")));
    }
    {
        TestPrompts tp;
        tp.answerFiles({a, b});
        AddSlidesCommand(ed, -1);
        EXPECT_EQ(widths(), (std::vector<int>{11, 12}));
    }
    QStringList many;
    for (int i = 0; i < 101; ++i)
        many << (i % 2 ? a : b);
    {
        TestPrompts tp;
        tp.answer(Answer::No);
        AddDroppedFiles(ed, -1, many, nullptr);
        EXPECT_EQ(doc.slideCount, 2);
        EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::TooManyFilesQuestion});
    }
    {
        // Yes: the first 100 names in drop order; 98 fit, then the table is full.
        TestPrompts tp;
        tp.answer(Answer::Yes);
        AddDroppedFiles(ed, -1, many, nullptr);
        EXPECT_EQ(doc.slideCount, 100);
        EXPECT_EQ(doc.slides[2].picture->size().width(), 12);
        EXPECT_EQ(doc.slides[3].picture->size().width(), 11);
        EXPECT_EQ(tp.messageIds(), (QList<Msg>{Msg::TooManyFilesQuestion, Msg::TooManySlides}));
    }
}

TEST_F(AddSlides, OneMessageNamesEachFileLeftOutOrDamaged) {
    const QByteArray jpeg = [] {
        QImage img(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                img.setPixel(x, y, qRgb(4 * x, 5 * y, (x * y) % 256));
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "jpeg", 90);
        return bytes;
    }();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    const QString notes = m_dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(WriteFile(notes, "hello"));
    const QString dotted = m_dir.filePath(QStringLiteral("ends."));
    ASSERT_TRUE(WriteFile(dotted, "hello"));
    const QString junk = m_dir.filePath(QStringLiteral("junk.png"));
    ASSERT_TRUE(WriteFile(junk, QByteArray(200, char(0x42))));
    const QString cut = m_dir.filePath(QStringLiteral("cut.jpg"));
    ASSERT_TRUE(WriteFile(cut, jpeg.left(jpeg.size() / 2)));
    const QString fine = image(QStringLiteral("fine.png"), 9);
    const QString missing = m_dir.filePath(QStringLiteral("missing.png"));
    const QString folder = m_dir.filePath(QStringLiteral("folder.png"));
    // A pipe named like a picture: opening it would wait for a writer that never comes.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    const QString notAdded = QStringLiteral("次のファイルはスライドにできませんでした");
    const QString damaged = QStringLiteral(
        "次のファイルは壊れている可能性があります (読み取れた範囲でスライドにしました)");
    const struct {
        const char* name;
        QString path;
        int added;
        const char* line; ///< the file's line in the message; null: no message
        Msg reason;
    } rows[] = {
        {"wrong extension", notes, 0, "notes.txt: ", Msg::NotImageFileName},
        {"name ending in a dot", dotted, 0, "ends.: ", Msg::NotImageFileName},
        {"missing file", missing, 0, "missing.png: ", Msg::FileNotFound},
        {"folder named like a picture", folder, 0, "folder.png: ", Msg::NotAFile},
        {"pipe named like a picture", pipe, 0, "pipe.png: ", Msg::NotAFile},
        {"garbage named .png", junk, 0, "junk.png: ", Msg::NotAPicture},
        {"truncated JPEG", cut, 1, "cut.jpg: ", Msg::PictureCutShort},
        {"valid file", fine, 1, nullptr, Msg::Unlisted},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestPrompts tp;
        FillSlides(ed, 0);
        EXPECT_EQ(AddSlidesFromFiles(ed, -1, {r.path}), r.added);
        EXPECT_EQ(doc.slideCount, r.added);
        if (!r.line) {
            EXPECT_TRUE(tp.calls.isEmpty());
            continue;
        }
        ASSERT_EQ(tp.calls.size(), 1);
        const PromptCall& call = tp.calls[0];
        const QString line = QString::fromUtf8(r.line) + MessageText(r.reason);
        EXPECT_EQ(call.text, (r.added ? damaged : notAdded) + QStringLiteral("\n") + line)
            << call.text.toStdString();
        EXPECT_EQ(call.kind, r.added ? MsgKind::Info : MsgKind::Error);
    }

    // All of them in one batch: one message, the files left out first, in batch order.
    TestPrompts tp;
    FillSlides(ed, 0);
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, {notes, cut, missing, fine, folder, junk}), 2);
    ASSERT_EQ(tp.messageIds(), QList<Msg>{Msg::FilesNotAdded});
    const QStringList lines = tp.calls[0].text.split(QLatin1Char('\n'));
    const QStringList expected = {
        notAdded,
        QStringLiteral("notes.txt: ") + MessageText(Msg::NotImageFileName),
        QStringLiteral("missing.png: ") + MessageText(Msg::FileNotFound),
        QStringLiteral("folder.png: ") + MessageText(Msg::NotAFile),
        QStringLiteral("junk.png: ") + MessageText(Msg::NotAPicture),
        QString(),
        damaged,
        QStringLiteral("cut.jpg: ") + MessageText(Msg::PictureCutShort),
    };
    EXPECT_EQ(lines, expected) << tp.calls[0].text.toStdString();
    EXPECT_EQ(tp.calls[0].kind, MsgKind::Error);
}

TEST_F(AddSlides, LongListsNameTwentyFilesAndCountTheRest) {
    const struct {
        int files;
        int named;
        const char* more; ///< the last line, or null when every file is named
    } rows[] = {{20, 20, nullptr}, {21, 20, "ほか 1 件"}, {45, 20, "ほか 25 件"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.files);
        TestPrompts tp;
        QStringList paths;
        for (int i = 0; i < r.files; ++i)
            paths << m_dir.filePath(QStringLiteral("gone%1.png").arg(i));
        EXPECT_EQ(AddSlidesFromFiles(ed, -1, paths), 0);
        ASSERT_EQ(tp.calls.size(), 1);
        const QStringList lines = tp.calls[0].text.split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 1 + r.named + (r.more ? 1 : 0));
        for (int i = 0; i < r.named; ++i)
            EXPECT_EQ(lines[1 + i], QStringLiteral("gone%1.png: ").arg(i) +
                                        QStringLiteral("ファイルが見つかりません"));
        if (r.more) {
            EXPECT_EQ(lines.last(), QString::fromUtf8(r.more));
        }
    }
}
