#pragma once
// Limits shared by every reader of picture files.

#include <QtGlobal>

/// The largest picture decoded, in pixels; larger images are skipped like undecodable ones.
constexpr qint64 kMaxImagePixels = 100'000'000;
