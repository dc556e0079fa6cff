// How the editor shows which document is open and how documents and pictures are found
// without a file dialog: the window title with its modified marker, the recent
// documents in the background's menu, documents dropped on the window, the empty
// page's hint and add button.

#include "base/Settings.h"
#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"
#include "tests/support/TextInk.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kUntitled = QString::fromUtf8("無題[*] — ルセリオ");

QString Title(const char* name) {
    return QString::fromUtf8(name) + QString::fromUtf8("[*] — ルセリオ");
}

/// Counts the paints that reach a part of the window.
class PaintWatcher : public QObject {
public:
    PaintWatcher(QWidget* w, QRect area) : m_area(area) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && static_cast<QPaintEvent*>(e)->region().intersects(m_area))
            ++paints;
        return false;
    }

private:
    QRect m_area;
};

class FindingDocuments : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        prompts = std::make_unique<TestPrompts>();
        editor = OpenTestEditor();
        ASSERT_TRUE(editor);
    }
    void TearDown() override {
        editor.reset();
        prompts.reset();
        ResetWorld();
    }
    /// Writes a document of `slides` slides to `name` in the test's folder (which makes
    /// it a recent document) and leaves the editor with a new, empty document.
    QString Document(const char* name, int slides) {
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
        FillSlides(*editor, slides);
        EXPECT_TRUE(WriteDocumentFile(path));
        ReleaseAllPictures();
        NewDocument(*editor);
        return path;
    }
    /// A w x 7 PNG in the test's folder; the width tells the slides apart.
    QString Image(const char* name, int w) {
        QImage img(w, 7, QImage::Format_RGB32);
        img.fill(Qt::blue);
        const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
        img.save(path, "PNG");
        return path;
    }
    /// The recent documents' sub-menu of the background's menu.
    QMenu* RecentMenu(QMenu* menu) {
        for (QAction* a : menu->actions())
            if (a->menu() && a->menu()->objectName() == QLatin1String("recentDocuments"))
                return a->menu();
        return nullptr;
    }
    void Drop(const QStringList& paths, QPoint at) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        QMimeData data;
        data.setUrls(urls);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        // Straight to the window: the application passes a drop on only within a drag it
        // has seen start.
        static_cast<QObject*>(editor.get())->event(&drop);
        EXPECT_TRUE(drop.isAccepted());
        QCoreApplication::processEvents(); // the drop's work runs once the drag has ended
    }
    int Width(int slide) { return GetPictureSize(CurrentDocument().slides[slide].picture).width(); }

    QTemporaryDir dir;
    std::unique_ptr<TestPrompts> prompts;
    std::unique_ptr<EditorWindow> editor;
};

} // namespace

TEST_F(FindingDocuments, TheTitleNamesTheDocumentAndMarksItsChanges) {
    EXPECT_EQ(editor->windowTitle(), kUntitled);
    EXPECT_FALSE(editor->isWindowModified());

    // Changes made by the window and by the slide table both show the marker.
    FillSlides(*editor, 3);
    editor->grab();
    editor->CommandAction(Command::TogglePropertyButtons)->trigger();
    EXPECT_TRUE(editor->isWindowModified());
    editor->DocumentSaved(); // as if just saved
    editor->m_selectedCell = 0;
    prompts->answer(Answer::Yes);
    QTest::keyClick(editor.get(), Qt::Key_Delete);
    EXPECT_TRUE(editor->isWindowModified());

    // Save As names the document at once: the title band is painted again without
    // waiting for another reason to paint.
    const QString saved = dir.path() + QStringLiteral("/旅行.lsr");
    prompts->answerSave(saved);
    PaintWatcher band(editor.get(), QRect(0, 0, editor->width(), 58));
    OnSaveCommand(*editor);
    EXPECT_EQ(editor->windowTitle(), Title("旅行.lsr"));
    EXPECT_FALSE(editor->isWindowModified());
    QCoreApplication::processEvents();
    EXPECT_GT(band.paints, 0);

    // Opening another document names it; a new document is untitled again.
    const QString other = Document("other.lsr", 2);
    EXPECT_EQ(editor->windowTitle(), kUntitled);
    FillSlides(*editor, 1);
    editor->RecordChange(QStringLiteral("x"), [] { CurrentDocument().slides[0].switchTime = 7; });
    prompts->answer(Answer::No); // its changes are not kept
    prompts->answerFiles({other});
    OnOpenCommand(*editor);
    EXPECT_EQ(CurrentDocument().slideCount, 2);
    EXPECT_EQ(editor->windowTitle(), Title("other.lsr"));
    EXPECT_FALSE(editor->isWindowModified());
}

