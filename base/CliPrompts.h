#pragma once
// The prompts of the command line and of runs without a screen.

#include "Prompts.h"

/// Prints messages to standard error, each on one line "program: gist: prefix: text"
/// (CommandLineMessage), and answers every question with its first button; file dialogs and the
/// colour chooser are cancelled; progress is not displayed.
class CliPrompts : public Prompts {
public:
    Answer message(Msg id, const QString& text, MsgKind kind, QObject* owner) override;
    QStringList openFileNames(const FileDialogSpec& request, bool multi) override;
    QString saveFileName(const FileDialogSpec& request) override;
    std::optional<QRgb> chooseColor(QRgb initial, QObject* owner) override;
    bool showFolder(const QString& folder) override;
    std::unique_ptr<ProgressPrompt> progress(Msg label, int total, std::function<void()> changed,
                                             QObject* owner) override;
};
