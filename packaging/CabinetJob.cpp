#include "packaging/CabinetJob.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "document/DocumentStream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString joinFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool packFailed() {
    ShowMessage(Msg::NoWriteAccess, QString(), nullptr, MsgKind::Info);
    return false;
}

/// A write into the new cabinet `target` failed: the file and the system's reason (a
/// full disk is no question of access rights).
bool packWriteFailed(const QString& target, const QString& reason) {
    ShowMessage(Msg::WriteFailed, FileAndReason(target, reason), nullptr, MsgKind::Error);
    return false;
}

bool extractFailed(const char* tag) {
    ShowMessage(Msg::ExtractFailed, QString::fromLatin1(tag), nullptr, MsgKind::Error);
    return false;
}

/// Writes extracted members as files below the destination folder.
class FileSink : public cab::MemberSink {
public:
    FileSink(const QString& dest, QString* lastMember) : m_dest(dest), m_lastMember(lastMember) {}
    ~FileSink() override { abandon(); }

    bool begin(const cab::Member& m) override {
        const QString rel = cab::SafeRelativePath(m.name);
        if (rel.isEmpty())
            return false;
        if (m_lastMember)
            *m_lastMember = rel;
        const QString target = joinFolder(m_dest, rel);
        const QFileInfo fi(target);
        if (!QDir().mkpath(fi.absolutePath()))
            return false;
        // Replace an existing file (or link) by removing it: a new file is then created
        // exclusively, never written through a link.
        if (fi.isSymLink() || fi.exists()) {
            if (fi.isDir() && !fi.isSymLink())
                return false;
            if (!QFile::remove(target))
                return false;
        }
        m_file.setFileName(target);
        return m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    bool write(const char* data, qsizetype n) override { return m_file.write(data, n) == n; }
    bool end(const cab::Member& m, bool ok) override {
        if (!ok) {
            abandon();
            return false;
        }
        if (!m_file.flush()) {
            abandon();
            return false;
        }
        const QDateTime when = cab::FromDosDateTime(m.date, m.time);
        if (when.isValid()) {
            m_file.setFileTime(when, QFileDevice::FileModificationTime);
            m_file.setFileTime(when, QFileDevice::FileAccessTime);
        }
        m_file.close();
        if (m.attribs & cab::kAttrReadOnly) {
            m_file.setPermissions(m_file.permissions() & ~(QFile::WriteOwner | QFile::WriteUser |
                                                           QFile::WriteGroup | QFile::WriteOther));
        }
        return true;
    }

private:
    void abandon() {
        if (m_file.isOpen()) {
            m_file.close();
            m_file.remove(); // never leave a partial member behind
        }
    }
    QString m_dest;
    QString* m_lastMember;
    QFile m_file;
};

/// Writes the one member it is given to a device.
class DeviceSink : public cab::MemberSink {
public:
    explicit DeviceSink(QIODevice& out) : m_out(out) {}
    bool begin(const cab::Member&) override { return true; }
    bool write(const char* data, qsizetype n) override { return m_out.write(data, n) == n; }
    bool end(const cab::Member&, bool ok) override { return ok; }

private:
    QIODevice& m_out;
};

/// Opens the cabinet file `in` and reads its directory; false after the "[File Copy]"
/// message when it cannot be read as a cabinet.
bool readCabinetDirectory(QFile& in, cab::CabinetReader& reader) {
    if (!in.open(QIODevice::ReadOnly) || reader.readDirectory() != cab::Status::Ok)
        return extractFailed("[File Copy]\n");
    return true;
}

class DirectRunner : public CabinetJobRunner {
public:
    bool run(CabinetJob& job) override { return job.Run(nullptr); }
};

DirectRunner g_directRunner;
CabinetJobRunner* g_runner = nullptr;

} // namespace

