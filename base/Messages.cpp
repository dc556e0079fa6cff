#include "Messages.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {
struct Entry {
    int id;
    const char* text;
};
const Entry kTable[] = {
#include "MessageTable.inc"
};
} // namespace

QString MessageText(Msg id) {
    const auto it = std::find_if(std::begin(kTable), std::end(kTable),
                                 [id](const Entry& e) { return e.id == int(id); });
    return it == std::end(kTable) ? QString() : QString::fromUtf8(it->text);
}

QString NumberRanges(const std::vector<int>& numbers) {
    QStringList parts;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        parts << (j == i ? QString::number(numbers[i])
                         : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}
