#include "Version.h"

#include "Messages.h"

#include <QRegularExpression>
#include <QSysInfo>

namespace {
// The history's entries have consecutive keys, the oldest version first.
constexpr int kMaxHistoryEntries = 100;
} // namespace

QStringList VersionHistory() {
    QStringList lines;
    for (int i = 0; i < kMaxHistoryEntries; ++i) {
        QString text = MessageText(Msg(int(Msg::VersionHistory) + i));
        if (text.isEmpty())
            break;
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        lines.prepend(text);
    }
    return lines;
}

QString ProgramVersion() {
    static const QRegularExpression number(QStringLiteral("^Ver\\.\\s*(\\d+(?:\\.\\d+)*)"));
    const QStringList history = VersionHistory();
    if (history.isEmpty())
        return {};
    const QRegularExpressionMatch m = number.match(history.first());
    return m.hasMatch() ? m.captured(1) : QString();
}

QString BuildPlatform() {
#if defined(Q_OS_WIN)
    const QString system = QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
    const QString system = QStringLiteral("macOS");
#elif defined(Q_OS_LINUX)
    const QString system = QStringLiteral("Linux");
#elif defined(Q_OS_FREEBSD)
    const QString system = QStringLiteral("FreeBSD");
#else
    const QString system = QSysInfo::kernelType();
#endif
    return system + QLatin1Char(' ') + QSysInfo::buildCpuArchitecture();
}
