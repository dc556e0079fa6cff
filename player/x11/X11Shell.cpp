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

Key KeyOf(KeySym sym) {
    switch (sym) {
    case XK_Escape:
        return Key::Escape;
    case XK_Left:
    case XK_KP_Left:
        return Key::Left;
    case XK_Right:
    case XK_KP_Right:
        return Key::Right;
    case XK_Up:
    case XK_KP_Up:
        return Key::Up;
    case XK_Down:
    case XK_KP_Down:
        return Key::Down;
    default:
        return Key::Other;
    }
}

/// A 1-bit image of `frame`: set where a pixel is not `key` (the window's shape).
std::vector<unsigned char> OpaqueBits(const show::Raster& frame, std::uint32_t key, int& stride) {
    stride = (frame.width + 7) / 8;
    std::vector<unsigned char> bits(size_t(stride) * size_t(frame.height), 0);
    const std::uint32_t rgb = key & 0x00FFFFFFu;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint32_t* row = frame.pixels.data() + size_t(y) * size_t(frame.width);
        unsigned char* out = bits.data() + size_t(y) * size_t(stride);
        for (int x = 0; x < frame.width; ++x)
            if ((row[x] & 0x00FFFFFFu) != rgb)
                out[x >> 3] |= (unsigned char)(1u << (x & 7));
    }
    return bits;
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
    m_arrow = XCreateFontCursor(display, XC_left_ptr);
    m_move = XCreateFontCursor(display, XC_fleur);
    XDefineCursor(display, m_window, m_arrow);
    // Menus, the tooltip and messages are drawn on the screen's own visual.
    m_text = std::make_unique<TextRenderer>(display, m_screen, DefaultVisual(display, m_screen),
                                            DefaultColormap(display, m_screen), kTextPixels);
}

X11Shell::~X11Shell() {
    HideTip();
    if (m_captured)
        XUngrabPointer(m_display, CurrentTime);
    if (m_image)
        XDestroyImage(m_image);
    m_text.reset();
    XFreeGC(m_display, m_gc);
    XDestroyWindow(m_display, m_window);
    XFreeCursor(m_display, m_arrow);
    XFreeCursor(m_display, m_move);
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

void X11Shell::Place(const show::Box& box) {
    m_box = box;
    SetFixedPlace(m_display, m_window, box, false);
    XMoveResizeWindow(m_display, m_window, box.left, box.top, unsigned(std::max(box.width, 1)),
                      unsigned(std::max(box.height, 1)));
    XFlush(m_display);
}

void X11Shell::SetVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (!visible) {
        HideTip();
        XUnmapWindow(m_display, m_window);
        XFlush(m_display);
        return;
    }
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
    // Mapped again, a window comes back where the program put it.
    XMoveWindow(m_display, m_window, m_box.left, m_box.top);
    XFlush(m_display);
}

void X11Shell::ShowFrame(const show::Raster& frame, std::uint32_t key) {
    if (frame.width <= 0 || frame.height <= 0)
        return;
    // The shape first, so that no key pixel ever shows as a colour.
    int stride = 0;
    std::vector<unsigned char> bits = OpaqueBits(frame, key, stride);
    XImage* maskImage =
        XCreateImage(m_display, m_visual, 1, XYBitmap, 0, reinterpret_cast<char*>(bits.data()),
                     unsigned(frame.width), unsigned(frame.height), 8, stride);
    if (maskImage) {
        maskImage->byte_order = LSBFirst;
        maskImage->bitmap_bit_order = LSBFirst;
        Pixmap mask =
            XCreatePixmap(m_display, m_window, unsigned(frame.width), unsigned(frame.height), 1);
        // A bitmap image draws its set bits in the foreground: 1 is inside the shape.
        XGCValues values{};
        values.foreground = 1;
        values.background = 0;
        GC maskGc = XCreateGC(m_display, mask, GCForeground | GCBackground, &values);
        XPutImage(m_display, mask, maskGc, maskImage, 0, 0, 0, 0, unsigned(frame.width),
                  unsigned(frame.height));
        XFreeGC(m_display, maskGc);
        maskImage->data = nullptr; // the bits belong to the vector
        XDestroyImage(maskImage);
        XShapeCombineMask(m_display, m_window,
                          m_mode == SeeThrough::Shaped ? ShapeBounding : ShapeInput, 0, 0, mask,
                          ShapeSet);
        XFreePixmap(m_display, mask);
    }

    // The pixels in the window's own layout.
    if (m_image)
        XDestroyImage(m_image);
    m_image = nullptr;
    const size_t count = size_t(frame.width) * size_t(frame.height);
    char* data = static_cast<char*>(std::malloc(count * 4));
    if (!data)
        return;
    m_image = XCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, 0, data,
                           unsigned(frame.width), unsigned(frame.height), 32, frame.width * 4);
    if (!m_image) {
        std::free(data);
        return;
    }
    const std::uint32_t rgb = key & 0x00FFFFFFu;
    const bool translucent = m_mode == SeeThrough::Translucent;
    const bool direct = m_image->bits_per_pixel == 32 && m_image->red_mask == 0xFF0000 &&
                        m_image->green_mask == 0xFF00 && m_image->blue_mask == 0xFF &&
                        m_image->byte_order == LSBFirst;
    if (direct) {
        auto* out = reinterpret_cast<std::uint32_t*>(data);
        for (size_t i = 0; i < count; ++i) {
            const std::uint32_t p = frame.pixels[i] & 0x00FFFFFFu;
            // Translucent: the key fully transparent (premultiplied: all zero).
            out[i] = translucent ? (p == rgb ? 0u : 0xFF000000u | p) : p;
        }
    } else {
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const std::uint32_t p =
                    frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)] & 0x00FFFFFFu;
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
}

