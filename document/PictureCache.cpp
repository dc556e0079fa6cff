#include "document/PictureCache.h"

#include "base/Platform.h"

#include <QMutexLocker>
#include <algorithm>
#include <functional>

size_t PictureCacheKeyHash::operator()(const PictureCacheKey& k) const noexcept {
    size_t h = std::hash<quint64>()(k.picture);
    const auto mix = [&h](quint64 v) {
        h ^= std::hash<quint64>()(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    };
    mix(quint64(k.kind));
    mix((quint64(quint32(k.size.width())) << 32) | quint32(k.size.height()));
    mix(k.extra);
    return h;
}

PictureCache& PictureCache::instance() {
    // Never destroyed: pictures released while the program ends still reach it.
    static PictureCache* cache = new PictureCache();
    return *cache;
}

PictureCache::PictureCache(qint64 budget) : m_budget(budget) {}

qint64 PictureCache::DefaultBudget() {
    constexpr qint64 kMiB = qint64(1) << 20;
    const qint64 physical = PhysicalMemoryBytes();
    return std::clamp((physical > 0 ? physical : 4096 * kMiB) / 32, 32 * kMiB, 128 * kMiB);
}

QImage PictureCache::find(const PictureCacheKey& key) {
    QMutexLocker lock(&m_mutex);
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return QImage();
    m_lru.splice(m_lru.begin(), m_lru, it->second);
    return it->second->image;
}

void PictureCache::insert(const PictureCacheKey& key, const QImage& image) {
    if (image.isNull())
        return;
    const qint64 bytes = image.sizeInBytes();
    QMutexLocker lock(&m_mutex);
    const auto it = m_index.find(key);
    if (it != m_index.end()) {
        m_used -= it->second->bytes;
        m_lru.erase(it->second);
        m_index.erase(it);
    }
    if (bytes > m_budget / 4)
        return;
    m_lru.push_front(Entry{key, image, bytes});
    m_index.emplace(key, m_lru.begin());
    m_used += bytes;
    evictLocked();
}

void PictureCache::evictLocked() {
    while (m_used > m_budget && !m_lru.empty()) {
        const Entry& last = m_lru.back();
        m_used -= last.bytes;
        m_index.erase(last.key);
        m_lru.pop_back();
    }
}

void PictureCache::forget(quint64 picture) {
    QMutexLocker lock(&m_mutex);
    for (auto it = m_lru.begin(); it != m_lru.end();) {
        if (it->key.picture == picture) {
            m_used -= it->bytes;
            m_index.erase(it->key);
            it = m_lru.erase(it);
        } else {
            ++it;
        }
    }
}

void PictureCache::clear() {
    QMutexLocker lock(&m_mutex);
    m_lru.clear();
    m_index.clear();
    m_used = 0;
}

void PictureCache::setBudget(qint64 bytes) {
    QMutexLocker lock(&m_mutex);
    m_budget = std::max<qint64>(0, bytes);
    evictLocked();
}

qint64 PictureCache::budget() const {
    QMutexLocker lock(&m_mutex);
    return m_budget;
}

qint64 PictureCache::usedBytes() const {
    QMutexLocker lock(&m_mutex);
    return m_used;
}

int PictureCache::count() const {
    QMutexLocker lock(&m_mutex);
    return int(m_lru.size());
}
