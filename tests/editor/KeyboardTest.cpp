// The main window worked with the keyboard: the current slide's ring moved across cells
// and pages, the commands acting on it, Enter and the menu keys, F5 and Shift+F5, and
// Escape ending a pick or a drag before it closes the window.

#include "dialogs/ModalRunner.h"
#include "dialogs/SlidePropertiesDialog.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "slideshow/ui/SlideshowWindow.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Keyboard : public EditorTest {
protected:
    /// `n` slides (reserved1 holds each one's first index), page 0, painted; no ring.
    void Slides(int n) {
        FillSlides(*editor, n);
        editor->DocumentReplaced();
        editor->m_page = 0;
        editor->m_selectedCell = -1;
        editor->m_currentSlide = -1;
        editor->m_keyboardLast = false;
        editor->m_rebuildCells = true;
        editor->grab();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(editor.get(), Qt::Key(key), mods);
    }
    /// The slide the ring is on, as a table index; -1 none.
    int Ring() const { return editor->SelectedIndex(); }
};

TEST_F(Keyboard, TheKeysMoveTheRingAcrossCellsAndPages) {
    struct Row {
        const char* name;
        std::vector<int> keys;
        int slide; // where the ring ends, a table index of 45 slides
    };
    const Row rows[] = {
        {"the first arrow finds the page's first slide", {Qt::Key_Right}, 0},
        {"right", {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}, 2},
        {"down a row of five", {Qt::Key_Right, Qt::Key_Down}, 5},
        {"left stops at the first", {Qt::Key_Right, Qt::Key_Left, Qt::Key_Left}, 0},
        {"right across the page's end",
         {Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_Left, Qt::Key_Right, Qt::Key_Right},
         21},
        {"end", {Qt::Key_End}, 44},
        {"page down stops at the last",
         {Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown},
         44},
        {"page up", {Qt::Key_End, Qt::Key_PageUp}, 24},
        {"up stops at the first", {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up}, 0},
    };
    for (const Row& r : rows) {
        Slides(45);
        for (int k : r.keys)
            Key(k);
        EXPECT_EQ(Ring(), r.slide) << r.name;
        EXPECT_EQ(editor->m_page, r.slide / kSlidesPerPage) << r.name << ": its page shows";
        EXPECT_TRUE(editor->m_keyboardLast) << r.name;
    }
    // Without slides the keys do nothing.
    Slides(0);
    Key(Qt::Key_Right);
    EXPECT_EQ(Ring(), -1);
}

TEST_F(Keyboard, CommandsActOnTheCurrentSlide) {
    Slides(4);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right); // slide 1 (table index)

    // Ctrl+C copies it, Ctrl+V pastes the copy right after it.
    CurrentDocument().slides[1].keyColor = qRgb(255, 0, 0);
    Key(Qt::Key_C, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(CurrentDocument().slideCount, 5);
    EXPECT_EQ(CurrentDocument().slides[2].keyColor, KeyColor(qRgb(255, 0, 0)));
    EXPECT_EQ(CurrentDocument().slides[3].reserved1, 2u) << "the slides after it move on";
    EXPECT_EQ(Ring(), 2) << "the ring moves on to the slide pasted";

    // Delete asks and deletes it.
    Key(Qt::Key_Home);
    prompts->answer(Answer::Yes);
    Key(Qt::Key_Delete);
    ASSERT_EQ(CurrentDocument().slideCount, 4);
    EXPECT_EQ(CurrentDocument().slides[0].reserved1, 1u);
    EXPECT_EQ(Ring(), 0) << "on the slide that took its place";
    // Undo brings the slide back; the ring stays where it was.
    Key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(CurrentDocument().slideCount, 5);
    EXPECT_EQ(Ring(), 0);

    // Enter opens its properties.
    int shownIndex = -1;
    SetModalRunner([&](QDialog& d) {
        if (auto* props = dynamic_cast<SlidePropertiesDialog*>(&d))
            shownIndex = props->m_index;
        return int(QDialog::Rejected);
    });
    Key(Qt::Key_End);
    Key(Qt::Key_Return);
    EXPECT_EQ(shownIndex, 4);
    EXPECT_TRUE(editor->isVisible()) << "Enter never closes the window";
}

TEST_F(Keyboard, ThePointerTakesTheRingBack) {
    Slides(10);
    editor->grab();
    Key(Qt::Key_End); // slide 9
    ASSERT_EQ(Ring(), 9);
    // A report of the pointer where it rested changes nothing.
    QTest::mouseMove(editor.get(), QPoint(2, 2));
    const QPoint over0 = editor->m_cellRects[0].center();
    QTest::mouseMove(editor.get(), over0);
    EXPECT_FALSE(editor->m_keyboardLast);
    EXPECT_EQ(Ring(), 0) << "the slide under the pointer";
}

