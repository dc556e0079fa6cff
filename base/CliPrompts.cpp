#include "CliPrompts.h"

#include <cstdio>

Answer CliPrompts::message(Msg, const QString& text, MsgKind kind, QObject*) {
    const QByteArray bytes = text.toUtf8();
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
