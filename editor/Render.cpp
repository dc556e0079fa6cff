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

void FrameRect(QPainter& p, const QRect& r, const QColor& c) {
    const int w = r.width();
    const int h = r.height();
    if (w <= 0 || h <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), w, 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), w, 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, h), c);
    p.fillRect(QRect(r.right(), r.top(), 1, h), c);
}
