#pragma once
// The editor window as the editor benchmarks use it.

#include "document/Picture.h"

#include <memory>

class EditorWindow;

/// The editor at 1440 x 810 on a 1920 x 1080 desktop, showing a page of 20 slides of
/// 500 x 500 pixels (a shaded disc on pure green; every other slide keyed green) with
/// switch times of 5 to 24 seconds. Shown, but not painted yet.
std::unique_ptr<EditorWindow> OpenBenchEditor();
