// The slideshow window driven through its handlers: opening, animation, switching,
// commands, the context menu, dragging and painting.

#include "slideshow/ui/SlideshowWindow.h"
#include "base/Screen.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>

namespace {

// Counts how often a window was hidden and shown again.
struct ShowCounter : QObject {
    int hides = 0, shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide)
            ++hides;
        else if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

class Slideshow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        QCursor::setPos(0, 0);
        DocumentHeader& h = CurrentDocument().header;
        h.slideshowRect = Rect(100, 100, 500, 400);
        h.loop = 1;
        h.timerSwitch = 1;
        h.topMost = 0;
        h.fitToWindow = 0;
    }
    void TearDown() override { ResetWorld(); }

    /// The rectangle a document stores as left, top, right and bottom.
    static QRect Rect(int l, int t, int r, int b) { return RectFromStoredCorners(l, t, r, b); }
    // Slides with the given switch times; slide i is a 100 x 50 picture of colour i.
    static void Slides(const std::vector<int>& times) {
        Document& doc = CurrentDocument();
        doc.slideCount = int(times.size());
        for (size_t i = 0; i < times.size(); ++i) {
            SlideRecord& s = doc.slides[i];
            s = SlideRecord{};
            s.picture = MakeTestPicture(100, 50, QColor(int(i) * 40, 100, 200));
            s.keyColor = std::nullopt;
            s.switchTime = quint16(times[i]);
        }
    }
    // Opens the show and runs the opening animation to its end; the show then has the
    // keyboard and shows its frame.
    static void Open(SlideshowWindow& slideshow) {
        ASSERT_TRUE(slideshow.Initialize());
        for (int i = 0; i < 20; ++i)
            slideshow.OnZoomTimer();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&slideshow));
        slideshow.WaitForFrames();
    }
    /// Carries out command `c` as its action does when triggered, and waits for the
    /// frame it asks for.
    static void Run(SlideshowWindow& slideshow, ShowCommand c) {
        slideshow.CommandAction(c)->trigger();
        slideshow.WaitForFrames();
    }
    /// One tick of the second timer, and the frames it asks for.
    static void Tick(SlideshowWindow& slideshow) {
        slideshow.OnSecondTimer();
        slideshow.WaitForFrames();
    }
    static void Mouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, QPoint global) {
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(w.mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    }
    TestPrompts prompts;
};

TEST_F(Slideshow, OpeningBringsTheRectangleOntoTheScreenAndStartsAtTheCursor) {
    Slides({3, 4, 5});
    CurrentDocument().header.slideshowRect = Rect(-100, -50, 2500, -30);
    QCursor::setPos(300, 200);
    SlideshowWindow slideshow;
    slideshow.m_index = 1;
    ASSERT_TRUE(slideshow.Initialize());
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(0, 0, 1920, 50));
    EXPECT_EQ(slideshow.State().start, (show::Point{300, 200}));
    EXPECT_EQ(slideshow.geometry(), QRect(300, 200, 2, 2));
    EXPECT_EQ(slideshow.m_index, 1);
    EXPECT_EQ(slideshow.State().zoomStep, 0);
    EXPECT_EQ(slideshow.State().elapsed, 0);
    EXPECT_TRUE(slideshow.IsZoomTimerActive());
    EXPECT_TRUE(slideshow.IsSecondTimerActive());
    EXPECT_TRUE(slideshow.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(slideshow.windowFlags() & Qt::WindowType_Mask, Qt::Tool) << "no taskbar button";
    EXPECT_FALSE(slideshow.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(prompts.calls.isEmpty());
}

TEST_F(Slideshow, NothingToShowOrABadStartIndex) {
    {
        SlideshowWindow slideshow;
        EXPECT_FALSE(slideshow.Initialize()) << "an empty document has nothing to show";
        EXPECT_TRUE(slideshow.IsEnded());
    }
    Slides({1, 1, 1});
    const int starts[] = {5, 3, -7};
    for (int start : starts) {
        SlideshowWindow slideshow;
        slideshow.m_index = start;
        ASSERT_TRUE(slideshow.Initialize());
        EXPECT_EQ(slideshow.m_index, 0) << start;
    }
}

TEST_F(Slideshow, AnimationGrowsFromTheCursorAndStopsShortOfTheStoredCorner) {
    Slides({5});
    CurrentDocument().header.slideshowRect = Rect(105, 45, 505, 345);
    SlideshowWindow slideshow;
    ASSERT_TRUE(slideshow.Initialize());
    slideshow.OnZoomTimer();
    EXPECT_TRUE(slideshow.isVisible());
    EXPECT_EQ(slideshow.geometry(), QRect(5, 2, 20, 15));
    for (int i = 1; i < 20; ++i)
        slideshow.OnZoomTimer();
    EXPECT_EQ(slideshow.geometry(), QRect(100, 40, 400, 300));
    EXPECT_EQ(slideshow.State().zoomStep, 20);
    EXPECT_FALSE(slideshow.IsZoomTimerActive());
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(105, 45, 505, 345));
    slideshow.OnZoomTimer();
    EXPECT_EQ(slideshow.geometry(), QRect(100, 40, 400, 300)) << "a late tick changes nothing";
    EXPECT_FALSE(slideshow.m_changed);
}

