// Undo and redo in the main window: every change made through the window is one step
// that undo takes back to the document as it was and redo makes again; the modified
// flag follows the saved state; the stack keeps no more picture memory than allowed.

#include "document/DocumentSnapshot.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "image/Clipboard.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Undo : public EditorTest {
public:
    /// `n` slides with times 1, 2, 3 ..., saved as they are, painted once.
    void Slides(int n) {
        FillSlides(*editor, n);
        editor->DocumentReplaced(); // as if just opened
        editor->m_rebuildCells = true;
        editor->grab();
    }
    void Run(Command c) { editor->CommandAction(c)->trigger(); }
    QPoint CellPoint(int k) const { return editor->m_cellRects[k].center(); }
    /// The slide numbers (reserved1 holds each slide's original index) in table order.
    static std::vector<int> Order() {
        std::vector<int> order;
        for (int i = 0; i < CurrentDocument().slideCount; ++i)
            order.push_back(int(CurrentDocument().slides[i].reserved1));
        return order;
    }
};

TEST_F(Undo, EveryChangeIsOneStepThatUndoAndRedoTakeBackAndMakeAgain) {
    using Check = std::function<void()>;
    struct Row {
        const char* name; ///< the step's name as the undo item shows it
        std::function<void(Undo&)> change;
        Check after; ///< what the change did, checked independently of the stack
    };
    const Document& doc = CurrentDocument();
    const Row rows[] = {
        {"スライドの削除",
         [](Undo& t) {
             t.prompts->answer(Answer::Yes);
             t.editor->m_selectedCell = 1;
             t.Run(Command::DeleteSlide);
         },
         [] {
             EXPECT_EQ(Order(), (std::vector<int>{0, 2, 3}));
         }},
        {"スライドの移動",
         [](Undo& t) {
             // Slide 1 dragged onto the mark after slide 3.
             const QPoint from = t.CellPoint(0);
             const QPoint to = t.editor->m_markRects[3].center();
             t.editor->PointerMoved(from);
             t.editor->LeftButtonPressed(from);
             t.editor->PointerMoved(from + QPoint(20, 0));
             t.editor->PointerMoved(to);
             t.editor->LeftButtonReleased(to);
         },
         [] {
             EXPECT_EQ(Order(), (std::vector<int>{1, 2, 0, 3}));
         }},
        {"切替え時間の変更",
         [](Undo& t) {
             const QRect b = t.editor->m_boundaryRects[2];
             const QPoint at = b.center();
             t.editor->PointerMoved(at);
             t.editor->LeftButtonPressed(at);
             t.editor->PointerMoved(at + QPoint(40, 0));
             t.editor->PointerMoved(at + QPoint(600, 0));
             t.editor->LeftButtonReleased(at + QPoint(600, 0));
         },
         [&doc] {
             EXPECT_GT(doc.slides[1].switchTime, 2) << "one drag, one step, a longer time";
             EXPECT_EQ(doc.slides[0].switchTime, 1);
             EXPECT_EQ(doc.slides[2].switchTime, 3);
         }},
        {"透過色の指定",
         [](Undo& t) {
             t.editor->m_selectedCell = 2;
             t.Run(Command::KeyGreen);
         },
         [&doc] { EXPECT_EQ(doc.slides[2].keyColor, KeyColor(qRgb(0, 255, 0))); }},
        {"左右反転",
         [](Undo& t) {
             t.editor->m_selectedCell = 3;
             t.Run(Command::FlipHorizontal);
         },
         [&doc] { EXPECT_EQ(doc.slides[3].flipH, 1); }},
        {"上下反転",
         [](Undo& t) {
             t.editor->m_selectedCell = 0;
             t.Run(Command::FlipVertical);
         },
         [&doc] { EXPECT_EQ(doc.slides[0].flipV, 1); }},
        {"スライドの貼り付け",
         [](Undo& t) {
             QImage img(6, 5, QImage::Format_RGB32);
             img.fill(qRgb(9, 8, 7));
             QGuiApplication::clipboard()->setImage(img);
             t.editor->m_mark = 1;
             t.Run(Command::PasteSlide);
         },
         [&doc] {
             ASSERT_EQ(doc.slideCount, 5);
             EXPECT_EQ(GetPictureSize(doc.slides[1].picture), QSize(6, 5));
         }},
        {"背景色の変更",
         [](Undo& t) {
             t.prompts->answerColor(qRgb(1, 2, 3));
             t.Run(Command::BackgroundCenter);
         },
         [&doc] { EXPECT_EQ(doc.header.backgroundCenter, qRgb(1, 2, 3)); }},
        {"プロパティボタンの表示", [](Undo& t) { t.Run(Command::TogglePropertyButtons); },
         [&doc] { EXPECT_EQ(doc.header.showPropertyButtons, 0); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Slides(4);
        CurrentDocument().slides[2].keyColor = std::nullopt;
        const DocumentSnapshot before = TakeSnapshot(doc);
        r.change(*this);
        r.after();
        const DocumentSnapshot after = TakeSnapshot(doc);
        ASSERT_NE(after, before);
        ASSERT_EQ(editor->undoStack()->count(), 1);
        EXPECT_EQ(editor->undoStack()->undoText(), QString::fromUtf8(r.name));
        EXPECT_EQ(editor->CommandAction(Command::Undo)->text(), QStringLiteral("元に戻す(&U): ") +
                                                                    QString::fromUtf8(r.name) +
                                                                    QStringLiteral("\tCtrl+Z"));
        EXPECT_TRUE(editor->m_modified);

        Run(Command::Undo);
        EXPECT_EQ(TakeSnapshot(doc), before);
        EXPECT_FALSE(editor->m_modified) << "back at the saved state";
        EXPECT_EQ(editor->CommandAction(Command::Redo)->text(), QStringLiteral("やり直し(&Y): ") +
                                                                    QString::fromUtf8(r.name) +
                                                                    QStringLiteral("\tCtrl+Y"));

        Run(Command::Redo);
        EXPECT_EQ(TakeSnapshot(doc), after);
        EXPECT_TRUE(editor->m_modified);
        r.after();
    }
}

TEST_F(Undo, TheKeysUndoAndRedo) {
    Slides(3);
    editor->m_selectedCell = 0;
    Run(Command::KeyRed);
    editor->m_selectedCell = 1;
    Run(Command::KeyBlue);
    ASSERT_EQ(editor->undoStack()->count(), 2);
    const Document& doc = CurrentDocument();

    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(doc.slides[1].keyColor.has_value());
    EXPECT_EQ(doc.slides[0].keyColor, KeyColor(qRgb(255, 0, 0)));
    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(doc.slides[0].keyColor.has_value());
    EXPECT_FALSE(editor->CommandAction(Command::Undo)->isEnabled());
    QTest::keyClick(editor.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(doc.slides[0].keyColor, KeyColor(qRgb(255, 0, 0)));
    QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(doc.slides[1].keyColor, KeyColor(qRgb(0, 0, 255)));
    EXPECT_FALSE(editor->CommandAction(Command::Redo)->isEnabled());
}

TEST_F(Undo, TheModifiedFlagFollowsTheSavedState) {
    Slides(3);
    editor->m_selectedCell = 0;
    Run(Command::FlipHorizontal); // step 1
    editor->DocumentSaved();      // saved after step 1
    EXPECT_FALSE(editor->m_modified);
    Run(Command::FlipVertical); // step 2
    EXPECT_TRUE(editor->m_modified);
    Run(Command::Undo); // back at the saved state
    EXPECT_FALSE(editor->m_modified);
    Run(Command::Undo); // before the saved state
    EXPECT_TRUE(editor->m_modified);
    Run(Command::Redo);
    EXPECT_FALSE(editor->m_modified);

    // A change that changes nothing is no step and leaves the flag alone.
    editor->RecordChange(QStringLiteral("nothing"), [] {});
    EXPECT_EQ(editor->undoStack()->count(), 2);
    EXPECT_FALSE(editor->m_modified);

    // Another document takes the steps with it.
    NewDocument(*editor);
    EXPECT_EQ(editor->undoStack()->count(), 0);
    EXPECT_FALSE(editor->m_modified);
}

TEST_F(Undo, DeletedPicturesBeyondTheMemoryLimitTakeTheOldestStepsWithThem) {
    // Five slides whose pictures hold 1 MiB each; the stack may hold 3 MiB of them.
    Document& doc = CurrentDocument();
    FillSlides(*editor, 5);
    for (int i = 0; i < 5; ++i) {
        QImage img(512, 512, QImage::Format_RGB32);
        img.fill(qRgb(i, i, i));
        doc.slides[i].picture = Picture::fromImage(img);
    }
    editor->DocumentReplaced();
    editor->m_undoMemoryLimit = 3 << 20;
    const DocumentSnapshot afterTwo = [&] {
        for (int n = 0; n < 2; ++n)
            editor->RecordChange(QStringLiteral("スライドの削除"),
                                 [&] { DeleteSlide(*editor, 0); });
        return TakeSnapshot(doc);
    }();
    for (int n = 0; n < 3; ++n)
        editor->RecordChange(QStringLiteral("スライドの削除"), [&] { DeleteSlide(*editor, 0); });
    ASSERT_EQ(doc.slideCount, 0);

    // Five pictures deleted, three kept: the two oldest steps are gone.
    EXPECT_EQ(editor->undoStack()->count(), 3);
    EXPECT_EQ(editor->undoStack()->index(), 3);
    for (int n = 0; n < 3; ++n)
        Run(Command::Undo);
    EXPECT_FALSE(editor->undoStack()->canUndo());
    EXPECT_EQ(TakeSnapshot(doc), afterTwo);
    EXPECT_TRUE(editor->m_modified) << "the saved state went with the oldest steps";
    for (int n = 0; n < 3; ++n)
        Run(Command::Redo);
    EXPECT_EQ(doc.slideCount, 0);
}

} // namespace

namespace {

TEST_F(Undo, TheTitleNamesTheDocumentAndShowsItsChanges) {
    Slides(2);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("無題[*] — ルセリオ"));
    EXPECT_FALSE(editor->isWindowModified());

    editor->RecordChange(QStringLiteral("x"), [] { CurrentDocument().slides[0].switchTime = 7; });
    EXPECT_TRUE(editor->isWindowModified());
    Run(Command::Undo);
    EXPECT_FALSE(editor->isWindowModified()) << "undone back to the saved state";
    Run(Command::Redo);

    // Saved under a name: the name shows, the marker goes.
    CurrentDocument().filePath = QStringLiteral("/somewhere/夏の旅.lsr");
    editor->DocumentSaved();
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("夏の旅.lsr[*] — ルセリオ"));
    EXPECT_FALSE(editor->isWindowModified());

    // Another document opened: its name.
    CurrentDocument().filePath = QStringLiteral("/elsewhere/show.lsr");
    editor->DocumentReplaced();
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("show.lsr[*] — ルセリオ"));
}

} // namespace
