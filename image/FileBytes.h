#pragma once
// Reading a whole file for the header readers: mapped into memory when the platform
// allows it (no copy, nothing allocated for large files), else read in one go.

#include <QByteArray>
#include <QFile>
#include <QString>

class FileBytes {
public:
    enum Status {
        Ok,
        OpenFailed, ///< the file cannot be opened for reading
        NoMemory,   ///< no memory for the content
        ShortRead   ///< fewer bytes read than the file's length
    };

    explicit FileBytes(const QString& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    Status status() const { return m_status; }
    const uchar* data() const { return m_data; }
    qint64 size() const { return m_size; }

private:
    QFile m_file;
    QByteArray m_copy;
    uchar* m_mapped = nullptr;
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
    Status m_status = OpenFailed;
};
