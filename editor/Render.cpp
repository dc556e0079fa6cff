#include "editor/Render.h"

#include "document/Picture.h"

#include <QPainter>

QImage RenderSlideImage(const SlideRecord& slide, bool ignoreFlips) {
    if (!slide.picture || slide.picture->image().isNull())
        return QImage();
    const QImage& src = slide.picture->image();
    if (ignoreFlips || (!slide.flipH && !slide.flipV))
        return src;
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    Qt::Orientations o;
    if (slide.flipH)
        o |= Qt::Horizontal;
    if (slide.flipV)
        o |= Qt::Vertical;
    return src.flipped(o);
#else
    return src.mirrored(slide.flipH != 0, slide.flipV != 0);
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
