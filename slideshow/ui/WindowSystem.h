#pragma once
// What the running window system reports about itself, read through Qt (and, on X11, a
// few questions to the X server on Qt's own connection). The show chooses its
// see-through and its moving from these (slideshow/SeeThrough.h); the editor its moving
// and its opacity.

#include "slideshow/SeeThrough.h"

class QRegion;
class QWindow;

/// The facts of the window system Qt runs on now: Qt's platform names the window system
/// ("xcb" or "wayland"); on Wayland the compositor's globals tell whether it offers
/// layer-shell; on X11 the server is asked whether a compositing manager owns
/// the _NET_WM_CM_S<screen> selection, whether it is XWayland (its XWAYLAND extension,
/// or, before XWayland 23.1, its RandR outputs named XWAYLAND<n>) and whether a
/// 32-bit visual exists.
show::WindowSystemFacts CurrentWindowSystemFacts();

/// Makes `region` (window coordinates) the part of `window` that takes the pointer, its
/// look unchanged: on Wayland the surface's input region (Qt's mask there), on X11 the
/// window's input shape alone. (Qt's mask on X11 is the bounding shape, which also
/// clips drawing: pixels outside it would keep what was drawn before, and XWayland's
/// compositor shows them.) False where it cannot be done (no native window yet, no
/// Shape extension).
bool SetInputRegion(QWindow* window, const QRegion& region);

/// True where an ordinary window (not a layer surface) can be placed and moved by its
/// program: X11, but neither Wayland nor XWayland (the compositor decides there; a drag
/// of the window is then the compositor's interactive move). Asked once a process.
bool WindowsPlaceThemselves();

/// True where the window system itself draws a window with an opacity of its own
/// (QWidget::setWindowOpacity); not on Wayland, which has no such request: a window
/// that wants to be see-through draws itself translucent there.
bool WindowSystemAppliesOpacity();
