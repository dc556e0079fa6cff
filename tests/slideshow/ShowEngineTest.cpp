// The show engine driven by sequences of plain events, with no window at all: each answer
// is compared, as short texts, with what the show's rules say the shell must do.

#include "slideshow/ShowEngine.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace show;

const Box kScreen{0, 0, 1920, 1080};
const Box kRightScreen{1920, 0, 1280, 1024};

/// A document of slides with these switch times, its window stored at (100, 100) and
/// 400 x 300, looping, switching by the timer.
ShowDocument Doc(const std::vector<int>& times, int loop = 1, int timerSwitch = 1) {
    ShowDocument d;
    const std::int32_t rect[4] = {100, 100, 500, 400};
    std::copy(rect, rect + 4, d.rect);
    d.loop = loop;
    d.timerSwitch = timerSwitch;
    for (int t : times) {
        ShowSlide s;
        s.switchTime = std::uint16_t(t);
        d.slides.push_back(s);
    }
    return d;
}

std::string Num(int v) {
    return std::to_string(v);
}
std::string Size(int w, int h) {
    return Num(w) + "x" + Num(h);
}

/// An action as a short text: its kind first, then what matters of it.
std::string Text(const Action& action) {
    struct Describe {
        std::string operator()(const out::PlaceWindow& a) const {
            return "place " + Num(a.rect.left) + "," + Num(a.rect.top) + " " +
                   Size(a.rect.width, a.rect.height) + (a.topMost ? " top" : "");
        }
        std::string operator()(const out::SetTopMost& a) const {
            return a.on ? "topmost on" : "topmost off";
        }
        std::string operator()(const out::ShowWindow& a) const {
            return a.takeFocus ? "show focus" : "show";
        }
        std::string operator()(const out::HideWindow&) const { return "hide"; }
        std::string operator()(const out::SetSizingBorder& a) const {
            return a.on ? "border on" : "border off";
        }
        std::string operator()(const out::StartTimer& a) const {
            return std::string(a.timer == Timer::Zoom ? "start zoom " : "start second ") +
                   Num(a.periodMs);
        }
        std::string operator()(const out::StopTimer& a) const {
            return a.timer == Timer::Zoom ? "stop zoom" : "stop second";
        }
        std::string operator()(const out::PrepareFrame& a) const {
            const FrameSpec& s = a.request.spec;
            return std::string(a.request.ahead ? "prepare ahead " : "prepare ") + Num(s.slide) +
                   " " + Size(s.width, s.height) + " for " + Size(s.decodeWidth, s.decodeHeight);
        }
        std::string operator()(const out::ShowFrame& a) const {
            return "frame " + Num(a.spec.slide) + " " + Size(a.spec.width, a.spec.height);
        }
        std::string operator()(const out::SetTooltip& a) const { return "tip " + a.text; }
        std::string operator()(const out::SetCursor& a) const {
            static const char* const names[] = {"arrow",    "move",     "horizontal",
                                                "vertical", "diagonal", "antidiagonal"};
            return std::string("cursor ") + names[int(a.cursor)];
        }
        std::string operator()(const out::CapturePointer&) const { return "capture"; }
        std::string operator()(const out::ReleasePointer&) const { return "release"; }
        std::string operator()(const out::StartSystemResize& a) const {
            return "system resize " + Num(int(a.edges));
        }
        std::string operator()(const out::OpenMenu& a) const {
            return "menu " + Num(a.at.x) + "," + Num(a.at.y);
        }
        std::string operator()(const out::ShowMessage& a) const {
            return "message " + Num(a.id) + " " + a.prefix;
        }
        std::string operator()(const out::StoreHeader& a) const {
            return "header " + Num(a.rect[0]) + "," + Num(a.rect[1]) + "," + Num(a.rect[2]) + "," +
                   Num(a.rect[3]) + (a.changed ? " changed" : "");
        }
        std::string operator()(const out::StoreSlide& a) const {
            return "slide " + Num(a.slide) + " flips " + Num(a.flipH) + Num(a.flipV);
        }
        std::string operator()(const out::EndShow& a) const {
            return a.showedNothing ? "end nothing" : "end";
        }
    };
    return std::visit(Describe{}, action);
}

using Texts = std::vector<std::string>;

/// The texts that begin with one of `kinds`, in order.
Texts Only(const Texts& texts, std::initializer_list<const char*> kinds) {
    Texts out;
    for (const std::string& t : texts)
        for (const char* k : kinds)
            if (t.rfind(k, 0) == 0) {
                out.push_back(t);
                break;
            }
    return out;
}

/// A show and the frame maker's part played at once: every frame asked for is made at
/// once, except those of the slides in `broken`, which fail; with `framesByHand`, the
/// test answers the asks itself.
class Show {
public:
    explicit Show(ShowDocument doc) : m_engine(std::move(doc)) {}