TEST_F(Slideshow, TimerSwitchingCountsSecondsAndLoopsOrEnds) {
    struct Row {
        const char* name;
        std::vector<int> times;
        int loop;
        std::vector<int> indexAfterTick; // -1 = the show has ended
        int switches;
    };
    const Row rows[] = {
        {"one slide looping", {2}, 1, {0, 0, 0, 0, 0, 0}, 3},
        {"two slides looping", {1, 2}, 1, {1, 1, 0, 1, 1, 0}, 4},
        {"last slide without loop", {1, 2}, 0, {1, 1, -1}, 1},
        {"one slide without loop", {3}, 0, {0, 0, -1}, 0},
    };
    for (const Row& r : rows) {
        Slides(r.times);
        CurrentDocument().header.loop = r.loop;
        SlideshowWindow slideshow;
        Open(slideshow);
        ShowCounter counter;
        slideshow.installEventFilter(&counter);
        for (size_t t = 0; t < r.indexAfterTick.size(); ++t) {
            Tick(slideshow);
            if (r.indexAfterTick[t] < 0) {
                EXPECT_TRUE(slideshow.IsEnded()) << r.name << " tick " << t + 1;
                EXPECT_FALSE(slideshow.IsSecondTimerActive()) << r.name;
                EXPECT_FALSE(slideshow.isVisible()) << r.name;
                EXPECT_EQ(slideshow.m_index, int(r.times.size())) << r.name;
            } else {
                EXPECT_FALSE(slideshow.IsEnded()) << r.name << " tick " << t + 1;
                EXPECT_EQ(slideshow.m_index, r.indexAfterTick[t]) << r.name << " tick " << t + 1;
                EXPECT_TRUE(slideshow.isVisible()) << r.name;
            }
        }
        // Each switch hides the window, repaints it and shows it again.
        const int endHide = slideshow.IsEnded() ? 1 : 0;
        EXPECT_EQ(counter.hides, r.switches + endHide) << r.name;
        EXPECT_EQ(counter.shows, r.switches) << r.name;
        EXPECT_FALSE(slideshow.m_changed) << r.name;
    }
}

TEST_F(Slideshow, ClickSwitchingSwitchesOnPressAndEndsOnTheLastSlide) {
    Slides({1, 1});
    CurrentDocument().header.timerSwitch = 0;
    CurrentDocument().header.loop = 0;
    SlideshowWindow slideshow;
    Open(slideshow);
    Tick(slideshow);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().elapsed, 0) << "no counting in click switching";
    EXPECT_EQ(slideshow.m_index, 0);

    const QPoint inside = slideshow.mapToGlobal(QPoint(200, 150));
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_EQ(slideshow.m_index, 1);
    EXPECT_TRUE(slideshow.State().dragging) << "a move-drag starts after the switch";
    EXPECT_EQ(slideshow.State().dragPoint, (show::Point{inside.x(), inside.y()}));
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_FALSE(slideshow.State().dragging);

    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_TRUE(slideshow.IsEnded()) << "a click on the last slide ends the show";
    EXPECT_FALSE(slideshow.State().dragging) << "without a move-drag";
    EXPECT_EQ(slideshow.m_index, 2);
}

