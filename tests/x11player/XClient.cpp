#include "tests/x11player/XClient.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <poll.h>

#include <chrono>
#include <vector>

namespace x11test {

namespace {

Display* D(void* p) {
    return static_cast<Display*>(p);
}

std::vector<unsigned long> LongProperty(Display* d, Window w, const char* name, Atom type) {
    std::vector<unsigned long> values;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 64, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (format == 32)
            for (unsigned long i = 0; i < count; ++i)
                values.push_back(reinterpret_cast<unsigned long*>(data)[i]);
        XFree(data);
    }
    return values;
}

/// The first window below `w` (the window manager's frames included) titled `title`,
/// of the mapped ones only when `mappedOnly`.
Window Find(Display* d, Window w, const std::string& title, bool mappedOnly = false) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        bool match = title == name;
        XFree(name);
        XWindowAttributes attrs{};
        if (match && mappedOnly)
            match = XGetWindowAttributes(d, w, &attrs) && attrs.map_state == IsViewable;
        if (match)
            return w;
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = Find(d, children[i], title, mappedOnly);
    if (children)
        XFree(children);
    return found;
}

} // namespace

XClient::~XClient() {
    Close();
}

void XClient::Close() {
    if (m_display)
        XCloseDisplay(D(m_display));
    m_display = nullptr;
}

bool XClient::Open(const std::string& display) {
    m_display = XOpenDisplay(display.c_str());
    return m_display != nullptr;
}

void XClient::PaintDesktop(std::uint32_t rgb) {
    Display* d = D(m_display);
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    m_rootPixmap = XCreatePixmap(d, root, 8, 8, unsigned(DefaultDepth(d, screen)));
    GC gc = XCreateGC(d, m_rootPixmap, 0, nullptr);
    XSetForeground(d, gc, rgb);
    XFillRectangle(d, m_rootPixmap, gc, 0, 0, 8, 8);
    XFreeGC(d, gc);
    XSetWindowBackgroundPixmap(d, root, m_rootPixmap);
    XClearWindow(d, root);
    Pixmap p = m_rootPixmap;
    XChangeProperty(d, root, XInternAtom(d, "_XROOTPMAP_ID", False), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&p), 1);
    XSync(d, False);
}

void XClient::MapRecorder(int x, int y, int w, int h, std::uint32_t rgb) {
    Display* d = D(m_display);
    const int screen = DefaultScreen(d);
    XSetWindowAttributes a{};
    a.background_pixel = rgb;
    a.override_redirect = True;
    a.event_mask = ButtonPressMask;
    m_recorder = XCreateWindow(d, RootWindow(d, screen), x, y, unsigned(w), unsigned(h), 0,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel | CWOverrideRedirect | CWEventMask, &a);
    XMapRaised(d, m_recorder);
    XSync(d, False);
}

bool XClient::WaitForRecordedPress(int ms) {
    Display* d = D(m_display);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        while (XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == ButtonPress && e.xbutton.window == m_recorder)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, int(left));
    }
}

WindowFacts XClient::FindWindow(const std::string& title) {
    Display* d = D(m_display);
    WindowFacts facts;
    const Window w = Find(d, DefaultRootWindow(d), title);
    if (!w)
        return facts;
    facts.found = true;
    XWindowAttributes attrs{};
    XGetWindowAttributes(d, w, &attrs);
    facts.depth = attrs.depth;
    Bool bounding = False, clip = False;
    int bx, by, cx, cy;
    unsigned int bw, bh, cw, ch;
    XShapeQueryExtents(d, w, &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy, &cw, &ch);
    facts.boundingShaped = bounding;
    int count = 0, ordering = 0;
    if (XRectangle* r = XShapeGetRectangles(d, w, ShapeInput, &count, &ordering)) {
        facts.inputCoversAll = count == 1 && r[0].x == 0 && r[0].y == 0 &&
                               r[0].width == attrs.width && r[0].height == attrs.height;
        XFree(r);
    }
    facts.inputRectangles = count;
    for (unsigned long a : LongProperty(d, w, "_NET_WM_STATE", XA_ATOM)) {
        facts.above = facts.above || a == XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
        facts.skipTaskbar =
            facts.skipTaskbar || a == XInternAtom(d, "_NET_WM_STATE_SKIP_TASKBAR", False);
    }
    const std::vector<unsigned long> motif =
        LongProperty(d, w, "_MOTIF_WM_HINTS", XInternAtom(d, "_MOTIF_WM_HINTS", False));
    facts.borderless = motif.size() >= 3 && (motif[0] & 2) && motif[2] == 0;
    return facts;
}

bool XClient::TypedWindowMapped(const char* type) {
    Display* d = D(m_display);
    const Atom wanted = XInternAtom(d, (std::string("_NET_WM_WINDOW_TYPE_") + type).c_str(), False);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(d, children[i], &attrs) || attrs.map_state != IsViewable)
            continue;
        for (unsigned long a : LongProperty(d, children[i], "_NET_WM_WINDOW_TYPE", XA_ATOM))
            found = found || a == wanted;
    }
    if (children)
        XFree(children);
    return found;
}

bool XClient::SelectionOwned(const char* name) {
    Display* d = D(m_display);
    return XGetSelectionOwner(d, XInternAtom(d, name, False)) != None;
}

bool XClient::TitledWindowMapped(const std::string& title) {
    Display* d = D(m_display);
    return Find(d, DefaultRootWindow(d), title, true) != 0;
}

} // namespace x11test
