// The command side of the main window: its actions, their keys, the context menus, the
// clipboard, dropped files and closing. The real window is driven with key events, the
// actions' triggers and the test prompts.

#include "base/Settings.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "image/Clipboard.h"
#include "image/ImageImport.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Commands : public EditorTest {
protected:
    /// `n` slides, painted once so the rectangles of the page are known.
    void Slides(int n, int page = 0) {
        FillSlides(*editor, n);
        editor->m_page = page;
        editor->m_rebuildCells = true;
        editor->grab();
    }
    QPoint CellPoint(int k) const { return editor->m_cellRects[k].center(); }
    QPoint MarkPoint(int k) const { return editor->m_markRects[k].center(); }
    SlideRecord& Slide(int i) { return CurrentDocument().slides[i]; }
    /// Carries out command `c` as its action does when triggered.
    void Run(Command c) { editor->CommandAction(c)->trigger(); }
    /// Hands a drag event straight to the window's handlers: the application's own
    /// bookkeeping passes a leave or a drop on only within a drag it has seen start.
    void Deliver(QEvent* e) { static_cast<QObject*>(editor.get())->event(e); }
};

/// The menu as text rows: "-" for a separator, "> title" opening a sub-menu and "<"
/// closing it, otherwise the action's name and text.
QStringList MenuRows(const QMenu* menu) {
    QStringList rows;
    const QList<QAction*> actions = menu->actions();
    for (const QAction* a : actions) {
        if (a->isSeparator()) {
            rows << QStringLiteral("-");
        } else if (a->menu()) {
            rows << QStringLiteral("> ") + a->text();
            rows << MenuRows(a->menu());
            rows << QStringLiteral("<");
        } else {
            rows << a->objectName() + QLatin1Char(' ') + a->text();
        }
    }
    return rows;
}

/// The item of `menu` or its sub-menus that is `action`; null when the menu lacks it.
const QAction* Item(const QMenu* menu, const QAction* action) {
    for (const QAction* a : menu->actions()) {
        if (a == action)
            return a;
        if (a->menu())
            if (const QAction* found = Item(a->menu(), action))
                return found;
    }
    return nullptr;
}

QStringList Utf8(std::initializer_list<const char*> rows) {
    QStringList out;
    for (const char* r : rows)
        out << QString::fromUtf8(r);
    return out;
}

/// Writes a w x 7 PNG into `dir`; the width tells the slides apart afterwards.
QString ImageFile(const QTemporaryDir& dir, const char* name, int w) {
    QImage img(w, 7, QImage::Format_RGB32);
    img.fill(Qt::blue);
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    img.save(path, "PNG");
    return path;
}

} // namespace

TEST_F(Commands, DeleteAsksAndDeletesTheSlideUnderThePointer) {
    struct Row {
        const char* name;
        int select;    // page cell under the pointer
        Answer answer; // None: no question expected
        int count;     // slides afterwards
    };
    const Row rows[] = {
        {"Yes deletes", 2, Answer::Yes, 4},
        {"No keeps it", 2, Answer::No, 5},
        {"pointer over no slide", -1, Answer::None, 5},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        Slides(5);
        editor->DocumentSaved(); // as if just saved
        editor->m_selectedCell = r.select;
        if (r.answer != Answer::None)
            p.answer(r.answer);
        QTest::keyClick(editor.get(), Qt::Key_Delete);
        EXPECT_EQ(p.messageIds(),
                  r.answer != Answer::None ? QList<Msg>{Msg::DeleteSlideQuestion} : QList<Msg>{})
            << r.name;
        if (r.answer != Answer::None) {
            EXPECT_EQ(p.calls[0].kind, MsgKind::YesNo) << r.name;
            // The question names the slide: its number and its time.
            EXPECT_EQ(p.calls[0].text, QStringLiteral("スライド 3 (切替え時間 00:03)\n") +
                                           MessageText(Msg::DeleteSlideQuestion))
                << r.name;
        }
        EXPECT_EQ(CurrentDocument().slideCount, r.count) << r.name;
        EXPECT_EQ(editor->m_modified, r.count == 4) << r.name;
        if (r.count == 4) {
            EXPECT_EQ(Slide(2).reserved1, 3u) << r.name; // the next slide moved up
            EXPECT_EQ(editor->m_selectedCell, -1) << r.name;
        }
    }
    // The only slide of the last page: the view goes back a page.
    TestPrompts p;
    Slides(21, 1);
    editor->m_selectedCell = 0;
    Slide(20).switchTime = 3725;
    p.answer(Answer::Yes);
    Run(Command::DeleteSlide);
    EXPECT_TRUE(p.calls[0].text.startsWith(QStringLiteral("スライド 21 (切替え時間 01:02:05)\n")));
    EXPECT_EQ(CurrentDocument().slideCount, 20);
    EXPECT_EQ(editor->m_page, 0);
    EXPECT_EQ(editor->m_pageCount, 1);
}

