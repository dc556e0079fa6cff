#include "player/x11/X11Menu.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace x11show {

void SplitMenuText(const std::string& text, std::string& label, std::string& keys, char& mnemonic) {
    label.clear();
    keys.clear();
    mnemonic = 0;
    const size_t tab = text.find('\t');
    const std::string head = text.substr(0, tab);
    if (tab != std::string::npos)
        keys = text.substr(tab + 1);
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '&' && i + 1 < head.size()) {
            ++i;
            if (head[i] != '&' && !mnemonic)
                mnemonic = char(std::tolower(static_cast<unsigned char>(head[i])));
        }
        label += head[i];
    }
}

namespace {

bool IsSeparator(const MenuItem& item) {
    return item.kind == MenuItem::Kind::Separator;
}

constexpr std::uint32_t kBack = 0xF2F2F2;
constexpr std::uint32_t kBorder = 0x808080;
constexpr std::uint32_t kHot = 0x3875D7;
constexpr std::uint32_t kTextColor = 0x000000;
constexpr std::uint32_t kHotText = 0xFFFFFF;
constexpr std::uint32_t kGrey = 0x8C8C8C;
constexpr int kCheckColumn = 24; // left of the label: the check mark
constexpr int kArrowColumn = 20; // right of the keys: a sub-menu's arrow
constexpr int kKeysGap = 28;
constexpr int kSeparatorHeight = 9;

/// One open menu window: the top menu or the sub-menu opened from it.
struct Level {
    const std::vector<MenuItem>* items = nullptr;
    Window window = 0;
    XftDraw* draw = nullptr;
    show::Box box; ///< on the screen
    std::vector<int> tops;
    std::vector<int> heights;
    int hot = -1;     ///< the highlighted item, -1 none
    int keysLeft = 0; ///< where the keys' names start
};

class Menu {
public:
    Menu(Display* d, int screen, TextRenderer& text, const show::Box& area)
        : m_display(d), m_screen(screen), m_text(text), m_area(area) {
        m_gc = XCreateGC(d, RootWindow(d, screen), 0, nullptr);
        m_itemHeight = std::max(text.LineHeight() + 8, 22);
    }
    ~Menu() {
        while (!m_levels.empty())
            CloseLevel();
        XFreeGC(m_display, m_gc);
    }

