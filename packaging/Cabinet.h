#pragma once
// Reading and writing Microsoft cabinet files (the published "MSCF" format) with
// uncompressed and MSZIP folders. The writer makes one-folder, one-member MSZIP
// cabinets; the reader takes what common cabinet writers produce (several folders and
// members, stored or MSZIP data, checksums present or zero) and refuses everything it
// cannot read safely: other compressions, cabinet sets, damaged or inconsistent data.
// Its checks and decoding are the toolkit-free StoredCabinet (CabinetReading.h); this
// reader reads through a QIODevice and gives the member names as text.

#include "base/ProgressSink.h"
#include "packaging/CabinetReading.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

class QIODevice;

namespace cab {

/// The cabinet checksum of `n` bytes continued from `seed`: 32-bit little-endian words
/// XORed together, the last 1 to 3 bytes folded in high byte first.
quint32 Checksum(const uchar* data, qsizetype n, quint32 seed);
/// The checksum stored in a data block: over the data, then over cbData and cbUncomp.
quint32 DataBlockChecksum(const uchar* data, quint16 cbData, quint16 cbUncomp);

/// DOS date and time of a local time (clamped to 1980-01-01 .. 2107-12-31).
quint16 DosDate(const QDateTime& local);
quint16 DosTime(const QDateTime& local);
/// The local time of a DOS date and time; invalid when the fields are out of range.
QDateTime FromDosDateTime(quint16 date, quint16 time);

/// A member name as stored: ASCII as it is; otherwise code page 932 when every character
/// has a code there, else UTF-8 with `*utf8` set (the name flag must then be stored).
QByteArray EncodeName(const QString& name, bool* utf8);
/// A stored member name: UTF-8 when the name flag is set, else code page 932.
QString DecodeName(const QByteArray& bytes, bool utf8);

/// The relative path a member name stands for ('\' and '/' both separate folders), or
/// empty when the name is unsafe to extract: empty, absolute, drive-qualified, with a
/// ':' anywhere, with an empty, "." or ".." component, or with control characters.
QString SafeRelativePath(const QString& name);

struct Member {
    QString name;        ///< decoded name as stored (may contain '\' folder separators)
    quint32 size = 0;    ///< uncompressed size
    quint32 offset = 0;  ///< offset in its folder's uncompressed data
    quint16 folder = 0;  ///< index of its folder
    quint16 date = 0;    ///< DOS date
    quint16 time = 0;    ///< DOS time
    quint16 attribs = 0; ///< attribute bits
};

/// Receives the members of a cabinet while it is extracted.
class MemberSink {
public:
    virtual ~MemberSink() = default;
    /// A member is about to be written; false stops the extraction.
    virtual bool begin(const Member& m) = 0;
    /// The next bytes of the current member; false stops the extraction.
    virtual bool write(const char* data, qsizetype n) = 0;
    /// The current member is complete (`ok`) or abandoned (`!ok`, after a failure).
    virtual bool end(const Member& m, bool ok) = 0;
};

/// Writes a cabinet holding one MSZIP folder with one member: `size` bytes read from
/// `source` stored under `name`. `out` must be seekable (the header is completed last).
Status WriteCabinet(QIODevice& out, QIODevice& source, qint64 size, const QString& name,
                    quint16 date, quint16 time, quint16 attribs, ProgressSink* progress = nullptr,
                    int level = -1);

class CabinetReader {
public:
    explicit CabinetReader(QIODevice& in);
    ~CabinetReader();
    CabinetReader(const CabinetReader&) = delete;
    CabinetReader& operator=(const CabinetReader&) = delete;
    /// Reads and checks the header, folders and members. Nothing is decoded yet.
    Status readDirectory();
    const std::vector<Member>& members() const { return m_members; }
    const std::vector<Folder>& folders() const;
    /// Decodes every folder and hands each member's bytes to `sink`, in folder order and
    /// within a folder by offset. Never hands over more than a member's declared size.
    Status extract(MemberSink& sink, ProgressSink* progress = nullptr);
    /// The member a one-document cabinet holds its document in: the one an extraction
    /// of everything writes last (the last folder's member with the highest offset); -1
    /// when there are no members.
    int lastMemberIndex() const;
    /// Decodes the folder of member `index` only as far as that member ends and hands
    /// its bytes alone to `sink`; the other members are never handed over.
    Status extractMember(int index, MemberSink& sink, ProgressSink* progress = nullptr);

private:
    class Device;
    QIODevice& m_in;
    std::unique_ptr<Device> m_source;
    std::unique_ptr<StoredCabinet> m_stored;
    std::vector<Member> m_members;
};

} // namespace cab
