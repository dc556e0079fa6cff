#pragma once
// What a show asks of the window system, and what the window system tells the show: the
// interface between the rules of a running show (the driver, later the show engine)
// and the X11 shell that carries them out. Every call is a plain request; no rule of
// the show lives behind it.

#include "slideshow/ShowArithmetic.h"
#include "slideshow/ShowRaster.h"

#include <cstdint>
#include <string>
#include <vector>

namespace x11show {

struct Point {
    int x = 0;
    int y = 0;
};

/// The keys a show reacts to; every other key is Other.
enum class Key { Other, Escape, Left, Right, Up, Down };

/// Something the user or the window system did.
struct Event {
    enum class Kind {
        Press,   ///< a mouse button went down over the show (`button` 1 left, 3 right)
        Release, ///< a mouse button went up (also outside the show while it is captured)
        Motion,  ///< the pointer moved over the show (or anywhere while it is captured)
        KeyDown, ///< a key was pressed while the show had the keyboard
        Close    ///< the window system asks the show to close
    };
    Kind kind = Kind::Motion;
    int button = 0;
    Point at;               ///< the pointer on the screen (root coordinates)
    unsigned long time = 0; ///< the server's time of the event, in milliseconds
    Key key = Key::Other;
};

/// The pointer's look over the show.
enum class Cursor { Arrow, Move };

/// One item of the context menu: a command, a separator or a sub-menu.
struct MenuItem {
    int id = 0;       ///< what choosing it answers (not 0); 0 for separators and sub-menus
    std::string text; ///< UTF-8; "&" marks the mnemonic, a tab starts the key's name
    bool checked = false;
    bool enabled = true;
    bool separator = false;
    std::vector<MenuItem> items; ///< a sub-menu's items
};

/// The show's window and the window system around it.
class Shell {
public:
    virtual ~Shell() = default;

    /// Where the pointer is on the screen.
    virtual Point Pointer() = 0;
    /// The area a show may take on the screen holding `at`: the desktop's work area.
    virtual show::Box WorkArea(Point at) = 0;

    /// Moves and sizes the window (outer size, root coordinates).
    virtual void Place(const show::Box& box) = 0;
    /// Maps or unmaps the window; a mapped show takes the keyboard.
    virtual void SetVisible(bool visible) = 0;
    /// Shows `frame` (the window's size) in the window: its pixels of exactly `key`'s
    /// red, green and blue (0xFFRRGGBB) are see-through and let clicks through, all
    /// others are opaque.
    virtual void ShowFrame(const show::Raster& frame, std::uint32_t key) = 0;
    /// Keeps the window above all others, or not.
    virtual void SetTopMost(bool topMost) = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    /// Sends every pointer event to the show until released (a drag).
    virtual void CapturePointer(bool capture) = 0;
    /// The text shown when the pointer rests over the show (UTF-8, "\n" breaks lines);
    /// empty shows none.
    virtual void SetTooltip(const std::string& text) = 0;
    /// Opens the context menu with its top edge centred on `at` and waits for the user:
    /// the chosen item's id, or 0 when the menu was closed without a choice.
    virtual int OpenMenu(const std::vector<MenuItem>& items, Point at) = 0;
    /// Shows `text` (UTF-8) in a message window over the show and waits until it is
    /// answered.
    virtual void ShowMessage(const std::string& text) = 0;
    /// Waits at most `timeoutMs` (-1: without limit) for the next event for the show;
    /// false when the time ran out first.
    virtual bool WaitEvent(int timeoutMs, Event& event) = 0;
};

} // namespace x11show
