#pragma once
// The per-slide image commands of the slide menu: a transparent colour from a fixed
// list or none, and the two mirror flips; each acts on the selected slide of `ed`. The
// flips change fields of the slide record only; a transparent colour given to a JPEG
// picture makes it a keyed copy with a tolerance (SetSlideKey).

#include "document/EditorState.h"

/// The fixed transparent colours of the slide menu: black, white, red, green, blue.
constexpr QRgb kFixedKeyColors[5] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0),
                                     qRgb(0, 255, 0), qRgb(0, 0, 255)};

/// Gives the selected slide the transparent colour `key` (empty: none) with its
/// default tolerance (SetSlideKey) and marks the document modified. False (nothing
/// changed) when no slide is selected.
bool SetSelectedSlideKey(EditorState& ed, KeyColor key);

/// Mirrors the selected slide left-right (`horizontal`) or top-bottom: a flag of 0
/// becomes 1, any other value 0. Marks the document modified. False when no slide is
/// selected.
bool ToggleSelectedSlideFlip(EditorState& ed, bool horizontal);
