#include "Messages.h"
#include "NumberRanges.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {
struct Entry {
    int id;
    const char* text;
};
const Entry kTable[] = {
#include "MessageTable.inc"
};
} // namespace

QString MessageText(Msg id) {
    const auto it = std::find_if(std::begin(kTable), std::end(kTable),
                                 [id](const Entry& e) { return e.id == int(id); });
    return it == std::end(kTable) ? QString() : QString::fromUtf8(it->text);
}

QString NumberRanges(const std::vector<int>& numbers) {
    return QString::fromStdString(NumberRangesText(numbers));
}

QString MessageGist(Msg id) {
    switch (id) {
    case Msg::Unlisted:
        return QStringLiteral("error");
    case Msg::OutOfMemory:
        return QStringLiteral("out of memory");
    case Msg::TooManySlides:
        return QStringLiteral("no room for more slides (100 at most)");
    case Msg::OverwriteQuestion:
        return QStringLiteral("overwrite the document?");
    case Msg::SaveChangesQuestion:
        return QStringLiteral("save the changes?");
    case Msg::DeleteSlideQuestion:
        return QStringLiteral("delete the slide?");
    case Msg::OleInitFailed:
        return QStringLiteral("start-up failed");
    case Msg::Saved:
        return QStringLiteral("saved");
    case Msg::TooManyFilesQuestion:
        return QStringLiteral("more files than slides fit");
    case Msg::BitmapInfoFailed:
        return QStringLiteral("the bitmap's transparent colour could not be read");
    case Msg::SameTimeForAllQuestion:
        return QStringLiteral("give every slide the time of slide 1?");
    case Msg::RequiredFileMissing:
        return QStringLiteral("a file the program needs is missing");
    case Msg::NotAnImage:
        return QStringLiteral("not an image file");
    case Msg::DeleteCheckedQuestion:
        return QStringLiteral("delete the checked slides?");
    case Msg::SaveFailed:
        return QStringLiteral("saving failed");
    case Msg::WrongFileFormat:
        return QStringLiteral("not a document of this program");
    case Msg::WrongVersion:
        return QStringLiteral("a document of another version");
    case Msg::NothingChecked:
        return QStringLiteral("no slide is checked");
    case Msg::OpenFailed:
        return QStringLiteral("the file could not be opened");
    case Msg::NoWriteAccess:
        return QStringLiteral("no permission to write there");
    case Msg::ExtractFailed:
        return QStringLiteral("the document could not be extracted");
    case Msg::TooManySlidesInFile:
        return QStringLiteral("the document holds more than 100 slides");
    case Msg::FileBrowserFailed:
        return QStringLiteral("the file browser could not be started");
    case Msg::ReplaceFileQuestion:
        return QStringLiteral("replace the file?");
    case Msg::FolderCannotOpen:
        return QStringLiteral("a folder is no document");
    case Msg::NoTarget:
        return QStringLiteral("no file name given");
    case Msg::ExeExtensionRequired:
        return QStringLiteral("a slideshow for Windows must be named *.exe");
    case Msg::ExportDoneShowFolderQuestion:
        return QStringLiteral("slideshow written");
    case Msg::CannotOpenThisFile:
        return QStringLiteral("this file cannot be opened");
    case Msg::NotADocument:
        return QStringLiteral("not a document (a .lsr file or a slideshow made by this program)");
    case Msg::FileIsPicture:
        return QStringLiteral("a %1 picture");
    case Msg::FileIsEmpty:
        return QStringLiteral("an empty file");
    case Msg::FileIsCabinet:
        return QStringLiteral("a cabinet (a document of this program opens once its name "
                              "ends in .lsr)");
    case Msg::FileOfKind:
        return QStringLiteral("a %1 file");
    case Msg::FileIsBareProgram:
        return QStringLiteral("a program without slideshow data");
    case Msg::FileIsText:
        return QStringLiteral("a text file");
    case Msg::FileOfUnknownKind:
        return QStringLiteral("a file of a kind not known");
    case Msg::FileIsUnreadable:
        return QStringLiteral("a file that cannot be read");
    case Msg::FileNotFound:
    case Msg::RecentDocumentMissing:
        return QStringLiteral("file not found");
    case Msg::ManualMissing:
        return QStringLiteral("the manual is missing");
    case Msg::NotARegularFile:
        return QStringLiteral("not a regular file");
    case Msg::PicturesTooLarge:
        return QStringLiteral("some pictures are too large to show");
    case Msg::EmptyDocumentExport:
        return QStringLiteral("the document has no slides");
    case Msg::WriteFailed:
        return QStringLiteral("the file could not be written");
    case Msg::FilesNotAdded:
        return QStringLiteral("files not added");
    case Msg::FilesMayBeDamaged:
        return QStringLiteral("files that may be damaged");
    case Msg::NotImageFileName:
        return QStringLiteral("not an image file name");
    case Msg::NotAFile:
        return QStringLiteral("not a file");
    case Msg::FileUnreadable:
        return QStringLiteral("cannot be read");
    case Msg::NotAPicture:
        return QStringLiteral("not a picture");
    case Msg::PictureTooLarge:
        return QStringLiteral("picture too large");
    case Msg::PictureNotPrepared:
        return QStringLiteral("the picture could not be converted");
    case Msg::PictureCutShort:
        return QStringLiteral("the picture's data ends early");
    case Msg::Warning:
        return QStringLiteral("warning");
    case Msg::NoSlideshowInFile:
        return QStringLiteral("no slideshow in this file");
    case Msg::NoFileManager:
        return QStringLiteral("no file manager could be started");
    case Msg::WindowsRuntimeUnavailable:
        return QStringLiteral("this build cannot make slideshows for Windows");
    case Msg::NothingToPlay:
        return QStringLiteral("nothing to play");
    case Msg::NoSlidesToPlay:
        return QStringLiteral("the document has no slides to play");
    case Msg::NoSlideCanBeShown:
        return QStringLiteral("no slide can be shown");
    case Msg::SlidesSkipped:
        return QStringLiteral("slides skipped: their pictures do not show");
    case Msg::ManualName:
    case Msg::VersionHistory:
    case Msg::MoreFiles:
    case Msg::ImportingImages:
    case Msg::Cancelling:
    case Msg::ImageLimitOn:
    case Msg::ImageLimitOff:
        break;
    }
    return {};
}

