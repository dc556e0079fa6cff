#include "player/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <unistd.h>
#include <vector>

namespace x11show {

void SetWindowNames(Display* display, Window window, const std::string& title) {
    XStoreName(display, window, title.c_str());
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    int(title.size()));
    XClassHint hint;
    std::string name = title;
    char className[] = "Luserio";
    hint.res_name = name.data();
    hint.res_class = className;
    XSetClassHint(display, window, &hint);
    long pid = long(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
}

void SetWindowType(Display* display, Window window, const char* type) {
    Atom value = XInternAtom(display, type, False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&value), 1);
}

void SetBorderless(Display* display, Window window) {
    // flags (decorations given), functions, decorations (none), input mode, status.
    long hints[5] = {2, 0, 0, 0, 0};
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

void SetFixedPlace(Display* display, Window window, const show::Box& box, bool fixed) {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints)
        return;
    hints->flags = USPosition | USSize | PPosition | PSize;
    hints->x = box.left;
    hints->y = box.top;
    hints->width = box.width;
    hints->height = box.height;
    if (fixed) {
        hints->flags |= PMinSize | PMaxSize;
        hints->min_width = hints->max_width = box.width;
        hints->min_height = hints->max_height = box.height;
    }
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
}

void SetStateAtoms(Display* display, Window window, std::initializer_list<const char*> states) {
    std::vector<Atom> atoms;
    for (const char* s : states)
        atoms.push_back(XInternAtom(display, s, False));
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(atoms.data()),
                    int(atoms.size()));
}

void ChangeState(Display* display, Window window, const char* state, bool on) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? 1 : 0; // _NET_WM_STATE_ADD or _REMOVE
    e.xclient.data.l[1] = long(XInternAtom(display, state, False));
    e.xclient.data.l[3] = 1; // a normal application asks
    XWindowAttributes attrs;
    XGetWindowAttributes(display, window, &attrs);
    XSendEvent(display, attrs.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

bool WindowManagerRuns(Display* display, int screen) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, RootWindow(display, screen), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        found = count == 1 && format == 32;
        XFree(data);
    }
    return found;
}

} // namespace x11show