    /// Feeds `event` and answers the frames it asks for; the texts of every answer.
    Texts Feed(const Event& event) {
        Texts texts;
        std::vector<Event> events{event};
        for (size_t i = 0; i < events.size(); ++i) {
            for (const Action& a : m_engine.Handle(events[i])) {
                texts.push_back(Text(a));
                if (const auto* p = std::get_if<out::PrepareFrame>(&a)) {
                    asked.push_back(p->request);
                    if (framesByHand)
                        continue;
                    if (broken.count(p->request.spec.slide))
                        events.push_back(in::FrameFailed{p->request.spec});
                    else
                        events.push_back(in::FrameReady{p->request.spec});
                }
            }
        }
        return texts;
    }
    Texts Start(int index = 0, Point pointer = {0, 0}) {
        in::Start start;
        start.pointer = pointer;
        start.workArea = kScreen;
        start.storedOn = Point{0, 0};
        start.startIndex = index;
        return Feed(start);
    }
    /// Starts and runs the opening animation to its end.
    Texts Open(int index = 0) {
        Texts texts = Start(index);
        for (int i = 0; i < kZoomSteps; ++i)
            for (std::string& t : Feed(in::ZoomTick{}))
                texts.push_back(std::move(t));
        return texts;
    }
    Texts Ticks(int n) {
        Texts texts;
        for (int i = 0; i < n; ++i)
            for (std::string& t : Feed(in::SecondTick{}))
                texts.push_back(std::move(t));
        return texts;
    }
    Texts Press(Point at, Box area = kScreen) { return Feed(in::Press{Button::Left, at, area}); }
    Texts Move(Point at, Box area = kScreen) { return Feed(in::Move{at, area}); }
    Texts Release(Point at, Button b = Button::Left) { return Feed(in::Release{b, at}); }
    Texts Choose(Command c) { return Feed(in::Choose{c}); }
    const ShowState& state() const { return m_engine.State(); }

    std::set<int> broken;
    bool framesByHand = false;
    std::vector<FrameRequest> asked;

private:
    Engine m_engine;
};

// ---- Opening ---------------------------------------------------------------------------

TEST(ShowEngine, OpeningBringsTheRectangleOntoTheScreenAndStartsAtThePointer) {
    struct Row {
        const char* name;
        std::int32_t stored[4];
        Box area;
        std::optional<Point> storedOn;
        std::string header;
        std::string decodeFor; // the size the window grows to
    };
    const Row rows[] = {
        {"on the screen",
         {100, 100, 500, 400},
         kScreen,
         Point{0, 0},
         "header 100,100,500,400",
         "400x300"},
        {"too wide and above",
         {-100, -50, 2500, -30},
         kScreen,
         Point{0, 0},
         "header 0,0,1920,50",
         "1920x50"},
        {"too small, off the right",
         {3000, 500, 3010, 510},
         kScreen,
         Point{0, 0},
         "header 1870,500,1920,550",
         "50x50"},
        {"from the right screen",
         {2020, 100, 2420, 400},
         kScreen,
         Point{1920, 0},
         "header 100,100,500,400",
         "400x300"},
        {"onto the right screen",
         {100, 100, 500, 400},
         kRightScreen,
         Point{0, 0},
         "header 2020,100,2420,400",
         "400x300"},
        {"stored on no screen",
         {-5000, 100, -4600, 400},
         kScreen,
         std::nullopt,
         "header 0,100,400,400",
         "400x300"},
    };
    for (const Row& r : rows) {
        ShowDocument doc = Doc({3, 4, 5});
        std::copy(r.stored, r.stored + 4, doc.rect);
        Show show(doc);
        show.framesByHand = true;
        in::Start start;
        start.pointer = Point{300, 200};
        start.workArea = r.area;
        start.storedOn = r.storedOn;
        start.startIndex = 1;
        const Texts texts = show.Feed(start);
        EXPECT_EQ(texts, (Texts{"cursor arrow", r.header, "place 300,200 2x2", "start zoom 10",
                                "start second 1000", "prepare 1 2x2 for " + r.decodeFor}))
            << r.name;
        EXPECT_EQ(show.state().index, 1) << r.name;
        EXPECT_EQ(show.state().elapsed, 0) << r.name;
        EXPECT_FALSE(show.state().changed) << r.name;
    }
}

TEST(ShowEngine, StartIndexAndSlidesThatDoNotShow) {
    struct Row {
        const char* name;
        int start;
        std::vector<bool> showable;
        int index;      // after the start; -2: the show ended
        Texts messages; // messages and the end
    };
    const Row rows[] = {
        {"beyond the table", 5, {true, true, true}, 0, {}},
        {"below -1", -7, {true, true, true}, 0, {}},
        {"-1: nothing yet", -1, {true, true, true}, -1, {}},
        {"on a slide that does not show",
         1,
         {true, false, true},
         2,
         {"message 30344 スライド 2\n"}},
        {"named at once, in ranges",
         0,
         {true, false, false, true, false},
         0,
         {"message 30344 スライド 2-3, 5\n"}},
        {"none shows", 0, {false, false}, -2, {"message 30343 ", "end nothing"}},
    };
    for (const Row& r : rows) {
        ShowDocument doc = Doc(std::vector<int>(r.showable.size(), 1));
        for (size_t i = 0; i < r.showable.size(); ++i)
            doc.slides[i].showable = r.showable[i];
        Show show(doc);
        const Texts texts = show.Start(r.start);
        EXPECT_EQ(Only(texts, {"message", "end"}), r.messages) << r.name;
        if (r.index == -2) {
            EXPECT_TRUE(show.state().ended) << r.name;
            EXPECT_EQ(texts.back(), "end nothing") << r.name << ": the end goes last";
        } else {
            EXPECT_EQ(show.state().index, r.index) << r.name;
        }
    }
    // A document without slides ends at once, with nothing to say.
    Show empty(Doc({}));
    EXPECT_EQ(empty.Start(), (Texts{"end"}));
}

