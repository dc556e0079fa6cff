#pragma once
// Making the page's cell sources in worker threads, so that opening and paging through
// a document of large pictures never blocks the window: the cells fill in as their
// pictures are decoded.

#include "document/Document.h"

#include <QMutex>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <deque>
#include <set>
#include <tuple>
#include <vector>

class CellLoader : public QObject {
    Q_OBJECT
public:
    explicit CellLoader(QObject* parent = nullptr);
    /// Drops what is still queued and waits for the sources being made.
    ~CellLoader() override;

    /// Asks for the cell source of `picture` with `key` within `bound` (see CellSource).
    /// A request already queued or being made is not repeated.
    void Request(const PicturePtr& picture, const KeyColor& key, QSize bound);
    /// Drops the requests no worker has started (a page left behind).
    void DropQueued();
    /// Waits until every request has been made (tests, and the end of the window).
    void WaitForDone();
    /// Requests queued or being made.
    int Pending() const;

Q_SIGNALS:
    /// A cell source was made (or its picture turned out not to decode); emitted in the
    /// loader's own thread.
    void SourceReady();

private:
    /// Takes the finished jobs' pictures from the workers and tells of them (in the
    /// loader's thread).
    Q_INVOKABLE void Deliver();

    struct Job {
        PicturePtr picture;
        KeyColor key;
        QSize bound;
    };
    using JobId = std::tuple<quint64, quint64, int, int>;
    static JobId IdOf(const Picture& picture, const KeyColor& key, QSize bound);
    void WorkLoop();

    mutable QMutex m_mutex;
    std::deque<Job> m_queue;
    std::vector<PicturePtr> m_done; ///< pictures of finished jobs, not yet delivered
    std::set<JobId> m_waiting;      ///< queued or being made
    int m_workers = 0;              ///< work loops running
    QThreadPool m_pool;
};
