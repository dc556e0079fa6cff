#include "editor/CellLoader.h"

#include "document/Picture.h"
#include "editor/CellImage.h"

#include <QMutexLocker>

CellLoader::CellLoader(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

CellLoader::~CellLoader() {
    DropQueued();
    m_pool.waitForDone();
}

CellLoader::JobId CellLoader::IdOf(const Picture& picture, const KeyColor& key, QSize bound) {
    const quint64 k = key ? ((quint64(1) << 32) | *key) : 0;
    return JobId{picture.id(), k, bound.width(), bound.height()};
}

void CellLoader::Request(const PicturePtr& picture, const KeyColor& key, QSize bound) {
    if (!picture)
        return;
    QMutexLocker lock(&m_mutex);
    if (!m_waiting.insert(IdOf(*picture, key, bound)).second)
        return;
    m_queue.push_back(Job{picture, key, bound});
    if (m_workers < m_pool.maxThreadCount()) {
        ++m_workers;
        m_pool.start([this] { WorkLoop(); });
    }
}

void CellLoader::WorkLoop() {
    for (;;) {
        Job job;
        {
            QMutexLocker lock(&m_mutex);
            if (m_queue.empty()) {
                --m_workers;
                return;
            }
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        CellSource(*job.picture, job.key, job.bound);
        {
            QMutexLocker lock(&m_mutex);
            m_waiting.erase(IdOf(*job.picture, job.key, job.bound));
            // The job's hold on the picture ends in the loader's thread: a picture, and
            // the work file its bytes are in, are released in the thread that made them.
            m_done.push_back(std::move(job.picture));
        }
        // Told in the loader's thread (dropped unseen when the loader has gone). The
        // pictures go across under the loader's own lock rather than inside the posted
        // call, so the hand-over is one a thread checker can follow.
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
    }
}

void CellLoader::Deliver() {
    std::vector<PicturePtr> done;
    {
        QMutexLocker lock(&m_mutex);
        done.swap(m_done);
    }
    if (!done.empty())
        Q_EMIT SourceReady();
}

void CellLoader::DropQueued() {
    QMutexLocker lock(&m_mutex);
    for (const Job& job : m_queue)
        m_waiting.erase(IdOf(*job.picture, job.key, job.bound));
    m_queue.clear();
}

void CellLoader::WaitForDone() {
    m_pool.waitForDone();
}

int CellLoader::Pending() const {
    QMutexLocker lock(&m_mutex);
    return int(m_waiting.size());
}
