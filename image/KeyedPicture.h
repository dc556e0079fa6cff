#pragma once
// Transparent colours on pictures whose pixels are not exact. A JPEG picture never holds
// one colour where its background was one: its compression leaves the pixels a few
// levels off (more near the edges of shapes), so a key of exactly one colour leaves
// speckles, blocks and a fringe of near-key pixels around every shape. Such a picture is
// keyed with a tolerance: its pixels within the tolerance of the key, and the background
// beside them that the compression mixed with a shape's colour, become exactly the key,
// and the slide keeps a lossless picture made from those pixels, as a keyed import does. The
// picture it was made from stays with the slide in memory, so that another colour, another
// tolerance or no colour starts from it again.

#include "document/SlideRecord.h"

#include <QImage>
#include <QPoint>

/// The tolerance JPEG pictures are keyed with by default: 24 levels of red, green and
/// blue. At the import's JPEG quality (70), the pixels of a plain background more than
/// two pixels away from a shape (nearer ones are mixed with the shape's colour by the
/// format's halved colour resolution) lie within 24 of their true colour: 99.7 % on
/// white, 99.4 % on pure green, 99.8 % on grey and 98.4 % on pure blue, and beyond eight
/// pixels 99.85 % or more (with 16: 96.9 % to 98.8 %); in flat areas they are all within 2.
constexpr int kDefaultKeyTolerance = 24;
/// The largest tolerance a slide can be given.
constexpr int kMaxKeyTolerance = 64;

/// The tolerance of the settings (Setting::KeyTolerance, else kDefaultKeyTolerance),
/// brought within 0 to kMaxKeyTolerance.
int ReadKeyTolerance();

/// True for a picture stored lossy (JPEG bytes): its pixels only come near the colours
/// it was made of.
bool IsLossyPicture(const Picture* picture);

/// True when each of `c`'s red, green and blue lies within `tolerance` of `key`'s.
bool NearKey(QRgb c, QRgb key, int tolerance);

/// `raster` (any format) keyed with a tolerance, as Format_ARGB32: pixels within
/// `tolerance` of `key`, and those already fully transparent, become exactly the key and
/// fully transparent. With a tolerance above 0, each opaque pixel within two pixels of
/// those then sides with the colour it is nearer to (in red, green and blue): the key,
/// or the shape beside it, the colour least like the key within three pixels, itself
/// included. One that sides with the key becomes it too (the background a JPEG mixed
/// with a shape's colour); one that sides with the shape has the key's share taken out
/// of its colour (no tint of the key on the shapes' edges). Twice, so that background
/// ringing a little further out goes as well. Other opaque pixels keep their colour, and
/// one of exactly the key colour moves its green off it, as in a keyed import.
/// Half-transparent pixels, which only a picture keyed before holds, were mixed with a
/// key then and stay as they are.
QImage KeyWithTolerance(const QImage& raster, QRgb key, int tolerance);

/// A picture made from the pixels of `source` keyed with `tolerance` (KeyWithTolerance);
/// it is stored as a 32-bit BMP file. Null when `source` does not decode.
PicturePtr KeyedCopy(const Picture& source, QRgb key, int tolerance);

/// The picture a slide's transparent colour is applied to: the one its keyed copy was
/// made from, else its own picture.
const PicturePtr& KeyBase(const SlideRecord& slide);

/// The tolerance a slide is keyed with when it gets a transparent colour: the one it
/// was keyed with before when it has a keyed copy, else the settings' (ReadKeyTolerance)
/// for a lossy picture and 0 (exact) for a lossless one.
int DefaultKeyTolerance(const SlideRecord& slide);

/// Gives `slide` the transparent colour `key` (empty: none) with `tolerance`. With a key
/// and a tolerance above 0 the slide's picture becomes a keyed copy of KeyBase(slide)
/// (keySource keeps the base, keyTolerance the tolerance); otherwise the slide shows the
/// base itself, keyed exactly. A base that does not decode is keyed exactly.
void SetSlideKey(SlideRecord& slide, KeyColor key, int tolerance);
/// The same with DefaultKeyTolerance(slide).
void SetSlideKey(SlideRecord& slide, KeyColor key);

/// A level brought to the grid of multiples of 5 (0, 5, ..., 255), which holds the
/// levels 0 and 255 of pure colours: a JPEG's pure green, decoded as (1, 254, 2), comes
/// back as (0, 255, 0).
int QuantisedLevel(int level);

/// The colour a pick at `at` of `image` takes: the most frequent colour of the 5 x 5
/// pixels around it (fewer at the image's edges), so that one stray pixel is not taken.
/// With `quantise` (for lossy pictures) the colours are counted on the grid of
/// QuantisedLevel and the winner is given on it. A tie goes to the colour of the pixel
/// at `at`, else to the one met first, row by row. Opaque; `at` must lie in the image.
QRgb DominantColor(const QImage& image, QPoint at, bool quantise);
