#include "editor/CellImage.h"

#include "document/Picture.h"
#include "document/PictureCache.h"

#include <algorithm>

namespace {

/// The cache's name for a cell source.
constexpr int kCellSource = 1;

PictureCacheKey CellSourceKey(const Picture& picture, const KeyColor& key, QSize bound) {
    const quint64 extra = key ? ((quint64(1) << 32) | (*key & 0x00FFFFFFu)) : 0;
    return PictureCacheKey{picture.id(), kCellSource, bound, extra};
}

/// An opaque picture with its pixels of colour `key24` made fully transparent, reduced
/// by averaging `factor` x `factor` blocks of premultiplied pixels (blocks cut by the
/// right and bottom edges average what they hold). Premultiplied ARGB.
QImage KeyedReduce(const QImage& opaque, QRgb key24, int factor) {
    const int w = opaque.width();
    const int h = opaque.height();
    const int ow = (w + factor - 1) / factor;
    const int oh = (h + factor - 1) / factor;
    QImage out(ow, oh, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    std::vector<quint32> sums(size_t(ow) * 4);
    for (int oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int y0 = oy * factor;
        const int y1 = std::min(h, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = src[x] & 0x00FFFFFFu;
                if (c == key24)
                    continue;
                quint32* s = &sums[size_t(x / factor) * 4];
                s[0] += qRed(c);
                s[1] += qGreen(c);
                s[2] += qBlue(c);
                s[3] += 255;
            }
        }
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(oy));
        for (int ox = 0; ox < ow; ++ox) {
            const quint32 area =
                quint32((std::min(w, (ox + 1) * factor) - ox * factor) * (y1 - y0));
            const quint32* s = &sums[size_t(ox) * 4];
            const auto avg = [area](quint32 v) { return int((v + area / 2) / area); };
            dst[ox] = qRgba(avg(s[0]), avg(s[1]), avg(s[2]), avg(s[3]));
        }
    }
    return out;
}

} // namespace

QImage ScaleSlideForCell(const QImage& picture, const KeyColor& key, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return QImage();
    // The picture as the opaque pixels a window surface holds.
    const QImage opaque = picture.format() == QImage::Format_RGB32
                              ? picture
                              : picture.convertToFormat(QImage::Format_RGB32);
    if (!key) {
        if (opaque.size() == size)
            return opaque;
        return opaque.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Whole blocks of pixels are averaged on the way down (what the smooth scaling does
    // anyway), so the scaling reads no more than it needs and no full-size copy is made.
    const int factor =
        std::max(1, std::min(opaque.width() / size.width(), opaque.height() / size.height()));
    const QImage keyed = KeyedReduce(opaque, *key & 0x00FFFFFFu, factor);
    if (keyed.isNull() || keyed.size() == size)
        return keyed;
    return keyed.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::optional<QRgb> CellImageColor(const QImage& cell, const KeyColor& key, QPoint pt) {
    if (!cell.valid(pt))
        return std::nullopt;
    QRgb px = cell.pixel(pt);
    if (cell.format() == QImage::Format_ARGB32_Premultiplied)
        px = qUnpremultiply(px);
    if (cell.hasAlphaChannel() && qAlpha(px) < 128 && key)
        return key;
    return qRgb(qRed(px), qGreen(px), qBlue(px));
}

QSize FitWithin(QSize picture, QSize bound) {
    if (picture.isEmpty() || bound.isEmpty())
        return QSize();
    if (picture.width() <= bound.width() && picture.height() <= bound.height())
        return picture;
    return picture.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

bool IsQuickToPrepare(QSize size) {
    constexpr qint64 kQuickPixels = 1 << 19; // about 800 x 600
    return qint64(size.width()) * size.height() <= kQuickPixels;
}

QImage CachedCellSource(const Picture& picture, const KeyColor& key, QSize bound) {
    return PictureCache::instance().find(CellSourceKey(picture, key, bound));
}

QImage CellSource(const Picture& picture, const KeyColor& key, QSize bound) {
    PictureCache& cache = PictureCache::instance();
    const PictureCacheKey cacheKey = CellSourceKey(picture, key, bound);
    QImage source = cache.find(cacheKey);
    if (!source.isNull())
        return source;
    const QSize fit = FitWithin(picture.size(), bound);
    if (fit.isEmpty())
        return QImage();
    if (!key && picture.format() == "jpeg") {
        // Decoded at (about) the size needed, never at its full size.
        source = picture.scaledImage(fit);
        if (!source.isNull() && source.format() != QImage::Format_RGB32)
            source = source.convertToFormat(QImage::Format_RGB32);
    } else if (IsDrawnReduced(picture.size())) {
        // A large picture is reduced while it is decoded, its key pixels covering
        // nothing, as KeyedReduce averages them: it is never held at its full size.
        const codec::Coverage coverage{false, key.has_value(), key ? *key : 0u};
        source = picture.reducedImage(fit, coverage);
        if (!key && !source.isNull())
            source = source.convertToFormat(QImage::Format_RGB32);
    } else {
        // A key must meet the picture's own pixels (and an alpha channel is dropped
        // before scaling), so the picture is decoded whole once and reduced.
        source = ScaleSlideForCell(picture.image(), key, fit);
    }
    cache.insert(cacheKey, source);
    return source;
}

QImage CellFromSource(const QImage& source, QSize size, bool flipH, bool flipV) {
    if (source.isNull() || size.isEmpty())
        return QImage();
    const QImage cell = source.size() == size
                            ? source
                            : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return MirroredImage(cell, flipH, flipV);
}
