// The editor's hand-over to the slideshow and the hand-back. The show runs modally; a
// zero timer drives it from inside its loop, so nothing blocks.

#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "slideshow/ui/SlideshowWindow.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QCoreApplication>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class HandBack : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        editor.Initialize(); // a new document with the default show settings
        editor.show();
        FillSlides(editor, 3);
        editor.m_rebuildCells = false;
    }
    void TearDown() override { ResetWorld(); }

    // Runs the show from `start`; `drive` runs inside the show's modal loop and must end it.
    void Run(int start, std::function<void(SlideshowWindow&)> drive) {
        ran = false;
        QTimer::singleShot(0, &editor, [this, drive] {
            SlideshowWindow* show = SlideshowWindow::Running();
            ASSERT_NE(show, nullptr);
            ran = true;
            mainVisibleDuringShow = editor.isVisible();
            startIndex = show->m_index;
            changedAtStart = show->m_changed;
            drive(*show);
            if (!show->IsEnded())
                show->CommandAction(ShowCommand::End)->trigger();
        });
        editor.RunSlideshow(start);
    }

    TestPrompts prompts;
    EditorWindow editor;
    bool ran = false, mainVisibleDuringShow = true;
    int startIndex = -1, changedAtStart = -1;
};

TEST_F(HandBack, ChangesMarkTheDocumentModifiedAndRebuildThePages) {
    Run(2,
        [](SlideshowWindow& show) { show.CommandAction(ShowCommand::FlipHorizontal)->trigger(); });
    ASSERT_TRUE(ran);
    EXPECT_EQ(startIndex, 2);
    EXPECT_EQ(changedAtStart, 0);
    EXPECT_FALSE(mainVisibleDuringShow) << "the main window hides during the show";
    EXPECT_TRUE(editor.isVisible()) << "and comes back after it";
    EXPECT_EQ(CurrentDocument().slides[2].flipH, 1);
    EXPECT_TRUE(editor.m_modified);
    EXPECT_TRUE(editor.m_rebuildCells);
    EXPECT_EQ(SlideshowWindow::Running(), nullptr);
}

TEST_F(HandBack, UnchangedShowLeavesTheDocumentAlone) {
    Run(0, [](SlideshowWindow& show) { show.CommandAction(ShowCommand::ResizeMode)->trigger(); });
    ASSERT_TRUE(ran);
    EXPECT_FALSE(editor.m_modified);
    EXPECT_FALSE(editor.m_rebuildCells);
    EXPECT_TRUE(editor.isVisible());
}

TEST_F(HandBack, AModifiedDocumentIsRebuiltEvenWhenNothingChanged) {
    editor.RecordChange(QStringLiteral("change"),
                        [] { CurrentDocument().slides[0].switchTime += 1; });
    ASSERT_TRUE(editor.m_modified);
    Run(0, [](SlideshowWindow&) {});
    ASSERT_TRUE(ran);
    EXPECT_EQ(changedAtStart, 1);
    EXPECT_TRUE(editor.m_modified);
    EXPECT_TRUE(editor.m_rebuildCells);
}

TEST_F(HandBack, TheLastSlidesTimeEndsTheShowWithoutLoop) {
    CurrentDocument().header.loop = 0;
    Run(2, [](SlideshowWindow& show) {
        for (int i = 0; i < 3; ++i) // slide 2 has a switch time of 3 s
            show.OnSecondTimer();
        EXPECT_TRUE(show.IsEnded());
    });
    ASSERT_TRUE(ran);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_FALSE(editor.m_modified);
}

TEST_F(HandBack, AnEmptyDocumentHasNoShow) {
    ReleaseAllPictures();
    CurrentDocument().slideCount = 0;
    bool shown = false;
    QTimer::singleShot(0, &editor, [&] { shown = SlideshowWindow::Running() != nullptr; });
    editor.RunSlideshow(0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(editor.isVisible());
}

TEST_F(HandBack, TheEditorsModalLoopOutlivesTheShow) {
    // Hiding the main window for the show must not end its own modal loop.
    editor.hide();
    bool after = false;
    QTimer::singleShot(0, &editor, [&] {
        Run(0, [](SlideshowWindow&) {});
        after = editor.isVisible();
        QTimer::singleShot(0, &editor, [&] { editor.done(42); });
    });
    EXPECT_EQ(editor.exec(), 42);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(after);
}

} // namespace
