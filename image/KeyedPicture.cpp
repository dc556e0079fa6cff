#include "image/KeyedPicture.h"

#include "base/Settings.h"
#include "document/Picture.h"
#include "image/ImageImport.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

int ReadKeyTolerance() {
    return std::clamp(ReadSettingInt(Setting::KeyTolerance, kDefaultKeyTolerance), 0,
                      kMaxKeyTolerance);
}

bool IsLossyPicture(const Picture* picture) {
    return picture && !picture->hasPixelsAtHand() && picture->format() == "jpeg";
}

bool NearKey(QRgb c, QRgb key, int tolerance) {
    return std::abs(qRed(c) - qRed(key)) <= tolerance &&
           std::abs(qGreen(c) - qGreen(key)) <= tolerance &&
           std::abs(qBlue(c) - qBlue(key)) <= tolerance;
}

namespace {

/// The squared distance of two colours in red, green and blue.
int Distance2(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

/// How far from a see-through pixel JPEG's mixing reaches: its colour planes are stored
/// at half the resolution and every 8 x 8 block rings, so a shape's colour spills into
/// the background beside it, and the background's into the shape, over about two pixels.
constexpr int kEdgeReach = 2;
/// How far around an edge pixel the colour of the shape beside it is looked for.
constexpr int kShapeReach = kEdgeReach + 1;
/// How many times the edge is looked at: pixels of the background that ring further out
/// lie beside pixels that only the first look made see-through.
constexpr int kEdgePasses = 2;

/// Marks with 1 the pixels of a w x h map within kEdgeReach (in both directions) of a
/// pixel marked in `marked`.
std::vector<quint8> Nearby(const std::vector<quint8>& marked, int w, int h) {
    // Along each row first (one sweep each way), then across the rows.
    std::vector<quint8> rowNear(marked.size(), 0), nearby(marked.size(), 0);
    for (int y = 0; y < h; ++y) {
        const quint8* from = &marked[size_t(y) * w];
        quint8* to = &rowNear[size_t(y) * w];
        for (int x = 0, since = kEdgeReach + 1; x < w; ++x) {
            since = from[x] ? 0 : since + 1;
            to[x] = since <= kEdgeReach;
        }
        for (int x = w - 1, since = kEdgeReach + 1; x >= 0; --x) {
            since = from[x] ? 0 : since + 1;
            to[x] |= since <= kEdgeReach;
        }
    }
    for (int y = 0; y < h; ++y) {
        quint8* to = &nearby[size_t(y) * w];
        for (int yy = std::max(0, y - kEdgeReach); yy <= std::min(h - 1, y + kEdgeReach); ++yy) {
            const quint8* from = &rowNear[size_t(yy) * w];
            for (int x = 0; x < w; ++x)
                to[x] |= from[x];
        }
    }
    return nearby;
}

/// `c` with the key's share taken out: `c` read as a mix of `shape` and `key`, made as
/// if it held the shape's share alone (its colour along the line from the key through
/// it, at the shape's distance). `c` itself when it is no such mix.
QRgb Unmixed(QRgb c, QRgb shape, QRgb key) {
    const int sr = qRed(shape) - qRed(key), sg = qGreen(shape) - qGreen(key),
              sb = qBlue(shape) - qBlue(key);
    const int cr = qRed(c) - qRed(key), cg = qGreen(c) - qGreen(key), cb = qBlue(c) - qBlue(key);
    const int span = sr * sr + sg * sg + sb * sb;
    if (span == 0)
        return c;
    const double share = double(cr * sr + cg * sg + cb * sb) / double(span);
    if (share <= 0.0 || share >= 1.0)
        return c;
    const auto level = [share](int keyLevel, int d) {
        return std::clamp(int(std::lround(keyLevel + d / share)), 0, 255);
    };
    return qRgb(level(qRed(key), cr), level(qGreen(key), cg), level(qBlue(key), cb));
}

} // namespace

QImage KeyWithTolerance(const QImage& raster, QRgb key, int tolerance) {
    QImage out = raster.convertToFormat(QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const int w = out.width(), h = out.height();
    const auto px = [&out](int x, int y) {
        return reinterpret_cast<const QRgb*>(out.constScanLine(y))[x];
    };
    // 1. The pixels near the key (and those already fully transparent) go.
    std::vector<quint8> gone(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(out.constScanLine(y));
        for (int x = 0; x < w; ++x)
            gone[size_t(y) * w + x] = qAlpha(row[x]) == 0 || NearKey(row[x], key, tolerance);
    }

    // 2. Beside them, the pixels the compression mixed: each opaque pixel within
    // kEdgeReach of one that goes sides with the colour it is nearer to, the key or the
    // shape beside it (the colour least like the key around it, the pixel itself
    // included, so that a line one pixel wide keeps its pixels). One that sides with the
    // key goes; one that sides with the shape has the key's share taken out of it, so
    // no tint of the key is left around the shapes. Each pass decides on the map the
    // pass before left, so the order of the pixels does not matter.
    std::vector<QRgb> unmixed;
    if (tolerance > 0) {
        unmixed.assign(gone.size(), 0);
        for (int pass = 0; pass < kEdgePasses; ++pass) {
            const std::vector<quint8> nearby = Nearby(gone, w, h);
            std::vector<quint8> goesNow = gone;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const size_t i = size_t(y) * w + x;
                    const QRgb c = px(x, y);
                    if (gone[i] || !nearby[i] || qAlpha(c) != 255)
                        continue;
                    QRgb shape = c;
                    int far = Distance2(c, key);
                    for (int yy = std::max(0, y - kShapeReach);
                         yy <= std::min(h - 1, y + kShapeReach); ++yy) {
                        for (int xx = std::max(0, x - kShapeReach);
                             xx <= std::min(w - 1, x + kShapeReach); ++xx) {
                            const QRgb n = px(xx, yy);
                            if (qAlpha(n) == 255 && Distance2(n, key) > far) {
                                far = Distance2(n, key);
                                shape = n;
                            }
                        }
                    }
                    if (Distance2(c, key) < Distance2(c, shape))
                        goesNow[i] = 1;
                    else
                        unmixed[i] = Unmixed(c, shape, key) | 0xFF000000u;
                }
            }
            gone = std::move(goesNow);
        }
    }

