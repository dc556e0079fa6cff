#pragma once
// The program's artwork: SVG files compiled in under ":/art/", rendered at the pixel
// sizes the windows use.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

/// Renders ":/art/<name>.svg" into a size.width() x size.height() image with a
/// transparent background (premultiplied ARGB). With a `ratio` above 1 the image has
/// that many device pixels per pixel of `size` (for high-density screens) and carries
/// the ratio, so it still draws at `size`. A null image when the file is missing or
/// not valid SVG.
QImage RenderArt(const QString& name, QSize size, qreal ratio = 1.0);

/// The same as a pixmap for buttons and menus, rendered for the screen's pixel ratio.
QPixmap ArtPixmap(const QString& name, QSize size);

/// A cursor drawn from ":/art/<name>.svg" at 32 x 32 with its hot spot at `hot` (in
/// 32 x 32 pixel coordinates). The arrow cursor when the artwork is missing.
QCursor ArtCursor(const QString& name, QPoint hot);

/// The program icon at the usual icon sizes.
QIcon ProgramIcon();

/// Names of the colour-swatch images of the slide menu, in the order black, white,
/// red, green, blue.
extern const char* const kSwatchArt[5];