TEST_F(Slideshow, ElapsedSecondsSurviveModeChangesAndResetOnSwitch) {
    Slides({5, 5});
    SlideshowWindow slideshow;
    Open(slideshow);
    Tick(slideshow);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().elapsed, 2);

    Run(slideshow, ShowCommand::ClickSwitch); // click switching
    EXPECT_EQ(CurrentDocument().header.timerSwitch, 0);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().elapsed, 2) << "stands still in click switching";
    Run(slideshow, ShowCommand::TimerSwitch); // timer switching again
    EXPECT_EQ(CurrentDocument().header.timerSwitch, 1);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().elapsed, 3);

    Run(slideshow, ShowCommand::ResizeMode); // size-change mode pauses the count
    EXPECT_TRUE(slideshow.State().resizeMode);
    EXPECT_FALSE(slideshow.IsSecondTimerActive());
    EXPECT_EQ(slideshow.minimumSize(), QSize(50, 50));
    Run(slideshow, ShowCommand::ResizeMode);
    EXPECT_FALSE(slideshow.State().resizeMode);
    EXPECT_TRUE(slideshow.IsSecondTimerActive());
    EXPECT_EQ(slideshow.State().elapsed, 3) << "resumes where it stood";
    EXPECT_EQ(slideshow.geometry(), QRect(100, 100, 400, 300)) << "the window stays in place";

    Tick(slideshow);
    Tick(slideshow);
    EXPECT_EQ(slideshow.m_index, 1);
    EXPECT_EQ(slideshow.State().elapsed, 0) << "a switch resets the count";
}

TEST_F(Slideshow, DoubleClickInClickSwitchingSwitchesThenEntersSizeChange) {
    Slides({1, 1, 1});
    CurrentDocument().header.timerSwitch = 0;
    SlideshowWindow slideshow;
    Open(slideshow);
    const QPoint inside = slideshow.mapToGlobal(QPoint(200, 150));
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    Mouse(slideshow, QEvent::MouseButtonDblClick, Qt::LeftButton, inside);
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_EQ(slideshow.m_index, 1) << "only the first press switches";
    EXPECT_TRUE(slideshow.State().resizeMode);
    // In size-change mode a press moves the window and never switches.
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_EQ(slideshow.m_index, 1);
    EXPECT_TRUE(slideshow.State().dragging);
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_FALSE(slideshow.m_changed) << "the mode itself stores nothing";
}

TEST_F(Slideshow, SizingStoresTheRectangle) {
    Slides({1});
    SlideshowWindow slideshow;
    Open(slideshow);
    slideshow.resize(300, 200); // not in size-change mode: nothing is stored
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(100, 100, 500, 400));
    Run(slideshow, ShowCommand::ResizeMode);
    // The sizing border: a drag from the right edge (the window follows the cursor on
    // a platform that does not size windows itself).
    const QPoint edge = slideshow.mapToGlobal(QPoint(slideshow.width() - 2, 100));
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, edge);
    Mouse(slideshow, QEvent::MouseMove, Qt::LeftButton, edge + QPoint(120, 0));
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, edge + QPoint(120, 0));
    EXPECT_EQ(slideshow.size(), QSize(420, 200));
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(100, 100, 520, 300));
    EXPECT_TRUE(slideshow.m_changed);
    // Never below 50 x 50.
    const QPoint corner = slideshow.mapToGlobal(QPoint(1, 1));
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, corner);
    Mouse(slideshow, QEvent::MouseMove, Qt::LeftButton, corner + QPoint(1000, 1000));
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, corner + QPoint(1000, 1000));
    EXPECT_EQ(slideshow.geometry(), QRect(470, 250, 50, 50));
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(470, 250, 520, 300));
}

TEST_F(Slideshow, CommandsToggleAndMarkTheDocumentChanged) {
    Slides({1, 1});
    struct Row {
        ShowCommand command;
        bool changed;
    };
    const Row rows[] = {{ShowCommand::FlipHorizontal, true},
                        {ShowCommand::FlipVertical, true},
                        {ShowCommand::FitToWindow, true},
                        {ShowCommand::TopMost, true},
                        {ShowCommand::Loop, true},
                        {ShowCommand::TimerSwitch, true},
                        {ShowCommand::ClickSwitch, true},
                        {ShowCommand::ResizeMode, false},
                        {ShowCommand::End, false}};
    for (const Row& r : rows) {
        SetUp();
        Slides({1, 1});
        DocumentHeader& h = CurrentDocument().header;
        SlideshowWindow slideshow;
        Open(slideshow);
        const DocumentHeader before = h;
        Run(slideshow, r.command);
        const int id = int(r.command);
        EXPECT_EQ(slideshow.m_changed, r.changed) << id;
        const SlideRecord& s = CurrentDocument().slides[0];
        EXPECT_EQ(s.flipH, r.command == ShowCommand::FlipHorizontal ? 1 : 0) << id;
        EXPECT_EQ(s.flipV, r.command == ShowCommand::FlipVertical ? 1 : 0) << id;
        EXPECT_EQ(h.fitToWindow, before.fitToWindow ^ (r.command == ShowCommand::FitToWindow))
            << id;
        EXPECT_EQ(h.topMost, before.topMost ^ (r.command == ShowCommand::TopMost)) << id;
        EXPECT_EQ(h.loop, before.loop ^ (r.command == ShowCommand::Loop)) << id;
        EXPECT_EQ(h.timerSwitch, before.timerSwitch ^ (r.command == ShowCommand::TimerSwitch ||
                                                       r.command == ShowCommand::ClickSwitch))
            << id;
        EXPECT_EQ(slideshow.State().resizeMode, r.command == ShowCommand::ResizeMode) << id;
        EXPECT_EQ(slideshow.IsEnded(), r.command == ShowCommand::End) << id;
    }
}

