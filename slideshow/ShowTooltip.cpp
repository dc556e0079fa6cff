#include "slideshow/ShowTooltip.h"

#include "editor/Text.h"

namespace show {

QString ShowTooltipText(int number, int seconds) {
    return QStringLiteral("№%1 %2\n※ 右クリックメニューで操作できます")
        .arg(number)
        .arg(FormatSwitchTime(seconds));
}

} // namespace show
