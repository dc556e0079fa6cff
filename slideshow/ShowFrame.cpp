#include "slideshow/ShowFrame.h"

#include "document/Picture.h"
#include "slideshow/ShowGeometry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr QRgb kRgbMask = 0x00FFFFFFu;

// The picture as the show sees it: mirrored reads without a mirrored copy.
struct Source {
    const QImage& image;
    bool flipH, flipV;
    const QRgb* row(int y) const {
        return reinterpret_cast<const QRgb*>(
            image.constScanLine(flipV ? image.height() - 1 - y : y));
    }
    int col(int x) const { return flipH ? image.width() - 1 - x : x; }
};

// A source pixel as premultiplied coverage: key pixels are fully transparent.
inline QRgb Coverage(QRgb p, QRgb key24, bool alpha) {
    if ((p & kRgbMask) == key24)
        return 0;
    return alpha ? qPremultiply(p) : (p | 0xFF000000u);
}

// Copies a picture that keeps its size: key pixels and mostly transparent ones are left
// out and keep the fill.
void CopyUnscaled(const Source& src, QImage& frame, const QRect& placed, QRgb key) {
    const QRect clip = placed.intersected(frame.rect());
    const QRgb key24 = key & kRgbMask;
    const bool alpha = src.image.hasAlphaChannel();
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const QRgb* s = src.row(y - placed.y());
        QRgb* d = reinterpret_cast<QRgb*>(frame.scanLine(y));
        if (!alpha && !src.flipH) {
            // An opaque picture's key pixels are the fill colour already: copy the row.
            std::memcpy(d + clip.left(), s + (clip.left() - placed.x()),
                        size_t(clip.width()) * sizeof(QRgb));
            continue;
        }
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const QRgb p = s[src.col(x - placed.x())];
            if (alpha && ((p & kRgbMask) == key24 || qAlpha(p) < 128))
                continue;
            d[x] = p | 0xFF000000u;
        }
    }
}

// A premultiplied pixel spread to 16 bits per channel (0x00AA00RR00GG00BB), so four of
// them can be summed in one 64-bit integer.
inline quint64 Spread(QRgb p) {
    return (quint64(p) & 0x00FF00FFu) | ((quint64(p) & 0xFF00FF00u) << 24);
}
inline QRgb Unspread(quint64 v) {
    return QRgb((v & 0x00FF00FFu) | ((v >> 24) & 0xFF00FF00u));
}

template <bool FlipH, bool Alpha> QImage CoverageImageT(const Source& src, QRgb key24, bool halve) {
    const int w = src.image.width();
    const int h = src.image.height();
    auto col = [w](int x) { return FlipH ? w - 1 - x : x; };
    if (!halve) {
        QImage cover(w, h, QImage::Format_ARGB32_Premultiplied);
        if (cover.isNull())
            return cover;
        for (int y = 0; y < h; ++y) {
            const QRgb* s = src.row(y);
            QRgb* d = reinterpret_cast<QRgb*>(cover.scanLine(y));
            for (int x = 0; x < w; ++x)
                d[x] = Coverage(s[col(x)], key24, Alpha);
        }
        return cover;
    }
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    QImage cover(cw, ch, QImage::Format_ARGB32_Premultiplied);
    if (cover.isNull())
        return cover;
    constexpr quint64 kRound = 0x0002000200020002ull;
    constexpr quint64 kChannels = 0x00FF00FF00FF00FFull;
    for (int y = 0; y < ch; ++y) {
        const QRgb* s0 = src.row(2 * y);
        const QRgb* s1 = src.row(std::min(2 * y + 1, h - 1));
        QRgb* d = reinterpret_cast<QRgb*>(cover.scanLine(y));
        for (int x = 0; x < cw; ++x) {
            const int x0 = col(2 * x);
            const int x1 = col(std::min(2 * x + 1, w - 1));
            const quint64 sum =
                Spread(Coverage(s0[x0], key24, Alpha)) + Spread(Coverage(s0[x1], key24, Alpha)) +
                Spread(Coverage(s1[x0], key24, Alpha)) + Spread(Coverage(s1[x1], key24, Alpha));
            d[x] = Unspread(((sum + kRound) >> 2) & kChannels);
        }
    }
    return cover;
}

// The picture as premultiplied coverage, mirrored. When the target is at most half the
// size on both axes, 2 x 2 blocks are averaged on the way (what the smooth scaling
// would do anyway), so the scaling reads a quarter of the pixels.
QImage CoverageImage(const Source& src, QRgb key24, bool halve) {
    const bool alpha = src.image.hasAlphaChannel();
    if (src.flipH)
        return alpha ? CoverageImageT<true, true>(src, key24, halve)
                     : CoverageImageT<true, false>(src, key24, halve);
    return alpha ? CoverageImageT<false, true>(src, key24, halve)
                 : CoverageImageT<false, false>(src, key24, halve);
}

