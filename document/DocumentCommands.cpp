#include "document/DocumentCommands.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/ByteStore.h"
#include "document/Document.h"
#include "document/DocumentSnapshot.h"
#include "document/DocumentStream.h"
#include "document/EditorState.h"
#include "document/SlideTable.h"
#include "packaging/CabinetJob.h"
#include "packaging/Executable.h"
#include "packaging/WorkFolder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <algorithm>
#include <optional>

const char* const kOpenDialogTitle = "ファイルを指定";
const char* const kSaveDialogTitle = "保存するファイルを指定";
const char* const kDocumentFilter = "ルセリオファイル(*.lsr)|*.lsr||";
const char* const kOpenFilter =
    "ルセリオファイル(*.lsr)|*.lsr|スライドショーの実行ファイル(*.exe)|*.exe|すべてのファイル|*||";

namespace {

/// The busy cursor while a file command runs (only where there is a GUI).
class WaitCursor {
public:
    WaitCursor() {
        m_on = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
        if (m_on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_on = false;
};

/// Splits `path` into its folder (with the separator) and file name. False when the
/// path names no folder.
bool splitPath(const QString& path, QString& folder, QString& name) {
    const int sep = LastPathSeparator(path);
    if (sep < 0)
        return false;
    name = path.mid(sep + 1);
    folder = path.left(sep + 1);
    return true;
}

/// The folder the document dialogs start in: the open document's, else the one of the
/// document opened or saved last, when it is still there; empty otherwise. (Left to
/// itself a file dialog starts where any dialog was last, often among the pictures.)
QString DocumentFolder() {
    QString path = CurrentDocument().filePath;
    if (path.isEmpty())
        path = ReadSettingString(Setting::LastDocument, QString());
    if (path.isEmpty())
        return {};
    const QFileInfo file(path);
    return file.absoluteDir().exists() ? file.absolutePath() : QString();
}

FileDialogSpec documentDialog(const char* title, const char* filter = kDocumentFilter) {
    FileDialogSpec dialog;
    dialog.title = QString::fromUtf8(title);
    dialog.filter = QString::fromUtf8(filter);
    dialog.folder = DocumentFolder();
    return dialog;
}

/// Reads the document stream `store` holds into the open document, as a job of the
/// processing dialog (its progress, and a cancel button). ReadDocumentStream's result;
/// nothing when the user stopped the reading: the previous document is back as it was.
std::optional<bool> ReadIntoDocument(std::shared_ptr<const ByteStore> store) {
    Document& doc = CurrentDocument();
    const DocumentSnapshot before = TakeSnapshot(doc);
    ReleaseAllPictures();
    CabinetJob job;
    job.kind = CabinetJob::Kind::Read;
    job.readFrom = std::move(store);
    if (!RunCabinetJob(job)) {
        RestoreSnapshot(doc, before);
        return std::nullopt;
    }
    return job.readOk;
}

} // namespace

QString FileKindText(const QString& path) {
    QFile file(path);
    if (!IsRegularFile(path) || !file.open(QIODevice::ReadOnly))
        return MessageText(Msg::FileIsUnreadable);
    const QByteArray head = file.read(4096);
    if (head.isEmpty())
        return MessageText(Msg::FileIsEmpty);
    {
        QByteArray bytes = head;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        // Only the formats slides are made from, each known by its signature.
        const QByteArray format = QImageReader::imageFormat(&buffer);
        static const QList<QByteArray> kPictures = {"bmp", "gif", "jpeg", "png", "tiff", "webp"};
        if (kPictures.contains(format)) {
            const QString name =
                format == "webp" ? QStringLiteral("WebP") : QString::fromLatin1(format).toUpper();
            return MessageText(Msg::FileIsPicture).arg(name);
        }
    }
    if (head.startsWith("MSCF"))
        return MessageText(Msg::FileIsCabinet);
    if (head.startsWith("PK\x03\x04"))
        return MessageText(Msg::FileOfKind).arg(QStringLiteral("ZIP"));
    if (head.startsWith("%PDF"))
        return MessageText(Msg::FileOfKind).arg(QStringLiteral("PDF"));
    if (head.startsWith(QByteArray::fromHex("7f454c46")) || head.startsWith("MZ"))
        return MessageText(Msg::FileIsBareProgram);
    // Text: no NUL and valid UTF-8 in the first bytes (a character cut at their end is
    // held back by the decoder, not an error).
    if (!head.contains('\0')) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(head);
        if (!utf8.hasError() && !text.isEmpty())
            return MessageText(Msg::FileIsText);
    }
    return MessageText(Msg::FileOfUnknownKind);
}

bool OpenDocument(const QString& path, bool* replaced, OpenOptions options) {
    if (replaced)
        *replaced = false;
    Document& doc = CurrentDocument();
    const QString pathLine = path + QLatin1Char('\n');
    // A document file, or a standalone slideshow: the document it carries is read from
    // between the player and the trailer at its end.
    const bool documentFile =
        path.size() >= 3 && path.right(3).compare(QLatin1String("LSR"), Qt::CaseInsensitive) == 0;
    qint64 embeddedAt = 0;
    qint64 embeddedLength = 0;
    const bool embedded = !documentFile && IsRegularFile(path) &&
                          FindEmbeddedStream(path, &embeddedAt, &embeddedLength);
    if (!documentFile && !embedded) {
        const QFileInfo program(path);
        if (!program.exists()) {
            ShowMessage(Msg::FileNotFound, pathLine, nullptr, MsgKind::Error);
            return false;
        }
        if (program.isDir()) {
            ShowMessage(Msg::FolderCannotOpen, QString(), nullptr, MsgKind::Error);
            return false;
        }
        // A program (by its name, or by its permission where programs have no suffix)
        // without a whole trailer is no slideshow of ours, or a damaged one.
        const bool looksLikeProgram =
            program.isFile() &&
            (program.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0 ||
             program.isExecutable());
        if (looksLikeProgram)
            ShowMessage(Msg::NoSlideshowInFile, pathLine, nullptr, MsgKind::Error);
        else // what the file is, and what a document is
            ShowMessage(Msg::NotADocument, pathLine + FileKindText(path) + QLatin1Char('\n'),
                        nullptr, MsgKind::Error);
        return false;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        ShowMessage(Msg::FileNotFound, pathLine, nullptr, MsgKind::Error);
        return false;
    }
    if (info.isDir()) {
        ShowMessage(Msg::FolderCannotOpen, QString(), nullptr, MsgKind::Error);
        return false;
    }
    // A pipe or a device would block the reading (or never end it).
    if (!IsRegularFile(path)) {
        ShowMessage(Msg::NotARegularFile, pathLine, nullptr, MsgKind::Error);
        return false;
    }
    QString folder, name;
    if (!splitPath(path, folder, name))
        return false;

    std::shared_ptr<const ByteStore> store;
    if (embedded) {
        // The document is read where it lies in the slideshow: nothing is copied, and
        // the pictures read their bytes from the slideshow while the document is open.
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::ReadOnly)) {
            ShowMessage(Msg::OpenFailed, FileAndReason(path, file->errorString()), nullptr,
                        MsgKind::Error);
            return false;
        }
        store = std::make_shared<const ByteStore>(std::move(file), embeddedAt, embeddedLength);
    } else {
        // The document member alone goes into a work file of this open's own; the
        // pictures read their bytes from it while the document is open, and it goes
        // with them.
        std::unique_ptr<QTemporaryFile> stream = NewWorkFile(QStringLiteral(".stream"));
        if (!stream)
            return false;
        CabinetJob job;
        job.kind = CabinetJob::Kind::Extract;
        job.extractTo = stream.get();
        job.extractName = name;
        job.extractFolder = folder;
        if (!RunCabinetJob(job))
            return false;
        if (job.extractedName.isEmpty() || !stream->flush()) {
            ShowMessage(Msg::OpenFailed, pathLine, nullptr, MsgKind::Error);
            return false;
        }
        // Asking its name gives the work file one where the system made it without
        // (Linux): it is then seen in the work folder like every other work file.
        stream->fileName();
        store = std::make_shared<const ByteStore>(std::move(stream));
    }
    const std::optional<bool> read = ReadIntoDocument(std::move(store));
    if (!read)
        return false; // stopped by the user: the previous document stays
    if (replaced)
        *replaced = true;
    const bool ok = *read;
    // A document taken out of a slideshow has no file of its own yet: saving asks for
    // one, and the slideshow is never overwritten by a document file.
    doc.filePath = embedded ? QString() : path;
    if (options.remember) {
        WriteSettingString(Setting::LastDocument, path);
        if (ok)
            RememberRecentDocument(path);
    }
    return ok;
}

