#include "app/ui/Startup.h"

#include "app/Platform.h"
#include "app/Prompts.h"
#include "app/ui/QtPrompts.h"
#include "packaging/ui/ShoriDlg.h"

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
    static DialogShoriRunner shoriRunner; // packing and extracting show the processing dialog
    setShoriRunner(&shoriRunner);
}