TEST(ShowEngine, TheWindowGrowsFromThePointerInTwentySteps) {
    ShowDocument doc = Doc({5, 5});
    const std::int32_t rect[4] = {105, 45, 505, 345};
    std::copy(rect, rect + 4, doc.rect);
    Show show(doc);
    show.Start();
    // Step 1: the offset per step truncated before it is multiplied; 1/20 of the size.
    EXPECT_EQ(Only(show.Feed(in::ZoomTick{}), {"place", "show"}),
              (Texts{"place 5,2 20x15", "show focus"}));
    Texts last;
    for (int i = 1; i < kZoomSteps; ++i)
        last = show.Feed(in::ZoomTick{});
    // 19 px short of the stored corner, toward the pointer; the stored rectangle stays.
    EXPECT_EQ(Only(last, {"place", "show", "stop", "prepare"}),
              (Texts{"place 100,40 400x300", "stop zoom", "prepare 0 400x300 for 400x300",
                     "prepare ahead 1 400x300 for 400x300"}));
    EXPECT_EQ(show.state().zoomStep, 20);
    EXPECT_FALSE(show.state().changed);
    EXPECT_EQ(show.state().doc.rect[0], 105);
    // While it grows, the picture is decoded for the size it grows to; the next slide is
    // asked for only once it has grown.
    for (const FrameRequest& r : show.asked) {
        if (r.ahead)
            continue;
        EXPECT_EQ(Size(r.spec.decodeWidth, r.spec.decodeHeight), "400x300");
    }
    EXPECT_EQ(show.asked.back().ahead, true);
    EXPECT_EQ(show.Feed(in::ZoomTick{}), (Texts{"stop zoom"})) << "a late tick changes nothing";
}

// ---- Switching -------------------------------------------------------------------------

TEST(ShowEngine, TheTimerCountsSecondsAndSwitchesLoopingOrEnding) {
    struct Row {
        const char* name;
        std::vector<int> times;
        int loop;
        std::vector<int> indexAfterTick; // -1: the show has ended
    };
    const Row rows[] = {
        {"one slide looping", {2}, 1, {0, 0, 0, 0, 0, 0}},
        {"two slides looping", {1, 2}, 1, {1, 1, 0, 1, 1, 0}},
        {"last slide without loop", {1, 2}, 0, {1, 1, -1}},
        {"one slide without loop", {3}, 0, {0, 0, -1}},
    };
    for (const Row& r : rows) {
        Show show(Doc(r.times, r.loop));
        show.Open();
        int switches = 0;
        for (size_t t = 0; t < r.indexAfterTick.size(); ++t) {
            const Texts texts = show.Ticks(1);
            const std::string at = std::string(r.name) + " tick " + Num(int(t) + 1);
            if (r.indexAfterTick[t] < 0) {
                EXPECT_EQ(Only(texts, {"end", "stop", "hide"}), (Texts{"end"})) << at;
                EXPECT_EQ(show.state().index, int(r.times.size())) << at;
                EXPECT_TRUE(show.state().ended) << at;
                continue;
            }
            EXPECT_EQ(show.state().index, r.indexAfterTick[t]) << at;
            const Texts reveal = Only(texts, {"hide", "frame", "show"});
            if (!reveal.empty()) {
                // A switch hides the window, shows the new frame and shows it again.
                EXPECT_EQ(reveal,
                          (Texts{"hide", "frame " + Num(r.indexAfterTick[t]) + " 400x300", "show"}))
                    << at;
                ++switches;
                EXPECT_EQ(show.state().elapsed, 0) << at;
            }
        }
        EXPECT_FALSE(show.state().changed) << r.name;
        if (std::string(r.name) == "one slide looping") {
            EXPECT_EQ(switches, 3) << "the same slide is shown again every 2 s";
        }
    }
}

TEST(ShowEngine, AClickSwitchesThenDragsAndOnTheLastSlideOnlyEnds) {
    Show show(Doc({1, 1}, /*loop*/ 0, /*timer*/ 0));
    show.Open();
    show.Ticks(3);
    EXPECT_EQ(show.state().elapsed, 0) << "no counting in click switching";
    EXPECT_EQ(show.state().index, 0);

    const Texts press = show.Press({200, 150});
    EXPECT_EQ(show.state().index, 1);
    EXPECT_EQ(Only(press, {"hide", "frame", "show", "capture", "cursor"}),
              (Texts{"hide", "frame 1 400x300", "show", "capture", "cursor move"}))
        << "the press switches, then the drag starts";
    EXPECT_TRUE(show.state().dragging);
    EXPECT_EQ(show.Release({200, 150}), (Texts{"cursor arrow", "release"}));

    const Texts last = show.Press({200, 150});
    EXPECT_EQ(last, (Texts{"end"})) << "the last slide without looping: the end, no drag";
    EXPECT_EQ(show.state().index, 2);
    EXPECT_FALSE(show.state().dragging);
    EXPECT_EQ(show.Press({200, 150}), Texts{}) << "nothing after the end";
}

TEST(ShowEngine, ADoubleClickSwitchesOnceThenEntersSizeChange) {
    Show show(Doc({1, 1, 1}, 1, /*timer*/ 0));
    show.Open();
    show.Press({200, 150});
    show.Release({200, 150});
    const Texts dbl = show.Feed(in::DoubleClick{Button::Left, {200, 150}});
    EXPECT_EQ(Only(dbl, {"stop", "border"}), (Texts{"stop second", "border on"}));
    show.Release({200, 150});
    EXPECT_EQ(show.state().index, 1) << "only the first press switches";
    EXPECT_TRUE(show.state().resizeMode);
    // In size-change mode a press moves the window and never switches.
    EXPECT_EQ(show.Press({200, 150}), (Texts{"capture", "cursor move"}));
    EXPECT_EQ(show.state().index, 1);
    show.Release({200, 150});
    EXPECT_FALSE(show.state().changed) << "the mode itself stores nothing";
}

