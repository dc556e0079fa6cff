#include "app/ui/Startup.h"

#include "app/ui/QtPrompts.h"
#include "base/CliPrompts.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "editor/ui/EditorWindow.h"
#include "packaging/ui/ProgressDialog.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void PrepareWindowedApplication(QApplication& app) {
    // The interface is Japanese: the standard dialogs and buttons speak it too.
    auto* qtbase = new QTranslator(&app);
    if (qtbase->load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtbase);
    InstallFontSubstitutions();
    InstallImageLimits();
    // Without a screen (the offscreen platform of automated runs) nobody could answer a
    // dialog: messages go to standard error and take their first button.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        static CliPrompts cliPrompts;
        setPrompts(&cliPrompts);
    } else {
        static QtPrompts qtPrompts;
        setPrompts(&qtPrompts);
    }
    static ProgressDialogRunner progressRunner; // packing and extracting show the processing dialog
    SetCabinetJobRunner(&progressRunner);
}

void RunEditor(const QString& file) {
    EditorWindow editor;
    editor.m_startFile = file;
    editor.m_openWhenShown = true;
    if (editor.Initialize())
        editor.exec();
}
