#include "Messages.h"
#include "NumberRanges.h"

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
    return QString::fromStdString(NumberRangesText(numbers));
}
