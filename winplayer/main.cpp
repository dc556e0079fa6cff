// The Windows player runtime: a plain Win32 program that plays the document stream
// stored at the end of its own file (a created executable), or the .lsr document named
// as its argument. It shows the slides as the slideshow window does: a borderless,
// topmost-on-request layered window whose key colour is see-through and click-through,
// growing from the mouse pointer, switching by its timer or by clicks, with the context
// menu, the keys, moving and sizing. Every text is UTF-16.
//
// The document is read in place (a read-only mapping of the file), and each picture is
// decoded by codec/ at the size it is drawn: the show holds the slide on show and the
// next one at most, each no larger than the window, whatever the pictures declare.

#include "codec/Codec.h"
#include "base/NumberRanges.h"
#include "document/StreamLayout.h"
#include "slideshow/ShowArithmetic.h"
#include "slideshow/ShowPicture.h"
#include "slideshow/ShowRaster.h"
#include "winplayer/Sources.h"

#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <vector>

using namespace show;

namespace {

// ---- Texts ---------------------------------------------------------------------------

struct MessageEntry {
    int id;
    const char* text;
};
const MessageEntry kMessages[] = {
#include "base/MessageTable.inc"
};

enum : int {
    kOutOfMemory = 30001,
    kWrongFileFormat = 30019,
    kWrongVersion = 30020,
    kTooManySlidesInFile = 30043,
    kNothingToPlay = 30341,
    kNoSlidesToPlay = 30342,
    kNoSlideCanBeShown = 30343,
    kSlidesSkipped = 30344,
};

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::wstring MessageText(int id) {
    for (const MessageEntry& e : kMessages)
        if (e.id == id)
            return Wide(e.text);
    return std::wstring();
}

/// This program's own file, however long its path.
std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

/// The caption of every message: the program's file name without its extension.
std::wstring ApplicationName() {
    std::wstring name = ProgramPath();
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

/// With LSR_MESSAGE_LOG naming a file, every message shown is also appended to it
/// (UTF-8, one message and a line break each): what the tests read, as a message box's
/// text cannot be read from the screen.
void LogMessage(const std::wstring& text) {
    wchar_t path[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableW(L"LSR_MESSAGE_LOG", path, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return;
    HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    const std::string line = Utf8(text) + "\n";
    DWORD written = 0;
    WriteFile(log, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(log);
}

/// Shows message `id` after `prefix`, owned by `owner` (which it disables meanwhile).
void ShowMessage(int id, const std::wstring& prefix, UINT icon, HWND owner = nullptr) {
    const std::wstring text = prefix + MessageText(id);
    LogMessage(text);
    MessageBoxW(owner, text.c_str(), ApplicationName().c_str(), MB_OK | icon | MB_TOPMOST);
}

// ---- The slideshow window --------------------------------------------------------------

enum Command : UINT {
    kLoop = 101,
    kTimerSwitch = 102,
    kEnd = 115,
    kResizeMode = 116,
    kTopMost = 127,
    kClickSwitch = 129,
    kFlipHorizontal = 130,
    kFlipVertical = 131,
    kFitToWindow = 132,
};

constexpr UINT_PTR kZoomTimer = 21;
constexpr UINT_PTR kSecondTimer = 22;
constexpr UINT kDecodeNext = WM_APP + 1; // decode the next slide while this one shows
constexpr int kBorder = 6;               // width of the sizing border in size-change mode
const wchar_t kClassName[] = L"LuserioSlideshow";

class Slideshow {
public:
    /// The show of `doc`, parsed from the stream at `stream` (which stays mapped while
    /// the show runs).
    Slideshow(const unsigned char* stream, layout::ParsedStream doc)
        : m_stream(stream), m_doc(std::move(doc)), m_slides(m_doc.slides.size()) {}

    /// The opening sequence; false when there is nothing to show (after a message).
    bool Open(HINSTANCE instance);
    /// What the program returns when the show has ended: 1 when it ended because no
    /// slide could be shown, else 0.
    int ExitCode() const { return m_exitCode; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    bool SlideOnShow() const { return m_index >= 0 && m_index < int(m_doc.slides.size()); }
    layout::StreamSlide& Slide() { return m_doc.slides[size_t(m_index)]; }
    /// The see-through colour of slide `index`, as the desktop stores colours.
    COLORREF KeyOf(int index) const;

    void OnZoomTimer();
    void OnSecondTimer();
    bool SwitchToNext();
    /// Says once which slides were passed over because their pictures do not decode.
    void ReportSkipped(const std::vector<int>& skipped);
    /// A message over the show: the show stands still until it is answered.
    void ShowMessageOverShow(int id, const std::wstring& prefix, UINT icon);
    /// Decodes the picture of the slide that follows the one on show ahead of its turn.
    void DecodeNext();
    void RunCommand(UINT command);
    void OpenContextMenu(POINT at);
    void EndShow();
    void ApplyTopMost();
    void UpdateTooltip();

    /// The size of the window the pictures are decoded for: while the window grows at
    /// the opening, the size it grows to.
    void DecodeWindow(int& width, int& height) const;
    /// The picture of slide `index` decoded to be drawn in the window (a reduced one
    /// decoded again when the size it is drawn at has changed, except while the user is
    /// still dragging the sizing border); null when it does not decode, and the slide is
    /// marked as failed. Only `index` and `alsoKeep` stay decoded.
    const Raster* Picture(int index, int alsoKeep);
    /// Rebuilds the frame when the slide, its flips, the fit or the window size changed.
    void PrepareFrame();
    void Paint(HDC dc);
    void StoreRect(const RECT& r);
    LRESULT HitTest(POINT screen) const;

    const unsigned char* m_stream;
    layout::ParsedStream m_doc;
    /// What the show learnt of each slide's picture.
    struct SlideState {
        bool infoRead = false;
        codec::Info info;      ///< the format and size its header declares
        bool failed = false;   ///< it does not decode: the show passes over it
        bool reported = false; ///< the user was told so
    };
    std::vector<SlideState> m_slides;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    std::wstring m_tipText;
    int m_index = 0;
    int m_elapsed = 0;
    int m_zoomStep = 0;
    POINT m_start{};
    Box m_target;
    bool m_resizeMode = false;
    bool m_dragging = false;
    POINT m_dragPoint{};
    bool m_ended = false;
    bool m_sizing = false; ///< the user is dragging the sizing border
    int m_messagesUp = 0;  ///< message boxes open over the show: it stands still
    int m_messagesShown = 0;
    int m_next = -1; ///< the slide decoded ahead, or -1
    int m_exitCode = 0;

    std::map<int, Raster> m_pictures;
    struct FrameKey {
        int index = -2, width = 0, height = 0;
        bool flipH = false, flipV = false, fit = false, resize = false;
        bool operator==(const FrameKey& o) const {
            return index == o.index && width == o.width && height == o.height && flipH == o.flipH &&
                   flipV == o.flipV && fit == o.fit && resize == o.resize;
        }
    };
    FrameKey m_frameKey;
    Raster m_frame;
};

COLORREF Slideshow::KeyOf(int index) const {
    const std::uint32_t stored = index >= 0 && index < int(m_doc.slides.size())
                                     ? m_doc.slides[size_t(index)].storedKey
                                     : layout::kStoredNoKey;
    return stored == layout::kStoredNoKey ? COLORREF(kNoKeyFillStored)
                                          : COLORREF(stored & 0x00FFFFFFu);
}

void Slideshow::StoreRect(const RECT& r) {
    m_doc.header.rect[0] = r.left;
    m_doc.header.rect[1] = r.top;
    m_doc.header.rect[2] = r.right;
    m_doc.header.rect[3] = r.bottom;
}

/// The work area of the screen holding `at`, or of the nearest one.
Box WorkAreaAt(POINT at) {
    RECT work{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info))
        work = info.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return Box{work.left, work.top, work.right - work.left, work.bottom - work.top};
}

bool Slideshow::Open(HINSTANCE instance) {
    if (m_doc.slides.empty())
        return false;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return false;

    // The show opens on the screen under the pointer. A stored rectangle that lies on
    // another screen, or on one that is gone, is moved onto it keeping its place
    // relative to the screen it was on.
    GetCursorPos(&m_start);
    const Box area = WorkAreaAt(m_start);
    const std::int32_t* r = m_doc.header.rect;
    int fromX = 0, fromY = 0, cx = 0, cy = 0;
    MONITORINFO storedOn{};
    storedOn.cbSize = sizeof storedOn;
    HMONITOR monitor = StoredCentreOf(r[0], r[1], r[2], r[3], cx, cy)
                           ? MonitorFromPoint(POINT{cx, cy}, MONITOR_DEFAULTTONULL)
                           : nullptr;
    if (monitor && GetMonitorInfoW(monitor, &storedOn)) {
        fromX = storedOn.rcWork.left;
        fromY = storedOn.rcWork.top;
    }
    m_target = BringBoxOntoScreen(r[0], r[1], r[2], r[3], fromX, fromY, area);
    StoreRect(RECT{m_target.left, m_target.top, m_target.left + m_target.width,
                   m_target.top + m_target.height});

    // The show starts with the first slide whose picture decodes, at the size the window
    // grows to; the slides passed over are named once. With none, there is no show.
    m_zoomStep = 0;
    std::vector<int> skipped;
    m_index = -1;
    for (int i = 0; i < int(m_doc.slides.size()) && m_index < 0; ++i) {
        if (Picture(i, -1))
            m_index = i;
        else
            skipped.push_back(i);
    }
    if (m_index < 0) {
        ShowMessage(kNoSlideCanBeShown, std::wstring(), MB_ICONERROR);
        return false;
    }
    ReportSkipped(skipped);

    const DWORD exStyle =
        WS_EX_LAYERED | WS_EX_TOOLWINDOW | (m_doc.header.topMost ? WS_EX_TOPMOST : 0);
    m_hwnd = CreateWindowExW(exStyle, kClassName, ApplicationName().c_str(), WS_POPUP, m_start.x,
                             m_start.y, kStartSize, kStartSize, nullptr, nullptr, instance, this);
    if (!m_hwnd)
        return false;
    SetLayeredWindowAttributes(m_hwnd, KeyOf(m_index), 0, LWA_COLORKEY);

    // The tooltip: no fading, every move relayed, at most 512 px wide (two lines).
    m_tooltip = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_NOFADE | TTS_NOANIMATE, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, instance, nullptr);
    if (m_tooltip) {
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = UINT_PTR(m_hwnd);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, LPARAM(&tool));
        SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    }

    SetTimer(m_hwnd, kZoomTimer, kZoomPeriodMs, nullptr);
    SetTimer(m_hwnd, kSecondTimer, kSecondPeriodMs, nullptr);
    m_elapsed = 0;
    return true;
}

LRESULT CALLBACK Slideshow::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<Slideshow*>(create->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<Slideshow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

void Slideshow::ApplyTopMost() {
    SetWindowPos(m_hwnd, m_doc.header.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Slideshow::OnZoomTimer() {
    if (m_ended || m_zoomStep >= kZoomSteps) {
        KillTimer(m_hwnd, kZoomTimer);
        return;
    }
    const Box b = ZoomStepBox(m_start.x, m_start.y, m_target, m_zoomStep);
    SetWindowPos(m_hwnd, m_doc.header.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, b.left, b.top,
                 b.width, b.height, SWP_NOACTIVATE);
    if (m_zoomStep == 0) {
        // The show opens in front with the keyboard (Esc and the arrow keys).
        ::ShowWindow(m_hwnd, SW_SHOW);
        SetForegroundWindow(m_hwnd);
        SetFocus(m_hwnd);
    }
    if (++m_zoomStep >= kZoomSteps) {
        KillTimer(m_hwnd, kZoomTimer);
        InvalidateRect(m_hwnd, nullptr, FALSE);
        UpdateWindow(m_hwnd);
        PostMessageW(m_hwnd, kDecodeNext, 0, 0);
    }
}

void Slideshow::OnSecondTimer() {
    // A message over the show holds it, as its owner is then disabled to the user.
    if (m_ended || m_messagesUp > 0 || !SlideOnShow() || !m_doc.header.timerSwitch)
        return;
    ++m_elapsed;
    if (m_elapsed >= int(Slide().switchTime) && !SwitchToNext()) {
        KillTimer(m_hwnd, kSecondTimer);
        EndShow();
    }
}

bool Slideshow::SwitchToNext() {
    // The next slide whose picture decodes (decoded ahead as a rule); the slides passed
    // over on the way are named once, after the switch.
    const int count = int(m_doc.slides.size());
    std::vector<int> skipped;
    int next = -1;
    bool atEnd = false;
    for (int step = 1; step <= count && next < 0; ++step) {
        int candidate = m_index + step;
        if (candidate >= count) {
            if (!m_doc.header.loop) {
                atEnd = true;
                break;
            }
            candidate -= count;
        }
        if (Picture(candidate, m_index))
            next = candidate;
        else if (!m_slides[size_t(candidate)].reported)
            skipped.push_back(candidate);
    }
    if (next < 0) {
        // The end of the slides without looping; or, looping, none decodes any more.
        ReportSkipped(skipped);
        if (atEnd) {
            m_index = count;
        } else {
            m_exitCode = 1;
            ShowMessageOverShow(kNoSlideCanBeShown, std::wstring(), MB_ICONERROR);
        }
        return false;
    }
    m_index = next;
    m_next = -1;
    m_elapsed = 0;
    // Hidden while the new frame is made, then shown: the new slide appears whole. The
    // show takes the keyboard back only when it had it.
    const bool active = GetForegroundWindow() == m_hwnd;
    const bool visible = IsWindowVisible(m_hwnd);
    if (visible)
        ::ShowWindow(m_hwnd, SW_HIDE);
    PrepareFrame();
    if (visible) {
        ::ShowWindow(m_hwnd, active ? SW_SHOW : SW_SHOWNA);
        ApplyTopMost();
        if (active)
            SetForegroundWindow(m_hwnd);
        InvalidateRect(m_hwnd, nullptr, FALSE);
        UpdateWindow(m_hwnd);
    }
    ReportSkipped(skipped);
    PostMessageW(m_hwnd, kDecodeNext, 0, 0);
    return true;
}

void Slideshow::ReportSkipped(const std::vector<int>& skipped) {
    if (skipped.empty())
        return;
    std::vector<int> numbers;
    for (int index : skipped) {
        m_slides[size_t(index)].reported = true;
        numbers.push_back(index + 1);
    }
    std::sort(numbers.begin(), numbers.end());
    ShowMessageOverShow(kSlidesSkipped, L"スライド " + Wide(NumberRangesText(numbers)) + L"\n",
                        MB_ICONINFORMATION);
}

void Slideshow::ShowMessageOverShow(int id, const std::wstring& prefix, UINT icon) {
    // The box's own loop still brings the timers' ticks: they are let pass meanwhile.
    ++m_messagesUp;
    ++m_messagesShown;
    ShowMessage(id, prefix, icon, m_hwnd);
    --m_messagesUp;
}

void Slideshow::DecodeNext() {
    const int count = int(m_doc.slides.size());
    if (m_ended || !SlideOnShow() || count < 2)
        return;
    // The first of the slides that follow whose picture decodes; failed ones are named
    // when the show passes over them.
    for (int step = 1; step < count; ++step) {
        int candidate = m_index + step;
        if (candidate >= count) {
            if (!m_doc.header.loop)
                return;
            candidate -= count;
        }
        if (Picture(candidate, m_index)) {
            m_next = candidate;
            return;
        }
    }
}

void Slideshow::EndShow() {
    if (m_ended)
        return;
    m_ended = true;
    KillTimer(m_hwnd, kZoomTimer);
    KillTimer(m_hwnd, kSecondTimer);
    if (m_dragging) {
        m_dragging = false;
        ReleaseCapture();
    }
    DestroyWindow(m_hwnd);
}

void Slideshow::RunCommand(UINT command) {
    layout::StreamHeader& h = m_doc.header;
    switch (command) {
    case kFlipHorizontal:
        if (SlideOnShow())
            Slide().flipH = Slide().flipH ? 0 : 1;
        break;
    case kFlipVertical:
        if (SlideOnShow())
            Slide().flipV = Slide().flipV ? 0 : 1;
        break;
    case kResizeMode:
        m_resizeMode = !m_resizeMode;
        // Size-change mode pauses the count; leaving it resumes where it stood.
        if (m_resizeMode)
            KillTimer(m_hwnd, kSecondTimer);
        else
            SetTimer(m_hwnd, kSecondTimer, kSecondPeriodMs, nullptr);
        break;
    case kFitToWindow:
        h.fitToWindow = h.fitToWindow ? 0 : 1;
        break;
    case kTopMost:
        h.topMost = h.topMost ? 0 : 1;
        ApplyTopMost();
        return;
    case kLoop:
        h.loop = h.loop ? 0 : 1;
        return;
    case kTimerSwitch:
    case kClickSwitch:
        h.timerSwitch = h.timerSwitch ? 0 : 1;
        return;
    case kEnd:
        EndShow();
        return;
    default:
        return;
    }
    PrepareFrame();
    InvalidateRect(m_hwnd, nullptr, FALSE);
    UpdateWindow(m_hwnd);
}

void Slideshow::OpenContextMenu(POINT at) {
    const layout::StreamHeader& h = m_doc.header;
    const bool slide = SlideOnShow();
    const auto mark = [](bool on) { return UINT(MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED)); };
    HMENU flips = CreatePopupMenu();
    AppendMenuW(flips, mark(slide && Slide().flipH), kFlipHorizontal, L"左右反転(&H)\t←,→");
    AppendMenuW(flips, mark(slide && Slide().flipV), kFlipVertical, L"上下反転(&V)\t↑,↓");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_POPUP | MF_STRING, UINT_PTR(flips), L"反転(&R)");
    AppendMenuW(menu, mark(m_resizeMode), kResizeMode, L"サイズ変更(&S)\tWClick");
    AppendMenuW(menu, mark(h.fitToWindow), kFitToWindow, L"サイズに合せて拡大(&E)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, mark(h.topMost), kTopMost, L"最前面に表示(&M)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, mark(h.loop), kLoop, L"連続に繰り返す(&L)");
    AppendMenuW(menu, mark(h.timerSwitch), kTimerSwitch, L"タイマー切替え(&A)");
    AppendMenuW(menu, mark(!h.timerSwitch), kClickSwitch, L"クリック切替え(&C)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kEnd, L"スライドショー終了(&X)\tESC");
    // Horizontally centred on the release point.
    SetForegroundWindow(m_hwnd);
    const UINT chosen =
        UINT(TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                            at.x, at.y, 0, m_hwnd, nullptr));
    DestroyMenu(menu); // destroys the sub-menu with it
    if (chosen && !m_ended)
        RunCommand(chosen);
}

void Slideshow::UpdateTooltip() {
    if (!m_tooltip || !SlideOnShow())
        return;
    const std::wstring text = Wide(ShowTooltipUtf8(m_index + 1, Slide().switchTime));
    if (text == m_tipText)
        return;
    m_tipText = text;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = m_hwnd;
    tool.uId = UINT_PTR(m_hwnd);
    tool.lpszText = m_tipText.data();
    SendMessageW(m_tooltip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
}

void Slideshow::DecodeWindow(int& width, int& height) const {
    if (m_zoomStep < kZoomSteps || !m_hwnd) {
        width = m_target.width;
        height = m_target.height;
        return;
    }
    RECT client;
    GetClientRect(m_hwnd, &client);
    width = client.right;
    height = client.bottom;
}

const Raster* Slideshow::Picture(int index, int alsoKeep) {
    SlideState& state = m_slides[size_t(index)];
    if (state.failed)
        return nullptr;
    const layout::StreamSlide& s = m_doc.slides[size_t(index)];
    if (!state.infoRead) {
        state.infoRead = true;
        if (s.imageLength > 0)
            state.info = codec::ReadInfo(m_stream + s.imageOffset, s.imageLength);
    }
    int width = 0, height = 0;
    DecodeWindow(width, height);
    const bool fit = m_doc.header.fitToWindow != 0;
    auto held = m_pictures.find(index);
    if (held != m_pictures.end()) {
        // A whole picture serves any size; a reduced one its own size, or any while the
        // user is still sizing the window (it is scaled meanwhile).
        const Raster& r = held->second;
        const Box want = ShowDecodeBox(state.info, width, height, fit);
        if (!r.coverage || m_sizing || (r.width == want.width && r.height == want.height))
            return &r;
    }
    // Only the slide asked for and the one to keep stay; the picture asked for is made
    // anew after the others have gone.
    for (auto i = m_pictures.begin(); i != m_pictures.end();)
        i = i->first == alsoKeep ? std::next(i) : m_pictures.erase(i);
    Raster picture;
    if (s.imageLength > 0) {
        const bool keyed = s.storedKey != layout::kStoredNoKey;
        const std::uint32_t key = PixelFromStored(KeyOf(index));
        picture = DecodeShowPicture(m_stream + s.imageOffset, s.imageLength, state.info, width,
                                    height, fit, key, keyed);
    }
    if (picture.pixels.empty()) {
        state.failed = true;
        return nullptr;
    }
    return &(m_pictures[index] = std::move(picture));
}

void Slideshow::PrepareFrame() {
    RECT client;
    GetClientRect(m_hwnd, &client);
    FrameKey key;
    key.index = m_index;
    key.width = client.right;
    key.height = client.bottom;
    key.fit = m_doc.header.fitToWindow != 0;
    key.resize = m_resizeMode;
    if (SlideOnShow()) {
        key.flipH = Slide().flipH != 0;
        key.flipV = Slide().flipV != 0;
    }
    if (key == m_frameKey && !m_frame.pixels.empty())
        return;
    m_frameKey = key;
    const COLORREF k = KeyOf(m_index);
    const std::uint32_t keyPixel = PixelFromStored(k);
    const bool keyed = SlideOnShow() && Slide().storedKey != layout::kStoredNoKey;
    static const Raster kNone;
    const Raster* held = SlideOnShow() ? Picture(m_index, m_next) : nullptr;
    const Raster& picture = held ? *held : kNone;
    const codec::Info info = SlideOnShow() ? m_slides[size_t(m_index)].info : codec::Info();
    try {
        m_frame = ComposeShowRaster(picture, info.width, info.height, keyPixel, keyed, key.width,
                                    key.height, key.fit, key.flipH, key.flipV);
    } catch (const std::bad_alloc&) {
        m_frame = Raster();
        return;
    }
    if (m_resizeMode) {
        // The sizing border, drawn over the frame: a grey ring with light and dark lines.
        const auto ring = [&](int x, int y) {
            return x < kBorder || y < kBorder || x >= key.width - kBorder ||
                   y >= key.height - kBorder;
        };
        for (int y = 0; y < key.height; ++y)
            for (int x = 0; x < key.width; ++x) {
                if (!ring(x, y))
                    continue;
                std::uint32_t c = 0xFFD4D0C8u;
                if (x == 0 || y == 0 || x == key.width - 1 || y == key.height - 1)
                    c = 0xFF404040u;
                else if (x == 1 || y == 1 || x == key.width - 2 || y == key.height - 2)
                    c = 0xFFFFFFFFu;
                m_frame.pixels[size_t(y) * size_t(key.width) + size_t(x)] = c;
            }
    }
    SetLayeredWindowAttributes(m_hwnd, k, 0, LWA_COLORKEY);
}

void Slideshow::Paint(HDC dc) {
    if (!SlideOnShow())
        return;
    PrepareFrame();
    if (m_frame.pixels.empty())
        return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = m_frame.width;
    bi.bmiHeader.biHeight = -m_frame.height; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, DWORD(m_frame.width), DWORD(m_frame.height), 0, 0, 0,
                      UINT(m_frame.height), m_frame.pixels.data(), &bi, DIB_RGB_COLORS);
}

LRESULT Slideshow::HitTest(POINT screen) const {
    if (!m_resizeMode)
        return HTCLIENT;
    RECT r;
    GetWindowRect(m_hwnd, &r);
    const bool left = screen.x < r.left + kBorder, right = screen.x >= r.right - kBorder;
    const bool top = screen.y < r.top + kBorder, bottom = screen.y >= r.bottom - kBorder;
    if (top && left)
        return HTTOPLEFT;
    if (top && right)
        return HTTOPRIGHT;
    if (bottom && left)
        return HTBOTTOMLEFT;
    if (bottom && right)
        return HTBOTTOMRIGHT;
    if (left)
        return HTLEFT;
    if (right)
        return HTRIGHT;
    if (top)
        return HTTOP;
    if (bottom)
        return HTBOTTOM;
    return HTCLIENT;
}

LRESULT Slideshow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kZoomTimer)
            OnZoomTimer();
        else if (wp == kSecondTimer)
            OnSecondTimer();
        return 0;
    case kDecodeNext:
        DecodeNext();
        return 0;
    case WM_ENTERSIZEMOVE:
        m_sizing = true;
        return 0;
    case WM_EXITSIZEMOVE:
        // The picture is decoded again for the size the user chose.
        m_sizing = false;
        m_frameKey = FrameKey();
        PrepareFrame();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        Paint(dc);
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HitTest(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_GETMINMAXINFO:
        if (m_resizeMode) {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            mm->ptMinTrackSize = POINT{kMinWindowSize, kMinWindowSize};
        }
        return 0;
    case WM_SIZE:
        if (m_resizeMode && m_zoomStep >= kZoomSteps) {
            // Only the user's sizing is stored, never the animation's steps.
            RECT r;
            GetWindowRect(m_hwnd, &r);
            StoreRect(r);
        }
        PrepareFrame();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: {
        if (m_ended)
            return 0;
        const int shown = m_messagesShown;
        if (!m_doc.header.timerSwitch && !m_resizeMode && !SwitchToNext()) {
            EndShow();
            return 0;
        }
        // A message shown by the switch took the press (and its release): no drag.
        if (m_ended || m_messagesShown != shown)
            return 0;
        SetCapture(m_hwnd);
        SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
        GetCursorPos(&m_dragPoint);
        m_dragging = true;
        return 0;
    }
    case WM_MOUSEMOVE: {
        UpdateTooltip();
        if (!m_dragging)
            return 0;
        POINT now;
        GetCursorPos(&now);
        if (now.x == m_dragPoint.x && now.y == m_dragPoint.y)
            return 0;
        RECT r;
        GetWindowRect(m_hwnd, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        // Kept inside the work area of the screen under the pointer while dragged.
        int x = r.left + (now.x - m_dragPoint.x);
        int y = r.top + (now.y - m_dragPoint.y);
        ClampPointToArea(x, y, w, h, WorkAreaAt(now));
        SetWindowPos(m_hwnd, m_doc.header.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
        StoreRect(RECT{x, y, x + w, y + h});
        m_dragPoint = now;
        return 0;
    }
    case WM_LBUTTONUP:
        if (m_dragging) {
            m_dragging = false;
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        m_dragging = false;
        return 0;
    case WM_LBUTTONDBLCLK:
        // The second press of a double click toggles size-change mode and nothing else.
        if (!m_ended)
            RunCommand(kResizeMode);
        return 0;
    case WM_RBUTTONUP: {
        POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(m_hwnd, &at);
        if (!m_ended)
            OpenContextMenu(at);
        return 0;
    }
    case WM_KEYDOWN:
        switch (wp) {
        case VK_ESCAPE:
            RunCommand(kEnd);
            break;
        case VK_LEFT:
        case VK_RIGHT:
            RunCommand(kFlipHorizontal);
            break;
        case VK_UP:
        case VK_DOWN:
            RunCommand(kFlipVertical);
            break;
        default:
            break;
        }
        return 0;
    case WM_CLOSE:
        EndShow();
        return 0;
    case WM_DESTROY:
        m_ended = true;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_hwnd, msg, wp, lp);
    }
}

// ---- Finding the slides ----------------------------------------------------------------

bool EndsWithLsr(const std::wstring& path) {
    return path.size() >= 4 && _wcsicmp(path.c_str() + path.size() - 4, L".lsr") == 0;
}

/// Where the stream embedded in this program's file lies: this file mapped into `self`
/// and the stream's span in it. False when there is none; `unreadable` when the file
/// cannot be read at all.
bool EmbeddedStream(winplayer::MappedFile& self, layout::EmbeddedSpan& span, bool& unreadable) {
    unreadable = !self.Open(ProgramPath());
    if (unreadable || self.size() < layout::kTrailerSize)
        return false;
    const auto found =
        layout::LocateEmbeddedStream(self.data() + self.size() - layout::kTrailerSize, self.size());
    if (!found)
        return false;
    span = *found;
    return true;
}

/// Shows why a stream was refused; true when it can be played.
bool Acceptable(const layout::ParsedStream& doc) {
    switch (doc.error) {
    case layout::StreamError::None:
        return true;
    case layout::StreamError::WrongFormat:
        ShowMessage(kWrongFileFormat, std::wstring(), MB_ICONERROR);
        return false;
    case layout::StreamError::WrongVersion:
        ShowMessage(kWrongVersion, std::wstring(), MB_ICONERROR);
        return false;
    case layout::StreamError::TooManySlides:
        ShowMessage(kTooManySlidesInFile,
                    std::to_wstring(doc.declaredCount) + L" > " +
                        std::to_wstring(layout::kMaxSlides) + L"\n",
                    MB_ICONERROR);
        return false;
    }
    return false;
}

int Run(HINSTANCE instance, int argc, wchar_t** argv) {
    // The stream is read where it lies: in this program's file, or in the temporary file
    // a .lsr document is extracted into. Only the pages the show reads become resident.
    winplayer::MappedFile file;
    layout::EmbeddedSpan span;
    const std::wstring argument = argc > 1 ? argv[1] : std::wstring();
    if (!argument.empty() && EndsWithLsr(argument)) {
        // A document file: a cabinet whose last member is the stream.
        if (!winplayer::ExtractLastMember(argument, file)) {
            ShowMessage(kWrongFileFormat, argument + L"\n", MB_ICONERROR);
            return 1;
        }
        span = layout::EmbeddedSpan{0, file.size()};
    } else {
        bool unreadable = false;
        if (!EmbeddedStream(file, span, unreadable)) {
            if (unreadable)
                ShowMessage(kWrongFileFormat, std::wstring(), MB_ICONERROR);
            else if (argument.empty())
                ShowMessage(kNothingToPlay, std::wstring(), MB_ICONINFORMATION);
            else
                ShowMessage(kWrongFileFormat, argument + L"\n", MB_ICONERROR);
            return 1;
        }
    }
    const unsigned char* stream = file.data() + span.offset;
    layout::ParsedStream doc = layout::ParseDocumentStream(stream, std::size_t(span.length));
    if (!Acceptable(doc))
        return 1;
    if (doc.slides.empty()) {
        ShowMessage(kNoSlidesToPlay, std::wstring(), MB_ICONINFORMATION);
        return 1;
    }

    Slideshow show(stream, std::move(doc));
    if (!show.Open(instance))
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return show.ExitCode();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Pixels are the screen's own: the frame is never stretched by the system.
    SetProcessDPIAware();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int code = 1;
    try {
        code = Run(instance, __argc, __wargv);
    } catch (const std::bad_alloc&) {
        ShowMessage(kOutOfMemory, std::wstring(), MB_ICONSTOP);
        code = 1;
    }
    return code;
}