TEST_F(Commands, CommandKeysRunTheirCommands) {
    Slides(3);
    editor->m_selectedCell = 1;
    Slide(1).keyColor = qRgb(255, 0, 0);

    // Ctrl+C copies the slide under the pointer.
    QTest::keyClick(editor.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("255,2,0,0"));
    EXPECT_TRUE(data->hasImage());

    // Ctrl+V pastes it (no mark: appended).
    QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(CurrentDocument().slideCount, 4);
    EXPECT_EQ(Slide(3).keyColor, qRgb(255, 0, 0));
    EXPECT_EQ(Slide(3).switchTime, 2);
    EXPECT_TRUE(editor->m_modified);

    // Delete asks Msg::DeleteSlideQuestion.
    prompts->answer(Answer::No);
    QTest::keyClick(editor.get(), Qt::Key_Delete);
    EXPECT_EQ(prompts->messageIds(), QList<Msg>{Msg::DeleteSlideQuestion});

    // Other modifiers are other keys.
    QTest::keyClick(editor.get(), Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(prompts->messageIds(), QList<Msg>{Msg::DeleteSlideQuestion});
    EXPECT_EQ(CurrentDocument().slideCount, 4);

    // F11 maximises and restores.
    QTest::keyClick(editor.get(), Qt::Key_F11);
    EXPECT_TRUE(editor->windowState() & Qt::WindowMaximized);
    QTest::keyClick(editor.get(), Qt::Key_F11);
    EXPECT_FALSE(editor->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(Commands, EnterNeverClosesAndEscapeAsksFirst) {
    Slides(2);
    editor->m_modified = true;
    QTest::keyClick(editor.get(), Qt::Key_Return);
    QTest::keyClick(editor.get(), Qt::Key_Enter);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(prompts->calls.isEmpty());

    prompts->answer(Answer::Cancel);
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    EXPECT_EQ(prompts->messageIds(), QList<Msg>{Msg::SaveChangesQuestion});
    EXPECT_EQ(prompts->calls[0].kind, MsgKind::YesNoCancel);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->m_modified);
}

TEST_F(Commands, ClosingWithYesClosesOnlyWhenTheSaveSucceeded) {
    QTemporaryDir dir;
    struct Row {
        const char* name;
        QString path;
        bool closes;
    };
    const Row rows[] = {
        {"save fails: the window stays", dir.path() + "/missing/folder/show.lsr", false},
        {"save succeeds: the window closes", dir.path() + "/show.lsr", true},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        EditorWindow win;
        ASSERT_TRUE(win.Initialize());
        win.show();
        FillSlides(win, 2);
        CurrentDocument().filePath = r.path;
        win.m_modified = true;
        p.answer(Answer::Yes);
        QTest::keyClick(&win, Qt::Key_Escape);
        EXPECT_EQ(p.messageIds().value(0), Msg::SaveChangesQuestion) << r.name;
        EXPECT_EQ(!win.isVisible(), r.closes) << r.name;
        EXPECT_EQ(win.m_modified, !(r.closes)) << r.name;
        EXPECT_EQ(QFileInfo::exists(r.path), r.closes) << r.name;
    }
}

TEST_F(Commands, ThePopUpFollowsThePointer) {
    Slides(3);
    struct Row {
        const char* name;
        QPoint pt;
        const char* title;
    };
    const Row rows[] = {
        {"slide image", CellPoint(1), "SLIDE"},
        {"insertion mark", MarkPoint(3), "MA"},
        {"mark widened by 5 px", MarkPoint(0) + QPoint(-5, 0), "MA"},
        {"elsewhere", QPoint(3, 3), "VIEW"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(editor->BuildContextMenu(r.pt)->title(), QString::fromLatin1(r.title)) << r.name;

    EXPECT_EQ(MenuRows(editor->BuildContextMenu(QPoint(3, 3)).get()),
              Utf8({"undo 元に戻す(&U)\tCtrl+Z",
                    "redo やり直し(&Y)\tCtrl+Y",
                    "-",
                    "> ファイル(&F)",
                    "newDocument 新規作成(&N)\tCtrl+N",
                    "openDocument 開く(&O)...\tCtrl+O",
                    "saveDocument 上書き保存(&S)\tCtrl+S",
                    "saveDocumentAs 名前を付けて保存(&A)...\tCtrl+Shift+S",
                    "<",
                    "slideshowFromStart 最初からスライドショー(&W)\tF5",
                    "-",
                    "> 背景色(&B)",
                    "backgroundLeft 左(&L)",
                    "backgroundCenter 中央(&C)",
                    "backgroundRight 右(&R)",
                    "<",
                    "-",
                    "refresh 最新の情報に更新(&R)",
                    "-",
                    "toggleMaximized 最大化/元の大きさに戻す(&M)\tWClick/F11",
                    "-",
                    "slideList プロパティ(&P)",
                    "-",
                    "> 最近使ったドキュメント(&D)",
                    "<"}));
    EXPECT_EQ(MenuRows(editor->BuildContextMenu(CellPoint(0)).get()),
              Utf8({"undo 元に戻す(&U)\tCtrl+Z",
                    "redo やり直し(&Y)\tCtrl+Y",
                    "-",
                    "slideshowFromHere ここからスライドショー(&S)\tShift+F5",
                    "-",
                    "copySlide コピー(&C)\tCtrl+C",
                    "-",
                    "deleteSlide 削除(&D)\tDelete",
                    "-",
                    "> 反転(&R)",
                    "flipHorizontal 左右反転(&H)",
                    "flipVertical 上下反転(&V)",
                    "<",
                    "-",
                    "> 透過色の指定(&T)",
                    "pickKeyColor クリック指定(&T)",
                    "-",
                    "keyBlack 黒色 RGB(0, 0, 0) (&S)",
                    "keyWhite 白色 RGB(255, 255, 255) (&W)",
                    "keyRed 赤色 RGB(255, 0, 0) (&R)",
                    "keyGreen 緑色 RGB(0, 255, 0) (&G)",
                    "keyBlue 青色 RGB(0, 0, 255) (&B)",
                    "<",
                    "-",
                    "clearKeyColor 透過色の解除(&K)",
                    "-",
                    "togglePropertyButtons 右下にプロパティボタン表示(&Z)",
                    "-",
                    "slideProperties プロパティ(&P)\tWClick"}));
    EXPECT_EQ(MenuRows(editor->BuildContextMenu(MarkPoint(0)).get()),
              Utf8({"undo 元に戻す(&U)\tCtrl+Z", "redo やり直し(&Y)\tCtrl+Y", "-",
                    "addSlides スライド追加(&A)", "-", "pasteSlide 貼り付け(&P)\tCtrl+V"}));
}

TEST_F(Commands, TheSlidePopUpShowsTheSlidesOwnStates) {
    Slides(25, 1); // page 2 shows slides 20 to 24
    struct Row {
        const char* name;
        KeyColor key;
        int flipH, flipV, propButtons;
    };
    const Row rows[] = {
        {"no key, no flips", std::nullopt, 0, 0, 0},
        {"key, left-right", qRgb(0, 0, 0), 1, 0, 1},
        {"top-bottom", qRgb(1, 2, 3), 0, 1, 0},
        {"flag 2 is no check mark", std::nullopt, 2, 1, 1},
    };
    for (const Row& r : rows) {
        Slide(23).keyColor = r.key;
        Slide(23).flipH = quint8(r.flipH);
        Slide(23).flipV = quint8(r.flipV);
        CurrentDocument().header.showPropertyButtons = r.propButtons;
        const auto menu = editor->BuildContextMenu(CellPoint(3));
        ASSERT_EQ(menu->title(), QStringLiteral("SLIDE")) << r.name;
        EXPECT_EQ(Item(menu.get(), editor->CommandAction(Command::ClearKeyColor))->isEnabled(),
                  r.key != std::nullopt)
            << r.name;
        EXPECT_EQ(Item(menu.get(), editor->CommandAction(Command::FlipHorizontal))->isChecked(),
                  r.flipH == 1)
            << r.name;
        EXPECT_EQ(Item(menu.get(), editor->CommandAction(Command::FlipVertical))->isChecked(),
                  r.flipV == 1)
            << r.name;
        EXPECT_EQ(
            Item(menu.get(), editor->CommandAction(Command::TogglePropertyButtons))->isChecked(),
            r.propButtons == 1)
            << r.name;
        for (Command c :
             {Command::DeleteSlide, Command::SlideshowFromHere, Command::CopySlide,
              Command::SlideProperties, Command::PickKeyColor, Command::KeyBlack, Command::KeyBlue})
            EXPECT_TRUE(Item(menu.get(), editor->CommandAction(c))->isEnabled())
                << r.name << " item " << editor->CommandAction(c)->objectName().toStdString();
    }
    // The swatches, black, white, red, green, blue, as the colour items' images.
    const auto menu = editor->BuildContextMenu(CellPoint(0));
    const Command swatchCommands[5] = {Command::KeyBlack, Command::KeyWhite, Command::KeyRed,
                                       Command::KeyGreen, Command::KeyBlue};
    const QRgb swatch[5] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                            qRgb(0, 0, 255)};
    for (int i = 0; i < 5; ++i) {
        const QAction* item = Item(menu.get(), editor->CommandAction(swatchCommands[i]));
        ASSERT_TRUE(item) << i;
        const QIcon icon = item->icon();
        ASSERT_FALSE(icon.isNull()) << i;
        const QImage img = icon.pixmap(QSize(16, 16)).toImage();
        EXPECT_EQ(img.pixel(img.width() / 2, img.height() / 2) | 0xFF000000u, swatch[i]) << i;
    }
}

TEST_F(Commands, TheMarkPopUpGreysWhatCannotBeDone) {
    struct Row {
        const char* name;
        int slides;
        bool clipboardImage;
        bool add, paste;
    };
    const Row rows[] = {
        {"room, no image on the clipboard", 3, false, true, false},
        {"room, image on the clipboard", 3, true, true, true},
        {"100 slides", 100, true, false, false},
    };
    for (const Row& r : rows) {
        Slides(r.slides);
        if (r.clipboardImage)
            QGuiApplication::clipboard()->setMimeData(
                MakeSlideMimeData(QImage(4, 4, QImage::Format_RGB32), "x"));
        else
            QGuiApplication::clipboard()->clear();
        const auto menu = editor->BuildContextMenu(MarkPoint(0));
        ASSERT_EQ(menu->title(), QStringLiteral("MA")) << r.name;
        EXPECT_EQ(Item(menu.get(), editor->CommandAction(Command::AddSlides))->isEnabled(), r.add)
            << r.name;
        EXPECT_EQ(Item(menu.get(), editor->CommandAction(Command::PasteSlide))->isEnabled(),
                  r.paste)
            << r.name;
    }
    // The view menu is shown as it is.
    const auto view = editor->BuildContextMenu(QPoint(3, 3));
    for (Command c : {Command::BackgroundLeft, Command::BackgroundRight, Command::BackgroundCenter,
                      Command::Refresh, Command::ToggleMaximized, Command::SlideList}) {
        const QAction* item = Item(view.get(), editor->CommandAction(c));
        ASSERT_TRUE(item) << int(c);
        EXPECT_TRUE(item->isEnabled()) << int(c);
        EXPECT_FALSE(item->isChecked()) << int(c);
    }
}

TEST_F(Commands, FixedColoursKeyJpegSlidesWithoutAFringe) {
    // Shapes on white as a JPEG picture, as an imported PNG without transparency is.
    const QImage art = ShapesOn(qRgb(255, 255, 255));
    const PicturePtr jpeg = Picture::fromBytes([&art] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        art.save(&buffer, "JPEG", 70);
        return bytes;
    }());
    ASSERT_TRUE(jpeg);
    // Keyed exactly, the JPEG showed thousands of its background's pixels.
    const int before = BackgroundLeftVisible(art, jpeg->image(), qRgb(255, 255, 255));
    ASSERT_GT(before, 500);
    Slides(3);
    Slide(1).picture = jpeg;
    editor->m_selectedCell = 1;
    editor->DocumentSaved();
    editor->undoStack()->clear();

    Run(Command::KeyWhite);
    EXPECT_EQ(Slide(1).keyColor, qRgb(255, 255, 255));
    const QByteArray stored = Slide(1).picture->save();
    ASSERT_TRUE(stored.startsWith("BM"));
    const int after = BackgroundLeftVisible(art, QImage::fromData(stored), qRgb(255, 255, 255));
    EXPECT_LT(after * 100, before) << after << " of " << before;
    // Clearing the colour gives the JPEG back; each is one step.
    Run(Command::ClearKeyColor);
    EXPECT_EQ(Slide(1).picture, jpeg);
    EXPECT_EQ(editor->undoStack()->count(), 2);
    editor->undoStack()->undo();
    EXPECT_EQ(Slide(1).keyColor, qRgb(255, 255, 255));
    EXPECT_NE(Slide(1).picture, jpeg);
    editor->undoStack()->undo();
    EXPECT_EQ(Slide(1).picture, jpeg);
    EXPECT_FALSE(editor->m_modified);
}

TEST_F(Commands, SlideImageCommands) {
    struct Row {
        const char* name;
        QList<Command> commands;
        KeyColor key;
        int flipH, flipV;
    };
    const Row rows[] = {
        {"black", {Command::KeyBlack}, qRgb(0, 0, 0), 0, 0},
        {"white", {Command::KeyWhite}, qRgb(255, 255, 255), 0, 0},
        {"red", {Command::KeyRed}, qRgb(0xFF, 0x00, 0x00), 0, 0},
        {"green", {Command::KeyGreen}, qRgb(0x00, 0xFF, 0x00), 0, 0},
        {"blue", {Command::KeyBlue}, qRgb(0x00, 0x00, 0xFF), 0, 0},
        {"clearing the key", {Command::KeyRed, Command::ClearKeyColor}, std::nullopt, 0, 0},
        {"mirrored left-right", {Command::FlipHorizontal}, qRgb(9, 9, 9), 1, 0},
        {"mirrored left-right twice",
         {Command::FlipHorizontal, Command::FlipHorizontal},
         qRgb(9, 9, 9),
         0,
         0},
        {"mirrored top-bottom", {Command::FlipVertical}, qRgb(9, 9, 9), 0, 1},
    };
    for (const Row& r : rows) {
        Slides(25, 1);
        editor->m_selectedCell = 2; // slide 22
        Slide(22).keyColor = qRgb(9, 9, 9);
        editor->DocumentSaved(); // as if just saved
        for (Command c : r.commands)
            Run(c);
        EXPECT_EQ(Slide(22).keyColor, r.key) << r.name;
        EXPECT_EQ(Slide(22).flipH, r.flipH) << r.name;
        EXPECT_EQ(Slide(22).flipV, r.flipV) << r.name;
        EXPECT_TRUE(editor->m_modified) << r.name;
        EXPECT_EQ(Slide(2).keyColor, std::nullopt) << r.name; // page 1's cell 2 untouched
        EXPECT_TRUE(prompts->calls.isEmpty()) << r.name;
    }
    // The copy of a slide keyed red starts with 255 and a comma.
    editor->m_selectedCell = 0;
    Run(Command::KeyRed);
    Run(Command::CopySlide);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("255,")));

    // With no slide under the pointer nothing changes.
    Slides(3);
    editor->m_selectedCell = -1;
    editor->DocumentSaved(); // as if just saved
    for (Command c :
         {Command::KeyBlack, Command::ClearKeyColor, Command::FlipHorizontal, Command::FlipVertical,
          Command::DeleteSlide, Command::CopySlide, Command::SlideProperties})
        Run(c);
    EXPECT_FALSE(editor->m_modified);
    EXPECT_EQ(Slide(0).keyColor, std::nullopt);
    EXPECT_EQ(Slide(0).flipH, 0);

    // Pick mode goes on and off again.
    Run(Command::PickKeyColor);
    EXPECT_TRUE(std::holds_alternative<EditorWindow::PickingColor>(editor->m_gesture));
    Run(Command::PickKeyColor);
    EXPECT_FALSE(std::holds_alternative<EditorWindow::PickingColor>(editor->m_gesture));
}

