// The application's run: binding the services and running the main window modally.

#include "app/P20417App.h"
#include "app/Prompts.h"
#include "editor/ui/P20417Dlg.h"

bool CP20417App::InitInstance(const QStringList& args) {
    const QString startFile = FirstNonOptionArgument(args);
    CP20417Dlg dlg;
    if (!CreateBackSurface()) {
        ShowMessage(30001, QString(), nullptr, MsgKind::Error);
        return false;
    }
    dlg.m_strCmdFile = startFile;
    if (dlg.OnInitDialog())
        dlg.exec();
    return false;
}