    // 3. What goes becomes exactly the key, fully transparent; opaque pixels keep their
    // colour (or the shape's share of it), and one of exactly the key colour (only
    // possible with a negative tolerance) moves its green off it, as in a keyed import.
    const QRgb transparent = qRgba(qRed(key), qGreen(key), qBlue(key), 0);
    const int gG = SubstituteGreen(key);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            if (gone[i])
                p[x] = transparent;
            else if (!unmixed.empty() && unmixed[i])
                p[x] = unmixed[i];
            if (qAlpha(p[x]) == 255 && (p[x] & 0xFFFFFFu) == (key & 0xFFFFFFu))
                p[x] = qRgba(qRed(key), gG, qBlue(key), 255);
        }
    }
    return out;
}

PicturePtr KeyedCopy(const Picture& source, QRgb key, int tolerance) {
    const QImage image = source.image();
    if (image.isNull())
        return nullptr;
    return Picture::fromImage(KeyWithTolerance(image, key, tolerance));
}

const PicturePtr& KeyBase(const SlideRecord& slide) {
    return slide.keySource ? slide.keySource : slide.picture;
}

int DefaultKeyTolerance(const SlideRecord& slide) {
    // A slide keyed with a tolerance keeps it when its colour changes.
    if (slide.keySource)
        return slide.keyTolerance;
    return IsLossyPicture(slide.picture.get()) ? ReadKeyTolerance() : 0;
}

void SetSlideKey(SlideRecord& slide, KeyColor key, int tolerance) {
    const PicturePtr base = KeyBase(slide);
    slide.keyColor = key;
    tolerance = std::clamp(tolerance, 0, kMaxKeyTolerance);
    if (key && tolerance > 0 && base) {
        if (PicturePtr copy = KeyedCopy(*base, *key, tolerance)) {
            slide.picture = std::move(copy);
            slide.keySource = base;
            slide.keyTolerance = tolerance;
            return;
        }
    }
    slide.picture = base;
    slide.keySource.reset();
    slide.keyTolerance = 0;
}

void SetSlideKey(SlideRecord& slide, KeyColor key) {
    SetSlideKey(slide, key, DefaultKeyTolerance(slide));
}

int QuantisedLevel(int level) {
    return std::clamp((level + 2) / 5 * 5, 0, 255);
}

QRgb DominantColor(const QImage& image, QPoint at, bool quantise) {
    const auto colourAt = [&image, quantise](int x, int y) {
        const QRgb c = image.pixel(x, y);
        if (!quantise)
            return c & 0xFFFFFFu;
        return qRgb(QuantisedLevel(qRed(c)), QuantisedLevel(qGreen(c)), QuantisedLevel(qBlue(c))) &
               0xFFFFFFu;
    };
    struct Count {
        QRgb colour;
        int n;
    };
    std::vector<Count> counts;
    counts.reserve(25);
    for (int y = std::max(0, at.y() - 2); y <= std::min(image.height() - 1, at.y() + 2); ++y) {
        for (int x = std::max(0, at.x() - 2); x <= std::min(image.width() - 1, at.x() + 2); ++x) {
            const QRgb c = colourAt(x, y);
            const auto it = std::find_if(counts.begin(), counts.end(),
                                         [c](const Count& k) { return k.colour == c; });
            if (it == counts.end())
                counts.push_back({c, 1});
            else
                ++it->n;
        }
    }
    if (counts.empty())
        return qRgb(0, 0, 0);
    const QRgb centre = colourAt(at.x(), at.y());
    const Count* best = &counts.front();
    for (const Count& k : counts) {
        if (k.n > best->n || (k.n == best->n && k.colour == centre && best->colour != centre))
            best = &k;
    }
    return best->colour | 0xFF000000u;
}
