#include "slideshow/ShowEngine.h"

#include "base/NumberRanges.h"

#include <algorithm>

namespace show {

namespace {

/// The window's placements kept to recognise the window system's late reports of them.
constexpr size_t kPlacementsKept = 64;

Box BoxOfCorners(const std::int32_t r[4]) {
    return Box{r[0], r[1], int(std::int64_t(r[2]) - r[0]), int(std::int64_t(r[3]) - r[1])};
}

std::int32_t Toggled(std::int32_t v) {
    return v ? 0 : 1;
}

} // namespace

std::uint32_t SeeThroughColor(const ShowSlide& s) {
    return s.keyed ? (s.key & 0x00FFFFFFu) : 0x00FFF7FFu; // the fill of slides without a key
}

// ---- Commands, keys and the menu ---------------------------------------------------------

const char* CommandText(Command c) {
    switch (c) {
    case Command::FlipHorizontal:
        return u8"左右反転(&H)\t←,→";
    case Command::FlipVertical:
        return u8"上下反転(&V)\t↑,↓";
    case Command::ResizeMode:
        return u8"サイズ変更(&S)\tWClick";
    case Command::FitToWindow:
        return u8"サイズに合せて拡大(&E)";
    case Command::TopMost:
        return u8"最前面に表示(&M)";
    case Command::Loop:
        return u8"連続に繰り返す(&L)";
    case Command::TimerSwitch:
        return u8"タイマー切替え(&A)";
    case Command::ClickSwitch:
        return u8"クリック切替え(&C)";
    case Command::Pause:
        return u8"一時停止(&P)\tP";
    case Command::End:
        return u8"スライドショー終了(&X)\tESC";
    case Command::Next:
        return u8"次のスライド";
    case Command::Previous:
        return u8"前のスライド";
    case Command::First:
        return u8"最初のスライド";
    case Command::Last:
        return u8"最後のスライド";
    }
    return "";
}

std::vector<Key> CommandKeys(Command c) {
    switch (c) {
    case Command::FlipHorizontal:
        return {Key::Left, Key::Right};
    case Command::FlipVertical:
        return {Key::Up, Key::Down};
    case Command::End:
        return {Key::Escape};
    case Command::Next:
        return {Key::Space, Key::PageDown, Key::Enter};
    case Command::Previous:
        return {Key::Backspace, Key::PageUp};
    case Command::First:
        return {Key::Home};
    case Command::Last:
        return {Key::End};
    case Command::Pause:
        return {Key::P};
    default:
        return {};
    }
}

std::optional<Command> CommandForKey(Key key, bool modified) {
    if (modified)
        return std::nullopt;
    for (Command c : kCommands)
        for (Key k : CommandKeys(c))
            if (k == key)
                return c;
    return std::nullopt;
}

std::vector<MenuItem> MenuItems(const ShowState& s) {
    const bool slide = s.index >= 0 && s.index < int(s.doc.slides.size());
    const auto item = [](Command c, bool checked) {
        MenuItem m;
        m.command = c;
        m.text = CommandText(c);
        m.checked = checked;
        return m;
    };
    MenuItem separator;
    separator.kind = MenuItem::Kind::Separator;
    MenuItem flips;
    flips.kind = MenuItem::Kind::SubMenu;
    flips.text = u8"反転(&R)";
    flips.items = {item(Command::FlipHorizontal, slide && s.doc.slides[size_t(s.index)].flipH != 0),
                   item(Command::FlipVertical, slide && s.doc.slides[size_t(s.index)].flipV != 0)};
    MenuItem pause = item(Command::Pause, s.paused);
    pause.enabled = s.doc.timerSwitch != 0;
    return {flips,
            item(Command::ResizeMode, s.resizeMode),
            item(Command::FitToWindow, s.doc.fitToWindow != 0),
            separator,
            item(Command::TopMost, s.doc.topMost != 0),
            separator,
            item(Command::Loop, s.doc.loop != 0),
            item(Command::TimerSwitch, s.doc.timerSwitch != 0),
            item(Command::ClickSwitch, s.doc.timerSwitch == 0),
            pause,
            separator,
            item(Command::End, false)};
}

Edges BorderEdgesAt(const ShowState& s, Point at) {
    if (!s.resizeMode)
        return 0;
    const int x = at.x - s.window.left;
    const int y = at.y - s.window.top;
    Edges edges = 0;
    if (x < kBorderWidth)
        edges |= kLeftEdge;
    if (x >= s.window.width - kBorderWidth)
        edges |= kRightEdge;
    if (y < kBorderWidth)
        edges |= kTopEdge;
    if (y >= s.window.height - kBorderWidth)
        edges |= kBottomEdge;
    return edges;
}

Cursor CursorForEdges(Edges edges) {
    const bool horizontal = edges & (kLeftEdge | kRightEdge);
    const bool vertical = edges & (kTopEdge | kBottomEdge);
    if (horizontal && vertical)
        return ((edges & kLeftEdge) && (edges & kTopEdge)) ||
                       ((edges & kRightEdge) && (edges & kBottomEdge))
                   ? Cursor::SizeDiagonal
                   : Cursor::SizeAntiDiagonal;
    if (horizontal)
        return Cursor::SizeHorizontal;
    return vertical ? Cursor::SizeVertical : Cursor::Arrow;
}

// ---- The engine ----------------------------------------------------------------------------

/// What one event makes the shell do, gathered while the rules run.
struct Engine::Answer {
    std::vector<Action> actions;
    bool switched = false; ///< the slide on show changed (or came round again)
    bool ending = false;   ///< EndShow goes last
};

Engine::Engine(ShowDocument doc) {
    m_state.doc = std::move(doc);
    const size_t count = m_state.doc.slides.size();
    m_state.failed.assign(count, false);
    m_state.told.assign(count, false);
}

std::vector<Action> Engine::Handle(const Event& event) {
    Answer a;
    std::visit([&](const auto& e) { On(e, a); }, event);
    ShowState& s = m_state;
    if (!s.ended) {
        Reconcile(a);
        Tell(a);
    }
    // Messages wait while the menu or another message is open; the end says them all.
    if (!s.messages.empty() && (a.ending || (!s.menuOpen && s.messagesUp == 0))) {
        for (out::ShowMessage& m : s.messages) {
            a.actions.emplace_back(std::move(m));
            if (!a.ending)
                ++s.messagesUp;
        }
        s.messages.clear();
    }
    if (a.ending)
        a.actions.emplace_back(out::EndShow{s.showedNothing});
    return std::move(a.actions);
}

bool Engine::SlideOnShow() const {
    return m_state.index >= 0 && m_state.index < int(m_state.doc.slides.size());
}

bool Engine::Showable(int index) const {
    const ShowState& s = m_state;
    return index >= 0 && index < int(s.doc.slides.size()) && s.doc.slides[size_t(index)].showable &&
           !s.failed[size_t(index)];
}

int Engine::NextSlide(bool collect) {
    ShowState& s = m_state;
    return NextShowableSlide(s.index, int(s.doc.slides.size()), s.doc.loop != 0, [&](int i) {
        if (Showable(i))
            return true;
        if (collect && !s.told[size_t(i)])
            s.toTell.push_back(i + 1);
        return false;
    });
}

void Engine::On(const in::Start& e, Answer& a) {
    ShowState& s = m_state;
    const int count = int(s.doc.slides.size());
    s.changed = e.changed;
    if (count <= 0) {
        // Nothing to show: the show ends before it appears.
        End(false, a);
        return;
    }
    s.start = e.pointer;
    a.actions.emplace_back(out::SetCursor{Cursor::Arrow});
    s.cursor = Cursor::Arrow;
    // The stored rectangle on the screen the show opens on, keeping its place relative
    // to the screen it was stored on.
    const Point from = e.storedOn ? *e.storedOn : Point{};
    const std::int32_t* r = s.doc.rect;
    const Box onScreen = BringBoxOntoScreen(r[0], r[1], r[2], r[3], from.x, from.y, e.workArea);
    s.doc.rect[0] = onScreen.left;
    s.doc.rect[1] = onScreen.top;
    s.doc.rect[2] = onScreen.left + onScreen.width;
    s.doc.rect[3] = onScreen.top + onScreen.height;
    StoreHeader(a);
    Place(Box{s.start.x, s.start.y, kStartSize, kStartSize}, a);

    // A start outside the table would never meet the end of the slides.
    s.index = e.startIndex < -1 || e.startIndex >= count ? 0 : e.startIndex;
    const auto showable = [this](int i) { return Showable(i); };
    if (FirstShowableSlide(0, count, true, showable) < 0) {
        End(true, a);
        return;
    }
    // The slides known not to show are named at once.
    for (int i = 0; i < count; ++i)
        if (!Showable(i))
            s.toTell.push_back(i + 1);
    if (s.index >= 0)
        s.index = FirstShowableSlide(s.index, count, true, showable);

    s.zoomStep = 0;
    s.elapsed = 0;
    a.actions.emplace_back(out::StartTimer{Timer::Zoom, kZoomPeriodMs});
    a.actions.emplace_back(out::StartTimer{Timer::Second, kSecondPeriodMs});
    s.zoomTimer = s.secondTimer = true;
}

void Engine::On(const in::ZoomTick&, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    if (s.zoomStep >= kZoomSteps) {
        a.actions.emplace_back(out::StopTimer{Timer::Zoom}); // a tick that came late
        s.zoomTimer = false;
        return;
    }
    Place(ZoomStepBox(s.start.x, s.start.y, BoxOfCorners(s.doc.rect), s.zoomStep), a);
    // The show opens in front with the keyboard (Esc and the arrow keys).
    if (s.zoomStep == 0 || !s.visible)
        a.actions.emplace_back(out::ShowWindow{s.zoomStep == 0});
    s.visible = true;
    if (++s.zoomStep >= kZoomSteps) {
        a.actions.emplace_back(out::StopTimer{Timer::Zoom});
        s.zoomTimer = false;
    }
}

void Engine::On(const in::SecondTick&, Answer& a) {
    ShowState& s = m_state;
    // The count waits in click switching, while paused, in size-change mode, and while
    // the menu or a message is open over the show.
    if (s.ended || !SlideOnShow() || !s.doc.timerSwitch || s.paused || s.resizeMode ||
        s.menuOpen || s.messagesUp > 0)
        return;
    ++s.elapsed;
    if (s.elapsed >= int(s.doc.slides[size_t(s.index)].switchTime) && !SwitchToNext(a))
        End(false, a);
}

void Engine::On(const in::Advance&, Answer& a) {
    if (!m_state.ended && !SwitchToNext(a))
        End(false, a);
}

bool Engine::SwitchToNext(Answer& a) {
    ShowState& s = m_state;
    const int next = NextSlide(true);
    if (next < 0) {
        s.index = int(s.doc.slides.size());
        return false;
    }
    s.index = next;
    s.elapsed = 0;
    s.backward = false;
    a.switched = true;
    return true;
}

int Engine::PreviousSlide() {
    ShowState& s = m_state;
    const int count = int(s.doc.slides.size());
    if (s.index < 0 || count <= 0)
        return -1;
    // Back over the slides that do not show; round to the last with looping.
    for (int step = 1; step < count; ++step) {
        int i = s.index - step;
        if (i < 0) {
            if (!s.doc.loop)
                return -1;
            i += count;
        }
        if (Showable(i))
            return i;
        if (!s.told[size_t(i)])
            s.toTell.push_back(i + 1);
    }
    return -1;
}

void Engine::GoTo(int slide, bool backward, Answer& a) {
    ShowState& s = m_state;
    if (slide < 0 || slide == s.index)
        return;
    s.index = slide;
    s.elapsed = 0;
    s.backward = backward;
    a.switched = true;
}

void Engine::End(bool showedNothing, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    s.ended = true;
    s.showedNothing = showedNothing;
    s.dragging = false;
    s.sizingEdges = 0;
    s.borderPress = 0;
    s.zoomTimer = s.secondTimer = false;
    s.menuOpen = false;
    // Slides passed over are no longer named once the show has ended; with nothing
    // shown at all, that is all there is to say.
    s.toTell.clear();
    s.messages.erase(
        std::remove_if(s.messages.begin(), s.messages.end(),
                       [](const out::ShowMessage& m) { return m.id == kMsgSlidesSkipped; }),
        s.messages.end());
    if (showedNothing)
        s.messages.push_back(out::ShowMessage{kMsgNoSlideCanBeShown, {}, MessageKind::Error});
    a.ending = true;
}

void Engine::Place(const Box& rect, Answer& a) {
    ShowState& s = m_state;
    a.actions.emplace_back(out::PlaceWindow{rect, s.doc.topMost != 0});
    s.window = rect;
    s.placed.push_back(rect);
    if (s.placed.size() > kPlacementsKept)
        s.placed.erase(s.placed.begin());
}

void Engine::StoreHeader(Answer& a) {
    const ShowState& s = m_state;
    out::StoreHeader h;
    std::copy(s.doc.rect, s.doc.rect + 4, h.rect);
    h.loop = s.doc.loop;
    h.timerSwitch = s.doc.timerSwitch;
    h.topMost = s.doc.topMost;
    h.fitToWindow = s.doc.fitToWindow;
    h.changed = s.changed;
    a.actions.emplace_back(h);
}

void Engine::StoreRect(const Box& r, Answer& a) {
    ShowState& s = m_state;
    s.doc.rect[0] = r.left;
    s.doc.rect[1] = r.top;
    s.doc.rect[2] = r.left + r.width;
    s.doc.rect[3] = r.top + r.height;
    s.changed = true;
    StoreHeader(a);
}

void Engine::EndUserSizing() {
    ShowState& s = m_state;
    if (s.sizingEdges == 0)
        s.userSizing = false;
}

// ---- The pointer and the keys --------------------------------------------------------------

void Engine::On(const in::Press& e, Answer& a) {
    ShowState& s = m_state;
    if (e.button != Button::Left || s.ended)
        return;
    EndUserSizing();
    const Edges edges = BorderEdgesAt(s, e.at);
    if (edges) {
        // The sizing border: the window system sizes the window when it can, else the
        // show follows the pointer itself (SystemResizeRefused).
        s.borderPress = edges;
        s.borderPressAt = e.at;
        s.borderPressArea = e.workArea;
        s.userSizing = true;
        s.sizingDecodeWidth = s.wanted.decodeWidth;
        s.sizingDecodeHeight = s.wanted.decodeHeight;
        s.placed.clear();
        a.actions.emplace_back(out::StartSystemResize{edges});
        return;
    }
    if (!s.doc.timerSwitch && !s.resizeMode) {
        // Click switching: the press switches; on the last slide without looping it ends
        // the show, and nothing else happens.
        if (!SwitchToNext(a)) {
            End(false, a);
            return;
        }
        Reconcile(a); // the new slide goes in before the drag begins
        // A message about slides passed over takes the press: no drag.
        if (!s.toTell.empty())
            return;
    }
    a.actions.emplace_back(out::CapturePointer{});
    a.actions.emplace_back(out::SetCursor{Cursor::Move});
    s.cursor = Cursor::Move;
    s.dragPoint = e.at;
    s.dragging = true;
}

void Engine::On(const in::SystemResizeRefused&, Answer& a) {
    ShowState& s = m_state;
    if (s.ended || !s.borderPress || !s.resizeMode)
        return;
    s.sizingEdges = s.borderPress;
    s.sizingFrom = s.window;
    s.sizingGrab = s.borderPressAt;
    s.sizingArea = s.borderPressArea;
    s.borderPress = 0;
    a.actions.emplace_back(out::CapturePointer{});
}

void Engine::On(const in::Move& e, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    EndUserSizing();
    if (SlideOnShow()) {
        std::string text = ShowTooltipUtf8(s.index + 1, s.doc.slides[size_t(s.index)].switchTime);
        if (text != s.tooltip) {
            s.tooltip = text;
            a.actions.emplace_back(out::SetTooltip{std::move(text)});
        }
    }
    if (s.sizingEdges) {
        // The edges stop at the work area where the sizing began, and at 50 x 50.
        const int dx = e.at.x - s.sizingGrab.x;
        const int dy = e.at.y - s.sizingGrab.y;
        const Box& f = s.sizingFrom;
        const Box& area = s.sizingArea;
        int left = f.left, top = f.top, right = f.left + f.width, bottom = f.top + f.height;
        if (s.sizingEdges & kLeftEdge)
            left = std::min(std::max(left + dx, area.left), right - kMinWindowSize);
        if (s.sizingEdges & kRightEdge)
            right = std::max(std::min(right + dx, area.left + area.width), left + kMinWindowSize);
        if (s.sizingEdges & kTopEdge)
            top = std::min(std::max(top + dy, area.top), bottom - kMinWindowSize);
        if (s.sizingEdges & kBottomEdge)
            bottom = std::max(std::min(bottom + dy, area.top + area.height), top + kMinWindowSize);
        const Box r{left, top, right - left, bottom - top};
        if (!(r == s.window)) {
            Place(r, a);
            if (s.zoomStep >= kZoomSteps)
                StoreRect(r, a);
        }
        return;
    }
    if (s.dragging) {
        if (e.at != s.dragPoint) {
            // Kept inside the work area of the screen under the pointer.
            int x = s.window.left + (e.at.x - s.dragPoint.x);
            int y = s.window.top + (e.at.y - s.dragPoint.y);
            ClampPointToArea(x, y, s.window.width, s.window.height, e.workArea);
            const Box r{x, y, s.window.width, s.window.height};
            Place(r, a);
            StoreRect(r, a);
            s.dragPoint = e.at;
        }
        return;
    }
    const Cursor c = CursorForEdges(BorderEdgesAt(s, e.at));
    if (c != s.cursor) {
        s.cursor = c;
        a.actions.emplace_back(out::SetCursor{c});
    }
}

void Engine::On(const in::Release& e, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    if (e.button == Button::Left) {
        s.borderPress = 0;
        if (s.sizingEdges) {
            s.sizingEdges = 0;
            a.actions.emplace_back(out::ReleasePointer{});
        }
        EndUserSizing();
        if (s.dragging) {
            s.dragging = false;
            s.cursor = Cursor::Arrow;
            a.actions.emplace_back(out::SetCursor{Cursor::Arrow});
            a.actions.emplace_back(out::ReleasePointer{});
        }
        return;
    }
    if (e.button == Button::Right) {
        EndUserSizing();
        s.menuOpen = true;
        s.chosenInMenu.reset();
        a.actions.emplace_back(out::OpenMenu{e.at, MenuItems(s)});
    }
}

void Engine::On(const in::DoubleClick& e, Answer& a) {
    // The second press of a double click toggles size-change mode and nothing else.
    if (e.button == Button::Left && !m_state.ended)
        On(in::Choose{Command::ResizeMode}, a);
}

void Engine::On(const in::KeyDown& e, Answer& a) {
    EndUserSizing();
    if (const std::optional<Command> c = CommandForKey(e.key, e.modified))
        On(in::Choose{*c}, a);
}

void Engine::On(const in::Choose& e, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    // A command chosen while the menu is open runs once it has closed.
    if (s.menuOpen) {
        s.chosenInMenu = e.command;
        return;
    }
    Run(e.command, a);
}

void Engine::On(const in::MenuOpened&, Answer&) {
    m_state.menuOpen = true;
}

void Engine::On(const in::MenuClosed&, Answer& a) {
    ShowState& s = m_state;
    s.menuOpen = false;
    const std::optional<Command> chosen = s.chosenInMenu;
    s.chosenInMenu.reset();
    if (chosen && !s.ended)
        Run(*chosen, a);
}

void Engine::On(const in::MessageClosed&, Answer&) {
    if (m_state.messagesUp > 0)
        --m_state.messagesUp;
}

void Engine::On(const in::CloseRequest&, Answer& a) {
    End(false, a);
}

void Engine::Run(Command c, Answer& a) {
    ShowState& s = m_state;
    ShowDocument& d = s.doc;
    switch (c) {
    case Command::FlipHorizontal:
    case Command::FlipVertical: {
        if (!SlideOnShow())
            return; // nothing before the first slide
        ShowSlide& slide = d.slides[size_t(s.index)];
        std::uint8_t& flip = c == Command::FlipHorizontal ? slide.flipH : slide.flipV;
        flip = flip ? 0 : 1;
        s.changed = true;
        a.actions.emplace_back(out::StoreSlide{s.index, slide.flipH, slide.flipV, true});
        return;
    }
    case Command::ResizeMode:
        if (!s.resizeMode) {
            // The count pauses; only the user's sizing is stored meanwhile.
            a.actions.emplace_back(out::StopTimer{Timer::Second});
            s.secondTimer = false;
            a.actions.emplace_back(out::SetSizingBorder{true});
            s.resizeMode = true;
        } else {
            s.resizeMode = false;
            if (s.sizingEdges)
                a.actions.emplace_back(out::ReleasePointer{});
            s.sizingEdges = 0;
            s.borderPress = 0;
            s.userSizing = false;
            a.actions.emplace_back(out::SetSizingBorder{false});
            // The count goes on where it stood.
            a.actions.emplace_back(out::StartTimer{Timer::Second, kSecondPeriodMs});
            s.secondTimer = true;
        }
        return;
    case Command::FitToWindow:
        d.fitToWindow = Toggled(d.fitToWindow);
        break;
    case Command::TopMost:
        d.topMost = Toggled(d.topMost);
        a.actions.emplace_back(out::SetTopMost{d.topMost != 0});
        break;
    case Command::Loop:
        d.loop = Toggled(d.loop);
        break;
    case Command::TimerSwitch:
    case Command::ClickSwitch:
        d.timerSwitch = Toggled(d.timerSwitch);
        s.paused = false;
        break;
    case Command::End:
        End(false, a);
        return;
    case Command::Next:
        if (!SwitchToNext(a))
            End(false, a);
        return;
    case Command::Previous:
        GoTo(PreviousSlide(), true, a);
        return;
    case Command::First:
    case Command::Last: {
        const auto showable = [this](int i) { return Showable(i); };
        const int count = int(d.slides.size());
        int target = -1;
        if (c == Command::First) {
            target = FirstShowableSlide(0, count, false, showable);
        } else {
            for (int i = count - 1; i >= 0 && target < 0; --i)
                if (Showable(i))
                    target = i;
        }
        GoTo(target, c == Command::Last, a);
        return;
    }
    case Command::Pause:
        // The pause holds the slide's time; it means nothing in click switching.
        if (!d.timerSwitch)
            return;
        s.paused = !s.paused;
        return;
    }
    s.changed = true;
    StoreHeader(a);
}

// ---- The window system's reports -----------------------------------------------------------

void Engine::On(const in::Resized& e, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    s.window = e.window;
    // Only the user's sizing is stored: never the animation's steps or the show's own
    // placements, also when the window system reports them late.
    const bool own = std::find(s.placed.begin(), s.placed.end(), e.window) != s.placed.end();
    if (s.resizeMode && s.zoomStep >= kZoomSteps && !own)
        StoreRect(e.window, a);
}

void Engine::On(const in::WindowSizing& e, Answer&) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    if (e.active) {
        s.userSizing = true;
        s.sizingDecodeWidth = s.wanted.decodeWidth;
        s.sizingDecodeHeight = s.wanted.decodeHeight;
        s.placed.clear();
    } else {
        s.userSizing = false;
    }
}

