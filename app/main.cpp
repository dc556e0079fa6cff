// ルセリオ: the editor's entry point.

#include "app/BuildMode.h"
#include "app/CommandLine.h"
#include "app/ui/Startup.h"
#include "base/Platform.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "slideshow/ui/PlayDocument.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    // --help, --info and --build run without a window, before any windowed application exists.
    if (IsBuildModeRequest(argc, argv))
        return RunBuildMode(argc, argv);
    if (const int rc = RunCommandLineMode(argc, argv); rc >= 0)
        return rc;
    ChooseQtPlatform();
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("luserio"));
    QApplication qapp(argc, argv);
    // The application's name is the executable's file name without its extension; it
    // names the settings key, the message captions and the working folder.
    NameApplicationAfterExecutable();
    PrepareWindowedApplication(qapp);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // --play FILE.lsr: the slideshow alone, without the editor.
    if (const int playAt = int(args.indexOf(QLatin1String("--play"))); playAt >= 0)
        return PlayDocument(args.value(playAt + 1));
    RunEditor(args);
    return 0;
}
