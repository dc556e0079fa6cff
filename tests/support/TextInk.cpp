#include "tests/support/TextInk.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// Rounding in the blend may move a channel a step or two past either colour.
constexpr int kSlack = 3;
// Channels in which the two colours differ less than this say little about the share.
constexpr int kTellingDifference = 24;

/// Adds one pixel `p` over the background pixel `b` to `out`.
void AddPixel(QRgb p, QRgb b, QRgb text, TextInk& out) {
    if ((p & 0xFFFFFF) == (b & 0xFFFFFF))
        return;
    const int pc[3] = {qRed(p), qGreen(p), qBlue(p)};
    const int bc[3] = {qRed(b), qGreen(b), qBlue(b)};
    const int tc[3] = {qRed(text), qGreen(text), qBlue(text)};
    bool stray = false;
    double shares = 0;
    int telling = 0;
    for (int c = 0; c < 3; ++c) {
        const int lo = std::min(bc[c], tc[c]);
        const int hi = std::max(bc[c], tc[c]);
        if (pc[c] < lo - kSlack || pc[c] > hi + kSlack)
            stray = true;
        if (hi - lo >= kTellingDifference) {
            shares += double(pc[c] - bc[c]) / double(tc[c] - bc[c]);
            ++telling;
        }
    }
    if (stray) {
        ++out.strays;
        return;
    }
    out.ink += telling ? std::clamp(shares / telling, 0.0, 1.0) : 0.0;
    int distance = 0;
    for (int c = 0; c < 3; ++c)
        distance = std::max(distance, std::abs(pc[c] - tc[c]));
    out.nearest = std::min(out.nearest, distance);
}

TextInk Measure(const QImage& shot, const QRect& area, QRgb text,
                const std::function<QRgb(int, int)>& backgroundAt) {
    TextInk out;
    const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
    const QRect inside = area & rgb.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            AddPixel(rgb.pixel(x, y), backgroundAt(x, y), text, out);
    return out;
}

} // namespace

TextInk MeasureTextInk(const QImage& shot, const QRect& area, QRgb text, const QImage& background) {
    const QImage back = background.convertToFormat(QImage::Format_RGB32);
    if (back.size() != shot.size()) {
        TextInk wrong;
        wrong.strays = area.width() * area.height();
        return wrong;
    }
    return Measure(shot, area, text, [&](int x, int y) { return back.pixel(x, y); });
}

TextInk MeasureTextInk(const QImage& shot, const QRect& area, QRgb text, QRgb background) {
    return Measure(shot, area, text, [=](int, int) { return background; });
}