// ---- Frames --------------------------------------------------------------------------------

FrameSpec Engine::SpecFor(int slide, bool forAhead) const {
    const ShowState& s = m_state;
    FrameSpec spec;
    spec.width = s.window.width;
    spec.height = s.window.height;
    spec.fit = s.doc.fitToWindow != 0;
    spec.decodeWidth = spec.width;
    spec.decodeHeight = spec.height;
    spec.paused = s.paused;
    if (slide < 0 || slide >= int(s.doc.slides.size()))
        return spec;
    spec.slide = slide;
    spec.flipH = s.doc.slides[size_t(slide)].flipH != 0;
    spec.flipV = s.doc.slides[size_t(slide)].flipV != 0;
    if (!forAhead && s.zoomStep < kZoomSteps) {
        // While the window opens, one picture decoded for the size it grows to serves
        // every step.
        const Box target = BoxOfCorners(s.doc.rect);
        spec.decodeWidth = target.width;
        spec.decodeHeight = target.height;
    } else if (!forAhead && s.userSizing) {
        // While the user sizes the window, the picture at hand is rescaled.
        spec.decodeWidth = s.sizingDecodeWidth;
        spec.decodeHeight = s.sizingDecodeHeight;
    }
    return spec;
}

void Engine::Ask(const FrameSpec& spec, bool ahead, Answer& a) {
    const ShowState& s = m_state;
    FrameRequest r;
    r.spec = spec;
    r.ahead = ahead;
    if (spec.slide >= 0 && spec.slide < int(s.doc.slides.size())) {
        const ShowSlide& slide = s.doc.slides[size_t(spec.slide)];
        r.key = SeeThroughColor(slide);
        r.keyed = slide.keyed;
    } else {
        r.key = SeeThroughColor(ShowSlide{});
    }
    a.actions.emplace_back(out::PrepareFrame{r});
}

