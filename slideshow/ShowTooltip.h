#pragma once
// The slideshow window's tooltip text.

#include <QString>

namespace show {

/// The tooltip of the show: "№<number> <time>\n※ 右クリックメニューで操作できます".
QString ShowTooltipText(int number, int seconds);

} // namespace show
