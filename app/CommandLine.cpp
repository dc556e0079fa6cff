#include "app/CommandLine.h"

#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/Version.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "packaging/Executable.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QJsonValue colourValue(QRgb c) {
    return QString::asprintf("#%02X%02X%02X", qRed(c), qGreen(c), qBlue(c));
}

/// A transparent colour, or null for none.
QJsonValue colourValue(const KeyColor& key) {
    return key ? colourValue(*key) : QJsonValue(QJsonValue::Null);
}

QJsonObject headerObject(const DocumentHeader& h) {
    QJsonObject o;
    o[QStringLiteral("crBackLeft")] = colourValue(h.backgroundLeft);
    o[QStringLiteral("crBackRight")] = colourValue(h.backgroundRight);
    o[QStringLiteral("crBackCenter")] = colourValue(h.backgroundCenter);
    o[QStringLiteral("bShowPropButton")] = h.showPropertyButtons;
    const auto [left, top, right, bottom] = StoredCornersOf(h.slideshowRect);
    o[QStringLiteral("rcShowWindow")] = QJsonArray{left, top, right, bottom};
    o[QStringLiteral("bLoop")] = h.loop;
    o[QStringLiteral("bTimerSwitch")] = h.timerSwitch;
    o[QStringLiteral("crPreviewBack")] = colourValue(h.previewBackground);
    o[QStringLiteral("bTopMost")] = h.topMost;
    o[QStringLiteral("bFitToWindow")] = h.fitToWindow;
    QByteArray reserved(reinterpret_cast<const char*>(h.reserved.data()), int(h.reserved.size()));
    o[QStringLiteral("byReserved")] = QString::fromLatin1(reserved.toHex());
    return o;
}

QJsonObject slideObject(const SlideRecord& r) {
    QJsonObject o;
    // Sizes and formats come from the pictures' headers; no pixels are decoded and no
    // picture's bytes are read again.
    QSize size = r.picture ? r.picture->size() : DeclaredPictureSize(r.undecodedImage);
    if (!size.isValid())
        size = QSize(0, 0); // no picture, or none the readers know
    o[QStringLiteral("width")] = size.width();
    o[QStringLiteral("height")] = size.height();
    o[QStringLiteral("transparentColor")] = colourValue(r.keyColor);
    o[QStringLiteral("switchTime")] = int(r.switchTime);
    o[QStringLiteral("flipH")] = int(r.flipH);
    o[QStringLiteral("flipV")] = int(r.flipV);
    QJsonValue format(QJsonValue::Null);
    qint64 length = 0;
    if (r.picture) {
        length = r.picture->savedSize();
        if (!r.picture->hasPixelsAtHand())
            format = QString::fromLatin1(r.picture->format());
        else
            format = QStringLiteral("bmp");
    } else if (!r.undecodedImage.isEmpty()) {
        length = r.undecodedImage.size();
        QByteArray bytes = r.undecodedImage;
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        const QByteArray f = QImageReader::imageFormat(&buf);
        if (!f.isEmpty())
            format = QString::fromLatin1(f);
    }
    o[QStringLiteral("imageFormat")] = format;
    o[QStringLiteral("imageBytes")] = double(length);
    // Whether the picture is one the program shows: its header declares a size within
    // the limit (no pixels are decoded to describe a document).
    o[QStringLiteral("decoded")] =
        r.picture != nullptr || (size.isValid() && !size.isEmpty() && !ExceedsPictureLimit(size));
    return o;
}

} // namespace

QString UsageText(const QString& program) {
    return QStringLiteral(
               "Usage: %1 [FILE.lsr]\n"
               "       %1 --info FILE.lsr\n"
               "       %1 --play FILE.lsr\n"
               "       %1 --export-exe FILE.lsr OUT.exe\n"
               "       %1 --version\n"
               "       %1 --help\n"
               "\n"
               "  FILE.lsr          start the editor with this document\n"
               "  --info FILE.lsr   print the document's header and slides as JSON\n"
               "                    to standard output; no window, no display\n"
               "  --play FILE.lsr   play the document as a slideshow, without the editor\n"
               "  --export-exe FILE.lsr OUT.exe\n"
               "                    write a standalone slideshow executable\n"
               "  --version         print the version\n"
               "  --help            show this text and where the program's files are\n")
        .arg(program);
}