TEST_F(Slideshow, TopMostIsAppliedWithoutEndingTheShow) {
    Slides({1});
    CurrentDocument().header.topMost = 1;
    SlideshowWindow slideshow;
    Open(slideshow);
    EXPECT_TRUE(slideshow.windowFlags() & Qt::WindowStaysOnTopHint);
    ShowCounter counter;
    slideshow.installEventFilter(&counter);
    Run(slideshow, ShowCommand::TopMost);
    EXPECT_FALSE(slideshow.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_NE(slideshow.windowHandle(), nullptr);
    EXPECT_FALSE(slideshow.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(counter.hides, 0) << "the window is not recreated";
    EXPECT_EQ(slideshow.geometry(), QRect(100, 100, 400, 300));
    Run(slideshow, ShowCommand::TopMost);
    EXPECT_TRUE(slideshow.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(Slideshow, ArrowKeysFlipTheSlideOnShowAndEscEnds) {
    Slides({1, 1});
    SlideshowWindow slideshow;
    Open(slideshow);
    QTest::keyClick(&slideshow, Qt::Key_Right);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 1);
    QTest::keyClick(&slideshow, Qt::Key_Right);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 0) << "Right twice restores the slide";
    QTest::keyClick(&slideshow, Qt::Key_Left);
    QTest::keyClick(&slideshow, Qt::Key_Down);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 1);
    EXPECT_EQ(CurrentDocument().slides[0].flipV, 1);
    QTest::keyClick(&slideshow, Qt::Key_Up);
    EXPECT_EQ(CurrentDocument().slides[0].flipV, 0);
    EXPECT_EQ(CurrentDocument().slides[1].flipH, 0) << "only the slide on show";
    EXPECT_TRUE(slideshow.m_changed);
    QTest::keyClick(&slideshow, Qt::Key_Escape);
    EXPECT_TRUE(slideshow.IsEnded());
}

TEST_F(Slideshow, PresentationKeysMoveThroughTheSlidesAndPHoldsTheTimeWithASign) {
    struct Row {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int index; // from slide 2 of 4, looping
    };
    const Row rows[] = {
        {"space", Qt::Key_Space, Qt::NoModifier, 2},
        {"page down", Qt::Key_PageDown, Qt::NoModifier, 2},
        {"Enter", Qt::Key_Return, Qt::NoModifier, 2},
        {"the number pad's Enter", Qt::Key_Enter, Qt::KeypadModifier, 2},
        {"backspace", Qt::Key_Backspace, Qt::NoModifier, 0},
        {"page up", Qt::Key_PageUp, Qt::NoModifier, 0},
        {"home", Qt::Key_Home, Qt::NoModifier, 0},
        {"end", Qt::Key_End, Qt::NoModifier, 3},
        {"Ctrl+space", Qt::Key_Space, Qt::ControlModifier, 1},
    };
    for (const Row& r : rows) {
        Slides({5, 5, 5, 5});
        SlideshowWindow slideshow;
        slideshow.m_index = 1;
        Open(slideshow);
        QTest::keyClick(&slideshow, r.key, r.modifiers);
        slideshow.WaitForFrames();
        EXPECT_FALSE(slideshow.IsEnded()) << r.name;
        EXPECT_EQ(slideshow.State().index, r.index) << r.name;
        EXPECT_FALSE(slideshow.m_changed) << r.name;
    }

    Slides({2, 2});
    SlideshowWindow slideshow;
    Open(slideshow);
    const QRegion plain = slideshow.CurrentFrame().opaque;
    QTest::keyClick(&slideshow, Qt::Key_P);
    slideshow.WaitForFrames();
    // The sign is drawn over the slide's top-left and is part of the visible window.
    const QRect sign(12, 12, 24, 24);
    EXPECT_TRUE(slideshow.CurrentFrame().opaque.contains(sign));
    EXPECT_NE(slideshow.CurrentFrame().opaque, plain);
    for (int i = 0; i < 5; ++i)
        Tick(slideshow);
    EXPECT_EQ(slideshow.State().index, 0) << "the time stands while paused";
    QTest::keyClick(&slideshow, Qt::Key_P);
    slideshow.WaitForFrames();
    EXPECT_EQ(slideshow.CurrentFrame().opaque, plain) << "the sign goes with the pause";
    Tick(slideshow);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().index, 1);
}

