#include "slideshow/ShowFrame.h"

#include "slideshow/ShowGeometry.h"

#include <vector>

namespace {

constexpr QRgb kRgbMask = 0x00FFFFFFu;

// Copies a picture that keeps its size: key pixels and mostly transparent ones are left
// out and keep the fill.
void CopyUnscaled(const QImage& src, QImage& frame, const QRect& placed, QRgb key) {
    const QRect clip = placed.intersected(frame.rect());
    const QRgb key24 = key & kRgbMask;
    const bool alpha = src.hasAlphaChannel();
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y - placed.y()));
        QRgb* d = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const QRgb p = s[x - placed.x()];
            if ((p & kRgbMask) == key24 || (alpha && qAlpha(p) < 128))
                continue;
            d[x] = p | 0xFF000000u;
        }
    }
}

// Scales a picture: key pixels become zero coverage, the rest is resampled premultiplied
// and cut at half coverage, so no K is blended into the picture's edge.
void DrawScaled(const QImage& src, QImage& frame, const QRect& placed, QRgb key) {
    const QRgb key24 = key & kRgbMask;
    const bool alpha = src.hasAlphaChannel();
    QImage cover(src.size(), QImage::Format_ARGB32_Premultiplied);
    if (cover.isNull())
        return;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(cover.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = s[x];
            if ((p & kRgbMask) == key24)
                d[x] = 0;
            else
                d[x] = alpha ? qPremultiply(p) : (p | 0xFF000000u);
        }
    }
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

ShowFrame ComposeShowFrame(const QImage& slide, COLORREF crTransparent, QSize window, bool fit) {
    ShowFrame f;
    f.key = ToQRgb(show::ShowKeyColor(crTransparent));
    if (window.isEmpty())
        return f;
    f.image = QImage(window, QImage::Format_RGB32);
    if (f.image.isNull())
        return f;
    f.image.fill(f.key);
    if (slide.isNull())
        return f;
    f.placed = show::PlaceSlide(slide.size(), window, fit);
    if (f.placed.isEmpty())
        return f;
    const QImage src = slide.convertToFormat(slide.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                     : QImage::Format_RGB32);
    if (f.placed.size() == src.size())
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
