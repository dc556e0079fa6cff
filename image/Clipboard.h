#pragma once
// Slides on the clipboard: a bitmap of the slide's picture plus a short text of its
// settings ("%ld,%d,%d,%d": transparent colour, switch time, left-right flip,
// top-bottom flip). Pasting needs only the bitmap; the text, when it has the expected
// form, gives the new slide the copied slide's settings. A slide copied by this program
// also travels under a private type holding its stored picture, so pasting it here makes
// the same picture again instead of importing the bitmap anew.

#include "document/EditorState.h"

#include <QImage>
#include <QString>

class Picture;
class QMimeData;
class QObject;

/// The clipboard type of a slide copied by this program: the slide's settings text and
/// its stored picture (see MakeSlideMimeData).
constexpr const char* kSlideMimeType = "application/x-luserio-slide";

/// The settings text of a slide: the transparent colour as a signed 32-bit number (so
/// no colour is -1), the switch time and the two flip flags, in decimal.
QString SlideClipboardText(const SlideRecord& slide);

/// Field `n` (from 1) of `text` split at `separator`: field 1 runs to the first
/// separator, the last field to the end. Empty when the text has fewer than n - 1
/// separators (or n is below 1).
QString ExtractField(const QString& text, int n, QChar separator);

/// The settings of a pasted slide read from `text` (no picture). Text with exactly
/// three commas is taken field by field; anything else gives the defaults: no
/// transparent colour, the switch time of the setting NewSlideSeconds, no flips.
SlideRecord SlideRecordFromText(const QString& text);

/// Clipboard contents for a copied slide: the image and the settings text together, and
/// with `picture` (the slide's own) also kSlideMimeType: the text, then the picture's
/// image-file bytes, or for a picture made from pixels a PNG file of those pixels (its
/// stored BMP file keeps no alpha). The caller owns the result (the clipboard takes it over).
QMimeData* MakeSlideMimeData(const QImage& image, const QString& text,
                             const Picture* picture = nullptr);

/// True when the clipboard contents hold an image (a Qt image, a PNG file or a slide
/// copied by this program).
bool HasClipboardBitmap(const QMimeData* data);
/// The clipboard's image; null when there is none or it does not decode.
QImage ClipboardBitmap(const QMimeData* data);

/// Pastes the clipboard's image as a new slide: at page * 20 + `mark`, or with `mark`
/// -1 appended after the view moved to the last page. Nothing happens without an image;
/// a full table shows message Msg::TooManySlides. A slide copied by this program comes
/// back with its own picture and settings, pixel for pixel (shrunk only when it exceeds
/// the size limit, as an outside image would be); an image of another program is
/// imported like an added file. Returns the new slide's index, or -1 when none was added.
int PasteSlide(EditorState& ed, int mark, const QMimeData* data);