TEST_F(FindingDocuments, RecentDocumentsAreListedAndOpenedFromTheMenu) {
    // None yet: the sub-menu is there, greyed.
    {
        const std::unique_ptr<QMenu> menu = editor->BuildContextMenu(QPoint(3, 3));
        QMenu* recent = RecentMenu(menu.get());
        ASSERT_TRUE(recent);
        EXPECT_EQ(recent->title(), QString::fromUtf8("最近使ったドキュメント(&D)"));
        EXPECT_FALSE(recent->isEnabled());
    }
    const QString one = Document("one.lsr", 1);
    const QString two = Document("R&D.lsr", 2);
    const QString gone = dir.path() + QStringLiteral("/gone.lsr");
    RememberRecentDocument(gone);

    const std::unique_ptr<QMenu> menu = editor->BuildContextMenu(QPoint(3, 3));
    QMenu* recent = RecentMenu(menu.get());
    ASSERT_TRUE(recent);
    const QList<QAction*> items = recent->actions();
    ASSERT_EQ(items.size(), 3);
    const char* texts[] = {"&1 gone.lsr", "&2 R&&D.lsr", "&3 one.lsr"};
    const QString paths[] = {gone, two, one};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i])) << i;
        EXPECT_EQ(items[i]->toolTip(), QDir::toNativeSeparators(paths[i])) << i;
    }

    struct Row {
        const char* name;
        int item;
        Answer answer; // to the unsaved-changes question; None: no question
        QList<Msg> messages;
        int slides; // afterwards
        QString title;
    };
    const Row rows[] = {
        {"Cancel keeps the document", 2, Answer::Cancel, {Msg::SaveChangesQuestion}, 5, kUntitled},
        {"No opens it", 2, Answer::No, {Msg::SaveChangesQuestion}, 1, Title("one.lsr")},
        {"a missing file is only reported",
         0,
         Answer::None,
         {Msg::RecentDocumentMissing},
         5,
         kUntitled},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        NewDocument(*editor);
        FillSlides(*editor, 5);
        editor->m_modified = true;
        if (r.answer != Answer::None)
            p.answer(r.answer);
        items[r.item]->trigger();
        EXPECT_EQ(p.messageIds(), r.messages) << r.name;
        EXPECT_EQ(CurrentDocument().slideCount, r.slides) << r.name;
        EXPECT_EQ(editor->windowTitle(), r.title) << r.name;
    }
    // The opened document came to the head; the missing one left the list.
    EXPECT_EQ(ReadRecentDocuments(), (QStringList{one, two}));
}

TEST_F(FindingDocuments, ADroppedDocumentIsOpenedAndTheOtherFilesIgnored) {
    const QString show = Document("show.lsr", 4);
    const QString png = Image("a.png", 11);
    struct Row {
        const char* name;
        Answer answer; // to the unsaved-changes question; None: unmodified
        int slides;    // afterwards
    };
    const Row rows[] = {
        {"unmodified: opened at once", Answer::None, 4},
        {"modified, Cancel: kept", Answer::Cancel, 2},
        {"modified, No: opened", Answer::No, 4},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        NewDocument(*editor);
        FillSlides(*editor, 2);
        editor->grab();
        editor->m_modified = r.answer != Answer::None;
        if (r.answer != Answer::None)
            p.answer(r.answer);
        Drop({png, show, Image("b.png", 12)}, editor->m_markRects[1].center());
        EXPECT_EQ(p.messageIds(),
                  r.answer != Answer::None ? QList<Msg>{Msg::SaveChangesQuestion} : QList<Msg>{})
            << r.name;
        EXPECT_EQ(CurrentDocument().slideCount, r.slides) << r.name;
        EXPECT_EQ(editor->m_mark, -1) << r.name;
    }
    // Pictures alone are added as before.
    Drop({png}, QPoint(3, 3));
    ASSERT_EQ(CurrentDocument().slideCount, 5);
    EXPECT_EQ(Width(4), 11);
}

