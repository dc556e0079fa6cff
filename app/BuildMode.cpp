#include "app/BuildMode.h"

#include "app/CliSave.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "image/AddSlides.h"
#include "packaging/WorkFolder.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

int RunBuildMode(int argc, char** argv, const QString& out, const QList<BuildImage>& images,
                 std::optional<SizeLimit> limit) {
    // No window is shown: the offscreen platform serves the image code without a display.
    ChooseWindowlessPlatform();
    QGuiApplication app(argc, argv);
    NameApplicationAfterExecutable();
    RemoveStaleWorkFilesOnce();
    InstallImageLimits();
    setPrompts(nullptr); // messages on standard error, questions answered with their first button
    return BuildDocumentFromImages(out, images, stderr, limit);
}

namespace {

/// One line on `err` in the command line's style (CommandLineMessage): the program,
/// for a warning the word, the reason in English, the file as given on the command line,
/// then the reason as the editor says it.
void PrintFileLine(std::FILE* err, const QString& image, Msg reason, bool warning = false) {
    const QString program =
        warning ? ApplicationName() + QStringLiteral(": ") + MessageGist(Msg::Warning)
                : ApplicationName();
    const QByteArray line =
        CommandLineMessage(program, reason, image + QLatin1Char('\n') + MessageText(reason))
            .toUtf8();
    std::fprintf(err, "%s\n", line.constData());
}

/// A line of the program's own on `err`: "program: text".
void PrintLine(std::FILE* err, const QString& text) {
    const QByteArray line = (ApplicationName() + QStringLiteral(": ") + text).toUtf8();
    std::fprintf(err, "%s\n", line.constData());
}

} // namespace

int BuildDocumentFromImages(const QString& out, const QStringList& images, std::FILE* err) {
    QList<BuildImage> plain;
    for (const QString& image : images)
        plain.append(BuildImage{image, {}, {}, {}, {}});
    return BuildDocumentFromImages(out, plain, err);
}

int BuildDocumentFromImages(const QString& out, const QList<BuildImage>& images, std::FILE* err,
                            std::optional<SizeLimit> limit) {
    if (out.isEmpty() || images.isEmpty()) {
        std::fprintf(err, "usage: luserio --build OUT.lsr IMAGE...\n");
        return 2;
    }
    const QString target = QFileInfo(out).absoluteFilePath();
    // Told apart before anything is written: a document there is replaced only by one
    // that holds slides, and the last line says so when images were left out.
    const bool existed = QFileInfo(target).exists();
    ReleaseAllPictures();
    Document& doc = CurrentDocument();
    doc.Clear();
    EditorState ed;
    NewDocument(ed);
    RecalcPages(ed);

    // The slide code expects full paths, as the file dialogs and drops give them.
    QStringList paths;
    for (const BuildImage& image : images)
        paths << QFileInfo(image.path).absoluteFilePath();
    if (!LimitPathsToCapacity(paths, nullptr))
        return 1;
    // Images named with a transparent colour are imported with it, so that pictures
    // that are not JPEG files keep that colour exactly; a run of images with the same
    // colour is one batch.
    BatchReport report;
    for (qsizetype start = 0; start < paths.size();) {
        const std::optional<KeyColor>& keyColor = images[start].keyColor;
        qsizetype end = start + 1;
        while (end < paths.size() && images[end].keyColor == keyColor)
            ++end;
        const KeyColor given = keyColor ? *keyColor : std::nullopt;
        const BatchReport part = ImportFilesAsSlides(ed, -1, paths.mid(start, end - start), nullptr,
                                                     BatchProgress::Hidden, given, limit);
        report.added += part.added;
        for (BatchFile f : part.refused) {
            f.index += int(start);
            report.refused << f;
        }
        for (BatchFile f : part.damaged) {
            f.index += int(start);
            report.damaged << f;
        }
        start = end;
    }

    // The slides are the images in order, less the ones left out.
    QList<bool> leftOut(paths.size(), false);
    for (const BatchFile& f : report.refused)
        leftOut[f.index] = true;
    int slide = 0;
    for (qsizetype i = 0; i < paths.size() && slide < doc.slideCount; ++i) {
        if (leftOut[i])
            continue;
        SlideRecord& rec = doc.slides[slide++];
        const BuildImage& image = images[i];
        if (image.switchTime)
            rec.switchTime = quint16(*image.switchTime);
        if (image.keyColor)
            rec.keyColor = *image.keyColor;
        if (image.flipH)
            rec.flipH = *image.flipH ? 1 : 0;
        if (image.flipV)
            rec.flipV = *image.flipV ? 1 : 0;
    }

    // A document without slides is never written: an image name mistyped must not
    // empty an existing document.
    const int slides = doc.slideCount;
    const bool saved = slides > 0 && SaveDocumentForCli(target);
    // Every file left out is named with its reason, all of them (no shortened list); the
    // damaged ones that became slides follow as warnings.
    for (const BatchFile& f : report.refused)
        PrintFileLine(err, images[f.index].path, f.reason);
    for (qsizetype i = paths.size(); i < images.size(); ++i)
        PrintFileLine(err, images[i].path, Msg::TooManySlides);
    for (const BatchFile& f : report.damaged)
        PrintFileLine(err, images[f.index].path, f.reason, true);
    const int added = report.added;
    if (added < images.size())
        PrintLine(err, QStringLiteral("%1 of %2 images were not added")
                           .arg(images.size() - added)
                           .arg(images.size()));
    if (slides == 0) {
        PrintLine(err, existed ? QStringLiteral("nothing was written: no image became a slide; "
                                                "%1 was left as it was")
                                     .arg(out)
                               : QStringLiteral("nothing was written: no image became a slide"));
    } else if (saved && added < images.size()) {
        PrintLine(err, QStringLiteral("%1 %2 %3 slide%4")
                           .arg(out, existed ? QStringLiteral("was replaced and now holds")
                                             : QStringLiteral("now holds"))
                           .arg(slides)
                           .arg(slides == 1 ? QString() : QStringLiteral("s")));
    }
    std::fflush(err);
    // A damaged file that became a slide is only warned about: the document holds it.
    return saved && added == images.size() ? 0 : 1;
}
