#pragma once
// What the Windows player runtime shows besides its slides, in a font that has the
// Japanese glyphs of its texts: the context menu (owner-drawn), the tooltip's font, and
// the message window. The font is chosen from the fonts the system has (see UiFontFace),
// so a system without Japanese settings (a fresh wine prefix, a Windows set up for
// another language) still shows every text.

#include "slideshow/ShowEngine.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace winplayer {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& text);

/// This program's own file, however long its path.
std::wstring ProgramPath();
/// The caption of every message: the program's file name without its extension.
std::wstring ApplicationName();
/// The text of message `id` of the message table; empty for an unknown id.
std::wstring MessageText(int id);

/// The face of the font every text of the runtime is drawn in: the first of the usual
/// Japanese interface fonts the system has (Meiryo UI, Meiryo, Yu Gothic UI, …, MS
/// Gothic, Noto Sans CJK JP, …) that has every glyph the runtime's texts need; else any
/// font the system has with them all; else the one that has the most. Chosen once, when
/// first asked.
const std::wstring& UiFontFace();
/// That font at 9 points for `dpi` dots per inch (kept: the caller must not delete it).
HFONT UiFont(int dpi);
/// The dots per inch of the monitor `window` is on (96 where the system cannot say).
int WindowDpi(HWND window);

/// Shows message `id` after `prefix` in a modal window of its own (the caption the
/// program's name, the error or information icon, an OK button; Enter and Escape close
/// it), owned by `owner` (null: none), above every other window. With LSR_MESSAGE_LOG
/// naming a file the text is also appended to it (UTF-8, a line break after each): what
/// the tests read, as the screen cannot be read as text.
void ShowMessageWindow(HWND owner, int id, const std::wstring& prefix, bool error);

/// The show's context menu built from the engine's items, drawn in the UI font. The
/// window given to Track receives the menu's drawing messages, which it passes to
/// HandleMessage while the menu is open.
class PopupMenu {
public:
    explicit PopupMenu(const std::vector<show::MenuItem>& items);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    /// Opens the menu horizontally centred on `at` (screen), its top there, and waits
    /// until it closes; the chosen command, if any.
    std::optional<show::Command> Track(HWND owner, POINT at);
    /// Measures and draws the items and finds them by their access keys; true when
    /// `msg` was one of those (`result` then holds the answer).
    bool HandleMessage(HWND window, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    struct Entry {
        std::wstring label; ///< with its access key after '&'
        std::wstring keys;  ///< the keys that give the command, right-aligned
        bool popup = false;
    };
    HMENU Build(const std::vector<show::MenuItem>& items);

    HMENU m_menu = nullptr;
    std::vector<Entry*> m_entries;
    std::vector<std::pair<HMENU, std::vector<Entry*>>> m_byMenu; ///< each menu's items in order
    int m_dpi = 96;
};

} // namespace winplayer
