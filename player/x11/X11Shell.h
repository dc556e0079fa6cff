#pragma once
// The show's window on X11, without a toolkit: Xlib, the Shape extension, Xft.
//
// See-through comes in one of the two ways of SeeThrough.h, chosen once when the shell
// is made from what the X server reports.

#include "player/x11/SeeThrough.h"
#include "player/x11/Shell.h"
#include "player/x11/X11Text.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace x11show {

/// What `display` reports of `screen`.
ServerFacts QueryServer(Display* display, int screen);

/// Ignores the X errors a show can meet (a focus given to a window not yet viewable):
/// Xlib's default handler would end the program.
void InstallQuietErrorHandler();

class X11Shell : public Shell {
public:
    /// A shell on `display` (kept open by the caller); the window is made at once,
    /// unmapped, titled `caption`, kept above all others when `topMost`.
    X11Shell(Display* display, const std::string& caption, bool topMost);
    ~X11Shell() override;
    X11Shell(const X11Shell&) = delete;
    X11Shell& operator=(const X11Shell&) = delete;

    SeeThrough mode() const { return m_mode; }
    TextRenderer& text() { return *m_text; }

    Point Pointer() override;
    show::Box WorkArea(Point at) override;
    void Place(const show::Box& box) override;
    void SetVisible(bool visible) override;
    void ShowFrame(const show::Raster& frame, std::uint32_t key) override;
    void SetTopMost(bool topMost) override;
    void SetCursor(Cursor cursor) override;
    void CapturePointer(bool capture) override;
    void SetTooltip(const std::string& text) override;
    int OpenMenu(const std::vector<MenuItem>& items, Point at) override;
    void ShowMessage(const std::string& text) override;
    bool WaitEvent(int timeoutMs, Event& event) override;

private:
    /// Translates one X event; true when it is an event for the show.
    bool Translate(XEvent& e, Event& out);
    void Redraw();
    void ShowTip();
    void HideTip();

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
    bool m_windowManager = false;
    show::Box m_box;
    XImage* m_image = nullptr; ///< the frame on show, in the window's pixel layout
    Cursor m_cursor = Cursor::Arrow;
    unsigned long m_arrow = 0, m_move = 0;
    bool m_captured = false;
    Atom m_deleteWindow = 0;
    std::unique_ptr<TextRenderer> m_text;

    // The tooltip: shown when the pointer has rested over the show for a moment.
    std::string m_tipText;
    Window m_tip = 0;
    long long m_tipDue = -1; ///< when it is to show (monotonic ms), -1 not pending
    Point m_lastPointer;
};

/// Shows a message window when there is no show window (a refusal at the start).
void ShowMessageWithoutShow(Display* display, const std::string& caption, const std::string& text);

} // namespace x11show
