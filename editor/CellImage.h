#pragma once
// Scaling a slide picture into a page cell with its transparent colour left out.

#include "document/Document.h"

#include <QImage>
#include <QSize>

/// The picture scaled to `size`. Without a transparent colour (`key` empty) the
/// result is an opaque RGB32 image. With one, the pixels of exactly that colour become
/// fully transparent before the picture is scaled, and the scaling averages
/// premultiplied pixels, so see-through pixels never blend their colour into their
/// neighbours (no fringe of the key colour at any size); the result is premultiplied
/// ARGB. A null image for a null picture or an empty size.
QImage ScaleSlideForCell(const QImage& picture, const KeyColor& key, QSize size);

/// The colour of pixel `pt` of a cell image made by ScaleSlideForCell with `key`: the
/// key itself where the pixel is mostly see-through. Nothing outside the image.
std::optional<QRgb> CellImageColor(const QImage& cell, const KeyColor& key, QPoint pt);
