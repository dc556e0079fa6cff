#pragma once
// The arithmetic and texts of the auxiliary dialogs (switch-time table, slide list,
// slide properties, settings), kept free of widgets so that they can be tested alone.

#include "document/Document.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

/// A switch time brought into 1 to 64800 seconds.
int ClampSwitchTime(long long seconds);

/// "Total-" and the time text of the sum of the first `count` entries of `times`.
QString TotalTimeText(const int* times, int count);

/// The slide list's data-size text of a stored picture of `bytes` bytes: below 1024
/// "%.3f KB" of bytes / 1024, else the whole kilobytes grouped by thousands and " KB".
QString DataSizeText(qint64 bytes);

/// The slide list's transparent-colour text: "透過色なし", or "RGB(%3d, %3d, %3d)".
QString ListColorText(const KeyColor& color);

/// The property dialog's transparent-colour text: "透過色なし", or "RGB(%d, %d, %d)".
QString PropertyColorText(const KeyColor& color);

/// The property dialog's size text, "1,920×1,080px".
QString PixelSizeText(QSize size);

/// Where a picture of `picture` pixels is drawn in the preview frame `frame`: centred
/// at its own size when it is smaller than the frame both ways, else scaled down to
/// fill the frame's width or height (the scale factors in single precision, the
/// scaled side their product in double precision, truncated), centred the other way. An empty
/// rectangle for an empty picture.
QRect PreviewPlacement(const QRect& frame, QSize picture);

/// The leading decimal digits of `text` as a number (0 when there are none); a number
/// too large for an int reads INT_MAX.
int LeadingNumber(const QString& text);

/// A size limit typed into the settings dialog: its leading number brought into 100
/// to 1000.
int SizeLimitFromText(const QString& text);

/// A copy of `image` whose pixels of exactly `key` are fully transparent (premultiplied
/// ARGB, so that smooth scaling never blends the key colour into its neighbours). With
/// no key every pixel is kept.
QImage KeyedImage(const QImage& image, const KeyColor& key);
