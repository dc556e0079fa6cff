#include "editor/CellImage.h"

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
    const QRgb keyRgb = *key & 0x00FFFFFFu;
    QImage keyed(opaque.size(), QImage::Format_ARGB32_Premultiplied);
    if (keyed.isNull())
        return QImage();
    const int w = opaque.width();
    for (int y = 0; y < opaque.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = src[x] & 0x00FFFFFFu;
            dst[x] = c == keyRgb ? 0u : (c | 0xFF000000u);
        }
    }
    if (keyed.size() == size)
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
