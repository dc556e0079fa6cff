#include "editor/Text.h"

QString FormatSwitchTime(int seconds) {
    if (seconds < 3600)
        return QString::asprintf("%02d:%02d", seconds / 60, seconds % 60);
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
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
