#include "player/x11/X11Shell.h"

#include "player/x11/X11Menu.h"
#include "player/x11/X11Message.h"
#include "player/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <dlfcn.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace x11show {

namespace {

constexpr int kTextPixels = 15;
constexpr int kTipDelayMs = 500;
constexpr int kTipWidth = show::kTooltipWidth;
constexpr std::uint32_t kTipBack = 0xFFFFE1;

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

int QuietErrors(Display*, XErrorEvent*) {
    return 0;
}

constexpr int kDoubleClickMs = 400; ///< a second left press this soon is a double click
constexpr int kDoubleClickSlop = 4; ///< ... this close to the first

/// The show's key for an X key, if the show may know it.
std::optional<show::Key> KeyOf(KeySym sym) {
    switch (sym) {
    case XK_Escape:
        return show::Key::Escape;
    case XK_Left:
    case XK_KP_Left:
        return show::Key::Left;
    case XK_Right:
    case XK_KP_Right:
        return show::Key::Right;
    case XK_Up:
    case XK_KP_Up:
        return show::Key::Up;
    case XK_Down:
    case XK_KP_Down:
        return show::Key::Down;
    case XK_space:
    case XK_KP_Space:
        return show::Key::Space;
    case XK_Prior:
    case XK_KP_Prior:
        return show::Key::PageUp;
    case XK_Next:
    case XK_KP_Next:
        return show::Key::PageDown;
    case XK_Home:
    case XK_KP_Home:
        return show::Key::Home;
    case XK_End:
    case XK_KP_End:
        return show::Key::End;
    case XK_Return:
    case XK_KP_Enter:
        return show::Key::Enter;
    case XK_BackSpace:
        return show::Key::Backspace;
    case XK_p:
    case XK_P:
        return show::Key::P;
    default:
        return std::nullopt;
    }
}

show::Button ButtonOf(unsigned int button) {
    return button == Button1   ? show::Button::Left
           : button == Button3 ? show::Button::Right
                               : show::Button::Other;
}

/// The cursor font's shape for each show::Cursor, in its order.
constexpr unsigned int kCursorShapes[] = {XC_left_ptr,
                                          XC_fleur,
                                          XC_sb_h_double_arrow,
                                          XC_sb_v_double_arrow,
                                          XC_bottom_right_corner,
                                          XC_bottom_left_corner};
static_assert(sizeof(kCursorShapes) / sizeof(kCursorShapes[0]) ==
                  size_t(show::Cursor::SizeAntiDiagonal) + 1,
              "a shape per cursor");

/// The rectangles of the sizing border of a window of `w` x `h`.
std::vector<XRectangle> BorderRing(int w, int h) {
    const int b = show::kBorderWidth;
    const auto r = [](int x, int y, int rw, int rh) {
        return XRectangle{short(x), short(y), (unsigned short)std::max(rw, 0),
                          (unsigned short)std::max(rh, 0)};
    };
    return {r(0, 0, w, b), r(0, h - b, w, b), r(0, b, b, h - 2 * b), r(w - b, b, b, h - 2 * b)};
}

/// Whether the window manager lists `_NET_WM_MOVERESIZE` among what it supports.
bool WindowManagerSizes(Display* display, Window root) {
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", True);
    const Atom moveResize = XInternAtom(display, "_NET_WM_MOVERESIZE", True);
    if (supported == None || moveResize == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, root, supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == moveResize;
        XFree(data);
    }
    return found;
}

/// An input device as XListInputDevices of libXi describes it (XDeviceInfo of
/// <X11/extensions/XInput.h>, unchanged since X11R6).
struct InputDeviceInfo {
    XID id;
    Atom type;
    char* name;
    int classCount;
    int use;
    void* classes;
};

/// Whether the server's input devices carry XWayland's names ("xwayland-pointer:…"): how
/// XWayland servers before 23.1, which have no XWAYLAND extension, make themselves
/// known. libXi is looked for at run time, as an X11 desktop has it but the show does
/// not need it otherwise; without it the answer is no.
bool InputDevicesNamedXwayland(Display* display) {
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return false;
    // Kept loaded: libXi hooks itself into the display, which calls it when it closes.
    void* xi = dlopen("libXi.so.6", RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
    if (!xi)
        return false;
    using List = InputDeviceInfo* (*)(Display*, int*);
    using Free = void (*)(InputDeviceInfo*);
    const auto list = reinterpret_cast<List>(dlsym(xi, "XListInputDevices"));
    const auto release = reinterpret_cast<Free>(dlsym(xi, "XFreeDeviceList"));
    bool xwayland = false;
    int count = 0;
    if (list && release) {
        if (InputDeviceInfo* devices = list(display, &count)) {
            for (int i = 0; i < count && !xwayland; ++i)
                xwayland = devices[i].name && std::strncmp(devices[i].name, "xwayland-", 9) == 0;
            release(devices);
        }
    }
    dlclose(xi);
    return xwayland;
}

} // namespace

void InstallQuietErrorHandler() {
    XSetErrorHandler(QuietErrors);
}

ServerFacts QueryServer(Display* display, int screen) {
    ServerFacts facts;
    int event = 0, error = 0, major = 0, minor = 0;
    facts.shapeExtension = XShapeQueryExtension(display, &event, &error) &&
                           XShapeQueryVersion(display, &major, &minor) &&
                           (major > 1 || (major == 1 && minor >= 1)); // 1.1: input shapes
    const std::string selection = "_NET_WM_CM_S" + std::to_string(screen);
    const Atom cm = XInternAtom(display, selection.c_str(), False);
    facts.compositing = XGetSelectionOwner(display, cm) != None;
    int opcode = 0;
    // XWayland 23.1 and later name themselves with an extension; earlier ones by the
    // names of their input devices.
    facts.xwayland = XQueryExtension(display, "XWAYLAND", &opcode, &event, &error) ||
                     InputDevicesNamedXwayland(display);
    XVisualInfo info;
    facts.argbVisual = XMatchVisualInfo(display, screen, 32, TrueColor, &info) != 0;
    return facts;
}

X11Shell::X11Shell(Display* display, const std::string& caption, bool topMost)
    : m_display(display), m_screen(DefaultScreen(display)),
      m_root(RootWindow(display, DefaultScreen(display))),
      m_mode(ChooseSeeThrough(QueryServer(display, DefaultScreen(display)))), m_caption(caption),
      m_topMost(topMost) {
    m_windowManager = WindowManagerRuns(display, m_screen);
    XSetWindowAttributes a{};
    unsigned long mask = CWBackPixmap | CWBorderPixel | CWEventMask | CWBitGravity;
    a.background_pixmap = None;
    a.border_pixel = 0;
    a.bit_gravity = NorthWestGravity;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                   KeyPressMask | LeaveWindowMask | StructureNotifyMask;
    m_visual = DefaultVisual(display, m_screen);
    m_depth = DefaultDepth(display, m_screen);
    m_colormap = DefaultColormap(display, m_screen);
    XVisualInfo info;
    if (m_mode == SeeThrough::Translucent &&
        XMatchVisualInfo(display, m_screen, 32, TrueColor, &info)) {
        m_visual = info.visual;
        m_depth = 32;
        m_colormap = XCreateColormap(display, m_root, m_visual, AllocNone);
        m_ownColormap = true;
        a.colormap = m_colormap;
        mask |= CWColormap;
    }
    m_box = show::Box{0, 0, show::kStartSize, show::kStartSize};
    m_window = XCreateWindow(display, m_root, 0, 0, unsigned(m_box.width), unsigned(m_box.height),
                             0, m_depth, InputOutput, m_visual, mask, &a);
    m_gc = XCreateGC(display, m_window, 0, nullptr);
    SetWindowNames(display, m_window, caption);
    SetBorderless(display, m_window);
    SetWindowType(display, m_window, "_NET_WM_WINDOW_TYPE_UTILITY");
    m_deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, m_window, &m_deleteWindow, 1);
    XWMHints* hints = XAllocWMHints();
    if (hints) {
        hints->flags = InputHint | StateHint;
        hints->input = True;
        hints->initial_state = NormalState;
        XSetWMHints(display, m_window, hints);
        XFree(hints);
    }
    for (size_t i = 0; i < std::size(kCursorShapes); ++i)
        m_cursors[i] = XCreateFontCursor(display, kCursorShapes[i]);
    XDefineCursor(display, m_window, m_cursors[0]);
    // Nothing is visible or takes clicks until a frame says what is.
    XShapeCombineRectangles(display, m_window,
                            m_mode == SeeThrough::Shaped ? ShapeBounding : ShapeInput, 0, 0,
                            nullptr, 0, ShapeSet, Unsorted);
    // Menus, the tooltip and messages are drawn on the screen's own visual.
    m_text = std::make_unique<TextRenderer>(display, m_screen, DefaultVisual(display, m_screen),
                                            DefaultColormap(display, m_screen), kTextPixels);
}

