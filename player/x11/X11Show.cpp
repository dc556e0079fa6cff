// Before Xlib's headers, whose macro None would break the stream's StreamError::None.
#include "slideshow/StreamShow.h"

#include "player/x11/X11Show.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <new>

namespace x11show {

namespace {

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

/// A timer's next tick after the one due at `due`: one period on, or one period from
/// now when the loop was held up (no tick is made up for).
long long NextTick(long long due, int periodMs, long long now) {
    const long long next = due + periodMs;
    return next > now ? next : now + periodMs;
}

} // namespace

X11Show::X11Show(X11Shell& shell, show::ShowDocument doc,
                 std::shared_ptr<const show::PictureSource> pictures, Say say)
    : m_shell(shell), m_say(std::move(say)), m_engine(std::move(doc)) {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
    const int wakeFd = m_wake[1];
    m_frames = std::make_unique<show::FrameMaker>(std::move(pictures), [wakeFd] {
        if (wakeFd >= 0) {
            const char byte = 1;
            // A full pipe already wakes the loop.
            [[maybe_unused]] const ssize_t n = write(wakeFd, &byte, 1);
        }
    });
}

X11Show::~X11Show() {
    m_frames.reset(); // the worker stops before the pipe closes
    for (int fd : m_wake)
        if (fd >= 0)
            close(fd);
}

int X11Show::Run() {
    show::in::Start start;
    start.pointer = m_shell.Pointer();
    start.workArea = m_shell.WorkArea(start.pointer);
    // The stored rectangle keeps its place relative to the screen that holds its centre.
    const std::int32_t* r = m_engine.State().doc.rect;
    int cx = 0, cy = 0;
    const show::Box& area = start.workArea;
    if (show::StoredCentreOf(r[0], r[1], r[2], r[3], cx, cy) && cx >= area.left && cy >= area.top &&
        cx < area.left + area.width && cy < area.top + area.height)
        start.storedOn = show::Point{area.left, area.top};
    start.startIndex = 0;
    start.changed = false;
    Feed(start);

    while (!m_ended) {
        const long long now = NowMs();
        if (m_zoomDue && now >= *m_zoomDue) {
            m_zoomDue = NextTick(*m_zoomDue, show::kZoomPeriodMs, now);
            Feed(show::in::ZoomTick{});
            continue;
        }
        if (m_secondDue && now >= *m_secondDue) {
            m_secondDue = NextTick(*m_secondDue, show::kSecondPeriodMs, now);
            Feed(show::in::SecondTick{});
            continue;
        }
        long long due = -1;
        for (const std::optional<long long>& t : {m_zoomDue, m_secondDue})
            if (t)
                due = due < 0 ? *t : std::min(due, *t);
        WindowEvent e;
        switch (m_shell.WaitEvent(due < 0 ? -1 : int(std::max(0LL, due - now)), m_wake[0], e)) {
        case X11Shell::Wait::Event:
            FeedWindowEvent(e);
            break;
        case X11Shell::Wait::Woken: {
            char bytes[64];
            while (read(m_wake[0], bytes, sizeof bytes) > 0) {
            }
            DeliverFrames();
            break;
        }
        case X11Shell::Wait::TimedOut:
            break;
        }
    }
    return m_exitCode;
}

void X11Show::FeedWindowEvent(const WindowEvent& e) {
    using Kind = WindowEvent::Kind;
    switch (e.kind) {
    case Kind::Press:
        Feed(show::in::Press{e.button, e.at, m_shell.WorkArea(e.at)});
        break;
    case Kind::DoubleClick:
        Feed(show::in::DoubleClick{e.button, e.at});
        break;
    case Kind::Release:
        Feed(show::in::Release{e.button, e.at});
        break;
    case Kind::Motion:
        Feed(show::in::Move{e.at, m_shell.WorkArea(e.at)});
        break;
    case Kind::KeyDown:
        Feed(show::in::KeyDown{e.key, e.modified});
        break;
    case Kind::Configured:
        Feed(show::in::Resized{e.box});
        break;
    case Kind::Close:
        Feed(show::in::CloseRequest{});
        break;
    }
}

void X11Show::DeliverFrames() {
    for (const show::FrameMaker::Result& r : m_frames->TakeResults())
        Feed(r.made ? show::Event(show::in::FrameReady{r.spec})
                    : show::Event(show::in::FrameFailed{r.spec}));
}

void X11Show::Feed(const show::Event& event) {
    if (m_ended)
        return;
    m_queue.push_back(event);
    if (m_feeding)
        return;
    m_feeding = true;
    Pump();
    m_feeding = false;
}

void X11Show::Pump() {
    while (!m_queue.empty() && !m_ended) {
        const show::Event event = std::move(m_queue.front());
        m_queue.pop_front();
        const std::vector<show::Action> answer = m_engine.Handle(event);
        for (const show::Action& a : answer) {
            if (std::holds_alternative<show::out::OpenMenu>(a) ||
                std::holds_alternative<show::out::ShowMessage>(a)) {
                // What the earlier actions caused goes in before the menu or the message
                // waits for the user.
                Pump();
                m_feeding = false;
                Carry(a);
                m_feeding = true;
            } else {
                Carry(a);
            }
        }
    }
}

void X11Show::Carry(const show::Action& action) {
    namespace out = show::out;
    if (const auto* a = std::get_if<out::PlaceWindow>(&action)) {
        m_shell.SetTopMost(a->topMost);
        m_shell.Place(a->rect);
    } else if (const auto* a = std::get_if<out::SetTopMost>(&action)) {
        m_shell.SetTopMost(a->on);
    } else if (const auto* a = std::get_if<out::ShowWindow>(&action)) {
        m_shell.Show(a->takeFocus);
    } else if (std::holds_alternative<out::HideWindow>(action)) {
        m_shell.Hide();
    } else if (const auto* a = std::get_if<out::SetSizingBorder>(&action)) {
        m_shell.SetSizingBorder(a->on);
    } else if (const auto* a = std::get_if<out::StartTimer>(&action)) {
        (a->timer == show::Timer::Zoom ? m_zoomDue : m_secondDue) = NowMs() + a->periodMs;
    } else if (const auto* a = std::get_if<out::StopTimer>(&action)) {
        (a->timer == show::Timer::Zoom ? m_zoomDue : m_secondDue).reset();
    } else if (const auto* a = std::get_if<out::PrepareFrame>(&action)) {
        m_frames->Ask(a->request);
    } else if (const auto* a = std::get_if<out::ShowFrame>(&action)) {
        if (!m_shell.ShowFrame(m_frames->Made(a->spec))) {
            // No memory to put the frame on the window: said, and the show ends.
            m_say(show::kMsgOutOfMemory, std::string());
            m_exitCode = 1;
            m_ended = true;
        }
    } else if (const auto* a = std::get_if<out::SetTooltip>(&action)) {
        m_shell.SetTooltip(a->text);
    } else if (const auto* a = std::get_if<out::SetCursor>(&action)) {
        m_shell.SetCursor(a->cursor);
    } else if (std::holds_alternative<out::CapturePointer>(action)) {
        m_shell.CapturePointer(true);
    } else if (std::holds_alternative<out::ReleasePointer>(action)) {
        m_shell.CapturePointer(false);
    } else if (const auto* a = std::get_if<out::StartSystemResize>(&action)) {
        if (!m_shell.StartSystemResize(a->edges, m_shell.Pointer()))
            Feed(show::in::SystemResizeRefused{});
    } else if (const auto* a = std::get_if<out::OpenMenu>(&action)) {
        const std::optional<show::Command> chosen = m_shell.OpenMenu(a->items, a->at);
        if (chosen)
            Feed(show::in::Choose{*chosen});
        Feed(show::in::MenuClosed{});
    } else if (const auto* a = std::get_if<out::ShowMessage>(&action)) {
        m_say(a->id, a->prefix);
        Feed(show::in::MessageClosed{});
    } else if (const auto* a = std::get_if<out::EndShow>(&action)) {
        // A player keeps no document to write back into: StoreHeader and StoreSlide
        // change nothing here.
        m_exitCode = a->showedNothing ? 1 : 0;
        m_ended = true;
        m_zoomDue.reset();
        m_secondDue.reset();
        m_shell.CapturePointer(false);
        m_shell.SetTooltip(std::string());
        m_shell.Hide();
    }
}

} // namespace x11show
