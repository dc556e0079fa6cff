#include "editor/Text.h"

#include "slideshow/ShowArithmetic.h"

QString FormatSwitchTime(int seconds) {
    return QString::fromStdString(show::SwitchTimeText(seconds));
}

QString GroupDigits(const QString& digits) {
    const int n = int(digits.size());
    if (n < 4 || n >= 10)
        return digits;
    QString out = digits;
    out.insert(n - 3, QLatin1Char(','));
    if (n >= 7)
        out.insert(n - 6, QLatin1Char(','));
    return out;
}

QString FileTitleOf(const QString& path) {
    int start = 0;
    for (int i = int(path.size()) - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) {
            start = i + 1;
            break;
        }
    }
    QString name = path.mid(start);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}
