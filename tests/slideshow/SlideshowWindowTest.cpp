// The slideshow window driven through its handlers: opening, animation, switching,
// commands, the context menu, dragging and painting.

#include "slideshow/ui/SlideshowWindow.h"
#include "base/Screen.h"
#include "slideshow/ShowCommands.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
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

class SideDlg : public ::testing::Test {
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
    // Opens the show and runs the opening animation to its end.
    static void Open(SlideshowWindow& dlg) {
        ASSERT_TRUE(dlg.OnInitDialog());
        for (int i = 0; i < 20; ++i)
            dlg.OnTimer(21);
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

TEST_F(SideDlg, OpeningBringsTheRectangleOntoTheScreenAndStartsAtTheCursor) {
    Slides({3, 4, 5});
    CurrentDocument().header.slideshowRect = Rect(-100, -50, 2500, -30);
    QCursor::setPos(300, 200);
    SlideshowWindow dlg;
    dlg.m_index = 1;
    ASSERT_TRUE(dlg.OnInitDialog());
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(0, 0, 1920, 50));
    EXPECT_EQ(dlg.m_startPoint, QPoint(300, 200));
    EXPECT_EQ(dlg.geometry(), QRect(300, 200, 2, 2));
    EXPECT_EQ(dlg.m_times, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_EQ(dlg.m_zoomStep, 0);
    EXPECT_EQ(dlg.m_elapsed, 0);
    EXPECT_TRUE(dlg.IsZoomTimerActive());
    EXPECT_TRUE(dlg.IsSecondTimerActive());
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dlg.windowFlags() & Qt::WindowType_Mask, Qt::Tool) << "no taskbar button";
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(prompts.calls.isEmpty());
}

TEST_F(SideDlg, NothingToShowOrABadStartIndex) {
    {
        SlideshowWindow dlg;
        EXPECT_FALSE(dlg.OnInitDialog()) << "an empty document has nothing to show";
        EXPECT_TRUE(dlg.IsEnded());
    }
    Slides({1, 1, 1});
    const int starts[] = {5, 3, -7};
    for (int start : starts) {
        SlideshowWindow dlg;
        dlg.m_index = start;
        ASSERT_TRUE(dlg.OnInitDialog());
        EXPECT_EQ(dlg.m_index, 0) << start;
    }
}

TEST_F(SideDlg, AnimationGrowsFromTheCursorAndStopsShortOfTheStoredCorner) {
    Slides({5});
    CurrentDocument().header.slideshowRect = Rect(105, 45, 505, 345);
    SlideshowWindow dlg;
    ASSERT_TRUE(dlg.OnInitDialog());
    dlg.OnTimer(21);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.geometry(), QRect(5, 2, 20, 15));
    for (int i = 1; i < 20; ++i)
        dlg.OnTimer(21);
    EXPECT_EQ(dlg.geometry(), QRect(100, 40, 400, 300));
    EXPECT_EQ(dlg.m_zoomStep, 20);
    EXPECT_FALSE(dlg.IsZoomTimerActive());
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(105, 45, 505, 345));
    dlg.OnTimer(21);
    EXPECT_EQ(dlg.geometry(), QRect(100, 40, 400, 300)) << "a late tick changes nothing";
    EXPECT_FALSE(dlg.m_changed);
}

TEST_F(SideDlg, TimerSwitchingCountsSecondsAndLoopsOrEnds) {
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
        SlideshowWindow dlg;
        Open(dlg);
        ShowCounter counter;
        dlg.installEventFilter(&counter);
        for (size_t t = 0; t < r.indexAfterTick.size(); ++t) {
            dlg.OnTimer(22);
            if (r.indexAfterTick[t] < 0) {
                EXPECT_TRUE(dlg.IsEnded()) << r.name << " tick " << t + 1;
                EXPECT_FALSE(dlg.IsSecondTimerActive()) << r.name;
                EXPECT_FALSE(dlg.isVisible()) << r.name;
                EXPECT_EQ(dlg.m_index, int(r.times.size())) << r.name;
            } else {
                EXPECT_FALSE(dlg.IsEnded()) << r.name << " tick " << t + 1;
                EXPECT_EQ(dlg.m_index, r.indexAfterTick[t]) << r.name << " tick " << t + 1;
                EXPECT_TRUE(dlg.isVisible()) << r.name;
            }
        }
        // Each switch hides the window, repaints it and shows it again.
        const int endHide = dlg.IsEnded() ? 1 : 0;
        EXPECT_EQ(counter.hides, r.switches + endHide) << r.name;
        EXPECT_EQ(counter.shows, r.switches) << r.name;
        EXPECT_FALSE(dlg.m_changed) << r.name;
    }
}

