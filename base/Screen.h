#pragma once
// Facts about the screen the program runs on, from one place that tests can set.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

struct ScreenFacts {
    QSize desktop;  ///< the primary screen's work area (desktop client area)
    QSize full;     ///< the primary screen's full pixel size
    QRect workArea; ///< the work area in screen coordinates
    int dpiX = 96;  ///< horizontal logical resolution
    int dpiY = 96;  ///< vertical logical resolution
    int depth = 32; ///< colour depth in bits per pixel
};

/// The current facts: the override when one is set, else read from the primary screen
/// (a 1024 x 768, 96 dpi, 32-bit screen when there is none).
ScreenFacts Screen();
/// The work area of the screen holding `point` (global coordinates); nothing when no
/// screen holds it (a gap between screens, or a place off them all).
std::optional<QRect> WorkAreaHolding(QPoint point);
/// The work area of the screen holding `point` (global coordinates); the primary
/// screen's when no screen holds it (a gap between screens, or a place off them all).
QRect WorkAreaAt(QPoint point);
/// Makes every later Screen() call return `facts` (tests); nothing restores the real ones.
void SetScreenOverride(std::optional<ScreenFacts> facts);
/// A screen of the given size with the work area covering it, 96 dpi.
ScreenFacts MakeScreen(int width, int height, int depth = 32);
