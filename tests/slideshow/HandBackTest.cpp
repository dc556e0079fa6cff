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
        dlg.Initialize(); // a new document with the default show settings
        dlg.show();
        FillSlides(dlg, 3);
        dlg.m_rebuildCells = false;
    }
    void TearDown() override { ResetWorld(); }

    // Runs the show from `start`; `drive` runs inside the show's modal loop and must end it.
    void Run(int start, std::function<void(SlideshowWindow&)> drive) {
        ran = false;
        QTimer::singleShot(0, &dlg, [this, drive] {
            SlideshowWindow* show = SlideshowWindow::Running();
            ASSERT_NE(show, nullptr);
            ran = true;
            mainVisibleDuringShow = dlg.isVisible();
            startIndex = show->m_index;
            changedAtStart = show->m_changed;
            drive(*show);
            if (!show->IsEnded())
                show->CommandAction(ShowCommand::End)->trigger();
        });
        dlg.RunSlideshow(start);
    }

    TestPrompts prompts;
    EditorWindow dlg;
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
    EXPECT_TRUE(dlg.isVisible()) << "and comes back after it";
    EXPECT_EQ(CurrentDocument().slides[2].flipH, 1);
    EXPECT_TRUE(dlg.m_modified);
    EXPECT_TRUE(dlg.m_rebuildCells);
    EXPECT_EQ(SlideshowWindow::Running(), nullptr);
}

TEST_F(HandBack, UnchangedShowLeavesTheDocumentAlone) {
    Run(0, [](SlideshowWindow& show) { show.CommandAction(ShowCommand::ResizeMode)->trigger(); });
    ASSERT_TRUE(ran);
    EXPECT_FALSE(dlg.m_modified);
    EXPECT_FALSE(dlg.m_rebuildCells);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(HandBack, AModifiedDocumentIsRebuiltEvenWhenNothingChanged) {
    dlg.m_modified = true;
    Run(0, [](SlideshowWindow&) {});
    ASSERT_TRUE(ran);
    EXPECT_EQ(changedAtStart, 1);
    EXPECT_TRUE(dlg.m_modified);
    EXPECT_TRUE(dlg.m_rebuildCells);
}

TEST_F(HandBack, TheLastSlidesTimeEndsTheShowWithoutLoop) {
    CurrentDocument().header.loop = 0;
    Run(2, [](SlideshowWindow& show) {
        for (int i = 0; i < 3; ++i) // slide 2 has a switch time of 3 s
            show.OnSecondTimer();
        EXPECT_TRUE(show.IsEnded());
    });
    ASSERT_TRUE(ran);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.m_modified);
}

TEST_F(HandBack, AnEmptyDocumentHasNoShow) {
    ReleaseAllPictures();
    CurrentDocument().slideCount = 0;
    bool shown = false;
    QTimer::singleShot(0, &dlg, [&] { shown = SlideshowWindow::Running() != nullptr; });
    dlg.RunSlideshow(0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(HandBack, TheEditorsModalLoopOutlivesTheShow) {
    // Hiding the main window for the show must not end its own modal loop.
    dlg.hide();
    bool after = false;
    QTimer::singleShot(0, &dlg, [&] {
        Run(0, [](SlideshowWindow&) {});
        after = dlg.isVisible();
        QTimer::singleShot(0, &dlg, [&] { dlg.done(42); });
    });
    EXPECT_EQ(dlg.exec(), 42);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(after);
}

} // namespace
