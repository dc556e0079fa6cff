#include "winplayer/WinUi.h"

#include "slideshow/ShowArithmetic.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace winplayer {

namespace {

struct MessageEntry {
    int id;
    const char* text;
};
const MessageEntry kMessages[] = {
#include "base/MessageTable.inc"
};

/// The messages the runtime may show: their glyphs decide the font too.
constexpr int kShownMessages[] = {30001, 30019, 30020, 30036, 30043, 30077,
                                  30300, 30341, 30342, 30343, 30344};

// ---- The UI font ---------------------------------------------------------------------

/// The usual interface fonts with Japanese glyphs, the most fitting first: those of
/// Windows, then those Linux desktops (and so wine) have.
const wchar_t* const kPreferredFaces[] = {
    L"Meiryo UI",           L"Meiryo",
    L"Yu Gothic UI",        L"Yu Gothic",
    L"MS UI Gothic",        L"MS PGothic",
    L"MS Gothic",           L"Noto Sans CJK JP",
    L"Noto Sans JP",        L"Source Han Sans JP",
    L"Source Han Sans",     L"IPAexGothic",
    L"IPAPGothic",          L"IPAGothic",
    L"TakaoPGothic",        L"VL PGothic",
    L"Droid Sans Japanese", L"Noto Sans CJK SC",
    L"Noto Sans CJK TC",    L"Noto Sans CJK KR",
    L"Microsoft YaHei UI",  L"Microsoft JhengHei UI",
    L"Malgun Gothic",       L"WenQuanYi Micro Hei",
    L"WenQuanYi Zen Hei",
};

struct FontScan {
    std::vector<std::wstring> all;
    std::vector<std::wstring> japanese; ///< faces the system lists with the Japanese charset
};

void AddOnce(std::vector<std::wstring>& list, const std::wstring& face) {
    if (std::find(list.begin(), list.end(), face) == list.end())
        list.push_back(face);
}

int CALLBACK CollectFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* scan = reinterpret_cast<FontScan*>(param);
    const std::wstring face = lf->lfFaceName;
    // '@' faces are the same fonts turned for vertical writing.
    if (face.empty() || face[0] == L'@')
        return 1;
    AddOnce(scan->all, face);
    if (lf->lfCharSet == SHIFTJIS_CHARSET)
        AddOnce(scan->japanese, face);
    return 1;
}

/// Every character the runtime's texts hold (menu, tooltip, messages), once each.
std::wstring TextsToShow() {
    std::string all = u8"反転(&R)" + show::ShowTooltipUtf8(100, 35999);
    for (show::Command c : show::kCommands)
        all += show::CommandText(c);
    for (int id : kShownMessages)
        all += Utf8(MessageText(id));
    std::wstring wide = Wide(all);
    std::wstring out;
    for (wchar_t c : wide)
        if (c > L' ' && out.find(c) == std::wstring::npos)
            out += c;
    return out;
}

/// How many of `text`'s characters the font `face` has glyphs for.
int GlyphsOf(HDC dc, const std::wstring& face, const std::wstring& text) {
    LOGFONTW lf{};
    lf.lfHeight = -16;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (!font)
        return 0;
    // Whatever font the system makes of the name is the one the texts are drawn in.
    HGDIOBJ old = SelectObject(dc, font);
    int found = 0;
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(dc, text.c_str(), int(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR)
        found =
            int(std::count_if(glyphs.begin(), glyphs.end(), [](WORD g) { return g != 0xFFFF; }));
    SelectObject(dc, old);
    DeleteObject(font);
    return found;
}

std::wstring ChooseFace() {
    HDC dc = GetDC(nullptr);
    FontScan scan;
    LOGFONTW any{};
    any.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &any, CollectFace, LPARAM(&scan), 0);
    const std::wstring text = TextsToShow();
    std::vector<std::wstring> order;
    for (const wchar_t* face : kPreferredFaces)
        for (const std::wstring& have : scan.all)
            if (lstrcmpiW(have.c_str(), face) == 0)
                AddOnce(order, have);
    for (const std::wstring& face : scan.japanese)
        AddOnce(order, face);
    for (const std::wstring& face : scan.all)
        AddOnce(order, face);
    std::wstring best;
    int bestGlyphs = -1;
    for (const std::wstring& face : order) {
        const int glyphs = GlyphsOf(dc, face, text);
        if (glyphs > bestGlyphs) {
            best = face;
            bestGlyphs = glyphs;
        }
        if (glyphs == int(text.size()))
            break;
    }
    ReleaseDC(nullptr, dc);
    if (best.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            best = metrics.lfMessageFont.lfFaceName;
    }
    return best;
}

