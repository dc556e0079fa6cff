#pragma once
// How a show's key pixels are made see-through, and whether its window can place itself,
// chosen once at the show's start from what the window system reports. Free of any
// toolkit, so every shell (the Qt window, the runtimes without Qt) makes the same choice
// and tests check it on its own.

namespace show {

enum class WindowSystem {
    X11,     ///< an X server (a bare one, one with a compositing manager, or XWayland)
    Wayland, ///< a Wayland compositor spoken to directly
    Other    ///< anything else (Windows, macOS, a window system without screens)
};

/// What the window system reports, the facts the choices are made from.
struct WindowSystemFacts {
    WindowSystem system = WindowSystem::Other;
    bool compositing = false; ///< X11: the _NET_WM_CM_S<screen> selection has an owner
    bool xwayland = false;    ///< X11: the server is XWayland
    bool argbVisual = false;  ///< X11: a 32-bit TrueColor visual exists
    bool layerShell = false;  ///< Wayland: the compositor offers the layer-shell protocol
};

enum class SeeThrough {
    /// Where nothing composites: the window's shape is its non-key pixels, so the key
    /// pixels are not part of the window at all; the desktop shows there and clicks go
    /// to what lies beneath.
    Shaped,
    /// Where something composites: a translucent window whose key pixels are fully
    /// transparent, with the non-key pixels as its input region so that clicks on the
    /// key pass through. Every Wayland session composites, and so does XWayland, whose
    /// compositor may ignore X window shapes (wlroots shows a shaped window's key black).
    Translucent
};

/// Translucent on Wayland, and on X11 where a compositing manager runs or the server is
/// XWayland and a 32-bit visual exists to make the window with; otherwise Shaped.
constexpr SeeThrough ChooseSeeThrough(const WindowSystemFacts& facts) {
    if (facts.system == WindowSystem::Wayland)
        return SeeThrough::Translucent;
    if (facts.system == WindowSystem::X11 && (facts.compositing || facts.xwayland) &&
        facts.argbVisual)
        return SeeThrough::Translucent;
    return SeeThrough::Shaped;
}

/// True where a window can be put at a place of its choosing and moved there by its
/// program: on X11 (but not XWayland, whose compositor decides: wlroots centres a window
/// whatever its program asks), and on Wayland as a layer-shell surface (placed by its
/// margins on the output). An ordinary Wayland window cannot place itself: there the
/// show opens where the compositor puts it, and a drag is the compositor's interactive
/// move.
constexpr bool PlacesItsOwnWindow(const WindowSystemFacts& facts) {
    if (facts.system == WindowSystem::Wayland)
        return facts.layerShell;
    return !facts.xwayland;
}

constexpr const char* SeeThroughName(SeeThrough mode) {
    return mode == SeeThrough::Translucent ? "translucent" : "shaped";
}

} // namespace show
