#pragma once
// Colours as documents and the clipboard text store them, and the slide's transparent
// colour.
//
// In memory a colour is a QRgb. Documents and the clipboard text store a colour as
// 0x00BBGGRR: red in the low byte, blue in the third, the high byte zero. The conversion
// keeps every stored value, also one whose high byte is not zero (a damaged or foreign
// file): that byte lives in the alpha channel as 255 minus its value, so every colour the
// program writes is an opaque QRgb and every value read is written back unchanged.

#include <QRgb>
#include <optional>

/// A slide's transparent colour (colour key); empty when the slide has none. Pixels of
/// its red, green and blue are see-through.
using KeyColor = std::optional<QRgb>;

/// The stored value of a slide without a transparent colour.
constexpr quint32 kStoredNoKey = 0xFFFFFFFFu;

constexpr QRgb ColorFromStored(quint32 stored) {
    return (quint32(0xFFu - (stored >> 24)) << 24) | ((stored & 0xFFu) << 16) | (stored & 0xFF00u) |
           ((stored >> 16) & 0xFFu);
}

constexpr quint32 StoredFromColor(QRgb color) {
    return (quint32(0xFFu - qAlpha(color)) << 24) | (quint32(qBlue(color)) << 16) |
           (quint32(qGreen(color)) << 8) | quint32(qRed(color));
}

constexpr KeyColor KeyColorFromStored(quint32 stored) {
    return stored == kStoredNoKey ? KeyColor() : KeyColor(ColorFromStored(stored));
}

constexpr quint32 StoredFromKeyColor(const KeyColor& key) {
    return key ? StoredFromColor(*key) : kStoredNoKey;
}

/// Whether two colours have the same red, green and blue (alpha is not looked at).
constexpr bool SameRgb(QRgb a, QRgb b) {
    return ((a ^ b) & 0x00FFFFFFu) == 0;
}
