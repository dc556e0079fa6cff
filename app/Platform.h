#pragma once
// Platform-specific choices, each with a branch per platform.

/// Chooses the Qt platform before the application object exists: on Linux with both an
/// X11 and a Wayland display and no platform chosen by the user, X11 (xcb), because
/// window placement, moving and shaped windows do not work under native Wayland.
void ChooseQtPlatform();

/// Makes the Windows face names the interface asks for ("Meiryo UI", "メイリオ",
/// "ＭＳ Ｐゴシック") resolve to an installed Japanese font.
void InstallFontSubstitutions();

/// Raises the image readers' allocation limit so pictures of up to 100 megapixels decode.
void InstallImageLimits();
