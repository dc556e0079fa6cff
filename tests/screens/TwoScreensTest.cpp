// The slideshow on a desktop of two screens side by side (run by two-screens.sh on an X
// server whose display is split into a left and a right monitor).

#include "base/Screen.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "editor/ui/EditorWindow.h"
#include "slideshow/ui/SlideshowWindow.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class TwoScreens : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        SetScreenOverride(std::nullopt); // the real screens of the display
        const QList<QScreen*> screens = QGuiApplication::screens();
        ASSERT_EQ(screens.size(), 2) << "the display should show two screens";
        left = screens[0]->availableGeometry();
        right = screens[1]->availableGeometry();
        ASSERT_EQ(left, QRect(0, 0, 1200, 900));
        ASSERT_EQ(right, QRect(1200, 0, 1200, 900));
    }
    void TearDown() override { ResetWorld(); }

    /// Runs the opening animation of the running show to its end and hands the show to
    /// `look`, then ends it.
    static void WhenShown(const std::function<void(SlideshowWindow&)>& look) {
        QTimer::singleShot(0, [look] {
            SlideshowWindow* show = SlideshowWindow::Running();
            ASSERT_NE(show, nullptr);
            for (int i = 0; i < 20; ++i)
                show->OnZoomTimer();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(show));
            show->WaitForFrames();
            show->repaint();
            look(*show);
            show->CommandAction(ShowCommand::End)->trigger();
        });
    }

    /// The colour the screen shows at `point` (global coordinates).
    static QRgb ScreenPixel(QPoint point) {
        QScreen* screen = QGuiApplication::screenAt(point);
        const QPoint local = point - screen->geometry().topLeft();
        return screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage().pixel(0, 0);
    }

    TestPrompts prompts;
    QRect left, right;
};

TEST_F(TwoScreens, TheShowOpensOnTheEditorsScreen) {
    EditorWindow editor;
    ASSERT_TRUE(editor.Initialize());
    editor.resize(1000, 700);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    FillSlides(editor, 2); // red pictures
    // Remembered on the left screen; the editor is on the right one.
    CurrentDocument().header.slideshowRect = QRect(100, 100, 400, 300);
    editor.move(1250, 50);
    ASSERT_EQ(editor.screen(), QGuiApplication::screens()[1]);

    QScreen* on = nullptr;
    QRgb middle = 0;
    WhenShown([&](SlideshowWindow& show) {
        on = show.screen();
        middle = ScreenPixel(show.geometry().center());
    });
    editor.RunSlideshow(0);
    // Moved onto the editor's screen, keeping its place relative to its screen; the
    // screen shows the slide there.
    EXPECT_EQ(CurrentDocument().header.slideshowRect, QRect(1300, 100, 400, 300));
    EXPECT_EQ(on, QGuiApplication::screens()[1]);
    EXPECT_EQ(middle, qRgb(255, 0, 0)) << std::hex << middle;

    // Back on the left screen, a rectangle on the right one comes over to it.
    editor.move(100, 50);
    WhenShown([&](SlideshowWindow& show) { on = show.screen(); });
    editor.RunSlideshow(0);
    EXPECT_EQ(CurrentDocument().header.slideshowRect, QRect(100, 100, 400, 300));
    EXPECT_EQ(on, QGuiApplication::screens()[0]);
}

TEST_F(TwoScreens, AChosenScreenOrTheOneUnderThePointer) {
    CountingEditState ed;
    FillSlides(ed, 1);
    CurrentDocument().header.slideshowRect = QRect(1250, 600, 300, 200);
    struct Row {
        const char* name;
        std::optional<QRect> area; // the screen chosen (--play --screen)
        QPoint pointer;
        QRect expect;
    };
    const Row rows[] = {
        {"stays under the pointer", std::nullopt, {1500, 400}, QRect(1250, 600, 300, 200)},
        {"to the pointer's screen", std::nullopt, {300, 400}, QRect(50, 600, 300, 200)},
        {"the chosen screen wins", QRect(0, 0, 1200, 900), {1500, 400}, QRect(50, 600, 300, 200)},
    };
    for (const Row& r : rows) {
        CurrentDocument().header.slideshowRect = QRect(1250, 600, 300, 200);
        QCursor::setPos(r.pointer);
        SlideshowWindow show;
        show.m_screenArea = r.area;
        ASSERT_TRUE(show.Initialize()) << r.name;
        EXPECT_EQ(CurrentDocument().header.slideshowRect, r.expect) << r.name;
        show.CommandAction(ShowCommand::End)->trigger();
    }
}

TEST_F(TwoScreens, DraggingFollowsThePointersScreenAndSizingStopsAtTheEdge) {
    CountingEditState ed;
    FillSlides(ed, 1);
    CurrentDocument().header.slideshowRect = QRect(800, 300, 300, 200);
    CurrentDocument().header.timerSwitch = 1; // a click does not switch the slide
    QCursor::setPos(900, 400);
    SlideshowWindow show;
    ASSERT_TRUE(show.Initialize());
    for (int i = 0; i < 20; ++i)
        show.OnZoomTimer();
    ASSERT_EQ(show.geometry(), QRect(800, 300, 300, 200));
    const auto mouse = [&show](QEvent::Type type, QPoint global) {
        QMouseEvent e(type, QPointF(global - show.pos()), QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&show, &e);
    };
    // Within the left screen the window stops at its right edge ...
    mouse(QEvent::MouseButtonPress, {900, 400});
    mouse(QEvent::MouseMove, {1150, 400});
    EXPECT_EQ(show.pos(), QPoint(900, 300));
    // ... and once the pointer is on the right screen, the window goes with it.
    mouse(QEvent::MouseMove, {1300, 400});
    EXPECT_EQ(show.pos(), QPoint(1200, 300));
    mouse(QEvent::MouseMove, {1500, 400});
    EXPECT_EQ(show.pos(), QPoint(1400, 300));
    mouse(QEvent::MouseButtonRelease, {1500, 400});
    EXPECT_EQ(CurrentDocument().header.slideshowRect, QRect(1400, 300, 300, 200));

    // Sizing by the right border stops at the right edge of the window's screen.
    show.CommandAction(ShowCommand::ResizeMode)->trigger();
    mouse(QEvent::MouseButtonPress, {1699, 400});
    mouse(QEvent::MouseMove, {2600, 400});
    EXPECT_EQ(show.geometry(), QRect(1400, 300, 1000, 200));
    mouse(QEvent::MouseButtonRelease, {2600, 400});
    show.CommandAction(ShowCommand::End)->trigger();
}

} // namespace