TEST_F(SideDlg, ClickSwitchingSwitchesOnPressAndEndsOnTheLastSlide) {
    Slides({1, 1});
    CurrentDocument().header.timerSwitch = 0;
    CurrentDocument().header.loop = 0;
    SlideshowWindow dlg;
    Open(dlg);
    dlg.OnTimer(22);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_elapsed, 0) << "no counting in click switching";
    EXPECT_EQ(dlg.m_index, 0);

    const QPoint inside = dlg.mapToGlobal(QPoint(200, 150));
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_TRUE(dlg.m_dragging) << "a move-drag starts after the switch";
    EXPECT_EQ(dlg.m_dragPoint, inside);
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_FALSE(dlg.m_dragging);

    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_TRUE(dlg.IsEnded()) << "a click on the last slide ends the show";
    EXPECT_FALSE(dlg.m_dragging) << "without a move-drag";
    EXPECT_EQ(dlg.m_index, 2);
}

TEST_F(SideDlg, ElapsedSecondsSurviveModeChangesAndResetOnSwitch) {
    Slides({5, 5});
    SlideshowWindow dlg;
    Open(dlg);
    dlg.OnTimer(22);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_elapsed, 2);

    dlg.OnCommand(129); // click switching
    EXPECT_EQ(CurrentDocument().header.timerSwitch, 0);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_elapsed, 2) << "stands still in click switching";
    dlg.OnCommand(102); // timer switching again
    EXPECT_EQ(CurrentDocument().header.timerSwitch, 1);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_elapsed, 3);

    dlg.OnCommand(116); // size-change mode pauses the count
    EXPECT_TRUE(dlg.m_resizeMode);
    EXPECT_FALSE(dlg.IsSecondTimerActive());
    EXPECT_EQ(dlg.minimumSize(), QSize(50, 50));
    dlg.OnCommand(116);
    EXPECT_FALSE(dlg.m_resizeMode);
    EXPECT_TRUE(dlg.IsSecondTimerActive());
    EXPECT_EQ(dlg.m_elapsed, 3) << "resumes where it stood";
    EXPECT_EQ(dlg.geometry(), QRect(100, 100, 400, 300)) << "the window stays in place";

    dlg.OnTimer(22);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_EQ(dlg.m_elapsed, 0) << "a switch resets the count";
}

TEST_F(SideDlg, DoubleClickInClickSwitchingSwitchesThenEntersSizeChange) {
    Slides({1, 1, 1});
    CurrentDocument().header.timerSwitch = 0;
    SlideshowWindow dlg;
    Open(dlg);
    const QPoint inside = dlg.mapToGlobal(QPoint(200, 150));
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    Mouse(dlg, QEvent::MouseButtonDblClick, Qt::LeftButton, inside);
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_EQ(dlg.m_index, 1) << "only the first press switches";
    EXPECT_TRUE(dlg.m_resizeMode);
    // In size-change mode a press moves the window and never switches.
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, inside);
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_TRUE(dlg.m_dragging);
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, inside);
    EXPECT_FALSE(dlg.m_changed) << "the mode itself stores nothing";
}

TEST_F(SideDlg, SizingStoresTheRectangle) {
    Slides({1});
    SlideshowWindow dlg;
    Open(dlg);
    dlg.resize(300, 200); // not in size-change mode: nothing is stored
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(100, 100, 500, 400));
    dlg.OnCommand(116);
    // The sizing border: a drag from the right edge (the window follows the cursor on
    // a platform that does not size windows itself).
    const QPoint edge = dlg.mapToGlobal(QPoint(dlg.width() - 2, 100));
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, edge);
    Mouse(dlg, QEvent::MouseMove, Qt::LeftButton, edge + QPoint(120, 0));
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, edge + QPoint(120, 0));
    EXPECT_EQ(dlg.size(), QSize(420, 200));
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(100, 100, 520, 300));
    EXPECT_TRUE(dlg.m_changed);
    // Never below 50 x 50.
    const QPoint corner = dlg.mapToGlobal(QPoint(1, 1));
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, corner);
    Mouse(dlg, QEvent::MouseMove, Qt::LeftButton, corner + QPoint(1000, 1000));
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, corner + QPoint(1000, 1000));
    EXPECT_EQ(dlg.geometry(), QRect(470, 250, 50, 50));
    EXPECT_EQ(CurrentDocument().header.slideshowRect, Rect(470, 250, 520, 300));
}