TEST_F(Keyboard, F5StartsTheShowFromTheFirstSlideAndShiftF5FromTheCurrentOne) {
    Slides(6);
    struct Row {
        const char* name;
        std::vector<int> before;
        Qt::KeyboardModifiers mods;
        int start;
    };
    const Row rows[] = {
        {"F5 after moving the ring", {Qt::Key_End}, Qt::NoModifier, 0},
        {"Shift+F5 from the current slide", {Qt::Key_End, Qt::Key_Left}, Qt::ShiftModifier, 4},
        {"Shift+F5 without a current slide", {}, Qt::ShiftModifier, 0},
    };
    for (const Row& r : rows) {
        Slides(6);
        for (int k : r.before)
            Key(k);
        int start = -1;
        QTimer::singleShot(0, editor.get(), [&start] {
            SlideshowWindow* show = SlideshowWindow::Running();
            ASSERT_NE(show, nullptr);
            start = show->m_index;
            show->CommandAction(ShowCommand::End)->trigger();
        });
        Key(Qt::Key_F5, r.mods);
        EXPECT_EQ(start, r.start) << r.name;
        // The window takes the keys again once it is active after the show.
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }
}

TEST_F(Keyboard, EscapeEndsAPickOrADragBeforeItCloses) {
    Slides(3);
    // A colour pick ends; the window stays.
    editor->CommandAction(Command::PickKeyColor)->trigger();
    ASSERT_TRUE(std::holds_alternative<EditorWindow::PickingColor>(editor->m_gesture));
    Key(Qt::Key_Escape);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(editor->m_gesture));
    EXPECT_TRUE(editor->isVisible());

    // A slide drag ends without moving the slide, even when released over a mark.
    const QPoint from = editor->m_cellRects[0].center();
    const QPoint to = editor->m_markRects[3].center();
    editor->PointerMoved(from);
    editor->LeftButtonPressed(from);
    editor->PointerMoved(from + QPoint(20, 0));
    editor->PointerMoved(to);
    ASSERT_TRUE(std::holds_alternative<EditorWindow::DraggingSlide>(editor->m_gesture));
    Key(Qt::Key_Escape);
    editor->LeftButtonReleased(to);
    EXPECT_EQ(CurrentDocument().slides[0].reserved1, 0u);
    EXPECT_EQ(editor->undoStack()->count(), 0);
    EXPECT_TRUE(editor->isVisible());

    // With nothing in progress Escape closes (nothing to ask about).
    Key(Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(prompts->calls.isEmpty());
}

TEST_F(Keyboard, FileKeysRunTheFileCommands) {
    using T = PromptCall::Type;
    struct Row {
        const char* name;
        int key;
        Qt::KeyboardModifiers mods;
        std::vector<T> asked; // what the command asks, in order (every answer: cancel)
    };
    const Row rows[] = {
        {"Ctrl+S on an untitled document asks for a name",
         Qt::Key_S,
         Qt::ControlModifier,
         {T::SaveFile}},
        {"Ctrl+Shift+S asks for a name",
         Qt::Key_S,
         Qt::ControlModifier | Qt::ShiftModifier,
         {T::SaveFile}},
        {"Ctrl+O asks about the changes, then for a document",
         Qt::Key_O,
         Qt::ControlModifier,
         {T::Message, T::OpenFiles}},
        {"Ctrl+N asks about the changes", Qt::Key_N, Qt::ControlModifier, {T::Message}},
    };
    for (const Row& r : rows) {
        Slides(2);
        prompts.reset(); // the old prompts put the default back as they go
        prompts = std::make_unique<TestPrompts>();
        // A change, so that New and Open ask about it.
        editor->RecordChange(QStringLiteral("change"),
                             [] { CurrentDocument().slides[0].switchTime = 9; });
        for (T t : r.asked) {
            if (t == T::SaveFile)
                prompts->answerSave(QString());
            else if (t == T::OpenFiles)
                prompts->answerFiles({});
            else // Cancel for New; No for Open, which then asks for the file
                prompts->answer(r.asked.size() > 1 ? Answer::No : Answer::Cancel);
        }
        Key(r.key, r.mods);
        std::vector<T> got;
        for (const PromptCall& c : prompts->calls)
            got.push_back(c.type);
        EXPECT_EQ(got, r.asked) << r.name;
        EXPECT_EQ(CurrentDocument().slideCount, 2) << r.name << ": cancelled, nothing changes";
        EXPECT_TRUE(editor->m_modified) << r.name;
    }
}

} // namespace
