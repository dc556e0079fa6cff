#include "CliPrompts.h"
#include "Settings.h"

#include <cstdio>

Answer CliPrompts::message(Msg id, const QString& text, MsgKind kind, QObject*) {
    // One line in the command line's style, the message the window would show after it.
    const QByteArray bytes = CommandLineMessage(ApplicationName(), id, text).toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
    return (kind == MsgKind::Error || kind == MsgKind::Info) ? Answer::Ok : Answer::Yes;
}

QStringList CliPrompts::openFileNames(const FileDialogSpec&, bool) {
    return {};
}

QString CliPrompts::saveFileName(const FileDialogSpec&) {
    return {};
}

std::optional<QRgb> CliPrompts::chooseColor(QRgb, QObject*) {
    return std::nullopt;
}

bool CliPrompts::showFolder(const QString&) {
    return false;
}

std::unique_ptr<ProgressPrompt> CliPrompts::progress(Msg, int, std::function<void()>, QObject*) {
    return nullptr;
}