TEST_F(SideDlg, CommandsToggleAndMarkTheDocumentChanged) {
    Slides({1, 1});
    struct Row {
        int id;
        int changed;
    };
    const Row rows[] = {{130, 1}, {131, 1}, {132, 1}, {127, 1}, {101, 1},
                        {102, 1}, {129, 1}, {116, 0}, {115, 0}};
    for (const Row& r : rows) {
        SetUp();
        Slides({1, 1});
        DocumentHeader& h = CurrentDocument().header;
        SlideshowWindow dlg;
        Open(dlg);
        const DocumentHeader before = h;
        dlg.OnCommand(r.id);
        EXPECT_EQ(dlg.m_changed, r.changed) << r.id;
        const SlideRecord& s = CurrentDocument().slides[0];
        EXPECT_EQ(s.flipH, r.id == 130 ? 1 : 0) << r.id;
        EXPECT_EQ(s.flipV, r.id == 131 ? 1 : 0) << r.id;
        EXPECT_EQ(h.fitToWindow, before.fitToWindow ^ (r.id == 132)) << r.id;
        EXPECT_EQ(h.topMost, before.topMost ^ (r.id == 127)) << r.id;
        EXPECT_EQ(h.loop, before.loop ^ (r.id == 101)) << r.id;
        EXPECT_EQ(h.timerSwitch, before.timerSwitch ^ (r.id == 102 || r.id == 129)) << r.id;
        EXPECT_EQ(dlg.m_resizeMode, r.id == 116) << r.id;
        EXPECT_EQ(dlg.IsEnded(), r.id == 115) << r.id;
    }
}

TEST_F(SideDlg, TopMostIsAppliedWithoutEndingTheShow) {
    Slides({1});
    CurrentDocument().header.topMost = 1;
    SlideshowWindow dlg;
    Open(dlg);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    ShowCounter counter;
    dlg.installEventFilter(&counter);
    dlg.OnCommand(127);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_NE(dlg.windowHandle(), nullptr);
    EXPECT_FALSE(dlg.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(counter.hides, 0) << "the window is not recreated";
    EXPECT_EQ(dlg.geometry(), QRect(100, 100, 400, 300));
    dlg.OnCommand(127);
    EXPECT_TRUE(dlg.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(SideDlg, ArrowKeysFlipTheSlideOnShowAndEscEnds) {
    Slides({1, 1});
    SlideshowWindow dlg;
    Open(dlg);
    QTest::keyClick(&dlg, Qt::Key_Right);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 1);
    QTest::keyClick(&dlg, Qt::Key_Right);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 0) << "Right twice restores the slide";
    QTest::keyClick(&dlg, Qt::Key_Left);
    QTest::keyClick(&dlg, Qt::Key_Down);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 1);
    EXPECT_EQ(CurrentDocument().slides[0].flipV, 1);
    QTest::keyClick(&dlg, Qt::Key_Up);
    EXPECT_EQ(CurrentDocument().slides[0].flipV, 0);
    EXPECT_EQ(CurrentDocument().slides[1].flipH, 0) << "only the slide on show";
    EXPECT_TRUE(dlg.m_changed);
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_FALSE(dlg.IsEnded()) << "Enter does nothing";
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.IsEnded());
}

TEST_F(SideDlg, FlipsDoNothingBeforeTheFirstSlide) {
    Slides({1, 1});
    SlideshowWindow dlg;
    dlg.m_index = -1;
    Open(dlg);
    EXPECT_EQ(dlg.m_index, -1);
    dlg.OnCommand(130);
    dlg.OnCommand(131);
    EXPECT_EQ(CurrentDocument().slides[0].flipH, 0);
    EXPECT_FALSE(dlg.m_changed);
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_elapsed, 0) << "nothing counts before the first slide";
    QMenu menu;
    dlg.BuildContextMenu(menu);
    EXPECT_TRUE(dlg.CurrentFrame().opaque.isEmpty()) << "nothing is shown";
}

