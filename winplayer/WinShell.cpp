#include "winplayer/WinShell.h"

#include "winplayer/WinUi.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <new>

namespace winplayer {

namespace {

const wchar_t kClassName[] = L"LuserioSlideshow";
constexpr UINT_PTR kZoomTimer = 21;
constexpr UINT_PTR kSecondTimer = 22;
constexpr UINT kFramesReady = WM_APP + 1;  ///< the frame maker has results
constexpr UINT kSystemResize = WM_APP + 2; ///< wParam: the edges to size from

/// The virtual key of each show::Key, in its order.
constexpr UINT kVirtualKeys[] = {VK_ESCAPE, VK_LEFT,  VK_RIGHT, VK_UP,   VK_DOWN,
                                 VK_SPACE,  VK_PRIOR, VK_NEXT,  VK_HOME, VK_END,
                                 VK_RETURN, VK_BACK,  'P'};
static_assert(std::size(kVirtualKeys) == size_t(show::Key::P) + 1, "a virtual key per key");

/// The system's pointer shape for each show::Cursor, in its order.
const LPCWSTR kCursors[] = {IDC_ARROW,  IDC_SIZEALL,  IDC_SIZEWE,
                            IDC_SIZENS, IDC_SIZENWSE, IDC_SIZENESW};
static_assert(std::size(kCursors) == size_t(show::Cursor::SizeAntiDiagonal) + 1,
              "a shape per cursor");

std::optional<show::Key> KeyOf(WPARAM vk) {
    for (size_t i = 0; i < std::size(kVirtualKeys); ++i)
        if (kVirtualKeys[i] == vk)
            return show::Key(i);
    return std::nullopt;
}

bool Held(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

show::Box BoxOf(const RECT& r) {
    return show::Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

/// The work area of the screen holding `at`, or of the nearest one.
show::Box WorkAreaAt(show::Point at) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromPoint(POINT{at.x, at.y}, MONITOR_DEFAULTTONEAREST);
    RECT work{};
    if (monitor && GetMonitorInfoW(monitor, &info))
        work = info.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return BoxOf(work);
}

/// The top-left of the work area holding the stored rectangle's centre, if a screen does.
std::optional<show::Point> StoredOn(const std::int32_t r[4]) {
    int cx = 0, cy = 0;
    if (!show::StoredCentreOf(r[0], r[1], r[2], r[3], cx, cy))
        return std::nullopt;
    HMONITOR monitor = MonitorFromPoint(POINT{cx, cy}, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return std::nullopt;
    return show::Point{info.rcWork.left, info.rcWork.top};
}

COLORREF ColorOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

/// `c`, or a colour beside it when it is the see-through colour `key` (the sizing border
/// must never become see-through).
COLORREF BesideKey(COLORREF c, COLORREF key) {
    return c == key ? RGB(GetRValue(c), GetGValue(c), GetBValue(c) ^ 1) : c;
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    if (right <= left || bottom <= top)
        return;
    const RECT r{left, top, right, bottom};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void FrameBox(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    FillBox(dc, left, top, right, top + 1, color);
    FillBox(dc, left, bottom - 1, right, bottom, color);
    FillBox(dc, left, top, left + 1, bottom, color);
    FillBox(dc, right - 1, top, right, bottom, color);
}

} // namespace

WinShell::WinShell(HINSTANCE instance, show::ShowDocument doc,
                   std::shared_ptr<const show::PictureSource> pictures)
    : m_instance(instance), m_pictures(std::move(pictures)) {
    m_topMost = doc.topMost != 0;
    m_engine = std::make_unique<show::Engine>(std::move(doc));
}

WinShell::~WinShell() {
    m_frames.reset(); // its worker posts nothing after this
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

int WinShell::Run() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = m_instance;
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return 1;
    m_cursor = LoadCursorW(nullptr, IDC_ARROW);
    // A tool window has no taskbar button; a layered one's see-through colour is
    // transparent to the eye and to the pointer. It opens hidden, placed by the show.
    POINT pointer{};
    GetCursorPos(&pointer);
    const DWORD exStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | (m_topMost ? WS_EX_TOPMOST : 0);
    if (!CreateWindowExW(exStyle, kClassName, ApplicationName().c_str(), WS_POPUP, pointer.x,
                         pointer.y, show::kStartSize, show::kStartSize, nullptr, nullptr,
                         m_instance, this))
        return 1;
    m_key = ColorOf(show::SeeThroughColor(show::ShowSlide{}));
    SetLayeredWindowAttributes(m_hwnd, m_key, 0, LWA_COLORKEY);

    const HWND hwnd = m_hwnd;
    m_frames = std::make_unique<show::FrameMaker>(
        m_pictures, [hwnd] { PostMessageW(hwnd, kFramesReady, 0, 0); });

    show::in::Start start;
    start.pointer = show::Point{pointer.x, pointer.y};
    start.workArea = WorkAreaAt(start.pointer);
    start.storedOn = StoredOn(m_engine->State().doc.rect);
    start.startIndex = 0;
    // A layered window takes a frame whole with one paint: a switch need not hide it
    // (which would also take the pointer from a press that switches, and under wine
    // wait for a window manager to see the window go).
    start.wholeFrames = true;
    Feed(start);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    m_frames.reset();
    return m_failed ? 1 : 0;
}

LRESULT CALLBACK WinShell::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<WinShell*>(create->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<WinShell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

show::Box WinShell::WindowBox() const {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return BoxOf(r);
}

show::Point WinShell::PointerAt(LPARAM lp) const {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(m_hwnd, &p);
    return show::Point{p.x, p.y};
}

// ---- Win32's messages, as the engine's events --------------------------------------------

LRESULT WinShell::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    const auto button = [msg] {
        switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            return show::Button::Left;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return show::Button::Right;
        default:
            return show::Button::Other;
        }
    };
    switch (msg) {
    case WM_TIMER:
        if (wp == kZoomTimer)
            Feed(show::in::ZoomTick{});
        else if (wp == kSecondTimer)
            Feed(show::in::SecondTick{});
        return 0;
    case kFramesReady:
        DeliverFrames();
        return 0;
    case kSystemResize:
        SystemResize(unsigned(wp));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const show::Point at = PointerAt(lp);
        Feed(show::in::Press{button(), at, WorkAreaAt(at)});
        return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
        // The second press of a double click (the first came as a press).
        Feed(show::in::DoubleClick{button(), PointerAt(lp)});
        return 0;
    case WM_MOUSEMOVE: {
        const show::Point at = PointerAt(lp);
        Feed(show::in::Move{at, WorkAreaAt(at)});
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        Feed(show::in::Release{button(), PointerAt(lp)});
        return 0;
    case WM_CAPTURECHANGED:
        // The pointer taken away while a drag or a sizing holds it: the button counts as
        // released.
        if (!m_releasing && HWND(lp) != m_hwnd && m_engine &&
            (m_engine->State().dragging || m_engine->State().sizingEdges)) {
            POINT p{};
            GetCursorPos(&p);
            Feed(show::in::Release{show::Button::Left, show::Point{p.x, p.y}});
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (const std::optional<show::Key> key = KeyOf(wp))
            Feed(show::in::KeyDown{*key, msg == WM_SYSKEYDOWN || Held(VK_SHIFT) ||
                                             Held(VK_CONTROL) || Held(VK_MENU)});
        // Alt+F4 and the system's other keys.
        return msg == WM_SYSKEYDOWN ? DefWindowProcW(m_hwnd, msg, wp, lp) : 0;
    case WM_CLOSE:
        Feed(show::in::CloseRequest{});
        return 0;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            Feed(show::in::Resized{WindowBox()});
        return 0;
    }
    case WM_ENTERSIZEMOVE:
        m_systemSizing = true;
        Feed(show::in::WindowSizing{true});
        return 0;
    case WM_EXITSIZEMOVE:
        Feed(show::in::WindowSizing{false});
        return 0;
    case WM_GETMINMAXINFO:
        if (m_border) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = POINT{show::kMinWindowSize, show::kMinWindowSize};
        }
        return 0;
    case WM_DPICHANGED:
        // The show keeps the place and size it gave the window, in the screen's pixels.
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        Paint(dc);
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUCHAR: {
        LRESULT result = 0;
        if (m_menu && m_menu->HandleMessage(m_hwnd, msg, wp, lp, result))
            return result;
        break;
    }
    case WM_DESTROY:
        m_hwnd = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, msg, wp, lp);
}

void WinShell::DeliverFrames() {
    if (!m_frames)
        return;
    for (const show::FrameMaker::Result& r : m_frames->TakeResults())
        Feed(r.made ? show::Event(show::in::FrameReady{r.spec})
                    : show::Event(show::in::FrameFailed{r.spec, r.outOfMemory}));
}

// ---- The engine's answers ----------------------------------------------------------------

void WinShell::Feed(const show::Event& event) {
    if (!m_engine || m_ended)
        return;
    m_queue.push_back(event);
    if (m_feeding)
        return;
    m_feeding = true;
    Pump();
    m_feeding = false;
}

void WinShell::Pump() {
    while (!m_queue.empty() && !m_ended) {
        const show::Event event = std::move(m_queue.front());
        m_queue.pop_front();
        const std::vector<show::Action> answer = m_engine->Handle(event);
        for (const show::Action& a : answer) {
            if (std::holds_alternative<show::out::OpenMenu>(a) ||
                std::holds_alternative<show::out::ShowMessage>(a)) {
                // What the earlier actions caused comes first; while the menu or the
                // message is open, events go through at once.
                Pump();
                m_feeding = false;
                Carry(a);
                m_feeding = true;
            } else {
                Carry(a);
            }
        }
    }
    if (m_ended)
        m_queue.clear();
}

void WinShell::Carry(const show::Action& action) {
    std::visit([this](const auto& a) { Do(a); }, action);
}

void WinShell::Do(const show::out::PlaceWindow& a) {
    if (!m_hwnd)
        return;
    // The place in the stacking order changes only with the top-most state: a show
    // placed again never climbs over a message kept above it. The window is painted
    // whole after every change of size: its old pixels need not be kept.
    UINT flags = SWP_NOACTIVATE | SWP_NOCOPYBITS;
    HWND after = nullptr;
    if (a.topMost != m_topMost) {
        after = a.topMost ? HWND_TOPMOST : HWND_NOTOPMOST;
        m_topMost = a.topMost;
    } else {
        flags |= SWP_NOZORDER;
    }
    SetWindowPos(m_hwnd, after, a.rect.left, a.rect.top, a.rect.width, a.rect.height, flags);
}

void WinShell::Do(const show::out::SetTopMost& a) {
    PlaceOnTop(a.on);
}

void WinShell::PlaceOnTop(bool on) {
    m_topMost = on;
    if (m_hwnd)
        SetWindowPos(m_hwnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WinShell::Do(const show::out::ShowWindow& a) {
    if (!m_hwnd)
        return;
    // Only a show that had the keyboard takes it back: a show playing beside the user's
    // work never steals the focus at a switch.
    if (a.takeFocus || m_activeWhenHidden) {
        ::ShowWindow(m_hwnd, SW_SHOW);
        SetForegroundWindow(m_hwnd);
        SetFocus(m_hwnd);
    } else {
        ::ShowWindow(m_hwnd, SW_SHOWNA);
    }
}

void WinShell::Do(const show::out::HideWindow&) {
    if (!m_hwnd)
        return;
    m_activeWhenHidden = GetForegroundWindow() == m_hwnd;
    ::ShowWindow(m_hwnd, SW_HIDE);
}

void WinShell::Do(const show::out::SetSizingBorder& a) {
    m_border = a.on;
    if (m_hwnd)
        InvalidateRect(m_hwnd, nullptr, FALSE);
}

void WinShell::Do(const show::out::StartTimer& a) {
    if (m_hwnd)
        SetTimer(m_hwnd, a.timer == show::Timer::Zoom ? kZoomTimer : kSecondTimer, UINT(a.periodMs),
                 nullptr);
}

void WinShell::Do(const show::out::StopTimer& a) {
    if (m_hwnd)
        KillTimer(m_hwnd, a.timer == show::Timer::Zoom ? kZoomTimer : kSecondTimer);
}

void WinShell::Do(const show::out::PrepareFrame& a) {
    m_frames->Ask(a.request);
}

void WinShell::Do(const show::out::ShowFrame& a) {
    show::FramePtr frame = m_frames->Made(a.spec);
    if (!frame || !m_hwnd)
        return;
    m_frame = std::move(frame);
    // Painted when nothing else waits: the placements and frames of one burst of the
    // show's actions (an opening step, a switch) go on the screen in one paint, whole.
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void WinShell::Paint(HDC dc) {
    // The see-through colour changes with the frame it belongs to.
    if (m_frame && ColorOf(m_frame->key) != m_key) {
        m_key = ColorOf(m_frame->key);
        SetLayeredWindowAttributes(m_hwnd, m_key, 0, LWA_COLORKEY);
    }
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const int w = client.right, h = client.bottom;
    int fw = 0, fh = 0;
    if (m_frame && m_frame->image.width > 0 && m_frame->image.height > 0) {
        const show::Raster& image = m_frame->image;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = image.width;
        bi.bmiHeader.biHeight = -image.height; // top row first
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        // The frame may be smaller or larger than the window while the window opens.
        if (SetDIBitsToDevice(dc, 0, 0, DWORD(image.width), DWORD(image.height), 0, 0, 0,
                              UINT(image.height), image.pixels.data(), &bi, DIB_RGB_COLORS)) {
            fw = std::min(image.width, w);
            fh = std::min(image.height, h);
        }
    }
    // What no frame covers is see-through.
    FillBox(dc, fw, 0, w, h, m_key);
    FillBox(dc, 0, fh, fw, h, m_key);
    if (m_border) {
        // The sizing border: a grey ring, dark outside, light and dark lines inside it.
        const int b = show::kBorderWidth;
        const COLORREF face = BesideKey(RGB(212, 208, 200), m_key);
        FillBox(dc, 0, 0, w, b, face);
        FillBox(dc, 0, h - b, w, h, face);
        FillBox(dc, 0, 0, b, h, face);
        FillBox(dc, w - b, 0, w, h, face);
        FrameBox(dc, 0, 0, w, h, BesideKey(RGB(64, 64, 64), m_key));
        FrameBox(dc, 1, 1, w - 1, h - 1, BesideKey(RGB(255, 255, 255), m_key));
        FrameBox(dc, b - 1, b - 1, w - b + 1, h - b + 1, BesideKey(RGB(128, 128, 128), m_key));
    }
}

void WinShell::Do(const show::out::SetTooltip& a) {
    if (!m_hwnd)
        return;
    if (!m_tooltip) {
        // The tooltip fades neither in nor out and follows every move over the window;
        // at most 512 px wide, so its text takes two lines; in the runtime's own font.
        m_tooltip = CreateWindowExW(
            WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
            WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_NOFADE | TTS_NOANIMATE, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, m_instance, nullptr);
        if (!m_tooltip)
            return;
        SendMessageW(m_tooltip, WM_SETFONT, WPARAM(UiFont(WindowDpi(m_hwnd))), FALSE);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = UINT_PTR(m_hwnd);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, LPARAM(&tool));
        SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, show::kTooltipWidth);
    }
    m_tipText = Wide(a.text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hwnd;
    tool.uId = UINT_PTR(m_hwnd);
    tool.lpszText = m_tipText.data();
    SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
}

void WinShell::Do(const show::out::SetCursor& a) {
    m_cursor = LoadCursorW(nullptr, kCursors[size_t(a.cursor)]);
    POINT p{};
    GetCursorPos(&p);
    if (m_hwnd && (GetCapture() == m_hwnd || WindowFromPoint(p) == m_hwnd))
        ::SetCursor(m_cursor);
}

void WinShell::Do(const show::out::CapturePointer&) {
    if (m_hwnd)
        SetCapture(m_hwnd);
}

void WinShell::Do(const show::out::ReleasePointer&) {
    m_releasing = true;
    if (m_hwnd && GetCapture() == m_hwnd)
        ReleaseCapture();
    m_releasing = false;
}

void WinShell::Do(const show::out::StartSystemResize& a) {
    // The system's sizing runs a loop of its own: it starts once this answer is done, so
    // that what happens meanwhile reaches the show at once.
    if (m_hwnd)
        PostMessageW(m_hwnd, kSystemResize, WPARAM(a.edges), 0);
}

void WinShell::SystemResize(unsigned edges) {
    if (m_ended || !m_hwnd)
        return;
    // The sides as the system counts them: left 1, right 2, top 3, top-left 4, top-right
    // 5, bottom 6, bottom-left 7, bottom-right 8.
    WPARAM side = 0;
    if (edges & show::kTopEdge)
        side = 3;
    else if (edges & show::kBottomEdge)
        side = 6;
    if (edges & show::kLeftEdge)
        side += 1;
    else if (edges & show::kRightEdge)
        side += 2;
    m_systemSizing = false;
    if (side != 0 && Held(VK_LBUTTON)) {
        POINT p{};
        GetCursorPos(&p);
        SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_SIZE | side, MAKELPARAM(p.x, p.y));
    }
    // The system would not: the show follows the pointer itself.
    if (!m_systemSizing)
        Feed(show::in::SystemResizeRefused{});
}

void WinShell::Do(const show::out::OpenMenu& a) {
    if (!m_hwnd)
        return;
    std::optional<show::Command> chosen;
    {
        PopupMenu menu(a.items);
        m_menu = &menu;
        chosen = menu.Track(m_hwnd, POINT{a.at.x, a.at.y});
        m_menu = nullptr;
    }
    if (chosen)
        Feed(show::in::Choose{*chosen});
    Feed(show::in::MenuClosed{});
}

void WinShell::Do(const show::out::ShowMessage& a) {
    ShowMessageWindow(m_hwnd, a.id, Wide(a.prefix), a.kind == show::MessageKind::Error);
    Feed(show::in::MessageClosed{});
}

void WinShell::Do(const show::out::StoreHeader&) {
    // A player never writes its document back.
}

void WinShell::Do(const show::out::StoreSlide&) {}

void WinShell::Do(const show::out::EndShow& a) {
    m_ended = true;
    m_failed = a.failed;
    if (!m_hwnd)
        return;
    KillTimer(m_hwnd, kZoomTimer);
    KillTimer(m_hwnd, kSecondTimer);
    if (GetCapture() == m_hwnd) {
        m_releasing = true;
        ReleaseCapture();
        m_releasing = false;
    }
    if (m_menu)
        EndMenu();
    if (m_tooltip)
        DestroyWindow(m_tooltip);
    m_tooltip = nullptr;
    DestroyWindow(m_hwnd);
}

} // namespace winplayer
