#pragma once
// What the X11 window system tells the show, in the show engine's terms: the X11 shell
// (X11Shell) translates X events into these, and the show's loop (X11Show) feeds them
// to the engine. No rule of the show lives here.

#include "slideshow/ShowEngine.h"

namespace x11show {

using show::MenuItem;
using show::Point;

/// Something the user or the window system did.
struct WindowEvent {
    enum class Kind {
        Press,       ///< a button went down over the show
        DoubleClick, ///< the second press of a double click (the first came as a Press)
        Release,     ///< a button went up (also outside the show while it is captured)
        Motion,      ///< the pointer moved over the show (or anywhere while it is captured)
        KeyDown,     ///< a key the show may know was pressed while the show had the keyboard
        Configured,  ///< the window's place or size changed (`box`, root coordinates)
        Close        ///< the window system asks the show to close
    };
    Kind kind = Kind::Motion;
    show::Button button = show::Button::Left;
    Point at; ///< the pointer on the screen (root coordinates)
    show::Key key = show::Key::Escape;
    bool modified = false; ///< Shift, Ctrl or Alt held with the key
    show::Box box;
};

} // namespace x11show