void Engine::Present(const FrameSpec& spec, Answer& a) {
    ShowState& s = m_state;
    // A switch hides the window while the new frame goes in, so the slide appears whole.
    const bool reveal = s.revealPending && s.visible;
    if (reveal)
        a.actions.emplace_back(out::HideWindow{});
    a.actions.emplace_back(out::ShowFrame{spec});
    if (reveal)
        a.actions.emplace_back(out::ShowWindow{false});
    s.revealPending = false;
    s.presented = spec;
    s.presentedAny = true;
    if (spec.slide >= 0)
        s.shownAny = true;
}

void Engine::Reconcile(Answer& a) {
    ShowState& s = m_state;
    const FrameSpec want = SpecFor(s.index, false);
    if (!s.wantedAsked || want != s.wanted) {
        // A frame made ahead, or the one on the window, is ready at once; the frame maker
        // is asked all the same, so that it keeps the slide on show's picture.
        bool ready = s.presentedAny && want == s.presented;
        if (s.aheadAsked && want == s.ahead) {
            ready = ready || s.aheadReady;
            s.aheadAsked = s.aheadReady = false;
        }
        s.wanted = want;
        s.wantedAsked = true;
        s.wantedReady = ready;
        Ask(want, false, a);
    }
    if (a.switched) {
        s.revealPending = true;
        a.switched = false;
    }
    if (s.wantedReady && (s.revealPending || !s.presentedAny || s.presented != s.wanted))
        Present(s.wanted, a);

    // The slide that follows is made while this one shows (not while the window opens or
    // is being sized: its size is not settled).
    if (s.zoomStep < kZoomSteps || s.userSizing || !SlideOnShow())
        return;
    const int next = NextShowableSlide(s.index, int(s.doc.slides.size()), s.doc.loop != 0,
                                       [this](int i) { return Showable(i); });
    if (next < 0 || next == s.index) {
        s.aheadAsked = s.aheadReady = false;
        return;
    }
    const FrameSpec spec = SpecFor(next, true);
    if (!s.aheadAsked || spec != s.ahead) {
        s.ahead = spec;
        s.aheadAsked = true;
        s.aheadReady = false;
        Ask(spec, true, a);
    }
}

