#include "app/BuildMode.h"

#include "app/CliSave.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "image/AddSlides.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

bool IsBuildModeRequest(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], "--build") == 0;
}

int RunBuildMode(int argc, char** argv) {
    // No window is shown: the offscreen platform serves the image code without a display.
    ChooseWindowlessPlatform();
    QGuiApplication app(argc, argv);
    NameApplicationAfterExecutable();
    InstallImageLimits();
    setPrompts(nullptr); // messages on standard error, questions answered with their first button
    QStringList args = QCoreApplication::arguments();
    args.removeFirst(); // the program
    args.removeFirst(); // --build
    const QString out = args.isEmpty() ? QString() : args.takeFirst();
    return BuildDocumentFromImages(out, args);
}

int BuildDocumentFromImages(const QString& out, const QStringList& images) {
    if (out.isEmpty() || images.isEmpty()) {
        std::fprintf(stderr, "usage: luserio --build OUT.lsr IMAGE...\n");
        return 2;
    }
    ReleaseAllPictures();
    Document& doc = CurrentDocument();
    doc.Clear();
    EditorState ed;
    NewDocument(ed);
    RecalcPages(ed);

    // The slide code expects full paths, as the file dialogs and drops give them.
    QStringList paths;
    for (const QString& image : images)
        paths << QFileInfo(image).absoluteFilePath();
    if (!LimitPathsToCapacity(paths, nullptr))
        return 1;
    const int added = AddSlidesFromFiles(ed, -1, paths);

    const bool saved = SaveDocumentForCli(QFileInfo(out).absoluteFilePath());
    if (added < images.size())
        std::fprintf(stderr, "%d of %lld images were not added\n", int(images.size() - added),
                     static_cast<long long>(images.size()));
    return saved && added == images.size() ? 0 : 1;
}