TEST_F(Slideshow, OnlyTheCommandKeysActAndModifiersMakeOtherKeys) {
    struct Row {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int flipH, flipV;
        bool ends;
    };
    const Row rows[] = {
        {"left", Qt::Key_Left, Qt::NoModifier, 1, 0, false},
        {"right", Qt::Key_Right, Qt::NoModifier, 1, 0, false},
        {"up", Qt::Key_Up, Qt::NoModifier, 0, 1, false},
        {"down", Qt::Key_Down, Qt::NoModifier, 0, 1, false},
        {"the number pad's left arrow", Qt::Key_Left, Qt::KeypadModifier, 1, 0, false},
        {"Esc", Qt::Key_Escape, Qt::NoModifier, 0, 0, true},
        {"Shift+left", Qt::Key_Left, Qt::ShiftModifier, 0, 0, false},
        {"Ctrl+up", Qt::Key_Up, Qt::ControlModifier, 0, 0, false},
        {"A", Qt::Key_A, Qt::NoModifier, 0, 0, false},
    };
    for (const Row& r : rows) {
        Slides({1, 1});
        SlideshowWindow slideshow;
        Open(slideshow);
        QTest::keyClick(&slideshow, r.key, r.modifiers);
        EXPECT_EQ(CurrentDocument().slides[0].flipH, r.flipH) << r.name;
        EXPECT_EQ(CurrentDocument().slides[0].flipV, r.flipV) << r.name;
        EXPECT_EQ(slideshow.IsEnded(), r.ends) << r.name;
    }
}

TEST_F(Slideshow, FlipsDoNothingBeforeTheFirstSlide) {
    Slides({1, 1});
    SlideshowWindow slideshow;
    slideshow.m_index = -1;
    Open(slideshow);
    EXPECT_EQ(slideshow.m_index, -1);
    Run(slideshow, ShowCommand::FlipHorizontal);
    Run(slideshow, ShowCommand::FlipVertical);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 0);
    EXPECT_FALSE(slideshow.m_changed);
    Tick(slideshow);
    EXPECT_EQ(slideshow.State().elapsed, 0) << "nothing counts before the first slide";
    QMenu menu;
    slideshow.BuildContextMenu(menu);
    EXPECT_TRUE(slideshow.CurrentFrame().opaque.isEmpty()) << "nothing is shown";
}

// The command actions of a menu and its submenus.
void CollectActions(const QMenu& menu, std::set<const QAction*>& out) {
    for (const QAction* a : menu.actions()) {
        if (a->menu())
            CollectActions(*a->menu(), out);
        else if (!a->isSeparator())
            out.insert(a);
    }
}

