// How the show makes its key see-through and moves, by what the window system reports:
// the choice itself, and the Qt window played as on a compositing window system that
// places windows itself (Wayland).

#include "slideshow/SeeThrough.h"
#include "slideshow/ui/SlideshowWindow.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using show::SeeThrough;
using show::WindowSystem;
using show::WindowSystemFacts;

TEST(SeeThroughChoice, ByWhatTheWindowSystemReports) {
    struct Row {
        const char* name;
        WindowSystemFacts facts;
        SeeThrough mode;
        bool placesItself;
    };
    const Row rows[] = {
        {"Wayland", {WindowSystem::Wayland, false, false, false}, SeeThrough::Translucent, false},
        {"Wayland with layer-shell",
         {WindowSystem::Wayland, false, false, false, true},
         SeeThrough::Translucent,
         true},
        {"bare X server", {WindowSystem::X11, false, false, true}, SeeThrough::Shaped, true},
        {"X11 with a compositing manager",
         {WindowSystem::X11, true, false, true},
         SeeThrough::Translucent,
         true},
        {"compositing but no 32-bit visual",
         {WindowSystem::X11, true, false, false},
         SeeThrough::Shaped,
         true},
        {"XWayland", {WindowSystem::X11, false, true, true}, SeeThrough::Translucent, false},
        {"XWayland whose compositor owns the selection",
         {WindowSystem::X11, true, true, true},
         SeeThrough::Translucent,
         false},
        {"another window system",
         {WindowSystem::Other, true, false, true},
         SeeThrough::Shaped,
         true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(show::ChooseSeeThrough(r.facts), r.mode) << r.name;
        EXPECT_EQ(show::PlacesItsOwnWindow(r.facts), r.placesItself) << r.name;
    }
}

class SeeThroughShow : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        QCursor::setPos(0, 0);
        DocumentHeader& h = CurrentDocument().header;
        h.slideshowRect = RectFromStoredCorners(100, 100, 500, 400);
        h.loop = 1;
        h.timerSwitch = 1;
        h.fitToWindow = 0;
        // Two slides: a blue bar on a magenta key, and a plain green picture.
        QImage keyed(100, 50, QImage::Format_RGB32);
        keyed.fill(kKey);
        for (int y = 20; y < 30; ++y)
            for (int x = 10; x < 90; ++x)
                keyed.setPixel(x, y, kBar);
        Document& doc = CurrentDocument();
        doc.slideCount = 2;
        doc.slides[0] = SlideRecord{};
        doc.slides[0].picture = Picture::fromImage(keyed);
        doc.slides[0].keyColor = kKey;
        doc.slides[0].switchTime = 1;
        doc.slides[1] = SlideRecord{};
        doc.slides[1].picture = MakeTestPicture(100, 50, Qt::green);
        doc.slides[1].switchTime = 1;
    }
    void TearDown() override { ResetWorld(); }

    static constexpr QRgb kKey = 0xFFFF00FF;
    static constexpr QRgb kBar = 0xFF0000FF;
    TestPrompts prompts;
};

TEST_F(SeeThroughShow, OnWaylandTheKeyIsTransparentTheWindowFixedAndNeverHidden) {
    SlideshowWindow slideshow;
    slideshow.m_windowSystem = WindowSystemFacts{WindowSystem::Wayland};
    ASSERT_TRUE(slideshow.Initialize());
    EXPECT_EQ(slideshow.SeeThroughMode(), SeeThrough::Translucent);
    EXPECT_FALSE(slideshow.PlacesItself());
    EXPECT_TRUE(slideshow.testAttribute(Qt::WA_TranslucentBackground));

    // The compositor places the window: it opens at its size (no growing from the
    // pointer, which would grow it off the compositor's centre), one fixed size.
    slideshow.OnZoomTimer();
    EXPECT_EQ(slideshow.size(), QSize(400, 300));
    EXPECT_EQ(slideshow.minimumSize(), QSize(400, 300));
    EXPECT_EQ(slideshow.maximumSize(), QSize(400, 300));
    for (int i = 1; i < 20; ++i)
        slideshow.OnZoomTimer();
    slideshow.WaitForFrames();
    EXPECT_EQ(slideshow.size(), QSize(400, 300));

    // The 100 x 50 picture is centred in the 400 x 300 window at (150, 125): its bar
    // at (160, 145), 80 x 10. Only the bar takes the pointer and only the bar is drawn.
    const QRect bar(160, 145, 80, 10);
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(bar));
    const QImage shot = slideshow.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shot.size(), QSize(400, 300));
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb want = bar.contains(x, y) ? kBar : 0u; // the key: fully transparent
            wrong += shot.pixel(x, y) != want;
        }
    EXPECT_EQ(wrong, 0) << "pixels neither the bar nor fully transparent; at 0,0: " << std::hex
                        << shot.pixel(0, 0);

    // A switch leaves the window where the user or the compositor put it: it is not
    // hidden and shown again.
    int hides = 0;
    struct Counter : QObject {
        int* hides;
        explicit Counter(int* h) : hides(h) {}
        bool eventFilter(QObject*, QEvent* e) override {
            *hides += e->type() == QEvent::Hide;
            return false;
        }
    } counter(&hides);
    slideshow.installEventFilter(&counter);
    slideshow.OnSecondTimer();
    slideshow.WaitForFrames();
    EXPECT_EQ(slideshow.m_index, 1);
    EXPECT_TRUE(slideshow.isVisible());
    EXPECT_EQ(hides, 0);
    EXPECT_EQ(slideshow.VisibleMask(), QRegion(150, 125, 100, 50)) << "no key: all the picture";

    // Size-change mode lets the compositor size the window; leaving it fixes the size.
    slideshow.RunCommand(show::Command::ResizeMode);
    EXPECT_EQ(slideshow.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    slideshow.RunCommand(show::Command::ResizeMode);
    EXPECT_EQ(slideshow.maximumSize(), slideshow.size());
    slideshow.EndShow();
    EXPECT_TRUE(prompts.calls.isEmpty());
}

TEST_F(SeeThroughShow, OnABareXServerTheWindowIsShapedAndGrowsFromThePointer) {
    SlideshowWindow slideshow;
    slideshow.m_windowSystem = WindowSystemFacts{WindowSystem::X11, false, false, true};
    ASSERT_TRUE(slideshow.Initialize());
    EXPECT_EQ(slideshow.SeeThroughMode(), SeeThrough::Shaped);
    EXPECT_TRUE(slideshow.PlacesItself());
    EXPECT_FALSE(slideshow.testAttribute(Qt::WA_TranslucentBackground));
    slideshow.OnZoomTimer();
    EXPECT_EQ(slideshow.size(), QSize(20, 15)) << "the first of the opening's steps";
    for (int i = 1; i < 20; ++i)
        slideshow.OnZoomTimer();
    slideshow.WaitForFrames();
    EXPECT_EQ(slideshow.mask(), QRegion(160, 145, 80, 10)) << "the shape is the bar";
    slideshow.EndShow();
}

} // namespace
