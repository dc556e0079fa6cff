#pragma once
#include <QRect>
#include <QString>
#include <optional>

/// Opens the document `path` (a document file or a standalone slideshow) and plays it
/// in the slideshow window from slide 0 until the show ends, on the work area
/// `screenArea` (the screen under the pointer when unset). 0 when it played, 1 when the
/// document did not open or is empty.
int PlayDocument(const QString& path, std::optional<QRect> screenArea = std::nullopt);