TEST_F(Commands, WindowCommands) {
    Slides(2);
    DocumentHeader& h = CurrentDocument().header;
    h.backgroundLeft = qRgb(1, 1, 1);
    h.backgroundRight = qRgb(2, 2, 2);
    h.backgroundCenter = qRgb(3, 3, 3);
    struct Row {
        const char* name;
        Command command;
        QRgb DocumentHeader::*field;
        QRgb initial;
    };
    const Row rows[] = {
        {"left", Command::BackgroundLeft, &DocumentHeader::backgroundLeft, qRgb(1, 1, 1)},
        {"right", Command::BackgroundRight, &DocumentHeader::backgroundRight, qRgb(2, 2, 2)},
        {"centre", Command::BackgroundCenter, &DocumentHeader::backgroundCenter, qRgb(3, 3, 3)},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        editor->DocumentSaved();     // as if just saved
        p.answerColor(std::nullopt); // cancelled: nothing changes
        Run(r.command);
        EXPECT_EQ(h.*r.field, r.initial) << r.name;
        EXPECT_FALSE(editor->m_modified) << r.name;
        p.answerColor(qRgb(200, 100, 50));
        Run(r.command);
        EXPECT_EQ(h.*r.field, qRgb(200, 100, 50)) << r.name;
        EXPECT_TRUE(editor->m_modified) << r.name;
        ASSERT_EQ(p.calls.size(), 2) << r.name;
        EXPECT_EQ(p.calls[0].type, PromptCall::ChooseColor) << r.name;
        EXPECT_EQ(p.calls[0].color, r.initial) << r.name;
    }
    EXPECT_EQ(h.backgroundLeft, qRgb(200, 100, 50));

    // The property buttons are inverted; any set value counts as shown.
    for (const auto& [before, after] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{5, 0}}) {
        h.showPropertyButtons = before;
        editor->DocumentSaved(); // as if just saved
        Run(Command::TogglePropertyButtons);
        EXPECT_EQ(h.showPropertyButtons, after) << before;
        EXPECT_TRUE(editor->m_modified);
    }

    // The window is maximised and restored; Refresh does nothing.
    Run(Command::ToggleMaximized);
    EXPECT_TRUE(editor->windowState() & Qt::WindowMaximized);
    Run(Command::ToggleMaximized);
    EXPECT_FALSE(editor->windowState() & Qt::WindowMaximized);
    editor->DocumentSaved(); // as if just saved
    Run(Command::Refresh);
    EXPECT_FALSE(editor->m_modified);
}