TEST_F(Slideshow, ContextMenuTextsAndCheckMarks) {
    Slides({1, 1});
    CurrentDocument().slides[1].flipV = 1;
    struct Row {
        const char* name;
        int loop, timer, topmost, fit, resize, index;
        std::map<ShowCommand, bool> checks;
    };
    const Row rows[] = {
        {"defaults",
         1,
         1,
         0,
         0,
         0,
         0,
         {{ShowCommand::FlipHorizontal, false},
          {ShowCommand::FlipVertical, false},
          {ShowCommand::ResizeMode, false},
          {ShowCommand::FitToWindow, false},
          {ShowCommand::TopMost, false},
          {ShowCommand::Loop, true},
          {ShowCommand::TimerSwitch, true},
          {ShowCommand::ClickSwitch, false},
          {ShowCommand::Pause, false},
          {ShowCommand::End, false}}},
        {"everything on",
         0,
         0,
         1,
         1,
         1,
         1,
         {{ShowCommand::FlipHorizontal, false},
          {ShowCommand::FlipVertical, true},
          {ShowCommand::ResizeMode, true},
          {ShowCommand::FitToWindow, true},
          {ShowCommand::TopMost, true},
          {ShowCommand::Loop, false},
          {ShowCommand::TimerSwitch, false},
          {ShowCommand::ClickSwitch, true},
          {ShowCommand::Pause, false},
          {ShowCommand::End, false}}},
    };
    for (const Row& r : rows) {
        DocumentHeader& h = CurrentDocument().header;
        h.loop = r.loop;
        h.timerSwitch = r.timer;
        h.topMost = r.topmost;
        h.fitToWindow = r.fit;
        SlideshowWindow slideshow;
        slideshow.m_index = r.index;
        Open(slideshow);
        if (r.resize)
            Run(slideshow, ShowCommand::ResizeMode);
        QMenu menu;
        slideshow.BuildContextMenu(menu);
        std::set<const QAction*> actions;
        CollectActions(menu, actions);
        ASSERT_EQ(actions.size(), r.checks.size()) << r.name;
        for (const auto& [command, checked] : r.checks) {
            const QAction* a = slideshow.CommandAction(command);
            ASSERT_TRUE(actions.count(a)) << r.name << " " << int(command);
            EXPECT_EQ(a->isChecked(), checked) << r.name << " " << int(command);
            EXPECT_EQ(a->isEnabled(), command != ShowCommand::Pause || r.timer != 0)
                << r.name << " " << int(command);
        }
    }

    SlideshowWindow slideshow;
    Open(slideshow);
    QMenu menu;
    slideshow.BuildContextMenu(menu);
    const std::map<ShowCommand, QString> texts = {
        {ShowCommand::FlipHorizontal, QStringLiteral("左右反転(&H)\t←,→")},
        {ShowCommand::FlipVertical, QStringLiteral("上下反転(&V)\t↑,↓")},
        {ShowCommand::ResizeMode, QStringLiteral("サイズ変更(&S)\tWClick")},
        {ShowCommand::FitToWindow, QStringLiteral("サイズに合せて拡大(&E)")},
        {ShowCommand::TopMost, QStringLiteral("最前面に表示(&M)")},
        {ShowCommand::Loop, QStringLiteral("連続に繰り返す(&L)")},
        {ShowCommand::TimerSwitch, QStringLiteral("タイマー切替え(&A)")},
        {ShowCommand::ClickSwitch, QStringLiteral("クリック切替え(&C)")},
        {ShowCommand::Pause, QStringLiteral("一時停止(&P)\tP")},
        {ShowCommand::End, QStringLiteral("スライドショー終了(&X)\tESC")},
    };
    for (const auto& [command, text] : texts)
        EXPECT_EQ(slideshow.CommandAction(command)->text(), text) << int(command);
    // The flips sit in the submenu "反転(&R)", the first item.
    ASSERT_FALSE(menu.actions().isEmpty());
    const QMenu* sub = menu.actions().first()->menu();
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->title(), QStringLiteral("反転(&R)"));
    EXPECT_EQ(sub->actions(),
              (QList<QAction*>{slideshow.CommandAction(ShowCommand::FlipHorizontal),
                               slideshow.CommandAction(ShowCommand::FlipVertical)}));
}

TEST_F(Slideshow, RightReleaseOpensTheMenuCentredAndRunsTheChosenCommand) {
    Slides({1, 1});
    SlideshowWindow slideshow;
    Open(slideshow);
    const QPoint at = slideshow.mapToGlobal(QPoint(200, 150));
    const QAction* loop = slideshow.CommandAction(ShowCommand::Loop);
    int menuCentre = -1, menuTop = -1;
    QTimer::singleShot(0, &slideshow, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menuCentre = menu->geometry().center().x();
        menuTop = menu->geometry().top();
        for (QAction* a : menu->actions())
            if (a == loop)
                menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::RightButton, at);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the press opens nothing";
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::RightButton, at);
    EXPECT_NEAR(menuCentre, at.x(), 1);
    EXPECT_EQ(menuTop, at.y());
    EXPECT_EQ(CurrentDocument().header.loop, 0);
    EXPECT_TRUE(slideshow.m_changed);
    EXPECT_EQ(slideshow.m_index, 0) << "a right click never switches";
}

