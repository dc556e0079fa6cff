#pragma once
// Drawing one slide's picture at its pixel size.

#include "document/Document.h"

#include <QImage>
#include <QRect>

class QPainter;

/// The slide's picture at its pixel size, mirrored as its flags say unless
/// `ignoreFlips`. A null image when the slide has no picture.
QImage RenderSlideImage(const SlideRecord& slide, bool ignoreFlips);

/// A 1-pixel frame in colour `c` just inside the rectangle; nothing for an empty one.
void FrameRect(QPainter& p, const QRect& r, const QColor& c);