TEST_F(Commands, CopyingAMirroredSlideGivesTheUnmirroredPicture) {
    Slides(3);
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(0, 0, qRgb(255, 0, 0)); // red in the top-left corner only
    Slide(1).picture = Picture::fromImage(img);
    Slide(1).flipH = 1;
    Slide(1).switchTime = 42;
    editor->m_selectedCell = 1;
    Run(Command::CopySlide);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasImage());
    EXPECT_EQ(data->text(), QStringLiteral("-1,42,1,0"));
    const QImage copied = qvariant_cast<QImage>(data->imageData());
    ASSERT_EQ(copied.size(), QSize(3, 2));
    EXPECT_EQ(copied.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(copied.pixel(2, 0), qRgb(255, 255, 255));
    // The wait cursor of the copy goes away by itself.
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::overrideCursor() == nullptr, 3000);

    // Pasted at a mark, the new slide is mirrored again by its flag.
    editor->m_mark = 0;
    Run(Command::PasteSlide);
    ASSERT_EQ(CurrentDocument().slideCount, 4);
    EXPECT_EQ(Slide(0).flipH, 1);
    EXPECT_EQ(Slide(0).switchTime, 42);
    EXPECT_EQ(GetPictureSize(Slide(0).picture), QSize(3, 2));
    EXPECT_EQ(Slide(1).reserved1, 0u);
}

