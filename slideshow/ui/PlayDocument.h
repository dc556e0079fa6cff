#pragma once
#include <QString>

/// Opens the document `path` and plays it in the slideshow window from slide 0 until
/// the show ends. 0 when it played, 1 when the document did not open or is empty, 2
/// without a path.
int PlayDocument(const QString& path);
