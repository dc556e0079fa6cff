#include "player/x11/X11Text.h"

#include <fontconfig/fontconfig.h>

namespace x11show {

namespace {

constexpr FcChar32 kHiraganaA = 0x3042;  // あ: a font without it would draw boxes
constexpr FcChar32 kKanjiImage = 0x753B; // 画

/// Fontconfig's best sans-serif font for Japanese at `pixelSize`, or, when that one
/// lacks kana or kanji, the first of its sorted list that has both.
XftFont* OpenJapaneseFont(Display* display, int screen, int pixelSize) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    if (FcLangSet* langs = FcLangSetCreate()) {
        FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddLangSet(pattern, FC_LANG, langs);
        FcLangSetDestroy(langs);
    }
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, double(pixelSize));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    XftDefaultSubstitute(display, screen, pattern);
    FcResult result = FcResultNoMatch;
    XftFont* font = nullptr;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        font = XftFontOpenPattern(display, match); // owns `match` when it opens
        if (!font)
            FcPatternDestroy(match);
    }
    const auto covers = [&](XftFont* f) {
        return XftCharExists(display, f, kHiraganaA) && XftCharExists(display, f, kKanjiImage);
    };
    if (!font || !covers(font)) {
        if (FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result)) {
            for (int i = 0; i < sorted->nfont; ++i) {
                FcCharSet* chars = nullptr;
                if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch ||
                    !FcCharSetHasChar(chars, kHiraganaA) || !FcCharSetHasChar(chars, kKanjiImage))
                    continue;
                FcPattern* candidate = FcFontRenderPrepare(nullptr, pattern, sorted->fonts[i]);
                if (!candidate)
                    continue;
                XftFont* other = XftFontOpenPattern(display, candidate);
                if (!other) {
                    FcPatternDestroy(candidate);
                    continue;
                }
                if (font)
                    XftFontClose(display, font);
                font = other;
                break;
            }
            FcFontSetDestroy(sorted);
        }
    }
    FcPatternDestroy(pattern);
    return font;
}

} // namespace

TextRenderer::TextRenderer(Display* display, int screen, Visual* visual, Colormap colormap,
                           int pixelSize)
    : m_display(display), m_visual(visual), m_colormap(colormap) {
    m_font = OpenJapaneseFont(display, screen, pixelSize);
}

TextRenderer::~TextRenderer() {
    if (m_font)
        XftFontClose(m_display, m_font);
}

std::string TextRenderer::Family() const {
    FcChar8* family = nullptr;
    if (m_font && FcPatternGetString(m_font->pattern, FC_FAMILY, 0, &family) == FcResultMatch)
        return reinterpret_cast<const char*>(family);
    return std::string();
}

int TextRenderer::Ascent() const {
    return m_font ? m_font->ascent : 0;
}

int TextRenderer::LineHeight() const {
    return m_font ? m_font->ascent + m_font->descent + 2 : 16;
}

int TextRenderer::Width(const std::string& utf8) const {
    if (!m_font || utf8.empty())
        return 0;
    XGlyphInfo extents{};
    XftTextExtentsUtf8(m_display, m_font, reinterpret_cast<const FcChar8*>(utf8.data()),
                       int(utf8.size()), &extents);
    return extents.xOff;
}

void TextRenderer::Draw(XftDraw* draw, std::uint32_t color, int x, int baseline,
                        const std::string& utf8) {
    if (!m_font || !draw || utf8.empty())
        return;
    XRenderColor render;
    render.red = std::uint16_t(((color >> 16) & 0xFF) * 0x101);
    render.green = std::uint16_t(((color >> 8) & 0xFF) * 0x101);
    render.blue = std::uint16_t((color & 0xFF) * 0x101);
    render.alpha = 0xFFFF;
    XftColor xft;
    if (!XftColorAllocValue(m_display, m_visual, m_colormap, &render, &xft))
        return;
    XftDrawStringUtf8(draw, &xft, m_font, x, baseline,
                      reinterpret_cast<const FcChar8*>(utf8.data()), int(utf8.size()));
    XftColorFree(m_display, m_visual, m_colormap, &xft);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

} // namespace x11show
