#include "editor/Render.h"

#include "document/Picture.h"

#include <QPainter>

QImage RenderSlideImage(const SlideRecord& slide, bool ignoreFlips) {
    if (!slide.pPicture || slide.pPicture->image().isNull())
        return QImage();
    const QImage& src = slide.pPicture->image();
    if (ignoreFlips || (!slide.bFlipH && !slide.bFlipV))
        return src;
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    Qt::Orientations o;
    if (slide.bFlipH)
        o |= Qt::Horizontal;
    if (slide.bFlipV)
        o |= Qt::Vertical;
    return src.flipped(o);
#else
    return src.mirrored(slide.bFlipH != 0, slide.bFlipV != 0);
#endif
}

void FrameRect(QPainter& p, const RECT32& r, const QColor& c) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return;
    p.fillRect(QRect(r.left, r.top, w, 1), c);
    p.fillRect(QRect(r.left, r.bottom - 1, w, 1), c);
    p.fillRect(QRect(r.left, r.top, 1, h), c);
    p.fillRect(QRect(r.right - 1, r.top, 1, h), c);
}