// Scales a picture: key pixels become zero coverage, the rest is resampled premultiplied
// and cut at half coverage, so no K is blended into the picture's edge.
void DrawScaled(const Source& src, QImage& frame, const QRect& placed, QRgb key) {
    const bool halve =
        placed.width() * 2 <= src.image.width() && placed.height() * 2 <= src.image.height();
    const QImage cover = CoverageImage(src, key & kRgbMask, halve);
    if (cover.isNull())
        return;
    const QImage scaled =
        cover.scaled(placed.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return;
    const QRect clip = placed.intersected(frame.rect());
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(scaled.constScanLine(y - placed.y()));
        QRgb* d = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const QRgb p = s[x - placed.x()];
            const int a = qAlpha(p);
            if (a < 128)
                continue;
            d[x] = (a == 255 ? p : qUnpremultiply(p)) | 0xFF000000u;
        }
    }
}

} // namespace

ShowFrame ComposeShowFrame(const QImage& picture, const KeyColor& keyColor, QSize window, bool fit,
                           bool flipH, bool flipV) {
    return ComposeShowFrame(picture, picture.size(), keyColor, window, fit, flipH, flipV);
}

QImage ShowSource(const Picture& picture, const KeyColor& keyColor, QSize placed) {
    const QSize full = picture.size();
    const bool shrunk =
        !placed.isEmpty() && placed.width() < full.width() && placed.height() < full.height();
    if (!keyColor && picture.format() == "jpeg" && shrunk)
        return picture.scaledImage(placed);
    if (shrunk && IsDrawnReduced(full)) {
        // Reduced while it is decoded, the key pixels covering nothing: composing treats
        // the result as it treats any picture with an alpha channel.
        const QRgb key = show::ShowKeyColor(keyColor) & 0x00FFFFFFu;
        return picture.reducedImage(placed, codec::Coverage{true, true, key});
    }
    return picture.image();
}

ShowFrame ComposeShowFrame(const QImage& picture, QSize pictureSize, const KeyColor& keyColor,
                           QSize window, bool fit, bool flipH, bool flipV) {
    ShowFrame f;
    f.key = show::ShowKeyColor(keyColor) | 0xFF000000u;
    if (window.isEmpty())
        return f;
    if (!picture.isNull())
        f.placed = show::PlaceSlide(pictureSize, window, fit);
    const QImage image = f.placed.isEmpty() ? QImage()
                                            : picture.convertToFormat(picture.hasAlphaChannel()
                                                                          ? QImage::Format_ARGB32
                                                                          : QImage::Format_RGB32);
    if (!image.isNull() && !image.hasAlphaChannel() && image.size() == window &&
        f.placed == QRect(QPoint(0, 0), window)) {
        // An opaque picture that fills the window exactly is the frame itself.
        f.image = MirroredImage(image, flipH, flipV);
        f.opaque = OpaqueRegion(f.image, f.key);
        return f;
    }
    f.image = QImage(window, QImage::Format_RGB32);
    if (f.image.isNull())
        return f;
    f.image.fill(f.key);
    if (image.isNull())
        return f;
    const Source src{image, flipH, flipV};
    if (f.placed.size() == image.size())
        CopyUnscaled(src, f.image, f.placed, f.key);
    else
        DrawScaled(src, f.image, f.placed, f.key);
    f.opaque = OpaqueRegion(f.image, f.key);
    return f;
}

QRegion OpaqueRegion(const QImage& image, QRgb key) {
    QRegion region;
    if (image.isNull() || image.depth() != 32)
        return region;
    const QRgb key24 = key & kRgbMask;
    const int w = image.width();
    std::vector<QRect> rects;
    std::vector<int> band, row; // runs as x0, x1 pairs (x1 exclusive)
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (size_t i = 0; i < band.size(); i += 2)
            rects.emplace_back(band[i], bandTop, band[i + 1] - band[i], bottom - bandTop);
    };
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        row.clear();
        int x = 0;
        while (x < w) {
            while (x < w && (s[x] & kRgbMask) == key24)
                ++x;
            if (x == w)
                break;
            const int x0 = x;
            while (x < w && (s[x] & kRgbMask) != key24)
                ++x;
            row.push_back(x0);
            row.push_back(x);
        }
        if (row != band) {
            flush(y);
            band.swap(row);
            bandTop = y;
        }
    }
    flush(image.height());
    if (rects.empty())
        return region;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    region.setRects(QSpan<const QRect>(rects.data(), qsizetype(rects.size())));
#else
    region.setRects(rects.data(), int(rects.size()));
#endif
    return region;
}