TEST(ShowEngine, ASwitchWaitsForItsFrameAndKeepsTheSlideBeforeMeanwhile) {
    Show show(Doc({1, 1, 1}));
    show.framesByHand = true;
    show.Start();
    for (int i = 0; i < kZoomSteps; ++i)
        show.Feed(in::ZoomTick{});
    // The opening window shows each frame made for it as it comes, also one made for a
    // step it has grown past.
    const FrameSpec early = show.asked[3].spec;
    EXPECT_EQ(Only(show.Feed(in::FrameReady{early}), {"frame"}),
              (Texts{"frame 0 " + Size(early.width, early.height)}));
    // Made for the window as it is, and not before, the frame is shown.
    FrameSpec onShow = show.state().wanted;
    EXPECT_EQ(show.Feed(in::FrameReady{onShow}), (Texts{"frame 0 400x300"}));
    // The next slide is not made yet when its time comes: the window keeps the slide
    // before it until the frame is there, then hides, takes it and shows again.
    const Texts tick = show.Ticks(1);
    EXPECT_EQ(Only(tick, {"hide", "frame", "show", "prepare"}),
              (Texts{"prepare 1 400x300 for 400x300", "prepare ahead 2 400x300 for 400x300"}));
    EXPECT_EQ(show.state().index, 1);
    EXPECT_EQ(show.Feed(in::FrameReady{show.state().wanted}),
              (Texts{"hide", "frame 1 400x300", "show"}));
    // Made ahead, the next one goes in at once.
    show.Feed(in::FrameReady{show.state().ahead});
    EXPECT_EQ(Only(show.Ticks(1), {"hide", "frame", "show"}),
              (Texts{"hide", "frame 2 400x300", "show"}));
    // A frame made for another size than the window's is not shown.
    const FrameSpec old = show.state().ahead;
    show.Feed(in::Resized{Box{100, 100, 300, 200}});
    EXPECT_EQ(show.Feed(in::FrameReady{old}), Texts{});
    EXPECT_EQ(show.state().ahead.width, 300) << "asked again for the window as it is";
}

// ---- Passing over slides that do not show ----------------------------------------------

TEST(ShowEngine, SlidesWhosePicturesDoNotShowArePassedOverAndNamedOnce) {
    ShowDocument doc = Doc({1, 1, 1, 1});
    doc.slides[1].showable = false; // known at the start
    Show show(doc);
    show.broken = {3}; // found out when it is made
    const Texts open = show.Open();
    EXPECT_EQ(Only(open, {"message"}), (Texts{"message 30344 スライド 2\n"}));
    EXPECT_EQ(show.state().index, 0);
    show.Feed(in::MessageClosed{});
    // Made ahead after slide 3 came, slide 4 turns out not to show; the show goes from
    // slide 3 to slide 1, naming slide 4 as it passes over it.
    std::vector<int> seen;
    Texts messages;
    for (int i = 0; i < 8; ++i) {
        const Texts texts = show.Ticks(1);
        for (const std::string& m : Only(texts, {"message"}))
            messages.push_back(m);
        seen.push_back(show.state().index);
        if (!Only(texts, {"message"}).empty())
            show.Feed(in::MessageClosed{});
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 0, 2, 0, 2, 0, 2, 0}));
    EXPECT_EQ(messages, (Texts{"message 30344 スライド 4\n"})) << "once, not at every round";
    EXPECT_FALSE(show.state().ended);
}

TEST(ShowEngine, TheSlideOnShowThatDoesNotShowIsPassedOver) {
    struct Row {
        const char* name;
        std::set<int> broken;
        int loop;
        Texts ending; // messages and the end, in order
        int index;
    };
    const Row rows[] = {
        {"the first one", {0}, 1, {"message 30344 スライド 1\n"}, 1},
        // The first one is named before the others turn out not to show either.
        {"every one: nothing to show",
         {0, 1, 2},
         1,
         {"message 30344 スライド 1\n", "message 30343 ", "end nothing"},
         3},
        {"the last one, not looping, after others showed", {2}, 0, {"end"}, 3},
    };
    for (const Row& r : rows) {
        Show show(Doc({1, 1, 1}, r.loop));
        show.broken = r.broken;
        if (r.broken.count(0)) {
            EXPECT_EQ(Only(show.Open(), {"message", "end"}), r.ending) << r.name;
        } else {
            show.Open();
            show.Ticks(1);
            EXPECT_EQ(Only(show.Ticks(1), {"message", "end"}), r.ending) << r.name;
        }
        EXPECT_EQ(show.state().index, r.index) << r.name;
    }
}

// ---- The menu and messages -------------------------------------------------------------

TEST(ShowEngine, WhileTheMenuIsOpenTheCountWaitsAndTheChoiceRunsAfterIt) {
    Show show(Doc({2, 2}));
    show.Open();
    show.Ticks(1);
    EXPECT_EQ(show.Release({300, 200}, Button::Right), (Texts{"menu 300,200"}));
    EXPECT_TRUE(show.state().menuOpen);
    // Five seconds with the menu open: the count stands, the slide stays.
    show.Ticks(5);
    EXPECT_EQ(show.state().elapsed, 1);
    EXPECT_EQ(show.state().index, 0);
    // A command chosen in the menu runs once it has closed.
    EXPECT_EQ(show.Choose(Command::Loop), Texts{});
    EXPECT_EQ(show.state().doc.loop, 1);
    EXPECT_EQ(Only(show.Feed(in::MenuClosed{}), {"header"}),
              (Texts{"header 100,100,500,400 changed"}));
    EXPECT_EQ(show.state().doc.loop, 0);
    show.Ticks(1);
    EXPECT_EQ(show.state().index, 1) << "the count goes on where it stood";
    // A menu the window system opened by itself holds the count too.
    show.Feed(in::MenuOpened{});
    show.Ticks(3);
    EXPECT_EQ(show.state().index, 1);
    show.Feed(in::MenuClosed{});
    EXPECT_EQ(show.state().elapsed, 0);
}

