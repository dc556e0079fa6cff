#pragma once
#include "base/Prompts.h"

/// The real dialogs: message boxes captioned with the application's name, the platform's
/// file dialogs and colour chooser, the file browser through QDesktopServices, progress
/// in a BatchProgressDialog.
class QtPrompts : public Prompts {
public:
    Answer message(Msg id, const QString& text, MsgKind kind, QObject* owner) override;
    QStringList openFileNames(const FileDialogSpec& request, bool multi) override;
    QString saveFileName(const FileDialogSpec& request) override;
    std::optional<QRgb> chooseColor(QRgb initial, QObject* owner) override;
    bool showFolder(const QString& folder) override;
    std::unique_ptr<ProgressPrompt> progress(Msg label, int total, std::function<void()> changed,
                                             QObject* owner) override;
};