TEST_F(Commands, SlidesCopiedHerePasteBackPixelForPixel) {
    // Slides as the import leaves them: a keyed picture whose edge pixels are half
    // transparent (prepared for the key once, kept as pixels), and an opaque one kept as
    // its JPEG file. Each round copies the newest slide and pastes it at the end.
    QTemporaryDir dir, tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    QImage keyed(8, 6, QImage::Format_ARGB32);
    keyed.fill(qRgba(0, 255, 0, 0));
    for (int y = 1; y < 5; ++y)
        for (int x = 1; x < 7; ++x) {
            const bool edge = x == 1 || x == 6 || y == 1 || y == 4;
            keyed.setPixel(x, y, edge ? qRgba(50, 83, 227, 128) : qRgba(200, 40, 90, 255));
        }
    QImage photo(16, 12, QImage::Format_RGB32);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            photo.setPixel(x, y, qRgb(15 * x, 20 * y, 100));
    const struct {
        const char* name;
        QString file;
        bool keyed;
        bool storedAsJpeg;
    } rows[] = {
        {"keyed, half-transparent edges", dir.filePath("keyed.png"), true, false},
        {"unkeyed JPEG", dir.filePath("photo.jpg"), false, true},
    };
    ASSERT_TRUE(keyed.save(rows[0].file, "PNG"));
    ASSERT_TRUE(photo.save(rows[1].file, "JPEG", 90));
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Slides(1);
        const ImportResult imported = ImportImageFile(
            r.file, r.storedAsJpeg ? QStringLiteral("jpeg") : QStringLiteral("png"));
        ASSERT_TRUE(imported.ok && imported.picture);
        ASSERT_EQ(imported.key.has_value(), r.keyed);
        Slide(0).picture = imported.picture;
        Slide(0).keyColor = imported.key;
        Slide(0).switchTime = 9;
        Slide(0).flipH = 1;
        const QImage original = imported.picture->image();
        const QByteArray stored = imported.picture->save();
        ASSERT_EQ(stored.startsWith("\xFF\xD8"), r.storedAsJpeg);
        editor->m_mark = -1;
        for (int round = 1; round <= 3; ++round) {
            SCOPED_TRACE(round);
            editor->m_selectedCell = round - 1;
            Run(Command::CopySlide);
            Run(Command::PasteSlide);
            ASSERT_EQ(CurrentDocument().slideCount, round + 1);
            const SlideRecord& pasted = Slide(round);
            ASSERT_TRUE(pasted.picture);
            EXPECT_EQ(pasted.picture->image(), original); // same format, same pixels
            EXPECT_EQ(pasted.picture->save(), stored);
            EXPECT_EQ(pasted.keyColor, imported.key);
            EXPECT_EQ(pasted.switchTime, 9);
            EXPECT_EQ(pasted.flipH, 1);
            EXPECT_EQ(pasted.flipV, 0);
        }
    }
    qputenv("TMPDIR", oldTmp);
}