X11Shell::~X11Shell() {
    HideTip();
    if (m_captured)
        XUngrabPointer(m_display, CurrentTime);
    if (m_image) {
        if (m_frame && m_image->data == reinterpret_cast<const char*>(m_frame->image.pixels.data()))
            m_image->data = nullptr; // the frame's own pixels
        XDestroyImage(m_image);
    }
    m_text.reset();
    XFreeGC(m_display, m_gc);
    XDestroyWindow(m_display, m_window);
    for (unsigned long c : m_cursors)
        XFreeCursor(m_display, c);
    if (m_ownColormap)
        XFreeColormap(m_display, m_colormap);
    XFlush(m_display);
}

Point X11Shell::Pointer() {
    Window rootReturn, child;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int buttons = 0;
    XQueryPointer(m_display, m_root, &rootReturn, &child, &rx, &ry, &wx, &wy, &buttons);
    return Point{rx, ry};
}

show::Box X11Shell::WorkArea(Point) {
    show::Box area{0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
    // The desktop's work area leaves out its panels, where it says so.
    const Atom workArea = XInternAtom(m_display, "_NET_WORKAREA", True);
    if (workArea == None)
        return area;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, m_root, workArea, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (count >= 4 && format == 32) {
            const long* v = reinterpret_cast<const long*>(data);
            const show::Box w{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
            if (w.width >= show::kMinWindowSize && w.height >= show::kMinWindowSize)
                area = w;
        }
        XFree(data);
    }
    return area;
}

void X11Shell::UpdateSizeHints() {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints)
        return;
    hints->flags = USPosition | USSize | PPosition | PSize;
    hints->x = m_box.left;
    hints->y = m_box.top;
    hints->width = m_box.width;
    hints->height = m_box.height;
    if (m_border) {
        hints->flags |= PMinSize;
        hints->min_width = hints->min_height = show::kMinWindowSize;
    }
    XSetWMNormalHints(m_display, m_window, hints);
    XFree(hints);
}