TEST(ShowEngine, AMessageHoldsTheShowAndWaitsForTheMenu) {
    ShowDocument doc = Doc({1, 1, 1}, 1, /*timer*/ 0);
    Show show(doc);
    show.broken = {1};
    show.Open();
    // The press passes over slide 2 (made ahead, it did not show): the message takes the
    // press, so no drag starts.
    const Texts press = show.Press({200, 150});
    EXPECT_EQ(show.state().index, 2);
    EXPECT_EQ(Only(press, {"message", "capture"}), (Texts{"message 30344 スライド 2\n"}));
    EXPECT_EQ(press.back(), "message 30344 スライド 2\n") << "messages come last";
    EXPECT_FALSE(show.state().dragging);
    // In timer switching, the count waits while the message is open.
    show.Choose(Command::TimerSwitch);
    show.Ticks(3);
    EXPECT_EQ(show.state().elapsed, 0);
    show.Feed(in::MessageClosed{});
    show.Ticks(1);
    EXPECT_EQ(show.state().index, 0);

    // A slide found not to show while the menu is open is named once it has closed.
    Show other(Doc({5, 5, 5}));
    other.framesByHand = true;
    other.Start();
    other.Release({10, 10}, Button::Right);
    EXPECT_EQ(Only(other.Feed(in::FrameFailed{other.state().wanted}), {"message"}), Texts{})
        << "passed over, not yet named";
    EXPECT_EQ(other.state().index, 1);
    EXPECT_EQ(Only(other.Feed(in::MenuClosed{}), {"message"}),
              (Texts{"message 30344 スライド 1\n"}));
}

TEST(ShowEngine, TheContextMenuItsTextsAndCheckMarks) {
    struct Row {
        const char* name;
        int loop, timer, topMost, fit;
        bool resize;
        int index;
        std::vector<std::pair<Command, bool>> checks; // in the menu's order
    };
    const Row rows[] = {
        {"defaults",
         1,
         1,
         0,
         0,
         false,
         0,
         {{Command::FlipHorizontal, false},
          {Command::FlipVertical, false},
          {Command::ResizeMode, false},
          {Command::FitToWindow, false},
          {Command::TopMost, false},
          {Command::Loop, true},
          {Command::TimerSwitch, true},
          {Command::ClickSwitch, false},
          {Command::Pause, false},
          {Command::End, false}}},
        {"everything on",
         0,
         0,
         1,
         1,
         true,
         1,
         {{Command::FlipHorizontal, false},
          {Command::FlipVertical, true},
          {Command::ResizeMode, true},
          {Command::FitToWindow, true},
          {Command::TopMost, true},
          {Command::Loop, false},
          {Command::TimerSwitch, false},
          {Command::ClickSwitch, true},
          {Command::Pause, false},
          {Command::End, false}}},
        {"before the first slide",
         1,
         1,
         0,
         0,
         false,
         -1,
         {{Command::FlipHorizontal, false},
          {Command::FlipVertical, false},
          {Command::ResizeMode, false},
          {Command::FitToWindow, false},
          {Command::TopMost, false},
          {Command::Loop, true},
          {Command::TimerSwitch, true},
          {Command::ClickSwitch, false},
          {Command::Pause, false},
          {Command::End, false}}},
    };
    for (const Row& r : rows) {
        ShowDocument doc = Doc({1, 1}, r.loop, r.timer);
        doc.topMost = r.topMost;
        doc.fitToWindow = r.fit;
        doc.slides[1].flipV = 7; // any value but 0 mirrors
        Show show(doc);
        show.Open(r.index);
        if (r.resize)
            show.Choose(Command::ResizeMode);
        const std::vector<MenuItem> items = MenuItems(show.state());
        // 「反転(&R)」 with the flips, then the others with separators between groups.
        ASSERT_EQ(items.size(), 12u) << r.name;
        EXPECT_EQ(items[0].kind, MenuItem::Kind::SubMenu);
        EXPECT_EQ(items[0].text, u8"反転(&R)");
        std::vector<std::pair<Command, bool>> checks;
        for (const MenuItem& m : items[0].items)
            checks.emplace_back(m.command, m.checked);
        std::string layout;
        for (size_t i = 1; i < items.size(); ++i) {
            if (items[i].kind == MenuItem::Kind::Separator) {
                layout += "-";
                continue;
            }
            layout += "c";
            checks.emplace_back(items[i].command, items[i].checked);
            // Only the pause is ever greyed: in click switching it holds nothing.
            EXPECT_EQ(items[i].enabled, items[i].command != Command::Pause || r.timer != 0)
                << r.name << " " << int(items[i].command);
        }
        EXPECT_EQ(layout, "cc-c-cccc-c") << r.name;
        EXPECT_EQ(checks, r.checks) << r.name;
    }
    const std::pair<Command, const char*> texts[] = {
        {Command::FlipHorizontal, u8"左右反転(&H)\t←,→"},
        {Command::FlipVertical, u8"上下反転(&V)\t↑,↓"},
        {Command::ResizeMode, u8"サイズ変更(&S)\tWClick"},
        {Command::FitToWindow, u8"サイズに合せて拡大(&E)"},
        {Command::TopMost, u8"最前面に表示(&M)"},
        {Command::Loop, u8"連続に繰り返す(&L)"},
        {Command::TimerSwitch, u8"タイマー切替え(&A)"},
        {Command::ClickSwitch, u8"クリック切替え(&C)"},
        {Command::Pause, u8"一時停止(&P)\tP"},
        {Command::End, u8"スライドショー終了(&X)\tESC"},
    };
    for (const auto& [command, text] : texts)
        EXPECT_STREQ(CommandText(command), text) << int(command);
}

// ---- Commands and keys -----------------------------------------------------------------