// The actions of a menu and its submenus by command id.
void CollectActions(QMenu& menu, std::map<int, QAction*>& out) {
    for (QAction* a : menu.actions()) {
        if (a->menu())
            CollectActions(*a->menu(), out);
        else if (!a->isSeparator())
            out[a->data().toInt()] = a;
    }
}

TEST_F(SideDlg, ContextMenuTextsAndCheckMarks) {
    Slides({1, 1});
    CurrentDocument().slides[1].flipV = 1;
    struct Row {
        const char* name;
        int loop, timer, topmost, fit, resize, index;
        std::map<int, bool> checks;
    };
    const Row rows[] = {
        {"defaults",
         1,
         1,
         0,
         0,
         0,
         0,
         {{130, false},
          {131, false},
          {116, false},
          {132, false},
          {127, false},
          {101, true},
          {102, true},
          {129, false},
          {115, false}}},
        {"everything on",
         0,
         0,
         1,
         1,
         1,
         1,
         {{130, false},
          {131, true},
          {116, true},
          {132, true},
          {127, true},
          {101, false},
          {102, false},
          {129, true},
          {115, false}}},
    };
    for (const Row& r : rows) {
        DocumentHeader& h = CurrentDocument().header;
        h.loop = r.loop;
        h.timerSwitch = r.timer;
        h.topMost = r.topmost;
        h.fitToWindow = r.fit;
        SlideshowWindow dlg;
        dlg.m_index = r.index;
        Open(dlg);
        if (r.resize)
            dlg.OnCommand(116);
        QMenu menu;
        dlg.BuildContextMenu(menu);
        std::map<int, QAction*> actions;
        CollectActions(menu, actions);
        ASSERT_EQ(actions.size(), r.checks.size()) << r.name;
        for (const auto& [id, checked] : r.checks)
            EXPECT_EQ(actions[id]->isChecked(), checked) << r.name << " " << id;
    }

    SlideshowWindow dlg;
    Open(dlg);
    QMenu menu;
    dlg.BuildContextMenu(menu);
    std::map<int, QAction*> actions;
    CollectActions(menu, actions);
    const std::map<int, QString> texts = {
        {130, QStringLiteral("左右反転(&H)\t←,→")},
        {131, QStringLiteral("上下反転(&V)\t↑,↓")},
        {116, QStringLiteral("サイズ変更(&S)\tWClick")},
        {132, QStringLiteral("サイズに合せて拡大(&E)")},
        {127, QStringLiteral("最前面に表示(&M)")},
        {101, QStringLiteral("連続に繰り返す(&L)")},
        {102, QStringLiteral("タイマー切替え(&A)")},
        {129, QStringLiteral("クリック切替え(&C)")},
        {115, QStringLiteral("スライドショー終了(&X)\tESC")},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(actions[id]->text(), text) << id;
    // The flips sit in the submenu "反転(&R)".
    const QMenu* sub = qobject_cast<QMenu*>(actions[130]->parent());
    ASSERT_TRUE(sub && sub != &menu);
    EXPECT_EQ(sub->title(), QStringLiteral("反転(&R)"));
    EXPECT_EQ(actions[131]->parent(), sub);
}

TEST_F(SideDlg, RightReleaseOpensTheMenuCentredAndRunsTheChosenCommand) {
    Slides({1, 1});
    SlideshowWindow dlg;
    Open(dlg);
    const QPoint at = dlg.mapToGlobal(QPoint(200, 150));
    int menuCentre = -1, menuTop = -1;
    QTimer::singleShot(0, &dlg, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        menuCentre = menu->geometry().center().x();
        menuTop = menu->geometry().top();
        for (QAction* a : menu->actions())
            if (a->data().toInt() == 101)
                menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    Mouse(dlg, QEvent::MouseButtonPress, Qt::RightButton, at);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the press opens nothing";
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::RightButton, at);
    EXPECT_NEAR(menuCentre, at.x(), 1);
    EXPECT_EQ(menuTop, at.y());
    EXPECT_EQ(CurrentDocument().header.loop, 0);
    EXPECT_TRUE(dlg.m_changed);
    EXPECT_EQ(dlg.m_index, 0) << "a right click never switches";
}

TEST_F(SideDlg, TooltipNamesTheSlideAndItsTime) {
    Slides({5, 75});
    SlideshowWindow dlg;
    dlg.m_index = 1;
    Open(dlg);
    Mouse(dlg, QEvent::MouseMove, Qt::NoButton, dlg.mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(dlg.toolTip(), QStringLiteral("№2 01:15\n※ 右クリックメニューで操作できます"));
}

TEST_F(SideDlg, MoveDragStaysOnTheScreenAndStoresTheRectangle) {
    Slides({1});
    SlideshowWindow dlg;
    Open(dlg);
    ASSERT_EQ(dlg.geometry(), QRect(100, 100, 400, 300));
    QPoint at(150, 150);
    Mouse(dlg, QEvent::MouseButtonPress, Qt::LeftButton, at);
    EXPECT_EQ(dlg.cursor().shape(), Qt::SizeAllCursor);
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
        Mouse(dlg, QEvent::MouseMove, Qt::LeftButton, s.cursor);
        EXPECT_EQ(dlg.pos(), s.topLeft);
        EXPECT_EQ(CurrentDocument().header.slideshowRect,
                  Rect(s.topLeft.x(), s.topLeft.y(), s.topLeft.x() + 400, s.topLeft.y() + 300));
    }
    EXPECT_TRUE(dlg.m_changed);
    Mouse(dlg, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5000, 5000));
    EXPECT_FALSE(dlg.m_dragging);
    EXPECT_EQ(dlg.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SideDlg, PaintsTheSlideOnKeyAndMasksTheKey) {
    Slides({1});
    SlideRecord& s = CurrentDocument().slides[0];
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 20; ++x)
            img.setPixel(x, y, qRgb(0, 255, 0)); // a key-coloured band on the left
    s.picture = Picture::fromImage(img);
    s.keyColor = qRgb(0, 255, 0);
    SlideshowWindow dlg;
    Open(dlg);
    const QImage shot = dlg.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(400, 300));
    EXPECT_EQ(shot.pixel(5, 5), qRgb(0, 255, 0)) << "margin filled with K";
    EXPECT_EQ(shot.pixel(150, 150), qRgb(255, 0, 0));
    EXPECT_EQ(dlg.VisibleMask(), QRegion(120, 100, 180, 100)) << "only the non-key pixels";
    EXPECT_EQ(dlg.mask(), dlg.VisibleMask());

    dlg.OnCommand(132); // fit: 200 x 100 fills the width at (0, 50)
    EXPECT_EQ(dlg.CurrentFrame().placed, QRect(0, 50, 400, 200));
    EXPECT_EQ(dlg.VisibleMask(), QRegion(40, 50, 360, 200));
    dlg.OnCommand(130); // mirrored: the key band moves to the right
    EXPECT_EQ(dlg.VisibleMask(), QRegion(0, 50, 360, 200));

    dlg.OnCommand(116); // size-change mode adds the sizing border to the mask
    const QRegion ring = QRegion(0, 0, 400, 300).subtracted(QRegion(6, 6, 388, 288));
    EXPECT_EQ(dlg.VisibleMask(), QRegion(0, 50, 360, 200).united(ring));
    const QImage framed = dlg.grab().toImage();
    EXPECT_NE(framed.pixel(2, 150), qRgb(0, 255, 0)) << "the border is drawn";
}

TEST_F(SideDlg, ASlideWithoutPictureShowsNothingAndStillCounts) {
    Slides({1, 1});
    CurrentDocument().slides[0].picture.reset();
    SlideshowWindow dlg;
    Open(dlg);
    EXPECT_TRUE(dlg.CurrentFrame().opaque.isEmpty());
    EXPECT_FALSE(dlg.VisibleMask().isEmpty()) << "an empty mask would show the whole window";
    EXPECT_FALSE(dlg.VisibleMask().intersects(dlg.rect()));
    dlg.OnTimer(22);
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_FALSE(dlg.CurrentFrame().opaque.isEmpty());
}

} // namespace
