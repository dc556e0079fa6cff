#include "packaging/Executable.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "document/Document.h"
#include "document/DocumentStream.h"
#include "document/StreamLayout.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>

static_assert(kExecutableMagic == layout::kTrailerMagic, "one trailer for every runtime");

namespace {
QString g_runtimeFolder;

QString FileNamePart(const QString& path) {
    const int slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash >= 0 ? path.mid(slash + 1) : path;
}
} // namespace

void SetRuntimeFolderOverride(const QString& folder) {
    g_runtimeFolder = folder;
}

QString RuntimePath(RuntimeTarget target) {
    const QString folder = g_runtimeFolder.isEmpty() ? ProgramFolder() : g_runtimeFolder;
    const char* name =
        target == RuntimeTarget::Windows ? kWindowsRuntimeFileName : kRuntimeFileName;
    return folder + QLatin1Char('/') + QLatin1String(name);
}

bool NeedsExeSuffix(RuntimeTarget runtime) {
#if defined(Q_OS_WIN)
    Q_UNUSED(runtime);
    return true;
#else
    return runtime == RuntimeTarget::Windows;
#endif
}

std::optional<Msg> CheckExecutableTarget(const QString& target, RuntimeTarget runtime) {
    if (target.isEmpty())
        return Msg::NoTarget;
    if (NeedsExeSuffix(runtime) &&
        target.right(4).compare(QLatin1String(".EXE"), Qt::CaseInsensitive) != 0)
        return Msg::ExeExtensionRequired;
    return std::nullopt;
}

QString ProposeExecutableName(const QString& editText, const QString& docPath,
                              RuntimeTarget runtime) {
    QString name;
    if (!editText.isEmpty() &&
        (editText.contains(QLatin1Char('/')) || editText.contains(QLatin1Char('\\'))))
        name = FileNamePart(editText);
    if (name.isEmpty())
        name = docPath.isEmpty() ? QStringLiteral("ルセリオ") : FileNamePart(docPath);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return NeedsExeSuffix(runtime) ? name + QStringLiteral(".exe") : name;
}

qint64 AppendFileTo(const QString& source, QIODevice& out) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        ShowMessage(Msg::OpenFailed, source + QLatin1Char('\n'));
        return 0;
    }
    const qint64 length = in.size();
    char buffer[1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got > 0 && out.write(buffer, got) != got)
            return 0; // the output refused the bytes (a full disk): the copy failed
        if (got < qint64(sizeof buffer))
            break;
    }
    return length;
}

bool CreateExecutable(const QString& target, const std::function<void(int)>& progress,
                      RuntimeTarget runtimeTarget) {
    // A show without slides would start and end without a word.
    if (CurrentDocument().slideCount <= 0) {
        ShowMessage(Msg::EmptyDocumentExport, QString(), nullptr, MsgKind::Info);
        return false;
    }
    const QString runtime = RuntimePath(runtimeTarget);
    if (!IsRegularFile(runtime)) {
        // Without the Windows runtime this build cannot make slideshows for Windows at all.
        const bool windows = runtimeTarget == RuntimeTarget::Windows;
        ShowMessage(windows ? Msg::WindowsRuntimeUnavailable : Msg::RequiredFileMissing,
                    QLatin1String(windows ? kWindowsRuntimeFileName : kRuntimeFileName) +
                        QLatin1Char('\n'),
                    nullptr, MsgKind::Info);
        return false;
    }
    if (progress)
        progress(0);
    // Assembled in a file of its own beside the target and renamed over it only when
    // complete: the runtime, the document stream, then the trailer.
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    bool ok = false;
    if (!out.open(QIODevice::WriteOnly)) {
        ShowMessage(Msg::OpenFailed, FileAndReason(target, out.errorString()));
    } else {
        const qint64 r = AppendFileTo(runtime, out);
        QString reason = out.error() != QFileDevice::NoError ? WriteFailureReason(out) : QString();
        if (r > 0) {
            // Flushed before the commit, so that a failing write keeps its own reason.
            const QByteArray trailer = EncodeBE32(kExecutableMagic) + EncodeBE32(quint32(r));
            ok = WriteDocumentStream(out) && out.write(trailer) == trailer.size() && out.flush();
            if (!ok)
                reason = WriteFailureReason(out);
            else if (!(ok = out.commit()))
                reason = out.errorString();
        }
        // The runtime that cannot be read has had its message; a write that failed
        // (a full disk) names the file and why.
        if (!ok && !reason.isEmpty())
            ShowMessage(Msg::WriteFailed, FileAndReason(target, reason));
        if (!ok)
            out.cancelWriting();
    }
    if (ok && runtimeTarget == RuntimeTarget::Native)
        MarkExecutable(target);
    if (progress)
        progress(0);
    return ok;
}

bool OpenFolderInExplorer(const QString& path) {
    const int slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString folder = slash >= 0 ? path.left(slash) : QString();
    if (prompts().showFolder(folder))
        return true;
#if defined(Q_OS_WIN)
    ShowMessage(Msg::FileBrowserFailed);
#else
    // Without a file manager the folder's path is what helps: it is shown and put on the
    // clipboard, ready for a terminal or another program.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        gui->clipboard()->setText(QDir::toNativeSeparators(folder));
    prompts().message(Msg::NoFileManager,
                      MessageText(Msg::NoFileManager) + QLatin1Char('\n') +
                          QDir::toNativeSeparators(folder),
                      MsgKind::Error, nullptr);
#endif
    return false;
}

bool FindEmbeddedStream(const QString& path, qint64* offset, qint64* length) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < qint64(layout::kTrailerSize) || !file.seek(size - qint64(layout::kTrailerSize)))
        return false;
    const QByteArray trailer = file.read(qint64(layout::kTrailerSize));
    if (trailer.size() != qsizetype(layout::kTrailerSize))
        return false;
    const auto span = layout::LocateEmbeddedStream(
        reinterpret_cast<const unsigned char*>(trailer.constData()), quint64(size));
    if (!span)
        return false;
    *offset = qint64(span->offset);
    *length = qint64(span->length);
    return true;
}