TEST(ShowEngine, CommandsToggleWhatTheDocumentStoresAndSayWhatToWriteBack) {
    struct Row {
        Command command;
        Texts actions; // besides the frames
        bool changed;
    };
    const Row rows[] = {
        {Command::FlipHorizontal, {"slide 0 flips 10"}, true},
        {Command::FlipVertical, {"slide 0 flips 01"}, true},
        {Command::FitToWindow, {"header 100,100,500,400 changed"}, true},
        {Command::TopMost, {"topmost on", "header 100,100,500,400 changed"}, true},
        {Command::Loop, {"header 100,100,500,400 changed"}, true},
        {Command::TimerSwitch, {"header 100,100,500,400 changed"}, true},
        {Command::ClickSwitch, {"header 100,100,500,400 changed"}, true},
        {Command::ResizeMode, {"stop second", "border on"}, false},
        {Command::End, {"end"}, false},
    };
    for (const Row& r : rows) {
        Show show(Doc({1, 1}));
        show.Open();
        const ShowDocument before = show.state().doc;
        const Texts texts = show.Choose(r.command);
        const int id = int(r.command);
        EXPECT_EQ(Only(texts, {"slide", "header", "topmost", "stop", "border", "end"}), r.actions)
            << id;
        EXPECT_EQ(show.state().changed, r.changed) << id;
        const ShowDocument& d = show.state().doc;
        EXPECT_EQ(d.fitToWindow, before.fitToWindow ^ (r.command == Command::FitToWindow)) << id;
        EXPECT_EQ(d.topMost, before.topMost ^ (r.command == Command::TopMost)) << id;
        EXPECT_EQ(d.loop, before.loop ^ (r.command == Command::Loop)) << id;
        EXPECT_EQ(d.timerSwitch, before.timerSwitch ^ (r.command == Command::TimerSwitch ||
                                                       r.command == Command::ClickSwitch))
            << id;
        // A flip or the fit makes the frame on show again.
        const bool redraw = r.command == Command::FlipHorizontal ||
                            r.command == Command::FlipVertical || r.command == Command::FitToWindow;
        EXPECT_EQ(!Only(texts, {"frame 0"}).empty(), redraw) << id;
    }
    // A stored flag of any value but 0 counts as on and is written back as 0 or 1 only
    // when it is toggled; flips do nothing before the first slide.
    ShowDocument doc = Doc({1});
    doc.loop = 5;
    doc.slides[0].flipH = 9;
    Show show(doc);
    show.Open(-1);
    EXPECT_EQ(show.Choose(Command::FlipHorizontal), Texts{});
    EXPECT_EQ(show.state().doc.slides[0].flipH, 9);
    EXPECT_FALSE(show.state().changed);
    show.Choose(Command::Loop);
    EXPECT_EQ(show.state().doc.loop, 0);
}

TEST(ShowEngine, KeysGiveTheirCommands) {
    struct Row {
        const char* name;
        Key key;
        bool modified;
        int flipH, flipV;
        bool ends;
    };
    const Row rows[] = {
        {"left", Key::Left, false, 1, 0, false},      {"right", Key::Right, false, 1, 0, false},
        {"up", Key::Up, false, 0, 1, false},          {"down", Key::Down, false, 0, 1, false},
        {"Esc", Key::Escape, false, 0, 0, true},      {"Shift+left", Key::Left, true, 0, 0, false},
        {"Ctrl+Esc", Key::Escape, true, 0, 0, false}, {"Enter", Key::Enter, false, 0, 0, false},
        {"space", Key::Space, false, 0, 0, false},    {"P", Key::P, false, 0, 0, false},
    };
    for (const Row& r : rows) {
        Show show(Doc({1, 1}));
        show.Open();
        show.Feed(in::KeyDown{r.key, r.modified});
        EXPECT_EQ(show.state().doc.slides[0].flipH, r.flipH) << r.name;
        EXPECT_EQ(show.state().doc.slides[0].flipV, r.flipV) << r.name;
        EXPECT_EQ(show.state().ended, r.ends) << r.name;
    }
    // Both keys of a pair give the same command: right twice restores the slide.
    Show show(Doc({1}));
    show.Open();
    show.Feed(in::KeyDown{Key::Right});
    show.Feed(in::KeyDown{Key::Right});
    EXPECT_EQ(show.state().doc.slides[0].flipH, 0);
    EXPECT_EQ(CommandKeys(Command::FlipHorizontal), (std::vector<Key>{Key::Left, Key::Right}));
}

TEST(ShowEngine, PresentationKeysGoForwardBackFirstAndLast) {
    struct Row {
        const char* name;
        int loop;
        int start;
        std::set<int> broken;    // slides whose pictures do not show
        std::vector<Key> keys;   // pressed in turn
        std::vector<int> after;  // the slide on show after each key; -1: the show ended
    };
    // Five slides, all on 5-s timers.
    const Row rows[] = {
        {"space, page down and enter go on", 1, 0, {}, {Key::Space, Key::PageDown, Key::Enter},
         {1, 2, 3}},
        {"backspace and page up go back", 1, 3, {}, {Key::Backspace, Key::PageUp}, {2, 1}},
        {"home and end", 1, 2, {}, {Key::End, Key::Home, Key::Home}, {4, 0, 0}},
        {"back from the first with looping goes round", 1, 0, {}, {Key::PageUp}, {4}},
        {"back from the first without looping stays", 0, 0, {}, {Key::Backspace}, {0}},
        {"on from the last without looping ends", 0, 4, {}, {Key::Space}, {-1}},
        {"on from the last with looping goes round", 1, 4, {}, {Key::Enter}, {0}},
        {"slides that do not show are passed over both ways",
         1,
         1,
         {2, 0},
         {Key::Space, Key::Backspace, Key::Home, Key::End},
         {3, 1, 1, 4}},
        {"end and home pass over slides that do not show", 0, 2, {4, 0}, {Key::End, Key::Home},
         {3, 1}},
    };
    for (const Row& r : rows) {
        Show show(Doc({5, 5, 5, 5, 5}, r.loop));
        show.broken = r.broken;
        show.Open(r.start);
        show.Ticks(3);
        for (size_t k = 0; k < r.keys.size(); ++k) {
            const std::string at = std::string(r.name) + " key " + Num(int(k) + 1);
            show.Feed(in::KeyDown{r.keys[k]});
            if (r.after[k] < 0) {
                EXPECT_TRUE(show.state().ended) << at;
                continue;
            }
            EXPECT_FALSE(show.state().ended) << at;
            EXPECT_EQ(show.state().index, r.after[k]) << at;
        }
        if (!show.state().ended && show.state().index != r.start) {
            // A slide reached by a key gets its whole time.
            EXPECT_EQ(show.state().elapsed, 0) << r.name;
            EXPECT_EQ(Only(show.Ticks(4), {"frame"}), Texts{}) << r.name;
        }
        // The keys move through the slides, they change nothing the document stores.
        EXPECT_FALSE(show.state().changed) << r.name;
    }
    // A modified key does nothing.
    Show show(Doc({5, 5}));
    show.Open();
    show.Feed(in::KeyDown{Key::Space, true});
    EXPECT_EQ(show.state().index, 0);
}

