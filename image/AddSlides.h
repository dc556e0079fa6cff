#pragma once
// Adding slides from image files: the extension check, the capacity question and the
// batch that imports each file and puts it at the insertion mark or at the end.

#include "base/Messages.h"
#include "document/EditorState.h"
#include "image/ImageImport.h"

#include <QList>
#include <QString>
#include <QStringList>

class QObject;

/// The accepted extensions; any piece of this text passes the extension check.
constexpr const char* kAcceptedExtensions = "bmp-gif-jpg-jpeg-png-tiff-webp";

/// At most this many files are named in each list of the message after a batch; the
/// rest are counted.
constexpr int kListedFiles = 20;

/// What happens to the size of added pictures, as the settings say now: the limit they
/// are fitted into (Msg::ImageLimitOn, "500 × 500 ..."), or that they keep their size
/// (Msg::ImageLimitOff), then on a line of its own that the settings change it. Shown
/// where pictures are added.
QString ImageLimitText();

/// The normalised extension of `path` (lower case; "jpeg" for "jpg", "tiff" for
/// "tif"), or empty when the path has no folder part, its name no dot, or the extension
/// is empty or not accepted. Shows no message: a batch names such files in its summary.
QString CheckImageExtension(const QString& path);

/// A file of a batch that did not become a slide, or became one with a warning.
struct BatchFile {
    int index = 0; ///< its place in the batch's list of paths
    QString path;
    Msg reason = Msg::Unlisted; ///< the text that says why
};

/// What a batch of files came to.
struct BatchReport {
    int added = 0;
    QList<BatchFile> refused; ///< not added, in batch order
    QList<BatchFile> damaged; ///< added, although the file looks damaged
    bool cancelled = false;   ///< the user cancelled: nothing was added or reported
};

/// Whether a batch shows its progress.
enum class BatchProgress {
    Hidden, ///< no display (the command line)
    Shown   ///< a display with Cancel for a batch of more than one file that takes a while
};

/// The one message after a batch: the refused files with their reasons under
/// Msg::FilesNotAdded, then the damaged ones under Msg::FilesMayBeDamaged, each list
/// naming at most kListedFiles files (by name, without the folder) and counting the
/// rest with Msg::MoreFiles. Empty when there is nothing to report.
QString BatchSummaryText(const BatchReport& report);

/// Imports the paths and adds them in order, like AddSlidesFromFiles, and tells what
/// became of the files instead of showing the summary. The files are decoded on every
/// core while the event loop runs (ImportFilesInParallel); the document is changed only
/// afterwards, in the order of the paths, and each file's own messages are shown then,
/// in that order. With BatchProgress::Shown, Cancel in the progress display leaves the
/// document and the view as they were (the report says `cancelled`). `givenKey` names
/// the colour key of every file (ImportSettings::givenKey); `limit`, when given, is the
/// size limit instead of the settings'.
BatchReport ImportFilesAsSlides(EditorState& ed, int mark, const QStringList& paths,
                                QObject* owner = nullptr,
                                BatchProgress progress = BatchProgress::Hidden,
                                KeyColor givenKey = std::nullopt,
                                std::optional<SizeLimit> limit = std::nullopt);

/// Keeps a selection within the table's capacity: more than 100 paths ask question
/// Msg::TooManyFilesQuestion; No gives false (nothing is to be added), Yes keeps the first 100.
bool LimitPathsToCapacity(QStringList& paths, QObject* owner);

/// Imports each path in order and adds it: with `mark` -1 appended (the view moving to
/// the last page), otherwise inserted at page * 20 + mark, so a batch ends up there in
/// reverse order. Stops with message Msg::TooManySlides when the table is full. Redraws the view,
/// shows one message naming the files that were not added (with their reasons) and those
/// added although damaged (BatchSummaryText; Error when any was refused, else Info), and
/// returns the number of slides added. A batch of several files shows its progress and
/// can be cancelled: then nothing is added, nothing is shown and 0 is returned.
int AddSlidesFromFiles(EditorState& ed, int mark, const QStringList& paths,
                       QObject* owner = nullptr);

/// The add-slide command: asks for image files (several at once), keeps at most 100
/// (question Msg::TooManyFilesQuestion above that) and adds them. Cancelling changes nothing.
void AddSlidesCommand(EditorState& ed, int mark, QObject* owner = nullptr);

/// Files dropped on the main window: more than 100 ask question Msg::TooManyFilesQuestion (owned by
/// the window); empty names are skipped; the rest are added.
void AddDroppedFiles(EditorState& ed, int mark, const QStringList& paths, QObject* owner);
