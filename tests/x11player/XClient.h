#pragma once
// The tests' own connection to a virtual X server: the desktop's colour, a window that
// records the clicks it gets, and what the server knows of the show's window. Kept apart
// from the Qt code of the tests, whose names Xlib's macros would clash with.

#include <cstdint>
#include <string>

namespace x11test {

/// What the server says of a top-level window.
struct WindowFacts {
    bool found = false;
    int depth = 0;
    bool boundingShaped = false; ///< its bounding shape is not its rectangle
    int inputRectangles = -1;    ///< rectangles of its input shape
    bool inputCoversAll = false; ///< the input shape is the whole window
    bool above = false;          ///< _NET_WM_STATE holds _NET_WM_STATE_ABOVE
    bool skipTaskbar = false;    ///< _NET_WM_STATE holds _NET_WM_STATE_SKIP_TASKBAR
    bool borderless = false;     ///< _MOTIF_WM_HINTS asks for no decorations
};

class XClient {
public:
    XClient() = default;
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    /// Connects to `display` (":N").
    bool Open(const std::string& display);
    /// Disconnects (before the server goes).
    void Close();
    /// Paints the desktop in `rgb` (0xRRGGBB): the root window's background and the
    /// pixmap compositing managers paint the desktop with (_XROOTPMAP_ID).
    void PaintDesktop(std::uint32_t rgb);
    /// Maps a window of `rgb` at (x, y) of w x h that records the button presses it gets.
    void MapRecorder(int x, int y, int w, int h, std::uint32_t rgb);
    /// Waits up to `ms` for a button press on the recorder; true when one came.
    bool WaitForRecordedPress(int ms);
    /// The top-level window titled `title` (WM_NAME), if any.
    WindowFacts FindWindow(const std::string& title);
    /// Whether a window of the type `_NET_WM_WINDOW_TYPE_<type>` is mapped now.
    bool TypedWindowMapped(const char* type);
    /// Whether the selection `name` has an owner.
    bool SelectionOwned(const char* name);
    /// Whether a window titled `title` is mapped now.
    bool TitledWindowMapped(const std::string& title);

private:
    void* m_display = nullptr;
    unsigned long m_recorder = 0;
    unsigned long m_rootPixmap = 0;
};

} // namespace x11test