TEST(ShowEngine, PauseHoldsTheCountWithItsSignUntilResumed) {
    Show show(Doc({3, 3}));
    show.Open();
    show.Ticks(2);
    // P pauses: the slide's frame is made again with the sign, and the count stands.
    const Texts paused = show.Feed(in::KeyDown{Key::P});
    EXPECT_TRUE(show.state().paused);
    ASSERT_FALSE(show.asked.empty());
    EXPECT_TRUE(show.asked.back().spec.paused);
    EXPECT_EQ(Only(paused, {"frame"}), (Texts{"frame 0 400x300"}));
    EXPECT_EQ(Only(show.Ticks(10), {"frame", "hide"}), Texts{});
    EXPECT_EQ(show.state().index, 0);
    EXPECT_EQ(MenuItems(show.state())[9].command, Command::Pause);
    EXPECT_TRUE(MenuItems(show.state())[9].checked);
    // Keys still move while paused, and the next slide stays paused.
    show.Feed(in::KeyDown{Key::Space});
    EXPECT_EQ(show.state().index, 1);
    EXPECT_TRUE(show.asked.back().spec.paused);
    // The menu's item resumes: the count goes on where it stood (0 s on slide 2).
    show.Choose(Command::Pause);
    EXPECT_FALSE(show.state().paused);
    EXPECT_FALSE(show.asked.back().spec.paused);
    show.Ticks(2);
    EXPECT_EQ(show.state().index, 1);
    show.Ticks(1);
    EXPECT_EQ(show.state().index, 0);
    EXPECT_FALSE(show.state().changed) << "the pause is not the document's";

    // In click switching there is no count to hold: P does nothing, and turning to click
    // switching ends a pause.
    Show clicks(Doc({3, 3}, 1, 0));
    clicks.Open();
    clicks.Feed(in::KeyDown{Key::P});
    EXPECT_FALSE(clicks.state().paused);
    Show turned(Doc({3, 3}));
    turned.Open();
    turned.Feed(in::KeyDown{Key::P});
    turned.Choose(Command::ClickSwitch);
    EXPECT_FALSE(turned.state().paused);
    EXPECT_FALSE(turned.asked.back().spec.paused);
}

TEST(ShowEngine, TheCloseRequestEndsTheShowAndEndGoesLast) {
    Show show(Doc({1, 1}));
    show.Open();
    EXPECT_EQ(show.Feed(in::CloseRequest{}), (Texts{"end"}));
    EXPECT_TRUE(show.state().ended);
    EXPECT_EQ(show.Ticks(3), Texts{});
    EXPECT_EQ(show.Choose(Command::Loop), Texts{});
}

// ---- Size-change mode, sizing and dragging -----------------------------------------------

TEST(ShowEngine, SizeChangeModePausesTheCountAndResumesItWhereItStood) {
    Show show(Doc({5, 5}));
    show.Open();
    show.Ticks(2);
    show.Choose(Command::ClickSwitch);
    show.Ticks(1);
    EXPECT_EQ(show.state().elapsed, 2) << "stands still in click switching";
    show.Choose(Command::TimerSwitch);
    show.Ticks(1);
    EXPECT_EQ(show.state().elapsed, 3);
    show.Choose(Command::ResizeMode);
    show.Ticks(4); // a tick the shell's timer brings late changes nothing either
    EXPECT_EQ(show.state().elapsed, 3);
    EXPECT_EQ(Only(show.Choose(Command::ResizeMode), {"start", "border"}),
              (Texts{"border off", "start second 1000"}));
    show.Ticks(1);
    EXPECT_EQ(show.state().elapsed, 4) << "resumes where it stood";
    show.Ticks(1);
    EXPECT_EQ(show.state().index, 1);
    EXPECT_EQ(show.state().elapsed, 0) << "a switch resets the count";
}

