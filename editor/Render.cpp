#include "editor/Render.h"

#include "document/Picture.h"

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
