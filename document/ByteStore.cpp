#include "document/ByteStore.h"

#include <QFileDevice>
#include <QMutexLocker>

ByteStore::ByteStore(std::unique_ptr<QFileDevice> file) : m_file(std::move(file)) {}

ByteStore::~ByteStore() = default;

QByteArray ByteStore::read(qint64 offset, qint64 length) const {
    if (!m_file || offset < 0 || length <= 0)
        return {};
    QByteArray bytes;
    try {
        bytes.resize(length);
    } catch (const std::bad_alloc&) {
        return {};
    }
    QMutexLocker lock(&m_mutex);
    if (!m_file->seek(offset) || m_file->read(bytes.data(), length) != length)
        return {};
    return bytes;
}