TEST(ShowEngine, OnlyTheUsersSizingIsStoredNeverTheShowsOwnPlacements) {
    ShowDocument doc = Doc({5});
    const std::int32_t rect[4] = {105, 45, 505, 345};
    std::copy(rect, rect + 4, doc.rect);
    Show show(doc);
    show.Start();
    // Size-change mode entered while the window still opens.
    show.Choose(Command::ResizeMode);
    EXPECT_EQ(Only(show.Feed(in::Resized{Box{0, 0, 20, 15}}), {"header"}), Texts{})
        << "the animation's own step";
    for (int i = 0; i < kZoomSteps; ++i)
        show.Feed(in::ZoomTick{});
    // The window system's late reports of the animation's steps, and repeats of the
    // last one, store nothing.
    for (const Box& late :
         {Box{5, 2, 20, 15}, Box{50, 20, 200, 150}, Box{100, 40, 400, 300}, Box{100, 40, 400, 300}})
        EXPECT_EQ(Only(show.Feed(in::Resized{late}), {"header"}), Texts{})
            << late.width << "x" << late.height;
    EXPECT_FALSE(show.state().changed);
    EXPECT_EQ(show.state().window, (Box{100, 40, 400, 300}));
    // The user's sizing is stored.
    EXPECT_EQ(Only(show.Feed(in::Resized{Box{100, 40, 420, 300}}), {"header"}),
              (Texts{"header 100,40,520,340 changed"}));
    // Outside size-change mode a size report stores nothing.
    Show plain(Doc({5}));
    plain.Open();
    EXPECT_EQ(Only(plain.Feed(in::Resized{Box{100, 100, 300, 200}}), {"header"}), Texts{});
    EXPECT_EQ(Only(plain.Feed(in::Resized{Box{100, 100, 300, 200}}), {"prepare"}), Texts{})
        << "the frame for that size was asked for already";
}

TEST(ShowEngine, TheBorderSizesTheWindowWithinItsScreenAndNeverBelowFifty) {
    Show show(Doc({1}));
    show.Open();
    show.Choose(Command::ResizeMode);
    // The pointer's shape over the border.
    struct Shape {
        Point at;
        const char* cursor;
    };
    const Shape shapes[] = {{{102, 200}, "cursor horizontal"},
                            {{300, 398}, "cursor vertical"},
                            {{101, 101}, "cursor diagonal"},
                            {{498, 101}, "cursor antidiagonal"},
                            {{300, 200}, "cursor arrow"}};
    for (const Shape& s : shapes)
        EXPECT_EQ(Only(show.Move(s.at), {"cursor"}), (Texts{s.cursor})) << s.cursor;
    // A press on the right border asks the window system; it cannot, so the show sizes
    // the window itself, stopping at the screen's edge.
    EXPECT_EQ(show.Press({498, 200}), (Texts{"system resize 4"}));
    EXPECT_EQ(show.Feed(in::SystemResizeRefused{}), (Texts{"capture"}));
    EXPECT_EQ(Only(show.Move({618, 200}), {"place", "header"}),
              (Texts{"place 100,100 520x300", "header 100,100,620,400 changed"}));
    EXPECT_EQ(Only(show.Move({5000, 200}), {"place"}), (Texts{"place 100,100 1820x300"}));
    EXPECT_EQ(Only(show.Release({5000, 200}), {"release"}), (Texts{"release"}));
    // The top-left corner dragged past the bottom-right one stops at 50 x 50.
    show.Press({101, 101});
    show.Feed(in::SystemResizeRefused{});
    EXPECT_EQ(Only(show.Move({3000, 3000}), {"place", "header"}),
              (Texts{"place 1870,350 50x50", "header 1870,350,1920,400 changed"}));
    show.Release({3000, 3000});
    // While the user sizes the window, frames are rescaled from the picture at hand;
    // once the sizing ends, it is decoded for the new size.
    show.framesByHand = true;
    show.Feed(in::WindowSizing{true});
    show.asked.clear();
    show.Feed(in::Resized{Box{1870, 350, 80, 60}});
    ASSERT_EQ(show.asked.size(), 1u);
    EXPECT_EQ(Size(show.asked[0].spec.decodeWidth, show.asked[0].spec.decodeHeight), "50x50");
    show.Feed(in::WindowSizing{false});
    ASSERT_EQ(show.asked.size(), 2u);
    EXPECT_EQ(Size(show.asked[1].spec.decodeWidth, show.asked[1].spec.decodeHeight), "80x60");
}

TEST(ShowEngine, AMoveDragStaysOnTheScreenUnderThePointer) {
    Show show(Doc({1}));
    show.Open();
    EXPECT_EQ(show.state().window, (Box{100, 100, 400, 300}));
    show.Press({150, 150});
    struct Step {
        Point pointer;
        Box area;
        Point topLeft;
    };
    const Step steps[] = {
        {{180, 170}, kScreen, {130, 120}},         // a plain move
        {{-500, 170}, kScreen, {0, 120}},          // past the left edge
        {{-400, 170}, kScreen, {100, 120}},        // back by the pointer's own movement
        {{5000, 5000}, kScreen, {1520, 780}},      // past the right and bottom
        {{5100, 5000}, kRightScreen, {1920, 724}}, // onto the screen on the right
    };
    for (const Step& s : steps) {
        const Texts texts = show.Move(s.pointer, s.area);
        const Point& p = s.topLeft;
        EXPECT_EQ(Only(texts, {"place", "header"}),
                  (Texts{"place " + Num(p.x) + "," + Num(p.y) + " 400x300",
                         "header " + Num(p.x) + "," + Num(p.y) + "," + Num(p.x + 400) + "," +
                             Num(p.y + 300) + " changed"}))
            << p.x << "," << p.y;
    }
    EXPECT_EQ(show.Move({5100, 5000}, kRightScreen), (Texts{})) << "no movement, nothing";
    EXPECT_EQ(show.Release({5100, 5000}), (Texts{"cursor arrow", "release"}));
}

TEST(ShowEngine, TheTooltipNamesTheSlideAndItsTimeWhenItChanges) {
    Show show(Doc({5, 75}));
    show.Open(1);
    EXPECT_EQ(show.Move({110, 110}), (Texts{u8"tip №2 01:15\n※ 右クリックメニューで操作できます"}));
    EXPECT_EQ(show.Move({120, 110}), Texts{});
    Show none(Doc({5}));
    none.Open(-1);
    EXPECT_EQ(none.Move({110, 110}), Texts{}) << "no slide on show, no tooltip";
}

} // namespace
