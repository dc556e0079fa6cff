#include "image/AddSlides.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AddSlides : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        m_oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    }
    void TearDown() override {
        qputenv("TMPDIR", m_oldTmp);
        ResetWorld();
    }
    /// A small opaque PNG whose width tells the files apart.
    QString image(const QString& name, int width) {
        QImage img(width, 3, QImage::Format_RGB32);
        img.fill(qRgb(10, 20, 30));
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "png");
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
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
    QTemporaryDir m_dir, m_tmp;
    QByteArray m_oldTmp;
};

} // namespace

TEST(CheckImageExtension, NormalisesOrRejects) {
    ResetWorld();
    const struct {
        const char* path;
        const char* ext;
        bool message;
    } cases[] = {
        {"/photos/photo.JPG", "jpeg", false}, {"/photos/scan.TIF", "tiff", false},
        {"/photos/a.jpeg", "jpeg", false},    {"/photos/a.Png", "png", false},
        {"/photos/a.b.gif", "gif", false},    {"/photos/a.tiff", "tiff", false},
        {"/photos/picture.jp", "jp", false},  {"/photos/x.-", "-", false},
        {"/photos/x.pe", "pe", false},        {"/photos/notes.txt", "", true},
        {"/photos/nodot", "", true},          {"photo.png", "", true},
        {"/pho.tos/nodot", "", true},         {"/photos/ends.", "", false},
        {"/photos/x.pngx", "", true},         {"/photos/x.ＰＮＧ", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TestPrompts tp;
        EXPECT_EQ(CheckImageExtension(nullptr, QString::fromUtf8(c.path)), QLatin1String(c.ext));
        if (c.message) {
            ASSERT_EQ(tp.messageIds(), QList<Msg>{Msg::NotAnImage});
            EXPECT_EQ(tp.calls[0].kind, MsgKind::Info);
        } else {
            EXPECT_TRUE(tp.calls.isEmpty());
        }
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

TEST_F(AddSlides, AtTheMarkInReverseOrder) {
    TestPrompts tp;
    FillSlides(ed, 5);
    ed.m_page = 0;
    const QStringList files = {image("A.png", 11), image("B.png", 12), image("C.png", 13)};
    EXPECT_EQ(AddSlidesFromFiles(ed, 2, files), 3);
    ASSERT_EQ(doc.slideCount, 8);
    EXPECT_EQ(widths(2), (std::vector<int>{13, 12, 11, 4, 4, 4}));
    EXPECT_EQ(doc.slides[5].reserved1, 2u); // the former slide 2
    EXPECT_TRUE(ed.m_modified);
    EXPECT_EQ(ed.redraws, 1);
    EXPECT_TRUE(tp.calls.isEmpty());
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
    EXPECT_EQ(tp.messageIds(), QList<Msg>{Msg::NotAnImage});
    EXPECT_FALSE(ed.m_modified); // nothing changed, nothing to save
    EXPECT_EQ(ed.redraws, 1);

    // A file whose extension is a piece of the accepted list is imported by content.
    EXPECT_EQ(AddSlidesFromFiles(ed, -1, {image("picture.jp", 9)}), 1);
    EXPECT_EQ(widths(3), (std::vector<int>{9}));

    // A mark beyond the table (left from another page) puts the slide at the end.
    ed.m_page = 0;
    EXPECT_EQ(AddSlidesFromFiles(ed, 19, {image("late.png", 7)}), 1);
    EXPECT_EQ(widths(4), (std::vector<int>{7}));
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
        EXPECT_EQ(tp.calls[0].request.title,
                  QStringLiteral("追加するイメージファイルを指定(複数選択可)"));
        EXPECT_TRUE(tp.calls[0].request.filter.startsWith(
            QStringLiteral("イメージファイル(jpeg, gif, bmp, png, tiff) |*.jpg;*.jpeg;")));
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
