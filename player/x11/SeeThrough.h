#pragma once
// How the show's key pixels are made see-through on X11, chosen once at the show's start
// from what the X server reports. Free of Xlib, so the choice is tested on its own.

namespace x11show {

enum class SeeThrough {
    /// Where nothing composites: the window's bounding shape is its non-key pixels, so
    /// the key pixels are not part of the window at all; the desktop shows there and
    /// clicks go to what lies beneath.
    Shaped,
    /// Where something composites: a 32-bit ARGB window whose key pixels are fully
    /// transparent, with its non-key pixels as its input shape so that clicks on the key
    /// pass through. XWayland counts as composited: its compositor ignores window shapes
    /// (wlroots would show the key as black).
    Translucent
};

/// What the X server reports, the facts the choice is made from.
struct ServerFacts {
    bool shapeExtension = false; ///< the Shape extension with input shapes (1.1)
    bool compositing = false;    ///< the _NET_WM_CM_S<screen> selection has an owner
    bool xwayland = false;       ///< the server is XWayland
    bool argbVisual = false;     ///< a 32-bit TrueColor visual exists
};

/// Translucent where a compositing manager runs or the server is XWayland, and a 32-bit
/// visual exists to make it with; otherwise Shaped.
constexpr SeeThrough ChooseSeeThrough(const ServerFacts& facts) {
    return (facts.compositing || facts.xwayland) && facts.argbVisual ? SeeThrough::Translucent
                                                                     : SeeThrough::Shaped;
}

constexpr const char* SeeThroughName(SeeThrough mode) {
    return mode == SeeThrough::Translucent ? "translucent" : "shaped";
}

} // namespace x11show