int PrintDocumentInfo(const QString& path, FILE* out) {
    const QString absolute =
        QFileInfo(path).isRelative() ? QFileInfo(path).absoluteFilePath() : path;
    OpenOptions look;
    look.remember = false;
    if (!OpenDocument(absolute, nullptr, look))
        return 1;
    const Document& doc = CurrentDocument();
    QJsonObject root;
    root[QStringLiteral("file")] = absolute;
    root[QStringLiteral("header")] = headerObject(doc.header);
    root[QStringLiteral("slideCount")] = doc.slideCount;
    QJsonArray slides;
    for (int i = 0; i < doc.slideCount; ++i)
        slides.append(slideObject(doc.slides[i]));
    root[QStringLiteral("slides")] = slides;
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), out);
    std::fflush(out);
    return 0;
}

/// Prints the usage text, naming the program after `argv0`'s file name.
static void PrintUsage(std::FILE* to, const char* argv0) {
    const QString program = QFileInfo(QString::fromLocal8Bit(argv0)).completeBaseName();
    const QByteArray text = UsageText(program).toLocal8Bit();
    std::fwrite(text.constData(), 1, size_t(text.size()), to);
}

QString CompanionsText() {
    const QString folder = ProgramFolder();
    const auto line = [](const QString& what, const QString& path) {
        const bool found = QFileInfo(path).isFile();
        return QStringLiteral("  %1%2%3\n")
            .arg(what.leftJustified(16), path, found ? QString() : QStringLiteral(" (missing)"));
    };
    return QStringLiteral("Program folder: %1\n").arg(folder) +
           line(QStringLiteral("player runtime"), RuntimePath()) +
           line(QStringLiteral("manual"),
                folder + QLatin1Char('/') + MessageText(Msg::ManualName) + QStringLiteral(".pdf"));
}

QString VersionText(const QString& program) {
    return QStringLiteral("%1 %2\n").arg(program, ProgramVersion());
}

int ExportExecutable(int argc, char** argv, const QStringList& rest) {
    if (rest.size() < 2) {
        PrintUsage(stderr, argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    NameApplicationAfterExecutable();
    InstallImageLimits();
    int rc = 1;
    const QString target = QFileInfo(rest.at(1)).absoluteFilePath();
    if (const std::optional<Msg> problem = CheckExecutableTarget(target))
        ShowMessage(*problem);
    else if (OpenDocument(QFileInfo(rest.at(0)).absoluteFilePath(), nullptr, OpenOptions{false}) &&
             CreateExecutable(target))
        rc = 0;
    CurrentDocument().Clear();
    return rc;
}

int RunCommandLineMode(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool help = args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
    if (!help && args.contains(QLatin1String("--version"))) {
        const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName();
        const QByteArray text = VersionText(program).toLocal8Bit();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    const int infoAt = int(args.indexOf(QLatin1String("--info")));
    const int exportAt = int(args.indexOf(QLatin1String("--export-exe")));
    if (!help && infoAt < 0 && exportAt >= 0)
        return ExportExecutable(argc, argv, args.mid(exportAt + 1));
    if (!help && infoAt < 0)
        return -1;
    if (help) {
        QCoreApplication app(argc, argv);
        PrintUsage(stdout, argv[0]);
        const QByteArray where = (QLatin1Char('\n') + CompanionsText()).toLocal8Bit();
        std::fwrite(where.constData(), 1, size_t(where.size()), stdout);
        return 0;
    }
    if (infoAt + 1 >= args.size()) {
        PrintUsage(stderr, argv[0]);
        return 2;
    }
    // No display is needed: a core application decodes images and reads files.
    QCoreApplication app(argc, argv);
    NameApplicationAfterExecutable();
    InstallImageLimits();
    // Looking at a document is not opening it in the editor: the last-file memory of
    // the user's settings stays as it is.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    const int rc = PrintDocumentInfo(args.at(infoAt + 1), stdout);
    CurrentDocument().Clear();
    return rc;
}

QString FirstNonOptionArgument(const QStringList& args) {
    for (const QString& a : args) {
        if (!a.isEmpty() && !a.startsWith(QLatin1Char('-')))
            return a;
    }
    return {};
}
