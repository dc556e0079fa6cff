#pragma once
// Importing a batch of image files on every core: the decoding and converting run on
// worker threads, the results come back in the order of the files, and the interface
// thread's event loop runs while it waits (with a progress display that can cancel).

#include "image/ImageImport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QObject;

/// How a batch is run.
struct ParallelImportOptions {
    /// Show a progress display (Prompts::progress) for a batch of more than one file.
    bool progress = false;
    QObject* owner = nullptr; ///< the window the display belongs to
    /// Once this many files, in the batch's order, have become pictures, the later
    /// files are not started (their results stay empty); -1: no such bound.
    int wanted = -1;
    /// Worker threads; 0: one per core.
    int threads = 0;
    /// Decoded pixels the workers may hold at once (a file takes what its header
    /// declares; one larger than the whole budget runs alone); 0: from the machine's
    /// memory.
    qint64 pixelBudget = 0;
};

/// What a batch came to: one result per path, in the order of the paths (a file not
/// started, or with an empty extension, has an empty result), or cancelled.
struct ParallelImportOutcome {
    QList<ImportResult> results;
    bool cancelled = false; ///< the user cancelled: the results are to be thrown away
};

/// Imports each path whose normalised extension in `exts` is not empty, with
/// `settings`, on a pool of worker threads. Call it on the interface thread: it waits
/// with the event loop running (user input held back until a progress display takes
/// it), or, without an application object, simply blocks. Cancel in the display stops
/// starting new files and waits for those already running. Every thread it started has
/// ended when it returns. The results' messages are not shown (ImportResult::notices).
ParallelImportOutcome ImportFilesInParallel(const QStringList& paths, const QStringList& exts,
                                            const ImportSettings& settings,
                                            const ParallelImportOptions& options = {});