TEST_F(Commands, PasteAtTheMarkOrAppended) {
    struct Row {
        const char* name;
        int slides, page, mark;
        int index, pageAfter;
    };
    const Row rows[] = {
        {"mark before the first slide of page 2", 25, 1, 0, 20, 1},
        {"no mark: appended on the last page", 25, 0, -1, 25, 1},
    };
    for (const Row& r : rows) {
        Slides(r.slides, r.page);
        editor->m_mark = r.mark;
        QGuiApplication::clipboard()->setMimeData(
            MakeSlideMimeData(QImage(8, 8, QImage::Format_RGB32), "-1,77,0,0"));
        QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(CurrentDocument().slideCount, r.slides + 1) << r.name;
        EXPECT_EQ(Slide(r.index).switchTime, 77) << r.name;
        EXPECT_EQ(editor->m_page, r.pageAfter) << r.name;
    }
    // A full table: Msg::TooManySlides, also after a menu greyed pasting there.
    Slides(100);
    EXPECT_FALSE(editor->BuildContextMenu(MarkPoint(0))->actions().isEmpty());
    editor->m_mark = -1;
    QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(prompts->messageIds(), QList<Msg>{Msg::TooManySlides});
    EXPECT_EQ(CurrentDocument().slideCount, 100);
}

