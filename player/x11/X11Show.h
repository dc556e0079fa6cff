#pragma once
// A show played on X11: the show engine (slideshow/ShowEngine) decides, the X11 shell
// carries out. The loop waits on the X connection with the deadlines of the engine's
// timers; the frame maker's worker wakes it through a pipe when frames are made. Every
// X event becomes an engine event and every answer's action a shell request: nothing
// here decides what the show does.

#include "player/x11/X11Shell.h"
#include "slideshow/ShowEngine.h"
#include "slideshow/ShowFrames.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace x11show {

class X11Show {
public:
    /// Shows message `id` of the message table after `prefix`, over the show, and waits
    /// until it is answered.
    using Say = std::function<void(int id, const std::string& prefix)>;

    X11Show(X11Shell& shell, show::ShowDocument doc,
            std::shared_ptr<const show::PictureSource> pictures, Say say);
    ~X11Show();
    X11Show(const X11Show&) = delete;
    X11Show& operator=(const X11Show&) = delete;

    /// Plays the show to its end: 0, or 1 when nothing could be shown.
    int Run();

private:
    void Feed(const show::Event& event);
    void Pump();
    void Carry(const show::Action& action);
    void DeliverFrames();
    void FeedWindowEvent(const WindowEvent& e);

    X11Shell& m_shell;
    Say m_say;
    show::Engine m_engine;
    int m_wake[2] = {-1, -1}; ///< the worker writes, the loop reads
    std::unique_ptr<show::FrameMaker> m_frames;
    std::deque<show::Event> m_queue;
    bool m_feeding = false;
    std::optional<long long> m_zoomDue;   ///< the zoom timer's next tick (monotonic ms)
    std::optional<long long> m_secondDue; ///< the second timer's next tick
    bool m_ended = false;
    int m_exitCode = 0;
};

} // namespace x11show
