#pragma once
// The one routine that makes the interface's fonts.

#include <QFont>
#include <QString>

class QPainter;

/// The face used when none is named.
inline const QString kDefaultUiFace = QStringLiteral("Meiryo UI");

/// Fills `font` from the application font with the given face ("Meiryo UI" when empty),
/// weight (bold or normal), italic, strike-out and underline, at `points` points (at
/// least 2) turned into pixels with the surface's vertical resolution, and selects it
/// into `surface` (when given). Returns the font the surface had before. `angle` is the
/// text direction in degrees, counter-clockwise; Qt fonts carry no direction, so a
/// caller that draws turned text rotates its painter by it.
QFont SelectUiFont(const QString& face, int points, bool bold, bool italic, bool strikeOut,
                   bool underline, int angle, QFont& font, QPainter* surface);

/// The pixel height of `points` points at `dpi` dots per inch, rounded to nearest.
int PointsToPixels(int points, int dpi);
