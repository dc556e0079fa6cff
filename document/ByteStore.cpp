#include "document/ByteStore.h"

#include <QFileDevice>
#include <QMutexLocker>
#include <algorithm>
#include <new>

ByteStore::ByteStore(std::unique_ptr<QFileDevice> file, qint64 base, qint64 length)
    : m_file(std::move(file)), m_base(std::max<qint64>(base, 0)) {
    const qint64 available = m_file ? std::max<qint64>(m_file->size() - m_base, 0) : 0;
    m_size = length < 0 ? available : std::min(length, available);
}

ByteStore::~ByteStore() = default; // closing the file unmaps it

const uchar* ByteStore::mapped() const {
    QMutexLocker lock(&m_mutex);
    if (!m_mapTried) {
        m_mapTried = true;
        if (m_file && m_size > 0)
            m_map = m_file->map(m_base, m_size);
    }
    return m_map;
}

qint64 ByteStore::readInto(qint64 offset, char* data, qint64 maxSize) const {
    if (!m_file || offset < 0 || maxSize < 0 || offset > m_size)
        return -1;
    const qint64 want = std::min(maxSize, m_size - offset);
    QMutexLocker lock(&m_mutex);
    if (!m_file->seek(m_base + offset))
        return -1;
    qint64 done = 0;
    while (done < want) {
        const qint64 got = m_file->read(data + done, want - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break; // the file is shorter than it was: what was there
        done += got;
    }
    return done;
}

QByteArray ByteStore::read(qint64 offset, qint64 length) const {
    if (!m_file || offset < 0 || length <= 0 || offset > m_size || length > m_size - offset)
        return {};
    QByteArray bytes;
    try {
        bytes.resize(length);
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (readInto(offset, bytes.data(), length) != length)
        return {};
    return bytes;
}

ByteStoreDevice::ByteStoreDevice(std::shared_ptr<const ByteStore> store)
    : m_store(std::move(store)) {
    // Unbuffered: every read goes to the store at pos(), which the store serves anyway.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ByteStoreDevice::size() const {
    return m_store ? m_store->size() : 0;
}

qint64 ByteStoreDevice::readData(char* data, qint64 maxSize) {
    if (!m_store)
        return -1;
    if (pos() >= m_store->size())
        return 0;
    return m_store->readInto(pos(), data, maxSize);
}

QByteArray StoredBytes::bytes() const {
    if (m_store)
        return m_store->read(m_offset, m_length);
    return m_bytes;
}

QByteArray StoredBytes::view() const {
    if (!m_store)
        return m_bytes;
    if (m_offset < 0 || m_length <= 0 || m_offset > m_store->size() ||
        m_length > m_store->size() - m_offset)
        return bytes();
    if (const uchar* map = m_store->mapped())
        return QByteArray::fromRawData(reinterpret_cast<const char*>(map + m_offset),
                                       qsizetype(m_length));
    return bytes();
}

QByteArray StoredBytes::head(qint64 n) const {
    if (n >= m_length)
        return bytes();
    if (n <= 0)
        return {};
    if (m_store)
        return m_store->read(m_offset, n);
    return m_bytes.left(n);
}

bool StoredBytes::operator==(const StoredBytes& o) const {
    if (m_store || o.m_store)
        return m_store == o.m_store && m_offset == o.m_offset && m_length == o.m_length;
    return m_bytes == o.m_bytes;
}
