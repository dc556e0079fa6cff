#include "packaging/Cabinet.h"

#include "document/Document.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>
#include <zlib.h>

namespace cab {

namespace {

constexpr int kHeaderSize = 36;
constexpr int kFolderSize = 8;
constexpr int kFileFixedSize = 16;
constexpr int kDataHeaderSize = 8;

const char* const kCp932 = "windows-31j";

void put16(uchar* p, quint16 v) {
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}
void put32(uchar* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
}
bool readExact(QIODevice& in, void* buf, qint64 n) {
    return n == 0 || in.read(static_cast<char*>(buf), n) == n;
}
bool writeExact(QIODevice& out, const void* buf, qint64 n) {
    return n == 0 || out.write(static_cast<const char*>(buf), n) == n;
}

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

} // namespace

quint32 Checksum(const uchar* data, qsizetype n, quint32 seed) {
    return ChecksumOf(data, n > 0 ? std::size_t(n) : 0, seed);
}

quint32 DataBlockChecksum(const uchar* data, quint16 cbData, quint16 cbUncomp) {
    return DataBlockChecksumOf(data, cbData, cbUncomp);
}

quint16 DosDate(const QDateTime& local) {
    QDate d = local.date();
    if (!d.isValid() || d.year() < 1980)
        d = QDate(1980, 1, 1);
    else if (d.year() > 2107)
        d = QDate(2107, 12, 31);
    return quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
}

quint16 DosTime(const QDateTime& local) {
    const QDate d = local.date();
    if (!d.isValid() || d.year() < 1980)
        return 0;
    if (d.year() > 2107)
        return quint16((23 << 11) | (59 << 5) | 29);
    const QTime t = local.time();
    return quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
}

QDateTime FromDosDateTime(quint16 date, quint16 time) {
    const QDate d(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F);
    const int h = time >> 11, m = (time >> 5) & 0x3F, s = (time & 0x1F) * 2;
    if (!d.isValid() || h > 23 || m > 59 || s > 59)
        return {};
    return QDateTime(d, QTime(h, m, s), Qt::LocalTime);
}

QByteArray EncodeName(const QString& name, bool* utf8) {
    *utf8 = false;
    if (isAscii(name))
        return name.toLatin1();
    QStringEncoder enc(kCp932);
    if (enc.isValid()) {
        const QByteArray bytes = enc.encode(name);
        QStringDecoder dec(kCp932);
        if (!enc.hasError() && dec.isValid()) {
            const QString back = dec.decode(bytes);
            if (!dec.hasError() && back == name)
                return bytes;
        }
    }
    *utf8 = true;
    return name.toUtf8();
}

QString DecodeName(const QByteArray& bytes, bool utf8) {
    if (utf8)
        return QString::fromUtf8(bytes); // malformed or overlong sequences become U+FFFD
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder dec(kCp932);
    if (dec.isValid())
        return dec.decode(bytes);
    return QString::fromLatin1(bytes);
}

QString SafeRelativePath(const QString& name) {
    if (name.isEmpty())
        return {};
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1Char('/')) || n.contains(QLatin1Char(':')))
        return {};
    for (QChar c : n)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return {};
    const QStringList parts = n.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return {};
    return n;
}

// ---------------------------------------------------------------------------------
// Writer

