#include "slideshow/ShowTooltip.h"

#include "slideshow/ShowArithmetic.h"

namespace show {

QString ShowTooltipText(int number, int seconds) {
    return QString::fromStdString(ShowTooltipUtf8(number, seconds));
}

} // namespace show
