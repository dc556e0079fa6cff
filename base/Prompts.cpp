#include "Prompts.h"

#include "CliPrompts.h"
#include "Messages.h"

namespace {
CliPrompts g_cliPrompts;
Prompts* g_prompts = nullptr;
} // namespace

Prompts& prompts() {
    return g_prompts ? *g_prompts : g_cliPrompts;
}

void setPrompts(Prompts* p) {
    g_prompts = p;
}

Answer ShowMessage(Msg id, const QString& prefix, QObject* owner, MsgKind kind) {
    const QString text = MessageText(id);
    if (text.isEmpty())
        return Answer::None;
    return prompts().message(id, prefix + text, kind, owner);
}

QString FileAndReason(const QString& path, const QString& reason) {
    return path + QLatin1Char('\n') + reason + QLatin1Char('\n');
}

QString QtFilterFromPipes(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the label's parentheses; make sure they are there.
        if (!label.contains(QLatin1Char('(')))
            label += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            label = label.left(label.lastIndexOf(QLatin1Char('('))) + QLatin1Char('(') + patterns +
                    QLatin1Char(')');
        out << label;
    }
    return out.join(QStringLiteral(";;"));
}
