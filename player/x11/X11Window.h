#pragma once
// Small requests to the window manager, as the freedesktop window-manager hints and
// the Motif hints spell them.

#include "slideshow/ShowArithmetic.h"

#include <X11/Xlib.h>

#include <initializer_list>
#include <string>

namespace x11show {

/// The title (WM_NAME and _NET_WM_NAME, UTF-8) and WM_CLASS of `window`.
void SetWindowNames(Display* display, Window window, const std::string& title);
/// _NET_WM_WINDOW_TYPE, e.g. "_NET_WM_WINDOW_TYPE_UTILITY".
void SetWindowType(Display* display, Window window, const char* type);
/// Asks for no frame, no title bar and no border (_MOTIF_WM_HINTS decorations 0).
void SetBorderless(Display* display, Window window);
/// The place the program chose (WM_NORMAL_HINTS with USPosition and USSize); `fixed`
/// also makes it the smallest and largest size.
void SetFixedPlace(Display* display, Window window, const show::Box& box, bool fixed);
/// The _NET_WM_STATE atoms a window is mapped with.
void SetStateAtoms(Display* display, Window window, std::initializer_list<const char*> states);
/// Asks the window manager to add or remove one state of a mapped window.
void ChangeState(Display* display, Window window, const char* state, bool on);
/// Whether a window manager following the freedesktop hints runs.
bool WindowManagerRuns(Display* display, int screen);

} // namespace x11show
