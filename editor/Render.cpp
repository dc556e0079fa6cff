#include "editor/Render.h"

#include "document/Picture.h"

#include <QPainter>

QImage RenderSlideImage(const SlideRecord& slide, bool ignoreFlips) {
    const QImage src = slide.picture ? slide.picture->image() : QImage(); // decoded once
    if (src.isNull() || ignoreFlips)
        return src;
    return MirroredImage(src, slide.flipH != 0, slide.flipV != 0);
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