TEST_F(Commands, DroppedFilesGoToTheMarkUnderThePointer) {
    QTemporaryDir dir;
    const QString a = ImageFile(dir, "a.png", 11);
    const QString b = ImageFile(dir, "b.png", 12);
    const QString c = ImageFile(dir, "c.png", 13);
    Slides(5);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});

    // The mark follows the drag.
    QDragEnterEvent enter(MarkPoint(4), Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_EQ(editor->m_mark, 4);
    QDragMoveEvent off(QPoint(3, 3), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &off);
    EXPECT_EQ(editor->m_mark, -1);
    QDragMoveEvent onMark(MarkPoint(2), Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &onMark);
    EXPECT_TRUE(onMark.isAccepted());
    EXPECT_EQ(editor->m_mark, 2);

    // Dropped there, A, B and C go in the drag's order from the mark on.
    QDropEvent drop(QPointF(MarkPoint(2)), Qt::CopyAction | Qt::MoveAction, &data, Qt::NoButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction); // never a move: the originals stay
    QCoreApplication::processEvents();
    ASSERT_EQ(CurrentDocument().slideCount, 8);
    EXPECT_EQ(GetPictureSize(Slide(2).picture).width(), 11);
    EXPECT_EQ(GetPictureSize(Slide(3).picture).width(), 12);
    EXPECT_EQ(GetPictureSize(Slide(4).picture).width(), 13);
    EXPECT_EQ(Slide(5).reserved1, 2u);
    EXPECT_TRUE(editor->m_modified);
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(prompts->calls.isEmpty());

    // Leaving the window clears the mark.
    QDragLeaveEvent leave;
    Deliver(&leave);
    EXPECT_EQ(editor->m_mark, -1);
}