namespace {

/// Compresses 32 KiB blocks as MSZIP, each on its own: a reset deflate stream finished
/// with the final bit. Decoders hand every block the previous one as history, but a block
/// need not use it; compressing blocks apart is markedly faster (shorter match searches)
/// for the same size on slide images, whose repeats lie within a block.
class MszipEncoder {
public:
    explicit MszipEncoder(int level) {
        std::memset(&m_z, 0, sizeof m_z);
        m_ok = deflateInit2(&m_z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~MszipEncoder() {
        if (m_ok)
            deflateEnd(&m_z);
    }
    bool ok() const { return m_ok; }

    /// Compresses `n` (at most 32768) bytes into `out` ("CK" + deflate data); returns the
    /// compressed size, or -1. `out` must hold kOutCapacity bytes.
    int block(const uchar* in, int n, uchar* out) {
        out[0] = 'C';
        out[1] = 'K';
        if (deflateReset(&m_z) != Z_OK)
            return -1;
        m_z.next_in = const_cast<uchar*>(in);
        m_z.avail_in = uInt(n);
        m_z.next_out = out + 2;
        m_z.avail_out = uInt(kOutCapacity - 4);
        const int rc = deflate(&m_z, Z_FINISH);
        if (m_z.avail_in != 0 || rc != Z_STREAM_END)
            return -1;
        return int(m_z.next_out - out);
    }
    static constexpr int kOutCapacity = 2 * kBlockSize + 1024;

private:
    z_stream m_z;
    bool m_ok = false;
};

/// A block stored without compression, for data that deflate could not make smaller
/// than a data block may be: "CK" and one final stored deflate block.
int storedBlock(const uchar* in, int n, uchar* out) {
    out[0] = 'C';
    out[1] = 'K';
    out[2] = 0x01; // final, stored
    put16(out + 3, quint16(n));
    put16(out + 5, quint16(~n));
    std::memcpy(out + 7, in, size_t(n));
    return n + 7;
}

} // namespace

Status WriteCabinet(QIODevice& out, QIODevice& source, qint64 size, const QString& name,
                    quint16 date, quint16 time, quint16 attribs, ProgressSink* progress,
                    int level) {
    if (size < 0 || size > kMaxFolderBytes)
        return Status::TooLarge;
    bool utf8 = false;
    const QByteArray storedName = EncodeName(name, &utf8);
    if (storedName.isEmpty() || storedName.size() > kMaxNameBytes)
        return Status::TooLarge;
    if (utf8)
        attribs |= kAttrNameIsUtf8;
    else
        attribs &= quint16(~kAttrNameIsUtf8);

    const qint64 blocks = (size + kBlockSize - 1) / kBlockSize;
    const quint32 filesOffset = kHeaderSize + kFolderSize;
    const quint32 dataOffset = filesOffset + kFileFixedSize + quint32(storedName.size()) + 1;

    // Header, folder and member; the cabinet size is filled in at the end.
    QByteArray head(int(dataOffset), '\0');
    auto* h = reinterpret_cast<uchar*>(head.data());
    std::memcpy(h, "MSCF", 4);
    put32(h + 16, filesOffset); // coffFiles
    h[24] = 3;                  // versionMinor
    h[25] = 1;                  // versionMajor
    put16(h + 26, 1);           // cFolders
    put16(h + 28, 1);           // cFiles
    uchar* f = h + kHeaderSize;
    put32(f, dataOffset);
    put16(f + 4, quint16(blocks));
    put16(f + 6, kCompressMszip);
    uchar* m = h + filesOffset;
    put32(m, quint32(size));
    put32(m + 4, 0);
    put16(m + 8, 0);
    put16(m + 10, date);
    put16(m + 12, time);
    put16(m + 14, attribs);
    std::memcpy(m + 16, storedName.constData(), size_t(storedName.size()));
    const qint64 start = out.pos();
    if (!writeExact(out, head.constData(), head.size()))
        return Status::WriteError;

    // The blocks are compressed apart, so several threads can compress the blocks of
    // one chunk at once; they are written in order, the same bytes as one thread makes.
    const int workers = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
    std::vector<std::unique_ptr<MszipEncoder>> encoders;
    for (int w = 0; w < workers; ++w) {
        encoders.push_back(std::make_unique<MszipEncoder>(level));
        if (!encoders.back()->ok())
            return Status::WriteError;
    }
    constexpr int kChunkBlocks = 128;
    constexpr int kChunk = kChunkBlocks * kBlockSize; // read the source 4 MiB at a time
    constexpr int kSlot = kDataHeaderSize + MszipEncoder::kOutCapacity;
    std::unique_ptr<uchar[]> in(new uchar[kChunk]);
    std::unique_ptr<uchar[]> packed(new uchar[size_t(kChunkBlocks) * kSlot]);
    int sizes[kChunkBlocks];
    qint64 total = head.size();
    qint64 done = 0;
    while (done < size) {
        const int chunk = int(std::min<qint64>(kChunk, size - done));
        if (!readExact(source, in.get(), chunk))
            return Status::ReadError;
        const int count = (chunk + kBlockSize - 1) / kBlockSize;
        // Each worker takes every workers-th block; a block's slot holds its data block
        // (header and data) and sizes[] its length, or -1 when compressing failed.
        const auto compress = [&](int worker) {
            MszipEncoder& enc = *encoders[size_t(worker)];
            for (int b = worker; b < count; b += workers) {
                const int pos = b * kBlockSize;
                const int n = std::min(kBlockSize, chunk - pos);
                uchar* slot = packed.get() + size_t(b) * kSlot;
                uchar* data = slot + kDataHeaderSize;
                int cb = enc.block(in.get() + pos, n, data);
                if (cb > kBlockSize + 12) {
                    // Deflate could not keep the block within bounds: store it instead.
                    cb = storedBlock(in.get() + pos, n, data);
                }
                if (cb >= 0) {
                    put32(slot, DataBlockChecksum(data, quint16(cb), quint16(n)));
                    put16(slot + 4, quint16(cb));
                    put16(slot + 6, quint16(n));
                }
                sizes[b] = cb;
            }
        };
        const int busy = std::min(workers, count);
        std::vector<std::thread> threads;
        for (int w = 1; w < busy; ++w)
            threads.emplace_back(compress, w);
        compress(0);
        for (std::thread& t : threads)
            t.join();
        for (int b = 0; b < count; ++b) {
            if (sizes[b] < 0)
                return Status::WriteError;
            const char* slot = reinterpret_cast<const char*>(packed.get() + size_t(b) * kSlot);
            if (!writeExact(out, slot, kDataHeaderSize + sizes[b]))
                return Status::WriteError;
            total += kDataHeaderSize + sizes[b];
        }
        done += chunk;
        if (progress)
            progress->progress(done, size);
    }
    if (total > 0xFFFFFFFFll)
        return Status::TooLarge;
    uchar cbCabinet[4];
    put32(cbCabinet, quint32(total));
    const qint64 end = out.pos();
    if (!out.seek(start + 8) || !writeExact(out, cbCabinet, 4) || !out.seek(end))
        return Status::WriteError;
    return Status::Ok;
}

// ---------------------------------------------------------------------------------
// Reader: the checks and the decoding are StoredCabinet's; this side reads the device
// and decodes the member names.

/// The device as StoredCabinet reads it: at any offset.
class CabinetReader::Device : public ByteSource {
public:
    explicit Device(QIODevice& in) : m_in(in) {}
    std::uint64_t Size() override { return std::uint64_t(std::max<qint64>(m_in.size(), 0)); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (n == 0)
            return true;
        return m_in.seek(qint64(offset)) &&
               m_in.read(static_cast<char*>(buffer), qint64(n)) == qint64(n);
    }

private:
    QIODevice& m_in;
};

namespace {

/// Hands StoredCabinet's members on to a MemberSink with their names decoded.
class SinkAdapter : public StoredMemberSink {
public:
    SinkAdapter(MemberSink& sink, const std::vector<Member>& members)
        : m_sink(sink), m_members(members) {}
    bool Begin(int index) override { return m_sink.begin(m_members[size_t(index)]); }
    bool Write(const char* data, std::size_t n) override {
        return m_sink.write(data, qsizetype(n));
    }
    bool End(int index, bool ok) override { return m_sink.end(m_members[size_t(index)], ok); }

private:
    MemberSink& m_sink;
    const std::vector<Member>& m_members;
};

class ProgressAdapter : public ExtractProgress {
public:
    explicit ProgressAdapter(ProgressSink* sink) : m_sink(sink) {}
    void Progress(std::int64_t done, std::int64_t total) override {
        m_sink->progress(qint64(done), qint64(total));
    }
    bool Cancelled() override { return m_sink->cancelled(); }

private:
    ProgressSink* m_sink;
};

} // namespace

CabinetReader::CabinetReader(QIODevice& in)
    : m_in(in), m_source(std::make_unique<Device>(in)),
      m_stored(std::make_unique<StoredCabinet>(*m_source)) {}

CabinetReader::~CabinetReader() = default;

const std::vector<Folder>& CabinetReader::folders() const {
    return m_stored->folders();
}

Status CabinetReader::readDirectory() {
    m_members.clear();
    if (m_in.isSequential())
        return Status::ReadError;
    const Status s = m_stored->ReadDirectory();
    if (s != Status::Ok)
        return s;
    m_members.reserve(m_stored->members().size());
    for (const StoredMember& stored : m_stored->members()) {
        Member mem;
        mem.name = DecodeName(QByteArray(stored.name.data(), qsizetype(stored.name.size())),
                              stored.attribs & kAttrNameIsUtf8);
        mem.size = stored.size;
        mem.offset = stored.offset;
        mem.folder = stored.folder;
        mem.date = stored.date;
        mem.time = stored.time;
        mem.attribs = stored.attribs;
        m_members.push_back(mem);
    }
    return Status::Ok;
}

Status CabinetReader::extract(MemberSink& sink, ProgressSink* progress) {
    SinkAdapter adapter(sink, m_members);
    ProgressAdapter told(progress);
    return m_stored->Extract(adapter, progress ? &told : nullptr);
}

int CabinetReader::lastMemberIndex() const {
    return m_stored->LastMemberIndex();
}

Status CabinetReader::extractMember(int index, MemberSink& sink, ProgressSink* progress) {
    SinkAdapter adapter(sink, m_members);
    ProgressAdapter told(progress);
    return m_stored->ExtractMember(index, adapter, progress ? &told : nullptr);
}

} // namespace cab
