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

QImage KeyWithTolerance(const QImage& raster, QRgb key, int tolerance) {
    QImage out = raster.convertToFormat(QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const QRgb hole = qRgba(qRed(key), qGreen(key), qBlue(key), 0);
    const int gG = SubstituteGreen(key);
    for (int y = 0; y < out.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int alpha = qAlpha(p[x]);
            if (alpha == 0 || NearKey(p[x], key, tolerance))
                p[x] = hole;
            else if (alpha == 255 && (p[x] & 0xFFFFFFu) == (key & 0xFFFFFFu))
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