std::wstring WithoutAccessMarks(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

/// The access key of a menu text (the character after a single '&'), or 0.
wchar_t AccessKey(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&')
            return text[i + 1];
        ++i;
    }
    return 0;
}

wchar_t Upper(wchar_t c) {
    return wchar_t(reinterpret_cast<UINT_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(UINT_PTR(c)))));
}

int Scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, 96);
}

// ---- The message window ---------------------------------------------------------------

/// A dialog template built in memory: the header, then the items, each on a 4-byte
/// boundary.
class DialogTemplate {
public:
    void Header(DWORD style, WORD items, const std::wstring& title, WORD points,
                const std::wstring& face) {
        Dword(style);
        Dword(0); // extended style
        Word(items);
        for (int i = 0; i < 4; ++i)
            Word(0); // placed when it opens
        Word(0);     // no menu
        Word(0);     // the dialog class
        String(title);
        Word(points);
        String(face);
    }
    void Item(DWORD style, WORD id, WORD atom, const std::wstring& text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (int i = 0; i < 4; ++i)
            Word(0);
        Word(id);
        Word(0xFFFF);
        Word(atom);
        String(text);
        Word(0); // no creation data
    }
    const DLGTEMPLATE* data() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void String(const std::wstring& s) {
        for (wchar_t c : s)
            Word(WORD(c));
        Word(0);
    }
    void Align() {
        if (m_words.size() % 2)
            Word(0);
    }
    std::vector<WORD> m_words;
};

constexpr WORD kIconId = 100;
constexpr WORD kTextId = 101;
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;

struct MessageBoxData {
    std::wstring text;
    bool error = false;
};

/// The work area of the monitor under `window`, or under the pointer without one.
RECT WorkAreaFor(HWND window) {
    HMONITOR monitor = nullptr;
    if (window && IsWindowVisible(window)) {
        monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    } else {
        POINT p{};
        GetCursorPos(&p);
        monitor = MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST);
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (monitor && GetMonitorInfoW(monitor, &info))
        area = info.rcWork;
    return area;
}

void LayOutMessage(HWND dlg, const MessageBoxData& data) {
    const int dpi = WindowDpi(dlg);
    HFONT font = UiFont(dpi);
    HWND icon = GetDlgItem(dlg, kIconId);
    HWND text = GetDlgItem(dlg, kTextId);
    HWND button = GetDlgItem(dlg, IDOK);
    for (HWND w : {text, button})
        SendMessageW(w, WM_SETFONT, WPARAM(font), FALSE);
    SendMessageW(icon, STM_SETICON,
                 WPARAM(LoadIconW(nullptr, data.error ? IDI_ERROR : IDI_INFORMATION)), 0);
    SetWindowTextW(text, data.text.c_str());

    const RECT area = WorkAreaFor(GetWindow(dlg, GW_OWNER));
    const int margin = Scaled(14, dpi);
    const int gap = Scaled(12, dpi);
    const int iconSide = GetSystemMetrics(SM_CXICON);
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, font);
    RECT measured{0, 0, std::max(Scaled(200, dpi), int(area.right - area.left) * 3 / 5), 0};
    DrawTextW(dc, data.text.c_str(), int(data.text.size()), &measured,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SIZE ok{};
    GetTextExtentPoint32W(dc, L"OK", 2, &ok);
    SelectObject(dc, old);
    ReleaseDC(text, dc);

    const int textW = measured.right, textH = measured.bottom;
    const int buttonW = std::max(Scaled(88, dpi), int(ok.cx) + Scaled(24, dpi));
    const int buttonH = std::max(Scaled(26, dpi), int(ok.cy) + Scaled(10, dpi));
    const int bodyH = std::max(iconSide, textH);
    const int clientW = std::max(margin + iconSide + gap + textW + margin, buttonW + 2 * margin);
    const int clientH = margin + bodyH + gap + buttonH + margin;
    MoveWindow(icon, margin, margin, iconSide, iconSide, FALSE);
    MoveWindow(text, margin + iconSide + gap, margin + (bodyH - textH) / 2, textW, textH, FALSE);
    MoveWindow(button, clientW - margin - buttonW, margin + bodyH + gap, buttonW, buttonH, FALSE);

    RECT frame{0, 0, clientW, clientH};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    const int x = area.left + std::max(0, int(area.right - area.left - w) / 2);
    const int y = area.top + std::max(0, int(area.bottom - area.top - h) / 2);
    // Above every window, also a show kept above the others.
    SetWindowPos(dlg, HWND_TOPMOST, x, y, w, h, 0);
}