    int Run(const std::vector<MenuItem>& items, Point at) {
        OpenLevel(items, at.x, at.y, true);
        if (m_levels.empty())
            return 0;
        Window top = m_levels.front().window;
        XMapRaised(m_display, top);
        XSync(m_display, False);
        // The grabs are retried briefly: the button that opened the menu may still be
        // held by another client's grab for an instant.
        for (int i = 0; i < 50; ++i) {
            if (XGrabPointer(m_display, top, True,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
                break;
            XSync(m_display, False);
        }
        XGrabKeyboard(m_display, top, True, GrabModeAsync, GrabModeAsync, CurrentTime);
        int chosen = -1;
        while (chosen < 0) {
            XEvent e;
            XNextEvent(m_display, &e);
            chosen = Handle(e);
        }
        XUngrabKeyboard(m_display, CurrentTime);
        XUngrabPointer(m_display, CurrentTime);
        while (!m_levels.empty())
            CloseLevel();
        XFlush(m_display);
        return chosen;
    }

private:
    /// Handles one event: the chosen id, 0 to close without a choice, -1 to go on.
    int Handle(const XEvent& e) {
        switch (e.type) {
        case Expose:
            for (Level& l : m_levels)
                if (l.window == e.xexpose.window && e.xexpose.count == 0)
                    Paint(l);
            return -1;
        case MotionNotify: {
            XEvent last = e;
            while (XCheckTypedEvent(m_display, MotionNotify, &last)) {
            }
            Hover(last.xmotion.x_root, last.xmotion.y_root);
            return -1;
        }
        case ButtonPress: {
            int level = -1, item = -1;
            Find(e.xbutton.x_root, e.xbutton.y_root, level, item);
            return level < 0 ? 0 : -1; // a press outside every menu closes it
        }
        case ButtonRelease: {
            int level = -1, item = -1;
            Find(e.xbutton.x_root, e.xbutton.y_root, level, item);
            if (level < 0 || item < 0)
                return -1;
            return Choose(level, item);
        }
        case KeyPress:
            return Key(e.xkey);
        default:
            return -1;
        }
    }

    int Key(XKeyEvent key) {
        Level& l = m_levels.back();
        const int depth = int(m_levels.size()) - 1;
        const KeySym sym = XLookupKeysym(&key, 0);
        switch (sym) {
        case XK_Escape:
            if (depth == 0)
                return 0;
            CloseLevel();
            return -1;
        case XK_Up:
        case XK_Down:
            Step(l, sym == XK_Down ? 1 : -1);
            return -1;
        case XK_Left:
            if (depth > 0)
                CloseLevel();
            return -1;
        case XK_Right:
            if (l.hot >= 0 && !(*l.items)[size_t(l.hot)].items.empty())
                return Choose(depth, l.hot);
            return -1;
        case XK_Return:
        case XK_KP_Enter:
        case XK_space:
            if (l.hot >= 0)
                return Choose(depth, l.hot);
            return -1;
        default:
            break;
        }
        char typed[8] = {};
        KeySym ignored;
        if (XLookupString(&key, typed, sizeof typed - 1, &ignored, nullptr) == 1) {
            const char c = char(std::tolower(static_cast<unsigned char>(typed[0])));
            for (size_t i = 0; i < l.items->size(); ++i) {
                std::string label, keys;
                char mnemonic = 0;
                SplitMenuText((*l.items)[i].text, label, keys, mnemonic);
                if (mnemonic && mnemonic == c && Selectable((*l.items)[i]))
                    return Choose(depth, int(i));
            }
        }
        return -1;
    }

    static bool Selectable(const MenuItem& item) { return !IsSeparator(item) && item.enabled; }

    void Step(Level& l, int direction) {
        const int n = int(l.items->size());
        int i = l.hot;
        for (int tries = 0; tries < n; ++tries) {
            i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
            if (!IsSeparator((*l.items)[size_t(i)])) {
                SetHot(l, i);
                return;
            }
        }
    }

    /// The item `item` of level `level` chosen: a command answers its id, a sub-menu
    /// opens with its first item highlighted.
    int Choose(int level, int item) {
        const MenuItem& it = (*m_levels[size_t(level)].items)[size_t(item)];
        if (!Selectable(it))
            return -1;
        if (it.items.empty())
            return int(it.command);
        OpenSub(level, item);
        if (int(m_levels.size()) > level + 1)
            Step(m_levels.back(), 1);
        return -1;
    }

    void Hover(int x, int y) {
        int level = -1, item = -1;
        Find(x, y, level, item);
        if (level < 0)
            return;
        Level& l = m_levels[size_t(level)];
        if (item >= 0 && IsSeparator((*l.items)[size_t(item)]))
            item = -1;
        while (int(m_levels.size()) > level + 1 &&
               (item < 0 || m_levels[size_t(level) + 1].items != &(*l.items)[size_t(item)].items))
            CloseLevel();
        Level& now = m_levels[size_t(level)];
        SetHot(now, item);
        if (item >= 0 && Selectable((*now.items)[size_t(item)]) &&
            !(*now.items)[size_t(item)].items.empty() && int(m_levels.size()) == level + 1)
            OpenSub(level, item);
    }

    void Find(int x, int y, int& level, int& item) const {
        level = item = -1;
        for (int i = int(m_levels.size()) - 1; i >= 0; --i) {
            const Level& l = m_levels[size_t(i)];
            if (x < l.box.left || y < l.box.top || x >= l.box.left + l.box.width ||
                y >= l.box.top + l.box.height)
                continue;
            level = i;
            const int local = y - l.box.top;
            for (size_t k = 0; k < l.tops.size(); ++k)
                if (local >= l.tops[k] && local < l.tops[k] + l.heights[k])
                    item = int(k);
            return;
        }
    }

    void SetHot(Level& l, int item) {
        if (l.hot == item)
            return;
        l.hot = item;
        Paint(l);
    }

    void OpenSub(int level, int item) {
        const Level& parent = m_levels[size_t(level)];
        const MenuItem& it = (*parent.items)[size_t(item)];
        const int y = parent.box.top + parent.tops[size_t(item)] - 3;
        OpenLevel(it.items, parent.box.left + parent.box.width - 3, y, false, parent.box.left + 3);
        if (int(m_levels.size()) > level + 1)
            XMapRaised(m_display, m_levels.back().window);
    }

    /// Makes the window of a menu level. The top level is centred on x with its top at
    /// y; a sub-menu starts at x, or ends at `leftLimit` when it would leave the area.
    void OpenLevel(const std::vector<MenuItem>& items, int x, int y, bool top, int leftLimit = 0) {
        Level l;
        l.items = &items;
        int labelWidth = 0, keysWidth = 0, h = 3;
        for (const MenuItem& it : items) {
            std::string label, keys;
            char mnemonic = 0;
            SplitMenuText(it.text, label, keys, mnemonic);
            labelWidth = std::max(labelWidth, m_text.Width(label));
            keysWidth = std::max(keysWidth, m_text.Width(keys));
            l.tops.push_back(h);
            l.heights.push_back(IsSeparator(it) ? kSeparatorHeight : m_itemHeight);
            h += l.heights.back();
        }
        h += 3;
        l.keysLeft = kCheckColumn + labelWidth + kKeysGap;
        const int w = l.keysLeft + keysWidth + kArrowColumn;
        int left = top ? x - w / 2 : x;
        int topY = y;
        if (!top && left + w > m_area.left + m_area.width)
            left = leftLimit - w;
        if (top && topY + h > m_area.top + m_area.height)
            topY = y - h; // no room below the point: above it
        left = std::clamp(left, m_area.left, std::max(m_area.left, m_area.left + m_area.width - w));
        topY = std::clamp(topY, m_area.top, std::max(m_area.top, m_area.top + m_area.height - h));
        l.box = show::Box{left, topY, w, h};

        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.save_under = True;
        a.background_pixel = kBack;
        a.border_pixel = kBorder;
        a.event_mask =
            ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
        l.window = XCreateWindow(
            m_display, RootWindow(m_display, m_screen), left, topY, unsigned(w), unsigned(h), 0,
            DefaultDepth(m_display, m_screen), InputOutput, DefaultVisual(m_display, m_screen),
            CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWBorderPixel | CWEventMask, &a);
        Atom type = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE", False);
        Atom popup = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
        XChangeProperty(m_display, l.window, type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&popup), 1);
        l.draw = XftDrawCreate(m_display, l.window, DefaultVisual(m_display, m_screen),
                               DefaultColormap(m_display, m_screen));
        m_levels.push_back(l);
    }

    void CloseLevel() {
        Level& l = m_levels.back();
        if (l.draw)
            XftDrawDestroy(l.draw);
        XDestroyWindow(m_display, l.window);
        m_levels.pop_back();
    }

    void Fill(Window w, std::uint32_t color, int x, int y, int width, int height) {
        XSetForeground(m_display, m_gc, color);
        XFillRectangle(m_display, w, m_gc, x, y, unsigned(std::max(width, 0)),
                       unsigned(std::max(height, 0)));
    }

    void Paint(Level& l) {
        const Window w = l.window;
        Fill(w, kBack, 0, 0, l.box.width, l.box.height);
        XSetForeground(m_display, m_gc, kBorder);
        XDrawRectangle(m_display, w, m_gc, 0, 0, unsigned(l.box.width - 1),
                       unsigned(l.box.height - 1));
        for (size_t i = 0; i < l.items->size(); ++i) {
            const MenuItem& it = (*l.items)[i];
            const int top = l.tops[i], height = l.heights[i];
            if (IsSeparator(it)) {
                Fill(w, 0xC8C8C8, 4, top + height / 2, l.box.width - 8, 1);
                continue;
            }
            const bool hot = int(i) == l.hot && it.enabled;
            if (hot)
                Fill(w, kHot, 2, top, l.box.width - 4, height);
            const std::uint32_t color = !it.enabled ? kGrey : hot ? kHotText : kTextColor;
            std::string label, keys;
            char mnemonic = 0;
            SplitMenuText(it.text, label, keys, mnemonic);
            const int baseline = top + (height - m_text.LineHeight()) / 2 + m_text.Ascent() + 1;
            m_text.Draw(l.draw, color, kCheckColumn, baseline, label);
            m_text.Draw(l.draw, color, l.keysLeft, baseline, keys);
            XSetForeground(m_display, m_gc, color);
            const int mid = top + height / 2;
            if (it.checked) {
                // A check mark of two strokes, two pixels thick.
                XSegment strokes[] = {{7, short(mid), 10, short(mid + 3)},
                                      {10, short(mid + 3), 16, short(mid - 4)},
                                      {7, short(mid + 1), 10, short(mid + 4)},
                                      {10, short(mid + 4), 16, short(mid - 3)}};
                XDrawSegments(m_display, w, m_gc, strokes, 4);
            }
            if (!it.items.empty()) {
                const short x = short(l.box.width - 13);
                XPoint arrow[] = {
                    {x, short(mid - 4)}, {short(x + 4), short(mid)}, {x, short(mid + 4)}};
                XFillPolygon(m_display, w, m_gc, arrow, 3, Convex, CoordModeOrigin);
            }
        }
        XFlush(m_display);
    }

    Display* m_display;
    int m_screen;
    TextRenderer& m_text;
    show::Box m_area;
    GC m_gc;
    int m_itemHeight = 22;
    std::vector<Level> m_levels;
};

} // namespace

int RunPopupMenu(Display* display, int screen, TextRenderer& text,
                 const std::vector<MenuItem>& items, Point at, const show::Box& area) {
    if (items.empty())
        return 0;
    Menu menu(display, screen, text, area);
    return menu.Run(items, at);
}

} // namespace x11show
