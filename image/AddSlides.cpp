#include "image/AddSlides.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "image/ImageImport.h"
#include "image/ParallelImport.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>

namespace {

/// Names in the order people expect: runs of digits compare by their value (p2 before
/// p10), the rest without regard to case; equal names keep their order.
bool NaturalLess(const QString& a, const QString& b) {
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Leading zeros aside, a longer run of digits is the larger number.
            QStringView na = QStringView(a).mid(i, ei - i), nb = QStringView(b).mid(j, ej - j);
            while (na.size() > 1 && na.front() == u'0')
                na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0')
                nb = nb.mid(1);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (const int c = na.compare(nb); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

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

QString ImageLimitText() {
    const ImportSettings settings = ReadImportSettings();
    if (!settings.limitSize)
        return MessageText(Msg::ImageLimitOff);
    return MessageText(Msg::ImageLimitOn).arg(settings.limitWidth).arg(settings.limitHeight);
}

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
                                BatchProgress progress, KeyColor givenKey,
                                std::optional<SizeLimit> limit) {
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
    ImportSettings settings = ReadImportSettings();
    settings.givenKey = givenKey;
    if (limit) {
        settings.limitSize = limit->on;
        settings.limitWidth = std::max(1, limit->width);
        settings.limitHeight = std::max(1, limit->height);
    }
    const ParallelImportOutcome imported = ImportFilesInParallel(paths, exts, settings, options);
    if (imported.cancelled) {
        report.cancelled = true;
        return report;
    }

    int& added = report.added;
    bool appended = false;
    // The files go in their order from the mark on: the first at the mark, each next one
    // after the one before.
    const int markIndex =
        mark < 0 ? -1 : std::clamp(ed.m_page * kSlidesPerPage + mark, 0, doc.slideCount);
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
        const int index = markIndex < 0 ? -1 : markIndex + added;
        if (index < 0 && ed.m_page < ed.m_pageCount - 1)
            ed.m_page = ed.m_pageCount - 1;
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
    // The dialog says what will become of large pictures before they are chosen.
    request.note = ImageLimitText();
    request.filter = QStringLiteral(
        "イメージファイル(jpeg, gif, bmp, png, tiff, webp) "
        "|*.jpg;*.jpeg;*.gif;*.bmp;*.png;*.tif;*.tiff;*.webp|JPEGファイル(*.jpeg)|*.jpg;*.jpeg|"
        "GIFファイル(*.gif)|*.gif|ビットマップファイル(*.bmp)|*.bmp|PNGファイル(*.png)|*.png|"
        "TIFFファイル(*.tiff)|*.tif;*.tiff|WebPファイル(*.webp)|*.webp||");
    // The pictures' folder is remembered apart from the documents' (whose dialogs start
    // in the document's folder), so each dialog starts among its own kind of file.
    static QString lastImageFolder;
    request.folder = lastImageFolder;
    QStringList paths = prompts().openFileNames(request, true);
    if (paths.isEmpty())
        return;
    lastImageFolder = QFileInfo(paths.constFirst()).absolutePath();
    // File dialogs give the chosen files in no order a user can rely on: they are added
    // in the order of their names as a file manager lists them (p2 before p10).
    std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return NaturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
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