TEST_F(FindingDocuments, TheEmptyPageTellsHowToAddPicturesInAReadableInk) {
    // One plain background, so the hint's ink can be read against it.
    struct Row {
        const char* name;
        QRgb background;
        QRgb ink;
    };
    const Row rows[] = {
        {"dark background: light ink", qRgb(0, 0, 66), qRgb(255, 255, 255)},
        {"light background: dark ink", qRgb(247, 243, 215), qRgb(0, 0, 0)},
    };
    for (const Row& r : rows) {
        DocumentHeader& h = CurrentDocument().header;
        h.backgroundLeft = h.backgroundCenter = h.backgroundRight = r.background;
        const QImage shot = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect mark = editor->m_markRects[0];
        const TextInk hint =
            MeasureTextInk(shot, QRect(0, 58, shot.width(), mark.top() - 58), r.ink, r.background);
        EXPECT_EQ(hint.strays, 0) << r.name;
        EXPECT_LE(hint.nearest, 8) << r.name;
        EXPECT_GT(hint.ink, 200.0) << r.name; // two lines of text
    }
}

TEST_F(FindingDocuments, TheEmptyPagesButtonAddsPicturesWithMouseAndKeys) {
    const QImage plain = editor->grab().toImage();
    const QRect button = editor->m_addButtonRect;
    const QRect mark = editor->m_markRects[0];
    ASSERT_FALSE(button.isEmpty());
    // Under the mark, centred on it, above the graph.
    EXPECT_GT(button.top(), mark.bottom());
    EXPECT_LE(std::abs(button.center().x() - mark.center().x()), 1);
    EXPECT_LT(button.bottom(), editor->m_graphRect.top());

    // The pointer over it lights it up; away, it is as before.
    editor->PointerMoved(button.center());
    EXPECT_NE(editor->grab().toImage().copy(button), plain.copy(button));
    editor->PointerMoved(QPoint(3, 3));
    EXPECT_EQ(editor->grab().toImage().copy(button), plain.copy(button));

    // Enter does nothing until Tab gives the button the focus; then Enter and Space press
    // it (the dialog cancelled here adds nothing).
    QTest::keyClick(editor.get(), Qt::Key_Return);
    EXPECT_TRUE(prompts->calls.isEmpty());
    QTest::keyClick(editor.get(), Qt::Key_Tab);
    prompts->answerFiles({});
    QTest::keyClick(editor.get(), Qt::Key_Return);
    prompts->answerFiles({});
    QTest::keyClick(editor.get(), Qt::Key_Space);
    ASSERT_EQ(prompts->calls.size(), 2);
    EXPECT_EQ(prompts->calls[0].type, PromptCall::OpenFiles);
    EXPECT_EQ(CurrentDocument().slideCount, 0);

    // A click chooses the files; they are added in the names' order, and the button is
    // gone from the page that shows them.
    prompts->answerFiles({Image("p10.png", 13), Image("p2.png", 12), Image("p1.png", 11)});
    QTest::mouseClick(editor.get(), Qt::LeftButton, Qt::NoModifier, button.center());
    ASSERT_EQ(CurrentDocument().slideCount, 3);
    EXPECT_EQ(Width(0), 11);
    EXPECT_EQ(Width(1), 12);
    EXPECT_EQ(Width(2), 13);
    editor->grab();
    EXPECT_TRUE(editor->m_addButtonRect.isEmpty());
    EXPECT_FALSE(editor->HitAddButton(button.center()));
}
