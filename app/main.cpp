// ルセリオ: the editor's entry point.

#include "app/CommandLine.h"
#include "app/ui/Startup.h"
#include "base/Platform.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "packaging/WorkFolder.h"
#include "slideshow/ui/PlayDocument.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    // Before anything is written, in every mode.
    IgnoreFileSizeSignal();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    // A wrong command line never opens a window: it is said at once.
    if (!parsed.error.isEmpty())
        return ReportWrongCommandLine(argv[0], parsed.error);
    const Invocation& inv = parsed.invocation;
    // --help, --version, --info, --export-exe and --build run without a window, before
    // any windowed application exists.
    if (const int rc = RunWindowlessMode(argc, argv, inv); rc >= 0)
        return rc;
    ChooseQtPlatform(inv.platform);
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("luserio"));
    QApplication qapp(argc, argv);
    // The application's name is the executable's file name without its extension; it
    // names the settings key, the message captions and the working folder.
    NameApplicationAfterExecutable();
    // What copies of the program that were killed left in the working folder goes.
    RemoveStaleWorkFilesOnce();
    PrepareWindowedApplication(qapp);
    if (inv.mode == CliMode::Play) {
        // --play FILE: the slideshow alone, on the screen asked for or under the pointer.
        std::optional<QRect> area;
        if (inv.screen > 0) {
            const QList<QScreen*> screens = QGuiApplication::screens();
            if (inv.screen > screens.size())
                return ReportWrongCommandLine(
                    argv[0], QStringLiteral("--screen %1: this display has %2 screen(s)")
                                 .arg(inv.screen)
                                 .arg(screens.size()));
            area = screens.at(inv.screen - 1)->availableGeometry();
        }
        return PlayDocument(inv.file, area);
    }
    RunEditor(inv.file);
    return 0;
}
