#pragma once
// Drawing one slide's picture at its pixel size.

#include "document/Document.h"

#include <QImage>

/// The slide's picture at its pixel size, mirrored as its flags say unless
/// `ignoreFlips`. A null image when the slide has no picture.
QImage RenderSlideImage(const SlideRecord& slide, bool ignoreFlips);