TEST_F(Commands, DragsWithoutLocalFilesAreRefusedAndTooManyFilesAsk) {
    Slides(2);
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.png"))});
    QDragEnterEvent enter(MarkPoint(0), Qt::CopyAction, &web, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QMimeData moveOnly;
    moveOnly.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.png"))});
    QDragEnterEvent move(MarkPoint(0), Qt::MoveAction, &moveOnly, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor.get(), &move);
    EXPECT_FALSE(move.isAccepted());

    // 101 files: question Msg::TooManyFilesQuestion; No adds nothing.
    QList<QUrl> urls;
    for (int i = 0; i < 101; ++i)
        urls << QUrl::fromLocalFile(QStringLiteral("/nowhere/%1.png").arg(i));
    QMimeData many;
    many.setUrls(urls);
    prompts->answer(Answer::No);
    QDropEvent drop(QPointF(QPoint(3, 3)), Qt::CopyAction, &many, Qt::NoButton, Qt::NoModifier);
    Deliver(&drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts->messageIds(), QList<Msg>{Msg::TooManyFilesQuestion});
    EXPECT_EQ(prompts->calls[0].kind, MsgKind::YesNo);
    EXPECT_EQ(CurrentDocument().slideCount, 2);
}

TEST_F(Commands, AddCommandAsksForImageFiles) {
    QTemporaryDir dir;
    // The dialog gives p10 before p2; they are added in the order of their names as a
    // file manager lists them, from the mark on.
    const QString p2 = ImageFile(dir, "p2.png", 11);
    const QString p10 = ImageFile(dir, "p10.png", 12);
    Slides(3);
    editor->m_mark = 1;
    prompts->answerFiles({p10, p2});
    Run(Command::AddSlides);
    ASSERT_EQ(prompts->calls.size(), 1);
    const PromptCall& call = prompts->calls[0];
    EXPECT_EQ(call.type, PromptCall::OpenFiles);
    EXPECT_TRUE(call.multi);
    EXPECT_EQ(call.request.title, QString::fromUtf8("追加するイメージファイルを指定(複数選択可)"));
    // The dialog says what becomes of large pictures (the default limit of the settings).
    EXPECT_EQ(call.request.note,
              QString::fromUtf8("500 × 500 ピクセルを超える画像は、収まるように縮小します\n"
                                "(設定で変更できます)"));
    EXPECT_EQ(call.request.filter,
              QString::fromUtf8(
                  "イメージファイル(jpeg, gif, bmp, png, tiff, webp) "
                  "|*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.tif;*.tiff;*.webp|JPEGファイル(*.jpeg)|"
                  "*.jpg;*.jpeg|GIFファイル(*.gif)|*.gif|ビットマップファイル(*.bmp)|*.bmp|"
                  "PNGファイル(*.png)|*.png|TIFFファイル(*.tiff)|*.tif;*.tiff|"
                  "WebPファイル(*.webp)|*.webp||"));
    ASSERT_EQ(CurrentDocument().slideCount, 5);
    EXPECT_EQ(GetPictureSize(Slide(1).picture).width(), 11);
    EXPECT_EQ(GetPictureSize(Slide(2).picture).width(), 12);
    // The next add starts among the pictures added last, whatever folder the document
    // dialogs were in meanwhile.
    prompts->answerFiles({});
    Run(Command::AddSlides);
    ASSERT_EQ(prompts->calls.size(), 2);
    EXPECT_EQ(prompts->calls[1].request.folder, QDir(dir.path()).absolutePath());
}

TEST_F(Commands, TheChosenItemRunsWithTheSlideThatWasUnderThePointer) {
    Slides(3);
    editor->m_selectedCell = 1;
    editor->m_mark = -1;
    Slide(1).switchTime = 33;
    // Once the menu is open, choose "コピー(&C)" with the keyboard; should the menu not
    // open, the guard closes whatever pop-up is there so the test cannot hang.
    bool chosen = false;
    QAction* copy = editor->CommandAction(Command::CopySlide);
    QTimer::singleShot(0, editor.get(), [&chosen, copy] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            if (a == copy)
                menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        chosen = true;
    });
    QTimer guard;
    guard.setInterval(2000);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activePopupWidget())
            w->close();
    });
    guard.start();
    editor->TrackContextMenu(CellPoint(1));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("-1,33,0,0"));
    EXPECT_EQ(editor->m_selectedCell, 1);
    EXPECT_EQ(editor->m_mark, -1);
}