INT_PTR CALLBACK MessageProcedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        const auto* data = reinterpret_cast<const MessageBoxData*>(lp);
        SetWindowTextW(dlg, ApplicationName().c_str());
        LayOutMessage(dlg, *data);
        MessageBeep(data->error ? MB_ICONERROR : MB_ICONINFORMATION);
        SetForegroundWindow(dlg);
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dlg, IDOK);
        return TRUE;
    default:
        return FALSE;
    }
}

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

} // namespace

// ---- Texts -------------------------------------------------------------------------------

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
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

std::wstring MessageText(int id) {
    for (const MessageEntry& e : kMessages)
        if (e.id == id)
            return Wide(e.text);
    return std::wstring();
}

// ---- The UI font -------------------------------------------------------------------------

const std::wstring& UiFontFace() {
    static std::once_flag chosen;
    static std::wstring face;
    std::call_once(chosen, [] { face = ChooseFace(); });
    return face;
}

HFONT UiFont(int dpi) {
    static std::map<int, HFONT> fonts;
    if (dpi <= 0)
        dpi = 96;
    const auto it = fonts.find(dpi);
    if (it != fonts.end())
        return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, UiFontFace().c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (!font)
        font = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    fonts[dpi] = font;
    return font;
}

int WindowDpi(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (forWindow && window)
        if (const UINT dpi = forWindow(window))
            return int(dpi);
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// ---- Messages ----------------------------------------------------------------------------

void ShowMessageWindow(HWND owner, int id, const std::wstring& prefix, bool error) {
    MessageBoxData data;
    data.text = prefix + MessageText(id);
    data.error = error;
    LogMessage(data.text);
    DialogTemplate t;
    t.Header(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 3, ApplicationName(),
             9, UiFontFace());
    t.Item(SS_ICON, kIconId, kStaticAtom, std::wstring());
    t.Item(SS_LEFT | SS_NOPREFIX, kTextId, kStaticAtom, std::wstring());
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, kButtonAtom, L"OK");
    if (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.data(), owner, MessageProcedure,
                                LPARAM(&data)) == -1) {
        // Without a window of its own (no memory), the system's box says it.
        MessageBoxW(owner, data.text.c_str(), ApplicationName().c_str(),
                    MB_OK | MB_TOPMOST | (error ? MB_ICONERROR : MB_ICONINFORMATION));
    }
}

// ---- The context menu --------------------------------------------------------------------

PopupMenu::PopupMenu(const std::vector<show::MenuItem>& items) {
    m_menu = Build(items);
}

PopupMenu::~PopupMenu() {
    if (m_menu)
        DestroyMenu(m_menu); // its sub-menus with it
    for (Entry* e : m_entries)
        delete e;
}

HMENU PopupMenu::Build(const std::vector<show::MenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    std::vector<Entry*> order;
    for (const show::MenuItem& item : items) {
        if (item.kind == show::MenuItem::Kind::Separator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            order.push_back(nullptr);
            continue;
        }
        auto* entry = new Entry;
        m_entries.push_back(entry);
        const std::wstring text = Wide(item.text);
        const size_t tab = text.find(L'\t');
        entry->label = text.substr(0, tab);
        if (tab != std::wstring::npos)
            entry->keys = text.substr(tab + 1);
        order.push_back(entry);
        if (item.kind == show::MenuItem::Kind::SubMenu) {
            entry->popup = true;
            HMENU sub = Build(item.items);
            AppendMenuW(menu, MF_POPUP | MF_OWNERDRAW, UINT_PTR(sub),
                        reinterpret_cast<LPCWSTR>(entry));
        } else {
            const UINT flags = MF_OWNERDRAW | (item.checked ? MF_CHECKED : MF_UNCHECKED) |
                               (item.enabled ? MF_ENABLED : MF_GRAYED);
            AppendMenuW(menu, flags, UINT_PTR(item.command), reinterpret_cast<LPCWSTR>(entry));
        }
    }
    m_byMenu.emplace_back(menu, std::move(order));
    return menu;
}

