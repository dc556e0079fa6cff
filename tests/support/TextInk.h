#pragma once
// Reading drawn text out of a picture without depending on the fonts of the machine.
//
// Anti-aliased text mixes its colour into the background: a pixel the glyph covers
// fully has the text colour, a partly covered one lies between the two colours, channel
// by channel (also with subpixel or gamma-corrected smoothing). How many pixels of each
// kind there are depends on the font the machine picks; that no pixel leaves the span,
// that the most covered pixels have the text colour and how much ink there is in total
// do not.

#include <QImage>
#include <QRect>
#include <QRgb>

/// What text drawn in one colour left in an area of a picture.
struct TextInk {
    /// The pixels changed from the background, each counted by its share of the text
    /// colour (0 for the background, 1 for the text colour): the text's area in pixels.
    double ink = 0;
    /// How close the pixel nearest to the text colour comes to it: the largest channel
    /// difference (0 where a glyph covers a pixel fully; 256 when nothing was drawn).
    int nearest = 256;
    /// Changed pixels whose colour is no mix of the background and the text colour.
    int strays = 0;
};

/// The text in `area` of `shot`, drawn in `text` over `background` (the same picture
/// without the text; same size as `shot`).
TextInk MeasureTextInk(const QImage& shot, const QRect& area, QRgb text, const QImage& background);

/// The text in `area` of `shot`, drawn in `text` over the plain colour `background`.
TextInk MeasureTextInk(const QImage& shot, const QRect& area, QRgb text, QRgb background);
