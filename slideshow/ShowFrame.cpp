#include "slideshow/ShowFrame.h"

#include "slideshow/ShowGeometry.h"

#include <cstring>

namespace {

QRect RectOf(const show::Box& b) {
    return b.width > 0 && b.height > 0 ? QRect(b.left, b.top, b.width, b.height) : QRect();
}

/// The pixels of `image` as a raster: a premultiplied image as coverage, any other as
/// straight alpha.
show::Raster RasterOf(const QImage& image) {
    show::Raster r;
    if (image.isNull())
        return r;
    const bool coverage = image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage pixels =
        coverage || image.format() == QImage::Format_ARGB32 ||
                image.format() == QImage::Format_RGB32
            ? image
            : image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_RGB32);
    r.width = pixels.width();
    r.height = pixels.height();
    r.coverage = coverage;
    r.pixels.resize(size_t(r.width) * size_t(r.height));
    for (int y = 0; y < r.height; ++y)
        std::memcpy(&r.pixels[size_t(y) * size_t(r.width)], pixels.constScanLine(y),
                    size_t(r.width) * sizeof(std::uint32_t));
    return r;
}

} // namespace

QRegion RegionOfBands(const std::vector<show::Box>& bands) {
    QRegion region;
    if (bands.empty())
        return region;
    std::vector<QRect> rects;
    rects.reserve(bands.size());
    for (const show::Box& b : bands)
        rects.emplace_back(b.left, b.top, b.width, b.height);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    region.setRects(QSpan<const QRect>(rects.data(), qsizetype(rects.size())));
#else
    region.setRects(rects.data(), int(rects.size()));
#endif
    return region;
}

ShowFrame ShowFrameOf(const show::FramePtr& frame) {
    ShowFrame f;
    if (!frame)
        return f;
    f.key = frame->key;
    f.placed = RectOf(frame->placed);
    f.opaque = RegionOfBands(frame->opaque);
    const show::Raster& r = frame->image;
    if (r.width > 0 && r.height > 0) {
        // The image reads the frame's pixels where they are, holding the frame.
        auto* keep = new show::FramePtr(frame);
        f.image = QImage(
            reinterpret_cast<const uchar*>(r.pixels.data()), r.width, r.height,
            qsizetype(r.width) * 4, QImage::Format_RGB32,
            [](void* held) { delete static_cast<show::FramePtr*>(held); }, keep);
    }
    return f;
}

ShowFrame ComposeShowFrame(const QImage& picture, const KeyColor& keyColor, QSize window, bool fit,
                           bool flipH, bool flipV) {
    return ComposeShowFrame(picture, picture.size(), keyColor, window, fit, flipH, flipV);
}

ShowFrame ComposeShowFrame(const QImage& picture, QSize pictureSize, const KeyColor& keyColor,
                           QSize window, bool fit, bool flipH, bool flipV) {
    show::FrameRequest r;
    r.spec.slide = 0;
    r.spec.width = std::max(window.width(), 0);
    r.spec.height = std::max(window.height(), 0);
    r.spec.fit = fit;
    r.spec.flipH = flipH;
    r.spec.flipV = flipV;
    r.key = show::ShowKeyColor(keyColor) & 0x00FFFFFFu;
    r.keyed = keyColor.has_value();
    const show::Raster raster = RasterOf(picture);
    return ShowFrameOf(std::make_shared<const show::Frame>(show::ComposeFrame(
        r, raster.pixels.empty() ? nullptr : &raster, pictureSize.width(), pictureSize.height())));
}

QRegion OpaqueRegion(const QImage& image, QRgb key) {
    if (image.isNull() || image.depth() != 32)
        return QRegion();
    return RegionOfBands(
        show::OpaqueBands(reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
                          image.height(), size_t(image.bytesPerLine()) / 4, key));
}