void X11Shell::Redraw() {
    if (!m_image || !m_visible)
        return;
    XPutImage(m_display, m_window, m_gc, m_image, 0, 0, 0, 0, unsigned(m_image->width),
              unsigned(m_image->height));
    XFlush(m_display);
}

void X11Shell::SetTopMost(bool topMost) {
    m_topMost = topMost;
    if (!m_visible)
        return;
    if (m_windowManager)
        ChangeState(m_display, m_window, "_NET_WM_STATE_ABOVE", topMost);
    else if (topMost)
        XRaiseWindow(m_display, m_window);
    XFlush(m_display);
}

void X11Shell::SetCursor(Cursor cursor) {
    m_cursor = cursor;
    XDefineCursor(m_display, m_window, cursor == Cursor::Move ? m_move : m_arrow);
    if (m_captured)
        XChangeActivePointerGrab(m_display, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                 cursor == Cursor::Move ? m_move : m_arrow, CurrentTime);
    XFlush(m_display);
}

void X11Shell::CapturePointer(bool capture) {
    if (capture == m_captured)
        return;
    if (capture) {
        HideTip();
        m_captured =
            XGrabPointer(m_display, m_window, False,
                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, m_cursor == Cursor::Move ? m_move : m_arrow,
                         CurrentTime) == GrabSuccess;
    } else {
        XUngrabPointer(m_display, CurrentTime);
        m_captured = false;
    }
    XFlush(m_display);
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

int X11Shell::OpenMenu(const std::vector<MenuItem>& items, Point at) {
    HideTip();
    const int chosen = RunPopupMenu(m_display, m_screen, *m_text, items, at, WorkArea(at));
    Redraw();
    return chosen;
}

void X11Shell::ShowMessage(const std::string& text) {
    HideTip();
    if (m_captured)
        CapturePointer(false);
    RunMessageWindow(m_display, m_screen, *m_text, m_caption, text);
    // What the message covered is drawn again.
    Redraw();
}

bool X11Shell::Translate(XEvent& e, Event& out) {
    if (e.xany.window != m_window &&
        !(m_captured && e.type >= ButtonPress && e.type <= MotionNotify))
        return false;
    switch (e.type) {
    case Expose:
        if (e.xexpose.count == 0)
            Redraw();
        return false;
    case MapNotify:
        // A mapped show takes the keyboard (Escape, the arrows).
        XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
        if (m_topMost && !m_windowManager)
            XRaiseWindow(m_display, m_window);
        return false;
    case ButtonPress:
    case ButtonRelease:
        if (e.xbutton.button > Button3)
            return false; // the wheel
        HideTip();
        out.kind = e.type == ButtonPress ? Event::Kind::Press : Event::Kind::Release;
        out.button = int(e.xbutton.button);
        out.at = Point{e.xbutton.x_root, e.xbutton.y_root};
        out.time = e.xbutton.time;
        return true;
    case MotionNotify: {
        XEvent last = e;
        while (XCheckTypedWindowEvent(m_display, e.xany.window, MotionNotify, &last)) {
        }
        out.kind = Event::Kind::Motion;
        out.at = Point{last.xmotion.x_root, last.xmotion.y_root};
        out.time = last.xmotion.time;
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
    case KeyPress:
        out.kind = Event::Kind::KeyDown;
        out.key = KeyOf(XLookupKeysym(&e.xkey, 0));
        out.time = e.xkey.time;
        return true;
    case ClientMessage:
        if (Atom(e.xclient.data.l[0]) != m_deleteWindow)
            return false;
        out.kind = Event::Kind::Close;
        return true;
    default:
        return false;
    }
}

bool X11Shell::WaitEvent(int timeoutMs, Event& event) {
    const long long start = NowMs();
    const int fd = ConnectionNumber(m_display);
    for (;;) {
        while (XPending(m_display) > 0) {
            XEvent e;
            XNextEvent(m_display, &e);
            if (Translate(e, event))
                return true;
        }
        const long long now = NowMs();
        if (m_tipDue >= 0 && now >= m_tipDue)
            ShowTip();
        long long wait = timeoutMs < 0 ? -1 : std::max(0LL, start + timeoutMs - now);
        if (m_tipDue >= 0)
            wait = wait < 0 ? m_tipDue - now : std::min(wait, m_tipDue - now);
        if (timeoutMs >= 0 && now - start >= timeoutMs)
            return false;
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, int(std::max(0LL, wait)));
    }
}

void ShowMessageWithoutShow(Display* display, const std::string& caption, const std::string& text) {
    const int screen = DefaultScreen(display);
    TextRenderer renderer(display, screen, DefaultVisual(display, screen),
                          DefaultColormap(display, screen), kTextPixels);
    RunMessageWindow(display, screen, renderer, caption, text);
}

} // namespace x11show
