#include "slideshow/ui/WindowSystem.h"
#include "slideshow/ui/LayerShell.h"

#include <QGuiApplication>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <qguiapplication_platform.h>

#if defined(LSR_HAVE_XCB)
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

namespace {

#if defined(LSR_HAVE_XCB)
/// Frees an xcb reply when it goes.
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

/// Asks the X server on `c` (screen `screenNumber`) what the show's choice needs.
void ReadX11Facts(xcb_connection_t* c, int screenNumber, show::WindowSystemFacts& facts) {
    const std::string cm = "_NET_WM_CM_S" + std::to_string(screenNumber);
    const xcb_intern_atom_cookie_t atomCookie =
        xcb_intern_atom(c, 1, uint16_t(cm.size()), cm.c_str());
    static const char kXWayland[] = "XWAYLAND";
    const xcb_query_extension_cookie_t extCookie =
        xcb_query_extension(c, uint16_t(sizeof kXWayland - 1), kXWayland);
    if (Reply<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(c, atomCookie, nullptr)};
        atom && atom->atom != XCB_ATOM_NONE) {
        Reply<xcb_get_selection_owner_reply_t> owner{
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr)};
        facts.compositing = owner && owner->owner != XCB_NONE;
    }
    if (Reply<xcb_query_extension_reply_t> ext{xcb_query_extension_reply(c, extCookie, nullptr)})
        facts.xwayland = ext->present != 0;

    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return;
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screens.data); d.rem;
         xcb_depth_next(&d)) {
        if (d.data->depth != 32)
            continue;
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v))
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
                facts.argbVisual = true;
    }
}
#endif

} // namespace

show::WindowSystemFacts CurrentWindowSystemFacts() {
    show::WindowSystemFacts facts;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        facts.system = show::WindowSystem::Wayland;
#if defined(LSR_HAVE_LAYER_SHELL)
        facts.layerShell = LayerShell::Offered();
#endif
        return facts;
    }
    if (platform != QLatin1String("xcb"))
        return facts;
    facts.system = show::WindowSystem::X11;
    // XWayland before 23.1 has no extension of its own, but names its RandR outputs
    // XWAYLAND0, XWAYLAND1 ...; Qt names its screens after those outputs.
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* s : screens)
        if (s->name().startsWith(QLatin1String("XWAYLAND")))
            facts.xwayland = true;
#if defined(LSR_HAVE_XCB)
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        const bool namedXWayland = facts.xwayland;
        int screenNumber = 0;
        if (const char* display = std::getenv("DISPLAY")) {
            // ":0.1" names screen 1 of the server; Qt's connection uses that screen.
            const std::string d = display;
            const size_t dot = d.rfind('.');
            if (dot != std::string::npos && dot > d.rfind(':'))
                screenNumber = std::atoi(d.c_str() + dot + 1);
        }
        ReadX11Facts(x11->connection(), screenNumber, facts);
        facts.xwayland = facts.xwayland || namedXWayland;
    }
#endif
    return facts;
}

bool WindowsPlaceThemselves() {
    static const bool places = [] {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            return false; // an ordinary window, whatever the compositor offers besides
        return show::PlacesItsOwnWindow(CurrentWindowSystemFacts());
    }();
    return places;
}

bool WindowSystemAppliesOpacity() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool SetInputRegion(QWindow* window, const QRegion& region) {
    if (!window || !window->handle())
        return false;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        window->setMask(region);
        return true;
    }
#if defined(LSR_HAVE_XCB)
    if (platform == QLatin1String("xcb")) {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11)
            return false;
        xcb_connection_t* c = x11->connection();
        const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
        if (!shape || !shape->present)
            return false;
        std::vector<xcb_rectangle_t> rects;
        rects.reserve(size_t(region.rectCount()));
        for (const QRect& r : region)
            rects.push_back(xcb_rectangle_t{int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()),
                                            uint16_t(r.height())});
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                             xcb_window_t(window->winId()), 0, 0, uint32_t(rects.size()),
                             rects.data());
        xcb_flush(c);
        return true;
    }
#endif
    return false;
}