bool WriteDocumentFile(const QString& path) {
    QString folder, name;
    if (!splitPath(path, folder, name))
        return false;
    const std::unique_ptr<QTemporaryFile> stream = NewWorkFile(QStringLiteral(".stream"));
    if (!stream)
        return false;
    // A write error anywhere (a full disk) fails the save before anything is packed.
    if (!WriteDocumentStream(*stream) || !stream->flush()) {
        ShowMessage(Msg::SaveFailed, FileAndReason(stream->fileName(), WriteFailureReason(*stream)),
                    nullptr, MsgKind::Error);
        return false;
    }
    stream->close(); // the name stays this save's until the object goes

    CabinetJob job;
    job.kind = CabinetJob::Kind::Pack;
    job.packSource = stream->fileName();
    job.packName = name;
    job.packFolder = folder;
    if (!RunCabinetJob(job))
        return false; // the previous file of that path is still there
    WriteSettingString(Setting::LastDocument, path);
    RememberRecentDocument(path);
    return true;
}

bool SaveDocument(const QString& path) {
    if (!path.isEmpty()) {
        WaitCursor wait;
        return WriteDocumentFile(path);
    }
    FileDialogSpec dialog = documentDialog(kSaveDialogTitle);
    dialog.fileName = QStringLiteral("無題");
    dialog.defaultExt = QStringLiteral("lsr");
    const QString chosen = prompts().saveFileName(dialog);
    if (chosen.isEmpty())
        return false;
    WaitCursor wait;
    if (!WriteDocumentFile(chosen))
        return false;
    CurrentDocument().filePath = chosen;
    return true;
}

