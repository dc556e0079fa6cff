#include "image/FileBytes.h"

#include <new>

FileBytes::FileBytes(const QString& path) : m_file(path) {
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_status = OpenFailed;
        return;
    }
    const qint64 length = m_file.size();
    if (length <= 0) {
        // Empty, or a device that does not tell its length: nothing to read.
        m_status = Ok;
        return;
    }
    m_mapped = m_file.map(0, length);
    if (m_mapped) {
        m_data = m_mapped;
        m_size = length;
        m_status = Ok;
        return;
    }
    try {
        m_copy.resize(length);
    } catch (const std::bad_alloc&) {
        m_status = NoMemory;
        return;
    }
    if (m_copy.size() != length) {
        m_status = NoMemory;
        return;
    }
    const qint64 got = m_file.read(m_copy.data(), length);
    if (got != length) {
        m_status = ShortRead;
        return;
    }
    m_data = reinterpret_cast<const uchar*>(m_copy.constData());
    m_size = length;
    m_status = Ok;
}

FileBytes::~FileBytes() {
    if (m_mapped)
        m_file.unmap(m_mapped);
}