QString EnglishLine(const QString& line) {
    // The lines that are messages of their own: the kinds of file.
    static const Msg kLines[] = {Msg::FileIsPicture,     Msg::FileIsEmpty,       Msg::FileIsCabinet,
                                 Msg::FileOfKind,        Msg::FileIsBareProgram, Msg::FileIsText,
                                 Msg::FileOfUnknownKind, Msg::FileIsUnreadable};
    for (const Msg id : kLines) {
        const QString text = MessageText(id);
        const qsizetype at = text.indexOf(QStringLiteral("%1"));
        if (at < 0) {
            if (line == text)
                return MessageGist(id);
            continue;
        }
        // "%1" once: the line must hold the text around it, with something in its place.
        const QString before = text.left(at);
        const QString after = text.mid(at + 2);
        if (line.size() > before.size() + after.size() && line.startsWith(before) &&
            line.endsWith(after))
            return MessageGist(id).arg(
                line.mid(before.size(), line.size() - before.size() - after.size()));
    }
    return line;
}

QString CommandLineMessage(const QString& program, Msg id, const QString& text) {
    const QString own = MessageText(id);
    QString prefix = text;
    QString body;
    if (!own.isEmpty() && text.endsWith(own)) {
        prefix.chop(own.size());
        body = own;
    } else {
        body = text;
        prefix.clear();
    }
    QStringList parts{program};
    if (const QString gist = MessageGist(id); !gist.isEmpty())
        parts << gist;
    for (const QString& line : prefix.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            parts << EnglishLine(line.trimmed());
    body = body.simplified(); // line breaks (\n, \r\n) become spaces
    if (!body.isEmpty())
        parts << body;
    return parts.join(QStringLiteral(": "));
}
