#pragma once
// A file that holds the stored bytes of pictures, read back on demand. An opened
// document's pictures stay where its stream lies: in the work file a document file was
// extracted into, or in the standalone slideshow that carries the document, read in
// place. Their bytes take no memory until something decodes or saves them.

#include <QByteArray>
#include <QIODevice>
#include <QMutex>
#include <QtGlobal>
#include <memory>

class QFileDevice;

class ByteStore {
public:
    /// Takes over an open, readable file; the store is its `length` bytes from `base`
    /// (to the file's end when `length` is negative), and offsets count from `base`. A
    /// work file is removed when the store goes, which is when the last picture reading
    /// from it has gone.
    explicit ByteStore(std::unique_ptr<QFileDevice> file, qint64 base = 0, qint64 length = -1);
    ~ByteStore();

    /// The number of bytes the store holds.
    qint64 size() const { return m_size; }
    /// `length` bytes from `offset`; empty when they lie beyond the store or cannot be
    /// read in full. Safe to call from any thread.
    QByteArray read(qint64 offset, qint64 length) const;
    /// Up to `maxSize` bytes from `offset` into `data`, fewer at the store's end: the
    /// count read, or -1 when the file cannot be read there. Safe to call from any thread.
    qint64 readInto(qint64 offset, char* data, qint64 maxSize) const;
    /// The store's bytes mapped read-only into memory, valid while the store lives: the
    /// pages are read from the file as they are touched and take no memory of their own,
    /// so a decoder that stops at its picture's end never reads what follows. Null when
    /// the file cannot be mapped (then read() serves). Safe to call from any thread.
    const uchar* mapped() const;

private:
    mutable QMutex m_mutex;
    std::unique_ptr<QFileDevice> m_file;
    qint64 m_base = 0;
    qint64 m_size = 0;
    mutable const uchar* m_map = nullptr;
    mutable bool m_mapTried = false;
};

/// A store's bytes as a read-only, random-access device (position 0 is the store's
/// first byte), for readers that take a device.
class ByteStoreDevice : public QIODevice {
public:
    /// Opened for reading.
    explicit ByteStoreDevice(std::shared_ptr<const ByteStore> store);
    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<const ByteStore> m_store;
};

/// Image-file bytes a slide keeps as they were stored: held in memory, or a range of a
/// store that is read when they are needed (and then costs no memory meanwhile).
class StoredBytes {
public:
    StoredBytes() = default;
    /// Bytes held in memory.
    StoredBytes(QByteArray bytes) : m_bytes(std::move(bytes)), m_length(m_bytes.size()) {}
    /// `length` bytes of `store` from `offset`.
    StoredBytes(std::shared_ptr<const ByteStore> store, qint64 offset, qint64 length)
        : m_store(std::move(store)), m_offset(offset), m_length(length) {}

    bool isEmpty() const { return m_length <= 0; }
    /// The number of bytes.
    qint64 size() const { return m_length; }
    /// True when the bytes stay in a store.
    bool inStore() const { return m_store != nullptr; }
    /// The bytes, read from the store when they are there; empty when they cannot be read.
    QByteArray bytes() const;
    /// The first `n` bytes (all of them when there are fewer); empty when they cannot be read.
    QByteArray head(qint64 n) const;
    /// The bytes for a decoder that reads them while the StoredBytes (and so its store)
    /// lives: mapped from the store without a copy where the store can be mapped (a
    /// decoder that stops at its picture's end then reads nothing of a long tail behind
    /// it), else the bytes themselves. Never keep the result beyond that.
    QByteArray view() const;
    /// The memory the bytes take here: nothing for bytes left in a store.
    qint64 heldBytes() const { return m_bytes.size(); }
    /// The memory the bytes are held in (shared, not copied, between the copies of one
    /// StoredBytes), for counting it once; null for bytes left in a store.
    const void* heldData() const { return m_bytes.isEmpty() ? nullptr : m_bytes.constData(); }
    /// The same bytes: the same range of the same store, or equal bytes in memory.
    bool operator==(const StoredBytes& o) const;
    bool operator!=(const StoredBytes& o) const { return !(*this == o); }
    void clear() { *this = StoredBytes(); }

private:
    QByteArray m_bytes;
    std::shared_ptr<const ByteStore> m_store;
    qint64 m_offset = 0;
    qint64 m_length = 0;
};