bool AskSaveChanges(EditorState& ed) {
    if (!ed.m_modified)
        return true;
    const Answer answer =
        ShowMessage(Msg::SaveChangesQuestion, QString(), nullptr, MsgKind::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    // The changes the user asked to keep are never thrown away: a save that failed or
    // was cancelled stops the command, and the document stays as it is.
    if (answer == Answer::Yes && !SaveDocument(CurrentDocument().filePath))
        return false;
    if (answer == Answer::Yes)
        ed.DocumentSaved();
    return true;
}

void OnNewCommand(EditorState& ed) {
    if (CurrentDocument().slideCount == 0)
        return;
    if (!AskSaveChanges(ed))
        return;
    ReleaseAllPictures();
    NewDocument(ed);
    ed.RedrawRebuilt();
}

void OpenChosenDocument(EditorState& ed, const QString& path) {
    bool replaced = false;
    {
        WaitCursor wait;
        OpenDocument(path, &replaced);
    }
    // A failed open that left the previous document in place keeps its modified flag,
    // so its unsaved changes are still asked about.
    if (replaced)
        ed.DocumentReplaced();
    ed.m_page = 0;
    RecalcPages(ed);
    ed.RedrawRebuilt();
}

void OnOpenCommand(EditorState& ed) {
    if (!AskSaveChanges(ed))
        return;
    const QStringList files =
        prompts().openFileNames(documentDialog(kOpenDialogTitle, kOpenFilter), false);
    if (files.isEmpty())
        return;
    OpenChosenDocument(ed, files.constFirst());
}

void OnOpenPathCommand(EditorState& ed, const QString& path) {
    if (!AskSaveChanges(ed))
        return;
    OpenChosenDocument(ed, path);
}

void OnOpenRecentCommand(EditorState& ed, const QString& path) {
    // A document moved or deleted since is taken off the list before anything is asked.
    if (!QFileInfo::exists(path)) {
        ForgetRecentDocument(path);
        ShowMessage(Msg::RecentDocumentMissing, path + QLatin1Char('\n'), nullptr, MsgKind::Error);
        return;
    }
    OnOpenPathCommand(ed, path);
}

void OnSaveCommand(EditorState& ed) {
    Document& doc = CurrentDocument();
    if (doc.slideCount == 0)
        return;
    if (doc.filePath.isEmpty()) {
        if (SaveDocument(QString()))
            ed.DocumentSaved();
        return;
    }
    switch (ShowMessage(Msg::OverwriteQuestion, QString(), nullptr, MsgKind::YesNoCancel)) {
    case Answer::Yes:
        if (SaveDocument(doc.filePath)) {
            ed.DocumentSaved();
            ShowMessage(Msg::Saved, QString(), nullptr, MsgKind::Info);
        }
        break;
    case Answer::No:
        if (SaveDocument(QString()))
            ed.DocumentSaved();
        break;
    default:
        break;
    }
}

void OnSaveAsCommand(EditorState& ed) {
    if (CurrentDocument().slideCount == 0)
        return;
    if (SaveDocument(QString()))
        ed.DocumentSaved();
}

bool OnCloseCommand(EditorState& ed) {
    if (!ed.m_modified)
        return true;
    switch (ShowMessage(Msg::SaveChangesQuestion, QString(), nullptr, MsgKind::YesNoCancel)) {
    case Answer::No:
        return true;
    case Answer::Yes:
        // The changes the user asked to keep are never thrown away: a save that failed
        // or was cancelled keeps the window open.
        if (!SaveDocument(CurrentDocument().filePath))
            return false;
        ed.DocumentSaved();
        return true;
    default:
        return false;
    }
}

void OpenStartDocument(EditorState& ed, const QString& cmdFile) {
    QString path = cmdFile;
    // A relative path from a shell names a file in the current folder.
    if (!path.isEmpty() && QFileInfo(path).isRelative())
        path = QFileInfo(path).absoluteFilePath();
    if (path.isEmpty() && ReadSettingInt(Setting::OpenLastAtStart, 0) == 1)
        path = ReadSettingString(Setting::LastDocument, QString());
    if (!path.isEmpty() && OpenDocument(path)) {
        ed.DocumentReplaced();
        ed.m_page = 0;
        RecalcPages(ed);
        return;
    }
    NewDocument(ed);
}
