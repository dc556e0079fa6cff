#pragma once
// A message window on X11 without a toolkit: the text (Japanese through Xft), an OK
// button, Enter, Space or Escape to answer; captioned with the program's name.

#include "player/x11/X11Text.h"

#include <X11/Xlib.h>

#include <string>

namespace x11show {

/// Shows `text` (UTF-8, "\n" breaks lines) in a window titled `caption`, above every
/// other window and centred on the screen, and waits until it is answered (OK, Enter,
/// Space, Escape or the window's close button).
void RunMessageWindow(Display* display, int screen, TextRenderer& text, const std::string& caption,
                      const std::string& message);

} // namespace x11show
