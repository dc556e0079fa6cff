#pragma once
// The packing, extracting and reading jobs behind the processing dialog, and the seam
// through which the document commands run them: with the dialog in the program,
// directly in tests and on the command line.

#include "packaging/Cabinet.h"

#include <QString>
#include <memory>

class ByteStore;

/// Packs `source` into a new single-member MSZIP cabinet `folder` + `name` (the member
/// is named `name` too). The cabinet is written beside the target and replaces it only
/// when complete; on failure the previous file stays. Failure shows message
/// Msg::NoWriteAccess, or Msg::WriteFailed with the file and the system's reason when a
/// write failed or the name is too long for the system.
bool PackFile(const QString& source, const QString& name, const QString& folder,
              ProgressSink* progress = nullptr);

/// Extracts every member of the cabinet `folder` + `name` into `dest` (ending with a
/// separator), creating subfolders; `lastMember` (optional) receives the name of the
/// last member written, empty when none was. Failure shows "[File Copy]" (or
/// "[Make Context]") and message Msg::ExtractFailed.
bool ExtractCabinet(const QString& name, const QString& folder, const QString& dest,
                    QString* lastMember = nullptr, ProgressSink* progress = nullptr);

/// Writes the document member of the cabinet `folder` + `name` (the member an extraction
/// of everything would write last) to `out`, and nothing else anywhere; `memberName`
/// (optional) receives its stored name, empty when the cabinet has no members (which is
/// no failure here). Failure shows "[File Copy]" and message Msg::ExtractFailed; when
/// the member cannot be written (a full work folder), the cabinet's path and the
/// system's reason instead of "[File Copy]".
bool ExtractDocumentMember(const QString& name, const QString& folder, QIODevice& out,
                           QString* memberName = nullptr, ProgressSink* progress = nullptr);

/// One packing, extracting or reading job: its kind, the paths (or the store) of that
/// kind and, after it ran, what it found.
struct CabinetJob {
    enum class Kind {
        Extract, ///< the document member of a cabinet into a device
        Pack,    ///< a file into a new cabinet
        Read     ///< a document stream into the open document (ReadDocumentStream)
    };
    Kind kind = Kind::Extract;
    QString packSource;             ///< file to put into the cabinet
    QString packName;               ///< cabinet file name, also the member's name
    QString packFolder;             ///< folder of the new cabinet, ending with a separator
    QString extractName;            ///< cabinet file name
    QString extractFolder;          ///< folder of the cabinet, ending with a separator
    QIODevice* extractTo = nullptr; ///< receives the document member (not owned)
    QString extractedName;          ///< set by an extraction: the member written
    /// The document stream to read; its pictures' bytes stay there.
    std::shared_ptr<const ByteStore> readFrom;
    bool readOk = false; ///< set by a reading that ran to its end: ReadDocumentStream's result

    /// Runs PackFile, ExtractDocumentMember or ReadDocumentStream; true when it
    /// succeeded. A reading succeeds when it ran to its end, whatever the stream held
    /// (readOk); it fails only when the user stopped it, and the slide table is empty then.
    bool Run(ProgressSink* progress);
};

/// Runs processing jobs. The program installs one that shows the processing dialog.
class CabinetJobRunner {
public:
    virtual ~CabinetJobRunner() = default;
    /// Runs `job` to its end; true for OK, false for Cancel (its message was shown).
    virtual bool run(CabinetJob& job) = 0;
};

/// Runs `job` with the runner in use (without a window until one is set).
bool RunCabinetJob(CabinetJob& job);
/// Makes `runner` the one in use (not owned); null restores the windowless one.
void SetCabinetJobRunner(CabinetJobRunner* runner);
