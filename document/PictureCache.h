#pragma once
// Decoded pictures kept for reuse: one cache for the whole program, bounded by a memory
// budget, the least recently used pictures going first. Any thread may use it.

#include <QImage>
#include <QMutex>
#include <QSize>
#include <QtGlobal>
#include <list>
#include <unordered_map>

/// What a cached image is: which picture, which rendering of it (kind, free for the
/// caller to number), at which size, with which extra setting (a key colour, flags).
struct PictureCacheKey {
    quint64 picture = 0;
    int kind = 0;
    QSize size;
    quint64 extra = 0;
    bool operator==(const PictureCacheKey& o) const {
        return picture == o.picture && kind == o.kind && size == o.size && extra == o.extra;
    }
};

struct PictureCacheKeyHash {
    size_t operator()(const PictureCacheKey& k) const noexcept;
};

class PictureCache {
public:
    /// The program's cache.
    static PictureCache& instance();

    explicit PictureCache(qint64 budget = DefaultBudget());

    /// The image stored under `key` (marked as just used), or a null image.
    QImage find(const PictureCacheKey& key);
    /// Keeps `image` under `key`, dropping the least recently used images until the
    /// budget holds. An image larger than a quarter of the budget is not kept.
    void insert(const PictureCacheKey& key, const QImage& image);
    /// Drops every image of picture `picture`.
    void forget(quint64 picture);
    void clear();

    void setBudget(qint64 bytes);
    qint64 budget() const;
    /// Bytes of pixels held now.
    qint64 usedBytes() const;
    int count() const;

    /// The budget of the program's cache: a thirty-second of the machine's memory, at
    /// least 32 MiB and at most 128 MiB.
    static qint64 DefaultBudget();

private:
    struct Entry {
        PictureCacheKey key;
        QImage image;
        qint64 bytes = 0;
    };
    void evictLocked();

    mutable QMutex m_mutex;
    std::list<Entry> m_lru; ///< most recently used first
    std::unordered_map<PictureCacheKey, std::list<Entry>::iterator, PictureCacheKeyHash> m_index;
    qint64 m_budget = 0;
    qint64 m_used = 0;
};