TEST_F(Slideshow, TooltipNamesTheSlideAndItsTime) {
    Slides({5, 75});
    SlideshowWindow slideshow;
    slideshow.m_index = 1;
    Open(slideshow);
    Mouse(slideshow, QEvent::MouseMove, Qt::NoButton, slideshow.mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(slideshow.toolTip(), QStringLiteral("№2 01:15\n※ 右クリックメニューで操作できます"));
}

TEST_F(Slideshow, MoveDragStaysOnTheScreenAndStoresTheRectangle) {
    Slides({1});
    SlideshowWindow slideshow;
    Open(slideshow);
    ASSERT_EQ(slideshow.geometry(), QRect(100, 100, 400, 300));
    QPoint at(150, 150);
    Mouse(slideshow, QEvent::MouseButtonPress, Qt::LeftButton, at);
    EXPECT_EQ(slideshow.cursor().shape(), Qt::SizeAllCursor);
    struct Step {
        QPoint cursor;
        QPoint topLeft;
    };
    const Step steps[] = {
        {{180, 170}, {130, 120}},    // plain move
        {{-500, 170}, {0, 120}},     // past the left edge
        {{-400, 170}, {100, 120}},   // back by the cursor's own movement
        {{5000, 5000}, {1520, 780}}, // past the right and bottom
    };
    for (const Step& s : steps) {
        Mouse(slideshow, QEvent::MouseMove, Qt::LeftButton, s.cursor);
        EXPECT_EQ(slideshow.pos(), s.topLeft);
        EXPECT_EQ(CurrentDocument().header.slideshowRect,
                  Rect(s.topLeft.x(), s.topLeft.y(), s.topLeft.x() + 400, s.topLeft.y() + 300));
    }
    EXPECT_TRUE(slideshow.m_changed);
    Mouse(slideshow, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5000, 5000));
    EXPECT_FALSE(slideshow.State().dragging);
    EXPECT_EQ(slideshow.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Slideshow, PaintsTheSlideOnKeyAndMasksTheKey) {
    Slides({1});
    SlideRecord& s = CurrentDocument().slides[0];
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 20; ++x)
            img.setPixel(x, y, qRgb(0, 255, 0)); // a key-coloured band on the left
    s.picture = Picture::fromImage(img);
    s.keyColor = qRgb(0, 255, 0);
    SlideshowWindow slideshow;
    Open(slideshow);
    const QImage shot = slideshow.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(400, 300));
    EXPECT_EQ(shot.pixel(5, 5), qRgb(0, 255, 0)) << "margin filled with K";
    EXPECT_EQ(shot.pixel(150, 150), qRgb(255, 0, 0));
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(120, 100, 180, 100)) << "only the non-key pixels";
    EXPECT_EQ(slideshow.mask(), slideshow.VisibleMask());

    Run(slideshow, ShowCommand::FitToWindow); // fit: 200 x 100 fills the width at (0, 50)
    EXPECT_EQ(slideshow.CurrentFrame().placed, QRect(0, 50, 400, 200));
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(40, 50, 360, 200));
    Run(slideshow, ShowCommand::FlipHorizontal); // mirrored: the key band moves to the right
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(0, 50, 360, 200));

    Run(slideshow, ShowCommand::ResizeMode); // size-change mode adds the sizing border to the mask
    const QRegion ring = QRegion(0, 0, 400, 300).subtracted(QRegion(6, 6, 388, 288));
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(0, 50, 360, 200).united(ring));
    const QImage framed = slideshow.grab().toImage();
    EXPECT_NE(framed.pixel(2, 150), qRgb(0, 255, 0)) << "the border is drawn";
}

/// A PNG whose header reads but whose pixel data breaks off: it becomes a picture, and
/// turns out not to decode only when something draws it.
PicturePtr BrokenPicture() {
    QImage img(60, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 6, (x * y) & 0xFF));
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    img.save(&out, "PNG");
    return Picture::fromBytes(bytes.left(bytes.size() - 40));
}

TEST_F(Slideshow, SlidesWhosePicturesDoNotShowArePassedOverAndNamedOnce) {
    Slides({1, 1, 1, 1});
    Document& doc = CurrentDocument();
    doc.slides[1].picture.reset();           // known at opening
    doc.slides[3].picture = BrokenPicture(); // found out when it is drawn
    ASSERT_TRUE(doc.slides[3].picture);
    SlideshowWindow slideshow;
    Open(slideshow);
    EXPECT_EQ(slideshow.m_index, 0);
    EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::SlidesSkipped});
    EXPECT_TRUE(prompts.calls.constLast().text.startsWith(QStringLiteral("スライド 2\n")));

    Tick(slideshow); // slide 2 is passed over
    EXPECT_EQ(slideshow.m_index, 2);
    Tick(slideshow); // slide 4 shows, does not decode, and the show goes on
    EXPECT_EQ(slideshow.m_index, 0);
    EXPECT_EQ(prompts.messageIds(), (QList<Msg>{Msg::SlidesSkipped, Msg::SlidesSkipped}));
    EXPECT_TRUE(prompts.calls.constLast().text.startsWith(QStringLiteral("スライド 4\n")));
    // Round after round the same slides are passed over without a word.
    for (int i = 0; i < 6; ++i)
        Tick(slideshow);
    EXPECT_NE(slideshow.m_index, 1);
    EXPECT_NE(slideshow.m_index, 3);
    EXPECT_EQ(prompts.messageIds().size(), 2);
    EXPECT_FALSE(slideshow.IsEnded());
}

