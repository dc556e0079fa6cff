#include "image/AddSlides.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "image/ImageImport.h"
#include "image/ParallelImport.h"

#include <QCursor>
#include <QGuiApplication>
#include <algorithm>

namespace {

/// Shows the wait cursor for its lifetime (when there is a cursor to show).
struct WaitCursor {
    const bool active = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    WaitCursor() {
        if (active)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (active)
            QGuiApplication::restoreOverrideCursor();
    }
};

} // namespace

QString CheckImageExtension(const QString& path) {
    const int sep = LastPathSeparator(path);
    if (sep < 0)
        return {};
    const QString name = path.mid(sep + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    QString ext = name.mid(dot + 1);
    for (QChar& c : ext) // ASCII letters only; other characters stay as they are
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    if (!QString::fromLatin1(kAcceptedExtensions).contains(ext))
        return {};
    if (ext == QLatin1String("jpg"))
        return QStringLiteral("jpeg");
    if (ext == QLatin1String("tif"))
        return QStringLiteral("tiff");
    return ext;
}

bool LimitPathsToCapacity(QStringList& paths, QObject* owner) {
    if (paths.size() <= kMaxSlides)
        return true;
    if (ShowMessage(Msg::TooManyFilesQuestion, QString(), owner, MsgKind::YesNo) != Answer::Yes)
        return false;
    paths = paths.mid(0, kMaxSlides);
    return true;
}

QString BatchSummaryText(const BatchReport& report) {
    QStringList parts;
    const auto list = [&parts](Msg heading, const QList<BatchFile>& files) {
        if (files.isEmpty())
            return;
        QStringList lines{MessageText(heading)};
        for (qsizetype i = 0; i < files.size() && i < kListedFiles; ++i) {
            const QString& path = files[i].path;
            QString name = path.mid(LastPathSeparator(path) + 1);
            if (name.isEmpty())
                name = path;
            lines << name + QStringLiteral(": ") + MessageText(files[i].reason);
        }
        if (files.size() > kListedFiles)
            lines << MessageText(Msg::MoreFiles).arg(files.size() - kListedFiles);
        parts << lines.join(QLatin1Char('\n'));
    };
    list(Msg::FilesNotAdded, report.refused);
    list(Msg::FilesMayBeDamaged, report.damaged);
    return parts.join(QStringLiteral("\n\n"));
}

BatchReport ImportFilesAsSlides(EditorState& ed, int mark, const QStringList& paths, QObject* owner,
                                BatchProgress progress) {
    Document& doc = CurrentDocument();
    const WaitCursor wait;
    BatchReport report;

    // The files are decoded and converted on every core first; the slides are made
    // afterwards, here, in the order of the files, so that the document, the messages
    // and the report come out as a file-by-file import makes them.
    QStringList exts;
    for (const QString& path : paths)
        exts << CheckImageExtension(path);
    ParallelImportOptions options;
    options.progress = progress == BatchProgress::Shown;
    options.owner = owner;
    options.wanted = std::max(0, kMaxSlides - doc.slideCount); // then the table is full
    const ParallelImportOutcome imported =
        ImportFilesInParallel(paths, exts, ReadImportSettings(), options);
    if (imported.cancelled) {
        report.cancelled = true;
        return report;
    }

    int& added = report.added;
    bool appended = false;
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        if (doc.slideCount >= kMaxSlides) {
            ShowMessage(Msg::TooManySlides, QString(), owner, MsgKind::Error);
            break;
        }
        const QString& ext = exts[i];
        if (ext.isEmpty()) {
            report.refused << BatchFile{i, path, Msg::NotImageFileName};
            continue;
        }
        // The mark and the page do not change during a batch, so every file of it goes
        // to the same index: inserted files end up in reverse order.
        int index = -1;
        if (mark < 0) {
            if (ed.m_page < ed.m_pageCount - 1)
                ed.m_page = ed.m_pageCount - 1;
        } else {
            index = std::clamp(ed.m_page * kSlidesPerPage + mark, 0, doc.slideCount);
        }
        const ImportResult& result = imported.results[i];
        ShowImportNotices(result.notices);
        if (!result.ok) {
            report.refused << BatchFile{i, path, ImportFailureMessage(result.failure)};
            continue;
        }
        if (result.cutShort)
            report.damaged << BatchFile{i, path, Msg::PictureCutShort};
        if (index < 0) {
            AddSlide(result.picture, result.key);
            RecalcPages(ed);
            appended = true;
        } else {
            SlideRecord rec;
            rec.picture = result.picture;
            rec.keyColor = result.key;
            rec.switchTime = NewSlideSwitchTime();
            InsertSlide(ed, index, rec);
        }
        ++added;
    }
    // The view shows the last page after appending, also when the last file began it.
    if (appended && ed.m_page < ed.m_pageCount - 1)
        ed.m_page = ed.m_pageCount - 1;
    if (added > 0)
        ed.m_modified = true;
    ed.RedrawRebuilt();
    return report;
}

int AddSlidesFromFiles(EditorState& ed, int mark, const QStringList& paths, QObject* owner) {
    const BatchReport report = ImportFilesAsSlides(ed, mark, paths, owner, BatchProgress::Shown);
    if (report.cancelled)
        return 0; // the user knows: nothing to report
    const QString summary = BatchSummaryText(report);
    if (!summary.isEmpty()) {
        const bool refused = !report.refused.isEmpty();
        prompts().message(refused ? Msg::FilesNotAdded : Msg::FilesMayBeDamaged, summary,
                          refused ? MsgKind::Error : MsgKind::Info, owner);
    }
    return report.added;
}

void AddSlidesCommand(EditorState& ed, int mark, QObject* owner) {
    FileDialogSpec request;
    request.title = QStringLiteral("追加するイメージファイルを指定(複数選択可)");
    request.filter = QStringLiteral(
        "イメージファイル(jpeg, gif, bmp, png, tiff, webp) "
        "|*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.tif;*.tiff;*.webp|JPEGファイル(*.jpeg)|*.jpg;*.jpeg|"
        "GIFファイル(*.gif)|*.gif|ビットマップファイル(*.bmp)|*.bmp|PNGファイル(*.png)|*.png|"
        "TIFFファイル(*.tiff)|*.tif;*.tiff|WebPファイル(*.webp)|*.webp||");
    QStringList paths = prompts().openFileNames(request, true);
    if (paths.isEmpty())
        return;
    // The question has no owner here, as for the dialog that came before it.
    if (!LimitPathsToCapacity(paths, nullptr))
        return;
    AddSlidesFromFiles(ed, mark, paths, owner);
}

void AddDroppedFiles(EditorState& ed, int mark, const QStringList& dropped, QObject* owner) {
    QStringList paths;
    for (const QString& p : dropped)
        if (!p.isEmpty())
            paths << p;
    if (!LimitPathsToCapacity(paths, owner))
        return;
    AddSlidesFromFiles(ed, mark, paths, owner);
}