bool PackFile(const QString& source, const QString& name, const QString& folder,
              ProgressSink* progress) {
    QFile src(source);
    if (name.isEmpty() || !src.open(QIODevice::ReadOnly))
        return packFailed();
    const QFileInfo srcInfo(source);
    const QDateTime when = srcInfo.lastModified().toLocalTime();
    quint16 attribs = cab::kAttrArchive;
    if (!(srcInfo.permissions() & QFile::WriteOwner))
        attribs |= cab::kAttrReadOnly;

    const QString target = joinFolder(folder, name);
    // A name the system cannot take is said as such: it is no question of access rights.
    if (const QString reason = NameTooLongReason(target); !reason.isEmpty())
        return packWriteFailed(target, reason);
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && (targetInfo.isDir() || !targetInfo.isWritable()))
        return packFailed();
    // Written beside the target and moved over it only once complete.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return packFailed();
    const cab::Status s = cab::WriteCabinet(out, src, src.size(), name, cab::DosDate(when),
                                            cab::DosTime(when), attribs, progress);
    // Flushed before the commit, so that a failing write keeps its own reason.
    if (s == cab::Status::WriteError || (s == cab::Status::Ok && !out.flush())) {
        const QString reason = WriteFailureReason(out);
        out.cancelWriting();
        return packWriteFailed(target, reason);
    }
    if (s != cab::Status::Ok) {
        out.cancelWriting();
        return packFailed();
    }
    if (!out.commit())
        return packWriteFailed(target, out.errorString());
    return true;
}

bool ExtractCabinet(const QString& name, const QString& folder, const QString& dest,
                    QString* lastMember, ProgressSink* progress) {
    // A cabinet without members must not leave an earlier extraction's name behind.
    if (lastMember)
        lastMember->clear();
    QFile in(joinFolder(folder, name));
    cab::CabinetReader reader(in);
    if (!readCabinetDirectory(in, reader))
        return false;
    // Every name is checked before anything is written.
    for (const cab::Member& m : reader.members())
        if (cab::SafeRelativePath(m.name).isEmpty())
            return extractFailed("[File Copy]\n");
    FileSink sink(dest, lastMember);
    if (reader.extract(sink, progress) != cab::Status::Ok)
        return extractFailed("[File Copy]\n");
    return true;
}

bool ExtractDocumentMember(const QString& name, const QString& folder, QIODevice& out,
                           QString* memberName, ProgressSink* progress) {
    if (memberName)
        memberName->clear();
    QFile in(joinFolder(folder, name));
    cab::CabinetReader reader(in);
    if (!readCabinetDirectory(in, reader))
        return false;
    const int index = reader.lastMemberIndex();
    if (index < 0)
        return true;
    DeviceSink sink(out);
    cab::Status s = reader.extractMember(index, sink, progress);
    auto* file = qobject_cast<QFileDevice*>(&out);
    // Buffered bytes that cannot be written (a full disk) fail the extraction too.
    if (s == cab::Status::Ok && file && !file->flush())
        s = cab::Status::WriteError;
    if (s == cab::Status::WriteError) {
        // The file the user opened and why its member could not be written; the work
        // file it went to is no name the user knows.
        const QString reason = file ? WriteFailureReason(*file) : out.errorString();
        ShowMessage(Msg::ExtractFailed, FileAndReason(joinFolder(folder, name), reason), nullptr,
                    MsgKind::Error);
        return false;
    }
    if (s == cab::Status::Cancelled)
        return false; // the user's own choice: nothing to tell
    if (s != cab::Status::Ok)
        return extractFailed("[File Copy]\n");
    if (memberName)
        *memberName = reader.members()[size_t(index)].name;
    return true;
}

bool CabinetJob::Run(ProgressSink* progress) {
    if (kind == Kind::Pack)
        return PackFile(packSource, packName, packFolder, progress);
    if (kind == Kind::Read) {
        readOk = readFrom && ReadDocumentStream(readFrom, progress);
        return readOk || !(progress && progress->cancelled());
    }
    if (!extractTo)
        return extractFailed("[File Copy]\n");
    return ExtractDocumentMember(extractName, extractFolder, *extractTo, &extractedName, progress);
}

bool RunCabinetJob(CabinetJob& job) {
    return (g_runner ? *g_runner : g_directRunner).run(job);
}

void SetCabinetJobRunner(CabinetJobRunner* runner) {
    g_runner = runner;
}