void X11Shell::Place(const show::Box& box) {
    const bool resized = box.width != m_box.width || box.height != m_box.height;
    m_box = box;
    UpdateSizeHints();
    XMoveResizeWindow(m_display, m_window, box.left, box.top, unsigned(std::max(box.width, 1)),
                      unsigned(std::max(box.height, 1)));
    if (resized && m_border) {
        UpdateShape();
        Redraw();
    }
    XFlush(m_display);
}

void X11Shell::SetTopMost(bool topMost) {
    if (topMost == m_topMost)
        return;
    m_topMost = topMost;
    if (!m_visible)
        return;
    if (m_windowManager)
        ChangeState(m_display, m_window, "_NET_WM_STATE_ABOVE", topMost);
    else if (topMost)
        XRaiseWindow(m_display, m_window);
    XFlush(m_display);
}

bool X11Shell::HasFocus() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    return focus == m_window;
}

void X11Shell::Show(bool takeFocus) {
    if (m_visible)
        return;
    m_visible = true;
    m_focusOnMap = takeFocus || m_focusOnMap;
    // The states the window is mapped with: no taskbar or pager entry, and above the
    // others when asked.
    if (m_topMost)
        SetStateAtoms(
            m_display, m_window,
            {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE"});
    else
        SetStateAtoms(m_display, m_window,
                      {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    XMapRaised(m_display, m_window);
    // Mapped again, a window comes back where the program put it. Its pixels are drawn
    // when the server asks (Expose), once.
    XMoveWindow(m_display, m_window, m_box.left, m_box.top);
    XFlush(m_display);
}

void X11Shell::Hide() {
    if (!m_visible)
        return;
    // Shown again, it takes the keyboard back only when it has it now.
    m_focusOnMap = HasFocus();
    m_visible = false;
    HideTip();
    XUnmapWindow(m_display, m_window);
    XFlush(m_display);
}

bool X11Shell::ShowFrame(const show::FramePtr& frame) {
    if (!frame)
        return true;
    const show::Raster& raster = frame->image;
    if (m_image) {
        if (m_frame && m_image->data == reinterpret_cast<const char*>(m_frame->image.pixels.data()))
            m_image->data = nullptr;
        XDestroyImage(m_image);
        m_image = nullptr;
    }
    m_frame = frame;
    UpdateShape();
    if (raster.width <= 0 || raster.height <= 0 || raster.pixels.empty()) {
        Redraw();
        return true;
    }
    const size_t count = size_t(raster.width) * size_t(raster.height);
    const bool translucent = m_mode == SeeThrough::Translucent;
    const bool direct = m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0xFF00 &&
                        m_visual->blue_mask == 0xFF && ImageByteOrder(m_display) == LSBFirst;
    // A 24-bit window in the frame's own layout shows the frame's pixels as they are;
    // others get a copy in their layout.
    char* data = nullptr;
    bool borrowed = false;
    if (direct && !translucent) {
        data = const_cast<char*>(reinterpret_cast<const char*>(raster.pixels.data()));
        borrowed = true;
    } else {
        data = static_cast<char*>(std::malloc(count * 4));
        if (!data)
            return false;
    }
    m_image = XCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, 0, data,
                           unsigned(raster.width), unsigned(raster.height), 32, raster.width * 4);
    if (!m_image || m_image->bits_per_pixel != 32) {
        if (m_image) {
            m_image->data = nullptr;
            XDestroyImage(m_image);
            m_image = nullptr;
        }
        if (!borrowed)
            std::free(data);
        return false;
    }
    if (borrowed) {
        Redraw();
        return true;
    }
    const std::uint32_t rgb = frame->key & 0x00FFFFFFu;
    if (direct) {
        auto* out = reinterpret_cast<std::uint32_t*>(data);
        for (size_t i = 0; i < count; ++i) {
            const std::uint32_t p = raster.pixels[i] & 0x00FFFFFFu;
            // The key fully transparent (premultiplied: all zero), the rest opaque.
            out[i] = p == rgb ? 0u : 0xFF000000u | p;
        }
    } else {
        for (int y = 0; y < raster.height; ++y)
            for (int x = 0; x < raster.width; ++x) {
                const std::uint32_t p =
                    raster.pixels[size_t(y) * size_t(raster.width) + size_t(x)] & 0x00FFFFFFu;
                XColor c{};
                c.red = std::uint16_t(((p >> 16) & 0xFF) * 0x101);
                c.green = std::uint16_t(((p >> 8) & 0xFF) * 0x101);
                c.blue = std::uint16_t((p & 0xFF) * 0x101);
                c.flags = DoRed | DoGreen | DoBlue;
                XAllocColor(m_display, m_colormap, &c);
                XPutPixel(m_image, x, y, c.pixel);
            }
    }
    Redraw();
    return true;
}

void X11Shell::UpdateShape() {
    std::vector<XRectangle> rects;
    if (m_frame) {
        rects.reserve(m_frame->opaque.size() + 4);
        for (const show::Box& b : m_frame->opaque)
            if (b.width > 0 && b.height > 0 && b.left < 32767 && b.top < 32767)
                rects.push_back(XRectangle{short(b.left), short(b.top),
                                           (unsigned short)std::min(b.width, 65535),
                                           (unsigned short)std::min(b.height, 65535)});
    }
    if (m_border)
        for (const XRectangle& r : BorderRing(m_box.width, m_box.height))
            rects.push_back(r);
    XShapeCombineRectangles(m_display, m_window,
                            m_mode == SeeThrough::Shaped ? ShapeBounding : ShapeInput, 0, 0,
                            rects.data(), int(rects.size()), ShapeSet, Unsorted);
}

void X11Shell::SetSizingBorder(bool on) {
    if (on == m_border)
        return;
    m_border = on;
    UpdateSizeHints();
    UpdateShape();
    Redraw();
}

void X11Shell::Redraw() {
    if (!m_visible)
        return;
    int w = 0, h = 0;
    if (m_image) {
        w = std::min(m_image->width, m_box.width);
        h = std::min(m_image->height, m_box.height);
        XPutImage(m_display, m_window, m_gc, m_image, 0, 0, 0, 0, unsigned(w), unsigned(h));
    }
    if (m_mode == SeeThrough::Translucent) {
        // Beyond the frame (a window that grows ahead of its frames) nothing shows.
        XSetForeground(m_display, m_gc, 0);
        if (w < m_box.width)
            XFillRectangle(m_display, m_window, m_gc, w, 0, unsigned(m_box.width - w),
                           unsigned(std::max(m_box.height, 1)));
        if (h < m_box.height && w > 0)
            XFillRectangle(m_display, m_window, m_gc, 0, h, unsigned(w),
                           unsigned(m_box.height - h));
    }
    if (m_border)
        DrawBorder();
    XFlush(m_display);
}

void X11Shell::DrawBorder() {
    const auto pixel = [this](std::uint32_t rgb) -> unsigned long {
        if (m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0xFF00 &&
            m_visual->blue_mask == 0xFF)
            return m_depth == 32 ? 0xFF000000u | rgb : rgb;
        XColor c{};
        c.red = std::uint16_t(((rgb >> 16) & 0xFF) * 0x101);
        c.green = std::uint16_t(((rgb >> 8) & 0xFF) * 0x101);
        c.blue = std::uint16_t((rgb & 0xFF) * 0x101);
        c.flags = DoRed | DoGreen | DoBlue;
        XAllocColor(m_display, m_colormap, &c);
        return c.pixel;
    };
    const int w = m_box.width, h = m_box.height, b = show::kBorderWidth;
    std::vector<XRectangle> ring = BorderRing(w, h);
    XSetForeground(m_display, m_gc, pixel(0xD4D0C8));
    XFillRectangles(m_display, m_window, m_gc, ring.data(), int(ring.size()));
    // A raised frame: dark outside, white inside it, grey along the inner edge.
    XSetForeground(m_display, m_gc, pixel(0x404040));
    XDrawRectangle(m_display, m_window, m_gc, 0, 0, unsigned(w - 1), unsigned(h - 1));
    XSetForeground(m_display, m_gc, pixel(0xFFFFFF));
    XDrawRectangle(m_display, m_window, m_gc, 1, 1, unsigned(std::max(w - 3, 0)),
                   unsigned(std::max(h - 3, 0)));
    XSetForeground(m_display, m_gc, pixel(0x808080));
    XDrawRectangle(m_display, m_window, m_gc, b - 1, b - 1, unsigned(std::max(w - 2 * b + 1, 0)),
                   unsigned(std::max(h - 2 * b + 1, 0)));
}

void X11Shell::SetCursor(show::Cursor cursor) {
    m_cursor = cursor;
    const unsigned long c = m_cursors[size_t(cursor)];
    XDefineCursor(m_display, m_window, c);
    if (m_captured)
        XChangeActivePointerGrab(m_display, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 c, CurrentTime);
    XFlush(m_display);
}

void X11Shell::CapturePointer(bool capture) {
    if (capture == m_captured)
        return;
    if (capture) {
        HideTip();
        m_captured = XGrabPointer(m_display, m_window, False,
                                  ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                  GrabModeAsync, GrabModeAsync, None, m_cursors[size_t(m_cursor)],
                                  CurrentTime) == GrabSuccess;
    } else {
        XUngrabPointer(m_display, CurrentTime);
        m_captured = false;
    }
    XFlush(m_display);
}

bool X11Shell::StartSystemResize(show::Edges edges, Point at) {
    if (!m_windowManager || !WindowManagerSizes(m_display, m_root))
        return false;
    // _NET_WM_MOVERESIZE's directions: the corners and sides clockwise from top-left.
    const bool left = edges & show::kLeftEdge, right = edges & show::kRightEdge;
    const bool top = edges & show::kTopEdge, bottom = edges & show::kBottomEdge;
    long direction = -1;
    if (top)
        direction = left ? 0 : right ? 2 : 1;
    else if (bottom)
        direction = left ? 6 : right ? 4 : 5;
    else if (right)
        direction = 3;
    else if (left)
        direction = 7;
    if (direction < 0)
        return false;
    // The window manager takes the pointer: the press's own grab is given up first.
    HideTip();
    XUngrabPointer(m_display, CurrentTime);
    m_captured = false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = m_window;
    e.xclient.message_type = XInternAtom(m_display, "_NET_WM_MOVERESIZE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = at.x;
    e.xclient.data.l[1] = at.y;
    e.xclient.data.l[2] = direction;
    e.xclient.data.l[3] = Button1;
    e.xclient.data.l[4] = 1; // a normal application asks
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(m_display);
    return true;
}

void X11Shell::SetTooltip(const std::string& text) {
    if (text == m_tipText)
        return;
    m_tipText = text;
    if (m_tip) {
        HideTip();
        ShowTip();
    }
}

void X11Shell::ShowTip() {
    m_tipDue = -1;
    if (m_tipText.empty() || !m_visible || m_captured || m_tip)
        return;
    // Lines wider than the tooltip may be are cut where they reach it.
    const std::vector<std::string> lines = SplitLines(m_tipText);
    int w = 0;
    for (const std::string& line : lines)
        w = std::max(w, m_text->Width(line));
    w = std::min(w + 10, kTipWidth);
    const int h = int(lines.size()) * m_text->LineHeight() + 8;
    const show::Box area = WorkArea(m_lastPointer);
    int x = m_lastPointer.x, y = m_lastPointer.y + 20;
    x = std::clamp(x, area.left, std::max(area.left, area.left + area.width - w));
    if (y + h > area.top + area.height)
        y = m_lastPointer.y - h - 4;
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = kTipBack;
    a.border_pixel = 0x767676;
    m_tip = XCreateWindow(m_display, m_root, x, y, unsigned(w), unsigned(h), 1,
                          DefaultDepth(m_display, m_screen), InputOutput,
                          DefaultVisual(m_display, m_screen),
                          CWOverrideRedirect | CWBackPixel | CWBorderPixel, &a);
    SetWindowType(m_display, m_tip, "_NET_WM_WINDOW_TYPE_TOOLTIP");
    XMapRaised(m_display, m_tip);
    XftDraw* draw = XftDrawCreate(m_display, m_tip, DefaultVisual(m_display, m_screen),
                                  DefaultColormap(m_display, m_screen));
    int baseline = 4 + m_text->Ascent();
    for (const std::string& line : lines) {
        m_text->Draw(draw, 0x000000, 5, baseline, line);
        baseline += m_text->LineHeight();
    }
    XftDrawDestroy(draw);
    XFlush(m_display);
}

void X11Shell::HideTip() {
    m_tipDue = -1;
    if (!m_tip)
        return;
    XDestroyWindow(m_display, m_tip);
    m_tip = 0;
    XFlush(m_display);
}

std::optional<show::Command> X11Shell::OpenMenu(const std::vector<MenuItem>& items, Point at) {
    HideTip();
    const int chosen = RunPopupMenu(m_display, m_screen, *m_text, items, at, WorkArea(at));
    Redraw();
    if (chosen == 0)
        return std::nullopt;
    return show::Command(chosen);
}

void X11Shell::ShowMessage(const std::string& text) {
    HideTip();
    const bool focused = m_visible && HasFocus();
    if (m_captured)
        CapturePointer(false);
    RunMessageWindow(m_display, m_screen, *m_text, m_caption, text);
    // What the message covered is drawn again, and the keyboard comes back.
    Redraw();
    if (focused)
        XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
    XFlush(m_display);
}

bool X11Shell::Translate(XEvent& e, WindowEvent& out) {
    if (e.xany.window != m_window &&
        !(m_captured && e.type >= ButtonPress && e.type <= MotionNotify))
        return false;
    switch (e.type) {
    case Expose:
        if (e.xexpose.count == 0)
            Redraw();
        return false;
    case MapNotify:
        if (m_focusOnMap)
            XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
        m_focusOnMap = false;
        if (m_topMost && !m_windowManager)
            XRaiseWindow(m_display, m_window);
        return false;
    case ConfigureNotify: {
        // Where the window is on the screen, whoever its parent is.
        int x = e.xconfigure.x, y = e.xconfigure.y;
        if (!e.xconfigure.send_event) {
            Window child = 0;
            XTranslateCoordinates(m_display, m_window, m_root, 0, 0, &x, &y, &child);
        }
        const show::Box box{x, y, e.xconfigure.width, e.xconfigure.height};
        if (box == m_reported)
            return false;
        const bool resized = box.width != m_box.width || box.height != m_box.height;
        m_reported = m_box = box;
        if (resized && m_border) {
            UpdateShape();
            Redraw();
        }
        out.kind = WindowEvent::Kind::Configured;
        out.box = box;
        return true;
    }
    case ButtonPress:
    case ButtonRelease: {
        if (e.xbutton.button > Button3)
            return false; // the wheel
        HideTip();
        out.button = ButtonOf(e.xbutton.button);
        out.at = Point{e.xbutton.x_root, e.xbutton.y_root};
        if (e.type == ButtonRelease) {
            out.kind = WindowEvent::Kind::Release;
            return true;
        }
        out.kind = WindowEvent::Kind::Press;
        if (e.xbutton.button == Button1) {
            const bool twice = m_lastPressCounts &&
                               e.xbutton.time - m_lastPressTime <= unsigned(kDoubleClickMs) &&
                               std::abs(out.at.x - m_lastPressAt.x) <= kDoubleClickSlop &&
                               std::abs(out.at.y - m_lastPressAt.y) <= kDoubleClickSlop;
            if (twice)
                out.kind = WindowEvent::Kind::DoubleClick;
            // A third press starts a new double click.
            m_lastPressCounts = !twice;
            m_lastPressTime = e.xbutton.time;
            m_lastPressAt = out.at;
        } else {
            m_lastPressCounts = false;
        }
        return true;
    }
    case MotionNotify: {
        XEvent last = e;
        while (XCheckTypedWindowEvent(m_display, e.xany.window, MotionNotify, &last)) {
        }
        out.kind = WindowEvent::Kind::Motion;
        out.at = Point{last.xmotion.x_root, last.xmotion.y_root};
        m_lastPointer = out.at;
        // The tooltip follows a pointer that rests: it goes while the pointer moves.
        HideTip();
        if (!m_captured)
            m_tipDue = NowMs() + kTipDelayMs;
        return true;
    }
    case LeaveNotify:
        HideTip();
        return false;
    case KeyPress: {
        const std::optional<show::Key> key = KeyOf(XLookupKeysym(&e.xkey, 0));
        if (!key)
            return false;
        out.kind = WindowEvent::Kind::KeyDown;
        out.key = *key;
        out.modified = (e.xkey.state & (ShiftMask | ControlMask | Mod1Mask)) != 0;
        return true;
    }
    case ClientMessage:
        if (Atom(e.xclient.data.l[0]) != m_deleteWindow)
            return false;
        out.kind = WindowEvent::Kind::Close;
        return true;
    default:
        return false;
    }
}

X11Shell::Wait X11Shell::WaitEvent(int timeoutMs, int wakeFd, WindowEvent& event) {
    const long long start = NowMs();
    const int fd = ConnectionNumber(m_display);
    for (;;) {
        if (wakeFd >= 0) {
            pollfd w{wakeFd, POLLIN, 0};
            if (poll(&w, 1, 0) > 0 && (w.revents & POLLIN))
                return Wait::Woken;
        }
        while (XPending(m_display) > 0) {
            XEvent e;
            XNextEvent(m_display, &e);
            if (Translate(e, event))
                return Wait::Event;
        }
        const long long now = NowMs();
        if (m_tipDue >= 0 && now >= m_tipDue)
            ShowTip();
        if (timeoutMs >= 0 && now - start >= timeoutMs)
            return Wait::TimedOut;
        long long wait = timeoutMs < 0 ? -1 : start + timeoutMs - now;
        if (m_tipDue >= 0)
            wait = wait < 0 ? m_tipDue - now : std::min(wait, m_tipDue - now);
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        poll(p, wakeFd >= 0 ? 2 : 1, wait < 0 ? -1 : int(std::max(0LL, wait)));
    }
}

void ShowMessageWithoutShow(Display* display, const std::string& caption, const std::string& text) {
    const int screen = DefaultScreen(display);
    TextRenderer renderer(display, screen, DefaultVisual(display, screen),
                          DefaultColormap(display, screen), kTextPixels);
    RunMessageWindow(display, screen, renderer, caption, text);
}

} // namespace x11show
