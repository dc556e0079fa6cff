#pragma once
// Limits shared by every reader of picture files.

#include <QtGlobal>

/// The largest picture decoded, in pixels; larger images are skipped like undecodable ones.
constexpr qint64 kMaxImagePixels = 100'000'000;

/// Pictures larger than this are never decoded at their full size to be drawn: cells,
/// previews and the show reduce them to the size they are drawn at while they are
/// decoded (about 16 MB of pixels).
constexpr qint64 kWholeDecodePixels = 4'000'000;

/// The pixels that full-size decodes may hold at once; a decode larger than this waits
/// until it can run alone.
constexpr qint64 kFullDecodeBudgetBytes = qint64(64) << 20;
