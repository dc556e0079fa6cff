#pragma once
// A file that holds the stored bytes of pictures, read back on demand. An opened
// document's pictures stay in the work file the document was extracted into, so their
// bytes take no memory until something decodes or saves them.

#include <QByteArray>
#include <QMutex>
#include <QtGlobal>
#include <memory>

class QFileDevice;

class ByteStore {
public:
    /// Takes over an open, readable file (a work file is removed when the store goes,
    /// which is when the last picture reading from it has gone).
    explicit ByteStore(std::unique_ptr<QFileDevice> file);
    ~ByteStore();

    /// `length` bytes from `offset`; empty when they cannot be read in full. Safe to call
    /// from any thread.
    QByteArray read(qint64 offset, qint64 length) const;

private:
    mutable QMutex m_mutex;
    std::unique_ptr<QFileDevice> m_file;
};
