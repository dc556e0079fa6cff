#pragma once
// A small driver that plays a document through a Shell until the show engine takes its
// place: the opening zoom from the pointer, timer switching by the slides' times, a
// click for the next slide in click switching, looping or ending after the last slide,
// passing over slides whose pictures do not decode, dragging the window, the context
// menu's switches, the arrow keys' mirroring, and Escape or the close request to end.
// It holds the rules it plays by; the shell holds none.

#include "codec/Codec.h"
#include "document/StreamLayout.h"
#include "player/x11/Shell.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace x11show {

/// Menu command ids, as every show's context menu numbers them.
enum MenuCommand : int {
    kCommandLoop = 101,
    kCommandTimerSwitch = 102,
    kCommandEnd = 115,
    kCommandResizeMode = 116,
    kCommandTopMost = 127,
    kCommandClickSwitch = 129,
    kCommandFlipHorizontal = 130,
    kCommandFlipVertical = 131,
    kCommandFitToWindow = 132,
};

class PlayDriver {
public:
    /// Shows message `id` of the string table after `prefix`, over the show.
    using Say = std::function<void(int id, const std::string& prefix)>;

    /// The show of `doc`, parsed from the stream at `stream` (mapped while the show runs).
    PlayDriver(Shell& shell, const unsigned char* stream, layout::ParsedStream doc, Say say);

    /// Plays the show to its end: 0, or 1 when nothing could be shown.
    int Run();

    /// The context menu as it is opened now: texts, ids, checks and greying.
    std::vector<MenuItem> Menu() const;

private:
    bool SlideOnShow() const { return m_index >= 0 && m_index < int(m_doc.slides.size()); }
    layout::StreamSlide& Slide() { return m_doc.slides[size_t(m_index)]; }
    const layout::StreamSlide& Slide() const { return m_doc.slides[size_t(m_index)]; }
    std::uint32_t KeyPixelOf(int index) const;
    /// The picture of slide `index` decoded for the window; null when it does not decode
    /// (the slide is marked failed). Only `index` and `alsoKeep` stay decoded.
    const show::Raster* Picture(int index, int alsoKeep);
    /// The frame of the slide on show for a window of `width` x `height`; empty when it
    /// cannot be made.
    show::Raster ComposeFrame(int width, int height);
    void ShowCurrentFrame();
    /// One step of the opening: the window at its next size, showing the final frame
    /// scaled to it.
    void ZoomStep();
    bool SwitchToNext();
    void ReportSkipped(const std::vector<int>& skipped);
    void DecodeNext();
    void RunCommand(int command);
    void Handle(const Event& e);
    void End() { m_ended = true; }

    Shell& m_shell;
    const unsigned char* m_stream;
    layout::ParsedStream m_doc;
    Say m_say;

    struct SlideState {
        bool infoRead = false;
        codec::Info info;
        bool failed = false;
        bool reported = false;
    };
    std::vector<SlideState> m_slides;
    std::map<int, show::Raster> m_pictures;
    int m_index = -1;
    int m_next = -1;            ///< the slide decoded ahead, or -1
    bool m_lookedAhead = false; ///< the slides after this one were tried for decoding
    int m_elapsed = 0;
    int m_zoomStep = 0;
    show::Raster m_zoomFrame; ///< the frame at the size the window grows to
    Point m_start;
    show::Box m_target; ///< the window's place after the opening
    show::Box m_window; ///< where the window is now
    bool m_dragging = false;
    Point m_dragPoint;
    bool m_ended = false;
    int m_exitCode = 0;
};

} // namespace x11show
