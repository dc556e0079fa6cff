#include "player/x11/X11Message.h"

#include "player/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

namespace x11show {

namespace {

constexpr std::uint32_t kBack = 0xF0F0F0;
constexpr std::uint32_t kButton = 0xE1E1E1;
constexpr std::uint32_t kButtonBorder = 0x0078D7;
constexpr int kMargin = 24;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
const char kOk[] = "OK";

} // namespace

void RunMessageWindow(Display* display, int screen, TextRenderer& text, const std::string& caption,
                      const std::string& message) {
    const std::vector<std::string> lines = SplitLines(message);
    int textWidth = 0;
    for (const std::string& line : lines)
        textWidth = std::max(textWidth, text.Width(line));
    const int lineHeight = text.LineHeight();
    const int w = std::max(textWidth + 2 * kMargin, 280);
    const int h = kMargin + int(lines.size()) * lineHeight + kMargin + kButtonHeight + 16;
    const int sw = DisplayWidth(display, screen), sh = DisplayHeight(display, screen);
    const int x = std::max(0, (sw - w) / 2), y = std::max(0, (sh - h) / 2);

    Window root = RootWindow(display, screen);
    XSetWindowAttributes a{};
    a.background_pixel = kBack;
    a.event_mask =
        ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    Window win = XCreateWindow(display, root, x, y, unsigned(w), unsigned(h), 0,
                               DefaultDepth(display, screen), InputOutput,
                               DefaultVisual(display, screen), CWBackPixel | CWEventMask, &a);
    SetWindowNames(display, win, caption);
    SetWindowType(display, win, "_NET_WM_WINDOW_TYPE_DIALOG");
    SetFixedPlace(display, win, show::Box{x, y, w, h}, true);
    SetStateAtoms(display, win, {"_NET_WM_STATE_ABOVE"});
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, win, &deleteWindow, 1);
    XftDraw* draw = XftDrawCreate(display, win, DefaultVisual(display, screen),
                                  DefaultColormap(display, screen));
    GC gc = XCreateGC(display, win, 0, nullptr);
    XMapRaised(display, win);

    const int bx = (w - kButtonWidth) / 2, by = h - kButtonHeight - 16;
    const auto paint = [&] {
        XSetForeground(display, gc, kBack);
        XFillRectangle(display, win, gc, 0, 0, unsigned(w), unsigned(h));
        int baseline = kMargin + text.Ascent();
        for (const std::string& line : lines) {
            text.Draw(draw, 0x000000, kMargin, baseline, line);
            baseline += lineHeight;
        }
        XSetForeground(display, gc, kButton);
        XFillRectangle(display, win, gc, bx, by, kButtonWidth, kButtonHeight);
        XSetForeground(display, gc, kButtonBorder);
        XDrawRectangle(display, win, gc, bx, by, kButtonWidth - 1, kButtonHeight - 1);
        text.Draw(draw, 0x000000, bx + (kButtonWidth - text.Width(kOk)) / 2,
                  by + (kButtonHeight - lineHeight) / 2 + text.Ascent() + 1, kOk);
        XFlush(display);
    };
    const auto onButton = [&](int px, int py) {
        return px >= bx && py >= by && px < bx + kButtonWidth && py < by + kButtonHeight;
    };

    bool pressedOnButton = false;
    bool done = false;
    while (!done) {
        XEvent e;
        XNextEvent(display, &e);
        if (e.xany.window != win)
            continue;
        switch (e.type) {
        case MapNotify:
            // The message has the keyboard: Enter and Escape answer it.
            XSetInputFocus(display, win, RevertToPointerRoot, CurrentTime);
            break;
        case Expose:
            if (e.xexpose.count == 0)
                paint();
            break;
        case KeyPress: {
            const KeySym sym = XLookupKeysym(&e.xkey, 0);
            done = sym == XK_Return || sym == XK_KP_Enter || sym == XK_Escape || sym == XK_space;
            break;
        }
        case ButtonPress:
            pressedOnButton = e.xbutton.button == Button1 && onButton(e.xbutton.x, e.xbutton.y);
            break;
        case ButtonRelease:
            done = pressedOnButton && onButton(e.xbutton.x, e.xbutton.y);
            pressedOnButton = false;
            break;
        case ClientMessage:
            done = Atom(e.xclient.data.l[0]) == deleteWindow;
            break;
        default:
            break;
        }
    }
    XftDrawDestroy(draw);
    XFreeGC(display, gc);
    XDestroyWindow(display, win);
    XFlush(display);
}

} // namespace x11show