void Engine::On(const in::FrameReady& e, Answer& a) {
    ShowState& s = m_state;
    if (s.ended)
        return;
    if (s.wantedAsked && e.spec == s.wanted) {
        s.wantedReady = true; // shown by Reconcile
    } else if (s.aheadAsked && e.spec == s.ahead) {
        s.aheadReady = true;
    } else if (s.wantedAsked && !s.wantedReady && !s.revealPending &&
               e.spec.slide == s.wanted.slide && e.spec.fit == s.wanted.fit &&
               e.spec.flipH == s.wanted.flipH && e.spec.flipV == s.wanted.flipV) {
        // A window that opens or is being sized outgrows its frames: a frame of the
        // slide on show made for an earlier size is shown until the one for the present
        // size is ready.
        Present(e.spec, a);
    }
}

void Engine::On(const in::FrameFailed& e, Answer& a) {
    ShowState& s = m_state;
    const int slide = e.spec.slide;
    if (s.ended || slide < 0 || slide >= int(s.doc.slides.size()))
        return;
    s.failed[size_t(slide)] = true;
    if (s.aheadAsked && s.ahead.slide == slide)
        s.aheadAsked = s.aheadReady = false; // the one after it is asked instead
    if (slide != s.index)
        return; // named when the show passes over it
    // The slide on show turned out not to show: named, and the show goes on without it.
    if (!s.told[size_t(slide)])
        s.toTell.push_back(slide + 1);
    // Going back, the show goes on back to the slide before it.
    if (s.backward) {
        const int previous = PreviousSlide();
        if (previous >= 0) {
            GoTo(previous, true, a);
            return;
        }
    }
    if (!SwitchToNext(a))
        End(!s.shownAny, a);
}

void Engine::Tell(Answer&) {
    ShowState& s = m_state;
    std::vector<int> numbers;
    for (int number : s.toTell) {
        const size_t i = size_t(number - 1);
        if (i < s.told.size() && !s.told[i]) {
            s.told[i] = true;
            numbers.push_back(number);
        }
    }
    s.toTell.clear();
    if (numbers.empty())
        return;
    std::sort(numbers.begin(), numbers.end());
    s.messages.push_back(out::ShowMessage{
        kMsgSlidesSkipped, u8"スライド " + NumberRangesText(numbers) + "\n", MessageKind::Info});
}

} // namespace show
