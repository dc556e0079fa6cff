#pragma once
// Japanese text on X11 through Xft and fontconfig: the font is the one fontconfig
// matches for the language "ja", so kana and kanji never show as empty boxes.

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace x11show {

class TextRenderer {
public:
    /// A sans-serif font of `pixelSize` that covers Japanese, for windows of `visual`
    /// and `colormap` on `screen`.
    TextRenderer(Display* display, int screen, Visual* visual, Colormap colormap, int pixelSize);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    /// False when no font could be opened at all (nothing is drawn then).
    bool ok() const { return m_font != nullptr; }
    /// The family of the font chosen (for diagnostics).
    std::string Family() const;
    int Ascent() const;
    /// The distance between two lines' baselines.
    int LineHeight() const;
    /// The advance of `utf8` in pixels.
    int Width(const std::string& utf8) const;
    /// Draws `utf8` with its baseline at `baseline` in `color` (0xRRGGBB) into `draw`.
    void Draw(XftDraw* draw, std::uint32_t color, int x, int baseline, const std::string& utf8);

    Display* display() const { return m_display; }
    Visual* visual() const { return m_visual; }
    Colormap colormap() const { return m_colormap; }

private:
    Display* m_display;
    Visual* m_visual;
    Colormap m_colormap;
    XftFont* m_font = nullptr;
};

/// `text` cut at its line breaks.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace x11show
