#pragma once
// Whether an image file ends before its picture does. The image readers fill in what is
// missing (grey for JPEG, black for GIF and BMP) and at most print a warning of their
// own, so the import looks at the file's structure itself: cheap walks over its
// segments or blocks, no decoding.

#include <QString>
#include <QtGlobal>

/// True when the bytes of a JPEG, GIF or BMP file end before its picture does: a JPEG
/// without its end marker after the last scan, a GIF whose first image's blocks run
/// past the end, an uncompressed BMP shorter than its pixel rows. False for complete
/// files, for other formats and for data too broken to follow (it does not decode).
bool ImageDataCutShort(const uchar* data, qint64 size);

/// ImageDataCutShort for a file; false when the file cannot be read.
bool ImageFileCutShort(const QString& path);