TEST_F(Slideshow, WithNoSlideThatShowsTheShowSaysSoAndEnds) {
    // Known at opening: no slide has a picture.
    Slides({1, 1});
    CurrentDocument().slides[0].picture.reset();
    CurrentDocument().slides[1].picture.reset();
    {
        SlideshowWindow slideshow;
        EXPECT_FALSE(slideshow.Initialize());
        EXPECT_TRUE(slideshow.IsEnded());
        EXPECT_TRUE(slideshow.ShowedNothing());
        EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::NoSlideCanBeShown});
    }
    // Found out while showing: every picture breaks off.
    Slides({1, 1, 1});
    for (int i = 0; i < 3; ++i)
        CurrentDocument().slides[i].picture = BrokenPicture();
    SlideshowWindow slideshow;
    ASSERT_TRUE(slideshow.Initialize());
    slideshow.WaitForFrames();
    EXPECT_TRUE(slideshow.IsEnded());
    EXPECT_TRUE(slideshow.ShowedNothing());
    EXPECT_EQ(prompts.messageIds().constLast(), Msg::NoSlideCanBeShown);
}

} // namespace

TEST_F(Slideshow, TheNextSlideIsMadeWhileTheCurrentOneShows) {
    // Three JPEG photos larger than the window (decoded at the window's size) and one
    // keyed slide (decoded whole, its key met on its own pixels).
    const auto jpeg = [](QRgb colour) {
        QImage img(1600, 1200, QImage::Format_RGB32);
        img.fill(colour);
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        img.save(&out, "JPEG", 95);
        return Picture::fromBytes(bytes);
    };
    Slides({1, 1, 1, 1});
    Document& doc = CurrentDocument();
    doc.slides[0].picture = jpeg(qRgb(200, 30, 30));
    doc.slides[1].picture = jpeg(qRgb(30, 200, 30));
    doc.slides[2].picture = jpeg(qRgb(30, 30, 200));
    doc.slides[3].keyColor = QRgb(qRgb(120, 100, 200)); // its picture is all key
    SlideshowWindow slideshow;
    Open(slideshow);
    // Once the window has opened, slide 2 is made in a worker.
    slideshow.WaitForFrames();
    EXPECT_FALSE(slideshow.IsPreparingNextFrame());
    for (int next = 1; next <= 4; ++next) {
        ASSERT_TRUE(slideshow.SwitchToNext());
        ASSERT_EQ(slideshow.m_index, next % 4);
        const SlideRecord& slide = doc.slides[size_t(next % 4)];
        // The frame is the one the show would make from the whole picture: the window
        // filled, the colours the photo's (within the JPEG's error).
        const ShowFrame expected =
            ComposeShowFrame(slide.picture->image(), slide.keyColor, slideshow.size(), false);
        const ShowFrame& got = slideshow.CurrentFrame();
        ASSERT_EQ(got.image.size(), expected.image.size()) << next;
        EXPECT_EQ(got.placed, expected.placed) << next;
        EXPECT_EQ(got.opaque, expected.opaque) << next;
        const QPoint mid = got.placed.isEmpty() ? QPoint(10, 10) : got.placed.center();
        const QRgb a = got.image.pixel(mid), b = expected.image.pixel(mid);
        EXPECT_NEAR(qRed(a), qRed(b), 3) << next;
        EXPECT_NEAR(qGreen(a), qGreen(b), 3) << next;
        EXPECT_NEAR(qBlue(a), qBlue(b), 3) << next;
        slideshow.WaitForFrames();
    }
    // A frame made for another size is not used: the frame follows the window.
    slideshow.resize(300, 200);
    ASSERT_TRUE(slideshow.SwitchToNext());
    slideshow.WaitForFrames();
    EXPECT_EQ(slideshow.CurrentFrame().image.size(), QSize(300, 200));
}
