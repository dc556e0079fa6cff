#include "image/ParallelImport.h"

#include "base/Platform.h"
#include "base/Prompts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QImageReader>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace {

/// Bytes an import may hold for each pixel of its picture at the worst: the decoded
/// raster and the work images of its shrunken copy.
constexpr qint64 kBytesPerPixelAtWorst = 12;
/// The memory budget is counted in pieces of this size.
constexpr qint64 kBudgetUnit = qint64(1) << 20;

int WorkerCount(const ParallelImportOptions& options) {
    return options.threads > 0 ? options.threads : std::max(1, QThread::idealThreadCount());
}

/// The budget in units: the option, or half the machine's memory (the share an open
/// document's pictures may take), 4 GiB when the machine does not tell.
int BudgetUnits(const ParallelImportOptions& options) {
    qint64 bytes = options.pixelBudget * kBytesPerPixelAtWorst;
    if (bytes <= 0) {
        const qint64 memory = PhysicalMemoryBytes();
        bytes = memory > 0 ? memory / 2 : qint64(4) << 30;
    }
    return int(std::clamp<qint64>(bytes / kBudgetUnit, 1, 1 << 30));
}

/// The part of the budget a file takes while it imports: what its header declares,
/// never more than the whole budget. A path that is no regular file is not opened (a
/// pipe would block); the import itself refuses it.
int CostUnits(const QString& path, int budget) {
    if (!IsRegularFile(path))
        return 1;
    const QSize size = QImageReader(path).size();
    const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
    const qint64 units = (pixels * kBytesPerPixelAtWorst + kBudgetUnit - 1) / kBudgetUnit;
    return int(std::clamp<qint64>(units, 1, budget));
}

/// What the workers share with the thread that waits for them. The files and the results
/// pass between the threads under `m_lock`, not through the futures, so that the hand-over
/// is plain C++ that any reader (and the thread sanitizer) can follow; the futures only
/// wake the waiting thread.
class Batch {
public:
    Batch(const QStringList& paths, const QStringList& exts, const ImportSettings& settings,
          int budget)
        : m_paths(paths), m_exts(exts), m_settings(settings), m_budget(budget), m_memory(budget),
          m_startBelow(int(paths.size())), m_results(paths.size()), m_finished(paths.size()) {}

    /// Held while the files are handed to the pool: no worker starts before all are.
    std::mutex& lock() { return m_lock; }

    /// Runs on a worker: imports file `i` unless the batch no longer wants it.
    void Run(int i) {
        { const std::lock_guard<std::mutex> handedOver(m_lock); }
        ImportResult result;
        try {
            result = Import(i);
        } catch (...) {
            // No memory for this file (or worse): it is reported, the others go on.
            result = ImportResult();
            result.failure = ImportFailure::NotPrepared;
        }
        const std::lock_guard<std::mutex> publish(m_lock);
        m_results[i] = std::move(result);
        m_finished[i] = true;
    }

    /// Files from `index` on are not started any more.
    void StopBefore(int index) {
        if (index < m_startBelow.load())
            m_startBelow.store(index);
    }

    // What the waiting thread reads, holding lock().
    bool finished(int i) const { return m_finished[i]; }
    const ImportResult& result(int i) const { return m_results[i]; }
    ImportResult take(int i) { return std::move(m_results[i]); }

private:
    ImportResult Import(int i) {
        if (i >= m_startBelow.load())
            return {};
        const int units = CostUnits(m_paths[i], m_budget);
        m_memory.acquire(units);
        const QSemaphoreReleaser release(m_memory, units);
        if (i >= m_startBelow.load())
            return {};
        return ImportImageFile(m_paths[i], m_exts[i], m_settings);
    }

    const QStringList& m_paths;
    const QStringList& m_exts;
    const ImportSettings& m_settings;
    const int m_budget;
    QSemaphore m_memory;
    std::atomic<int> m_startBelow;
    std::mutex m_lock;
    std::vector<ImportResult> m_results;
    std::vector<bool> m_finished;
};

} // namespace

ParallelImportOutcome ImportFilesInParallel(const QStringList& paths, const QStringList& exts,
                                            const ImportSettings& settings,
                                            const ParallelImportOptions& options) {
    const int count = int(paths.size());
    Q_ASSERT(exts.size() == paths.size());
    ParallelImportOutcome outcome;
    Batch batch(paths, exts, settings, BudgetUnits(options));
    if (options.wanted == 0)
        batch.StopBefore(0);

    // The event loop runs while the workers do, on the thread of the application object.
    const QCoreApplication* app = QCoreApplication::instance();
    std::optional<QEventLoop> loop;
    if (app && app->thread() == QThread::currentThread())
        loop.emplace();
    bool woken = false; // something happened since the loop last ran
    const auto wake = [&woken, &loop] {
        woken = true;
        if (loop)
            loop->quit();
    };
    std::unique_ptr<ProgressPrompt> display;
    if (options.progress && count > 1 && loop)
        display = prompts().progress(Msg::ImportingImages, count, wake, options.owner);

    // Declared after what the workers use, so that the pool (which waits for its threads
    // and ends them when it goes) goes first.
    QThreadPool pool;
    pool.setMaxThreadCount(WorkerCount(options));
    std::vector<QFuture<void>> futures(count);
    std::vector<std::unique_ptr<QFutureWatcher<void>>> watchers;
    std::vector<bool> started(count, false);
    {
        const std::lock_guard<std::mutex> handing(batch.lock());
        for (int i = 0; i < count; ++i) {
            if (exts[i].isEmpty())
                continue;
            futures[i] = QtConcurrent::run(&pool, [&batch, i] { batch.Run(i); });
            started[i] = true;
        }
    }
    if (loop) {
        for (int i = 0; i < count; ++i) {
            if (!started[i])
                continue;
            auto watcher = std::make_unique<QFutureWatcher<void>>();
            QObject::connect(watcher.get(), &QFutureWatcherBase::finished, &*loop, wake);
            watcher->setFuture(futures[i]);
            watchers.push_back(std::move(watcher));
        }
    }

    int next = 0;     // the first file, in order, not known to be finished
    int pictures = 0; // files before `next` that became pictures
    for (;;) {
        int done = 0;
        {
            const std::lock_guard<std::mutex> reading(batch.lock());
            const auto isDone = [&](int i) { return !started[i] || batch.finished(i); };
            for (; next < count && isDone(next); ++next)
                if (started[next] && batch.result(next).ok && ++pictures == options.wanted)
                    batch.StopBefore(next + 1); // the later files are not needed
            done = next;
            for (int i = next; i < count; ++i)
                done += isDone(i) ? 1 : 0;
        }
        if (display) {
            display->setProgress(done);
            if (display->cancelRequested()) {
                outcome.cancelled = true;
                batch.StopBefore(0);
            }
        }
        if (done == count)
            break;
        if (loop) {
            if (!woken)
                loop->exec(display && display->takesInput() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
            woken = false;
        } else {
            // No event loop to keep running: simply wait for the next file in order.
            futures[next].waitForFinished();
        }
    }
    if (!outcome.cancelled) {
        const std::lock_guard<std::mutex> reading(batch.lock());
        outcome.results.reserve(count);
        for (int i = 0; i < count; ++i)
            outcome.results << batch.take(i);
    }
    return outcome;
}
