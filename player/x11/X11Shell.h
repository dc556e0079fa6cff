#pragma once
// The show's window on X11, without a toolkit: Xlib, the Shape extension, Xft. It carries
// out plain requests (place, show or hide the window, show a frame, the sizing border,
// the cursor, the pointer's capture, the tooltip, a menu, a message) and translates X
// events into WindowEvents; it holds no rule of the show.
//
// See-through comes in one of the two ways of SeeThrough.h, chosen once when the shell
// is made from what the X server reports.

#include "player/x11/SeeThrough.h"
#include "player/x11/Shell.h"
#include "player/x11/X11Text.h"
#include "slideshow/ShowFrames.h"

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>

namespace x11show {

/// What `display` reports of `screen`.
ServerFacts QueryServer(Display* display, int screen);

/// Ignores the X errors a show can meet (a focus given to a window not yet viewable):
/// Xlib's default handler would end the program.
void InstallQuietErrorHandler();

class X11Shell {
public:
    /// A shell on `display` (kept open by the caller); the window is made at once,
    /// unmapped, titled `caption`, kept above all others when `topMost`.
    X11Shell(Display* display, const std::string& caption, bool topMost);
    ~X11Shell();
    X11Shell(const X11Shell&) = delete;
    X11Shell& operator=(const X11Shell&) = delete;

    SeeThrough mode() const { return m_mode; }
    TextRenderer& text() { return *m_text; }

    /// Where the pointer is on the screen.
    Point Pointer();
    /// The area a show may take on the screen holding `at`: the desktop's work area.
    show::Box WorkArea(Point at);

    /// Moves and sizes the window (root coordinates).
    void Place(const show::Box& box);
    /// Keeps the window above all others, or not, its place unchanged.
    void SetTopMost(bool topMost);
    /// Maps the window; it takes the keyboard when `takeFocus`, or when it had it before
    /// it was last hidden.
    void Show(bool takeFocus);
    void Hide();
    /// Shows `frame` from the window's top-left: its pixels that are not its key are
    /// visible and take clicks, all others are see-through and let clicks through. False
    /// when there was no memory to show it.
    bool ShowFrame(const show::FramePtr& frame);
    /// The sizing border drawn over the frame and part of the window's visible region,
    /// the window no smaller than 50 x 50; or none.
    void SetSizingBorder(bool on);
    void SetCursor(show::Cursor cursor);
    /// Sends every pointer event to the show until released.
    void CapturePointer(bool capture);
    /// The text shown when the pointer rests over the show (UTF-8, "\n" breaks lines);
    /// empty shows none.
    void SetTooltip(const std::string& text);
    /// Asks the window manager to size the window from `edges` with the left button, the
    /// pointer at `at`; false when no window manager that can runs.
    bool StartSystemResize(show::Edges edges, Point at);
    /// Opens the context menu with its top edge centred on `at` and waits for the user:
    /// the chosen command, or none when the menu was closed without a choice.
    std::optional<show::Command> OpenMenu(const std::vector<MenuItem>& items, Point at);
    /// Shows `text` (UTF-8) in a message window over the show and waits until it is
    /// answered.
    void ShowMessage(const std::string& text);

    enum class Wait { Event, Woken, TimedOut };
    /// Waits at most `timeoutMs` (-1: without limit) for the next event for the show, or
    /// for `wakeFd` to become readable (Woken; the caller reads it).
    Wait WaitEvent(int timeoutMs, int wakeFd, WindowEvent& event);

private:
    /// Translates one X event; true when it is an event for the show.
    bool Translate(XEvent& e, WindowEvent& out);
    void UpdateShape();
    void UpdateSizeHints();
    void Redraw();
    void DrawBorder();
    void ShowTip();
    void HideTip();
    bool HasFocus();

    Display* m_display;
    int m_screen;
    Window m_root;
    SeeThrough m_mode;
    Visual* m_visual = nullptr;
    int m_depth = 24;
    Colormap m_colormap = 0;
    bool m_ownColormap = false;
    Window m_window = 0;
    GC m_gc = nullptr;
    std::string m_caption;
    bool m_topMost = false;
    bool m_visible = false;
    bool m_focusOnMap = false;
    bool m_windowManager = false;
    show::Box m_box;
    show::Box m_reported;      ///< the place and size last told as Configured
    show::FramePtr m_frame;    ///< the frame on show
    XImage* m_image = nullptr; ///< its pixels in the window's layout
    bool m_border = false;
    show::Cursor m_cursor = show::Cursor::Arrow;
    unsigned long m_cursors[6] = {};
    bool m_captured = false;
    Atom m_deleteWindow = 0;
    std::unique_ptr<TextRenderer> m_text;
    // A double click: the last left press, and whether it ended one.
    unsigned long m_lastPressTime = 0;
    Point m_lastPressAt;
    bool m_lastPressCounts = false;

    // The tooltip: shown when the pointer has rested over the show for a moment.
    std::string m_tipText;
    Window m_tip = 0;
    long long m_tipDue = -1; ///< when it is to show (monotonic ms), -1 not pending
    Point m_lastPointer;
};

/// Shows a message window when there is no show window (a refusal at the start).
void ShowMessageWithoutShow(Display* display, const std::string& caption, const std::string& text);

} // namespace x11show
