#pragma once
// The packing and extracting jobs behind the processing dialog, and the seam through
// which the document commands run them: with the dialog in the program, directly in
// tests and on the command line.

#include "packaging/Cabinet.h"

#include <QString>

/// Packs `source` into a new single-member MSZIP cabinet `folder` + `name` (the member
/// is named `name` too). The cabinet is written beside the target and replaces it only
/// when complete; on failure the previous file stays. Failure shows message 30035.
bool PackFile(const QString& source, const QString& name, const QString& folder,
              ProgressSink* progress = nullptr);

/// Extracts every member of the cabinet `folder` + `name` into `dest` (ending with a
/// separator), creating subfolders; theApp().m_strExtractName names the last member
/// written. Failure shows "[File Copy]" (or "[Make Context]") and message 30036.
bool ExtractCabinet(const QString& name, const QString& folder, const QString& dest,
                    ProgressSink* progress = nullptr);

/// One packing or extracting job: the mode and the three strings of that mode.
class CShoriJob {
public:
    int m_nMode = 0;               ///< 1 = pack, 0 = extract
    QString m_strPackSource;       ///< file to put into the cabinet
    QString m_strPackName;         ///< cabinet file name, also the member's name
    QString m_strPackFolder;       ///< folder of the new cabinet, ending with a separator
    QString m_strExtractDest;      ///< folder to extract into, ending with a separator
    QString m_strExtractCabName;   ///< cabinet file name
    QString m_strExtractCabFolder; ///< folder of the cabinet, ending with a separator

    /// Runs PackFile or ExtractCabinet; true when it succeeded.
    bool RunJob(ProgressSink* progress) const;
};

/// Runs processing jobs. The program installs one that shows the processing dialog.
class ShoriRunner {
public:
    virtual ~ShoriRunner() = default;
    /// Runs `job` to its end; true for OK, false for Cancel (its message was shown).
    virtual bool run(const CShoriJob& job) = 0;
};

/// Runs `job` with the runner in use (without a window until one is set).
bool RunShoriJob(const CShoriJob& job);
/// Makes `runner` the one in use (not owned); null restores the windowless one.
void setShoriRunner(ShoriRunner* runner);
