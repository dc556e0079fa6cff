#pragma once
// The show's context menu on X11: popup windows of its own (no toolkit) drawing the
// items with check marks, greyed items, separators and a sub-menu, worked with the
// mouse and the keyboard (arrows, Enter, Escape, the underlined letters).

#include "player/x11/Shell.h"
#include "player/x11/X11Text.h"

#include <X11/Xlib.h>

#include <vector>

namespace x11show {

/// Opens `items` with the top edge centred on `at` (kept inside `area`), grabs the
/// pointer and the keyboard and waits for the user: the chosen item's command number, or
/// 0 when the menu was closed without a choice (Escape, a click elsewhere).
int RunPopupMenu(Display* display, int screen, TextRenderer& text,
                 const std::vector<MenuItem>& items, Point at, const show::Box& area);

/// The label of a menu text as drawn: without the "&" marks ("&&" is one "&"), the
/// part after a tab apart; `mnemonic` receives the marked letter in lower case (0: none).
void SplitMenuText(const std::string& text, std::string& label, std::string& keys, char& mnemonic);

} // namespace x11show