std::optional<show::Command> PopupMenu::Track(HWND owner, POINT at) {
    if (!m_menu)
        return std::nullopt;
    m_dpi = WindowDpi(owner);
    // The menu closes when the user clicks elsewhere only when its owner is in front.
    SetForegroundWindow(owner);
    const UINT chosen = UINT(
        TrackPopupMenuEx(m_menu, TPM_CENTERALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                         at.x, at.y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen == 0)
        return std::nullopt;
    return show::Command(chosen);
}

bool PopupMenu::HandleMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HFONT font = UiFont(m_dpi);
    const int pad = Scaled(8, m_dpi);
    const int column = GetSystemMetrics(SM_CXMENUCHECK) + Scaled(6, m_dpi);
    switch (msg) {
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (mi->CtlType != ODT_MENU)
            return false;
        const auto* entry = reinterpret_cast<const Entry*>(mi->itemData);
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, font);
        const std::wstring label = WithoutAccessMarks(entry->label);
        SIZE l{}, k{};
        GetTextExtentPoint32W(dc, label.c_str(), int(label.size()), &l);
        if (!entry->keys.empty())
            GetTextExtentPoint32W(dc, entry->keys.c_str(), int(entry->keys.size()), &k);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        mi->itemWidth =
            UINT(column + l.cx + (entry->keys.empty() ? 0 : Scaled(28, m_dpi) + k.cx) + pad);
        mi->itemHeight = UINT(std::max(int(l.cy) + Scaled(8, m_dpi), GetSystemMetrics(SM_CYMENU)));
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (di->CtlType != ODT_MENU)
            return false;
        const auto* entry = reinterpret_cast<const Entry*>(di->itemData);
        const bool selected = di->itemState & ODS_SELECTED;
        const bool grayed = di->itemState & (ODS_GRAYED | ODS_DISABLED);
        HDC dc = di->hDC;
        RECT r = di->rcItem;
        FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
        const COLORREF ink = grayed     ? GetSysColor(COLOR_GRAYTEXT)
                             : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                        : GetSysColor(COLOR_MENUTEXT);
        if (di->itemState & ODS_CHECKED) {
            // A tick in the left column.
            HPEN pen = CreatePen(PS_SOLID, std::max(1, Scaled(2, m_dpi)), ink);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            const int s = Scaled(1, m_dpi);
            const int x = r.left + Scaled(5, m_dpi), y = (r.top + r.bottom) / 2;
            const POINT tick[] = {{x, y}, {x + 3 * s, y + 3 * s}, {x + 9 * s, y - 4 * s}};
            Polyline(dc, tick, 3);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        RECT text{r.left + column, r.top, r.right - pad, r.bottom};
        const UINT hide = (di->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
        DrawTextW(dc, entry->label.c_str(), int(entry->label.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | hide);
        if (!entry->keys.empty())
            DrawTextW(dc, entry->keys.c_str(), int(entry->keys.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        SelectObject(dc, old);
        result = TRUE;
        return true;
    }
    case WM_MENUCHAR: {
        // Owner-drawn items have no text the system could match: their access keys are
        // found here.
        const wchar_t key = Upper(wchar_t(LOWORD(wp)));
        for (const auto& [menu, order] : m_byMenu) {
            if (menu != HMENU(lp))
                continue;
            for (size_t i = 0; i < order.size(); ++i)
                if (order[i] && Upper(AccessKey(order[i]->label)) == key) {
                    result = MAKELRESULT(WORD(i), MNC_EXECUTE);
                    return true;
                }
        }
        result = MAKELRESULT(0, MNC_IGNORE);
        return true;
    }
    default:
        return false;
    }
}

} // namespace winplayer
