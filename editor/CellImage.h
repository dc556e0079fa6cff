#pragma once
// Scaling a slide picture into a page cell with its transparent colour left out.

#include "document/Document.h"

#include <QImage>
#include <QSize>

class Picture;

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

/// `picture` made smaller, keeping its aspect, until it fits within `bound`; never larger.
QSize FitWithin(QSize picture, QSize bound);

/// True when a picture of `size` pixels is decoded and reduced quickly enough to be
/// made while a window paints.
bool IsQuickToPrepare(QSize size);

/// The picture as page cells are made from: reduced to fit within `bound` (device
/// pixels; never enlarged) and keyed as ScaleSlideForCell keys, so that any cell up to
/// `bound` is scaled from it without decoding again. A JPEG without a key is decoded at
/// a reduced scale. Kept in the program's picture cache; null when the picture does not
/// decode. Safe to call from any thread.
QImage CellSource(const Picture& picture, const KeyColor& key, QSize bound);
/// The cell source when the cache holds it, else a null image (nothing is decoded).
QImage CachedCellSource(const Picture& picture, const KeyColor& key, QSize bound);

/// A cell image of `size` made from a cell source, mirrored as `flipH` and `flipV` say.
QImage CellFromSource(const QImage& source, QSize size, bool flipH, bool flipV);
