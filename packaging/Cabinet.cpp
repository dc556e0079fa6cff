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
constexpr quint16 kFlagPrev = 0x0001;
constexpr quint16 kFlagNext = 0x0002;
constexpr quint16 kFlagReserve = 0x0004;
constexpr quint16 kFolderContinued = 0xFFFD; // and above: members spanning cabinets
// Largest compressed block we accept; the field is 16 bits, and MSZIP blocks stay far
// below this (32 KiB of data plus the deflate overhead).
constexpr int kMaxCompressedBlock = 65535;

const char* const kCp932 = "windows-31j";

void put16(uchar* p, quint16 v) {
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}
void put32(uchar* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
}
quint16 get16(const uchar* p) {
    return quint16(p[0] | (p[1] << 8));
}
quint32 get32(const uchar* p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
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
    quint32 csum = seed;
    qsizetype words = n / 4;
    const uchar* p = data;
    while (words-- > 0) {
        csum ^= get32(p);
        p += 4;
    }
    quint32 tail = 0;
    switch (n & 3) {
    case 3:
        tail |= quint32(*p++) << 16;
        [[fallthrough]];
    case 2:
        tail |= quint32(*p++) << 8;
        [[fallthrough]];
    case 1:
        tail |= quint32(*p++);
        break;
    default:
        break;
    }
    return csum ^ tail;
}

quint32 DataBlockChecksum(const uchar* data, quint16 cbData, quint16 cbUncomp) {
    uchar sizes[4];
    put16(sizes, cbData);
    put16(sizes + 2, cbUncomp);
    return Checksum(sizes, 4, Checksum(data, cbData, 0));
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
// Reader

Status CabinetReader::readDirectory() {
    m_folders.clear();
    m_members.clear();
    if (m_in.isSequential())
        return Status::ReadError;
    m_fileSize = m_in.size();
    const qint64 base = 0;
    if (!m_in.seek(base))
        return Status::ReadError;
    uchar h[kHeaderSize];
    if (!readExact(m_in, h, kHeaderSize) || std::memcmp(h, "MSCF", 4) != 0)
        return Status::NotCabinet;
    const quint32 cbCabinet = get32(h + 8);
    const quint32 coffFiles = get32(h + 16);
    const quint8 versionMajor = h[25];
    const quint16 cFolders = get16(h + 26);
    const quint16 cFiles = get16(h + 28);
    const quint16 flags = get16(h + 30);
    if (versionMajor != 1)
        return Status::NotCabinet;
    if (flags & (kFlagPrev | kFlagNext))
        return Status::Unsupported;
    if (cbCabinet < kHeaderSize || base + qint64(cbCabinet) > m_fileSize)
        return Status::Damaged; // declared larger than the file: truncated
    const qint64 limit = base + cbCabinet;
    m_limit = limit;
    int folderReserve = 0;
    if (flags & kFlagReserve) {
        uchar r[4];
        if (!readExact(m_in, r, 4))
            return Status::Damaged;
        const quint16 cbCFHeader = get16(r);
        folderReserve = r[2];
        m_dataReserve = r[3];
        if (m_in.pos() + cbCFHeader > limit || !m_in.seek(m_in.pos() + cbCFHeader))
            return Status::Damaged;
    }
    if (cFolders == 0 && cFiles != 0)
        return Status::Damaged;
    // Every folder and member needs bytes in the file: counts cannot exceed what it holds.
    if (qint64(cFolders) * (kFolderSize + folderReserve) > limit - m_in.pos())
        return Status::Damaged;
    m_folders.reserve(cFolders);
    for (int i = 0; i < cFolders; ++i) {
        uchar fb[kFolderSize];
        if (!readExact(m_in, fb, kFolderSize))
            return Status::Damaged;
        Folder fo;
        fo.dataOffset = get32(fb);
        fo.blockCount = get16(fb + 4);
        fo.compression = get16(fb + 6);
        const quint16 type = fo.compression & 0x000F;
        if (type != kCompressNone && type != kCompressMszip)
            return Status::Unsupported;
        if (fo.dataOffset > cbCabinet)
            return Status::Damaged;
        if (folderReserve && !m_in.seek(m_in.pos() + folderReserve))
            return Status::Damaged;
        m_folders.push_back(fo);
    }
    if (coffFiles > cbCabinet || qint64(cFiles) * (kFileFixedSize + 2) > cbCabinet - coffFiles)
        return Status::Damaged;
    if (!m_in.seek(base + coffFiles))
        return Status::Damaged;
    m_members.reserve(cFiles);
    for (int i = 0; i < cFiles; ++i) {
        uchar fb[kFileFixedSize];
        if (m_in.pos() + kFileFixedSize > limit || !readExact(m_in, fb, kFileFixedSize))
            return Status::Damaged;
        Member mem;
        mem.size = get32(fb);
        mem.offset = get32(fb + 4);
        mem.folder = get16(fb + 8);
        mem.date = get16(fb + 10);
        mem.time = get16(fb + 12);
        mem.attribs = get16(fb + 14);
        if (mem.folder >= kFolderContinued)
            return Status::Unsupported; // continued from or into another cabinet
        if (mem.folder >= m_folders.size())
            return Status::Damaged;
        // The name ends with a NUL within 256 bytes and within the cabinet.
        char nameBuf[kMaxNameBytes + 2];
        const qint64 avail = std::min<qint64>(sizeof nameBuf, limit - m_in.pos());
        const qint64 got = m_in.peek(nameBuf, avail);
        if (got <= 0)
            return Status::Damaged;
        const void* nul = std::memchr(nameBuf, '\0', size_t(got));
        if (!nul)
            return Status::Damaged;
        const qsizetype nameLen = static_cast<const char*>(nul) - nameBuf;
        if (!m_in.seek(m_in.pos() + nameLen + 1))
            return Status::Damaged;
        mem.name = DecodeName(QByteArray(nameBuf, nameLen), mem.attribs & kAttrNameIsUtf8);
        const Folder& fo = m_folders[mem.folder];
        // Sizes beyond what the folder's blocks can hold cannot be right.
        const quint64 folderMax = quint64(fo.blockCount) * kBlockSize;
        if (quint64(mem.offset) + mem.size > folderMax)
            return Status::Damaged;
        m_members.push_back(mem);
    }
    return Status::Ok;
}

namespace {

/// Decodes the data blocks of one folder, keeping the last 32 KiB as MSZIP history.
class FolderDecoder {
public:
    FolderDecoder(QIODevice& in, const Folder& folder, int reserve, qint64 limit)
        : m_in(in), m_folder(folder), m_reserve(reserve), m_limit(limit) {
        std::memset(&m_z, 0, sizeof m_z);
    }
    ~FolderDecoder() {
        if (m_zInit)
            inflateEnd(&m_z);
    }
    bool start() {
        if ((m_folder.compression & 0x0F) == kCompressMszip) {
            if (inflateInit2(&m_z, -15) != Z_OK)
                return false;
            m_zInit = true;
        }
        m_pos = m_folder.dataOffset;
        return true;
    }
    /// Decodes the next block; its bytes are at data() for size() bytes.
    Status next() {
        if (m_block >= m_folder.blockCount)
            return Status::Damaged; // the members need more than the folder holds
        ++m_block;
        if (m_pos + kDataHeaderSize + m_reserve > m_limit || !m_in.seek(m_pos))
            return Status::Damaged;
        uchar dh[kDataHeaderSize];
        if (!readExact(m_in, dh, kDataHeaderSize))
            return Status::Damaged;
        const quint32 csum = get32(dh);
        const quint16 cbData = get16(dh + 4);
        const quint16 cbUncomp = get16(dh + 6);
        m_pos += kDataHeaderSize + m_reserve;
        if (cbUncomp > kBlockSize || m_pos + cbData > m_limit)
            return Status::Damaged;
        if (!m_in.seek(m_pos) || !readExact(m_in, m_comp, cbData))
            return Status::Damaged;
        m_pos += cbData;
        if (csum != 0 && DataBlockChecksum(m_comp, cbData, cbUncomp) != csum)
            return Status::Damaged;
        // Keep at most 32 KiB of history in front of the new block.
        if (m_histLen > kBlockSize) {
            std::memmove(m_window, m_window + m_histLen - kBlockSize, kBlockSize);
            m_histLen = kBlockSize;
        }
        uchar* dst = m_window + m_histLen;
        if ((m_folder.compression & 0x0F) == kCompressNone) {
            if (cbData != cbUncomp)
                return Status::Damaged;
            std::memcpy(dst, m_comp, cbData);
        } else {
            const Status s = inflateBlock(cbData, cbUncomp, dst);
            if (s != Status::Ok)
                return s;
        }
        m_data = dst;
        m_size = cbUncomp;
        m_histLen += cbUncomp;
        return Status::Ok;
    }
    const uchar* data() const { return m_data; }
    int size() const { return m_size; }

private:
    Status inflateBlock(int cbData, int cbUncomp, uchar* dst) {
        if (cbData < 2 || m_comp[0] != 'C' || m_comp[1] != 'K')
            return Status::Damaged;
        if (inflateReset(&m_z) != Z_OK)
            return Status::Damaged;
        if (m_histLen > 0 && inflateSetDictionary(&m_z, m_window, uInt(m_histLen)) != Z_OK)
            return Status::Damaged;
        m_z.next_in = m_comp + 2;
        m_z.avail_in = uInt(cbData - 2);
        m_z.next_out = dst;
        m_z.avail_out = uInt(cbUncomp);
        int rc = inflate(&m_z, Z_NO_FLUSH);
        if (rc == Z_OK || rc == Z_BUF_ERROR) {
            if (m_z.avail_out != 0)
                return Status::Damaged; // the data ended before the block did
            // The output is full: the stream may only end now, producing nothing more.
            uchar spare;
            m_z.next_out = &spare;
            m_z.avail_out = 1;
            rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc != Z_STREAM_END || m_z.avail_out != 1)
                return Status::Damaged;
        }
        if (rc != Z_STREAM_END || int(m_z.total_out) != cbUncomp)
            return Status::Damaged;
        return Status::Ok;
    }

    QIODevice& m_in;
    const Folder& m_folder;
    int m_reserve;
    qint64 m_limit;
    qint64 m_pos = 0;
    int m_block = 0;
    z_stream m_z;
    bool m_zInit = false;
    uchar m_comp[kMaxCompressedBlock];
    uchar m_window[2 * kBlockSize];
    int m_histLen = 0;
    const uchar* m_data = nullptr;
    int m_size = 0;
};

} // namespace

Status CabinetReader::extract(MemberSink& sink, ProgressSink* progress) {
    qint64 total = 0;
    for (const Member& mem : m_members)
        total += mem.size;
    qint64 done = 0;
    // Members grouped by folder in one pass (a cabinet may declare 65535 of each).
    std::vector<std::vector<int>> byFolder(m_folders.size());
    for (int i = 0; i < int(m_members.size()); ++i)
        byFolder[m_members[i].folder].push_back(i);
    for (int fi = 0; fi < int(m_folders.size()); ++fi) {
        std::vector<int>& order = byFolder[size_t(fi)];
        if (order.empty())
            continue;
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            return m_members[a].offset < m_members[b].offset;
        });
        const Status s = extractFolder(fi, order, sink, progress, done, total);
        if (s != Status::Ok)
            return s;
    }
    return Status::Ok;
}

int CabinetReader::lastMemberIndex() const {
    int last = -1;
    for (int i = 0; i < int(m_members.size()); ++i) {
        const Member& m = m_members[size_t(i)];
        if (last < 0)
            last = i;
        const Member& l = m_members[size_t(last)];
        // Folders are extracted in order, a folder's members by offset (ties keep their
        // stored order), so the later of two equal places wins.
        if (m.folder > l.folder || (m.folder == l.folder && m.offset >= l.offset))
            last = i;
    }
    return last;
}

Status CabinetReader::extractMember(int index, MemberSink& sink, ProgressSink* progress) {
    if (index < 0 || index >= int(m_members.size()))
        return Status::Damaged;
    qint64 done = 0;
    const std::vector<int> order{index};
    return extractFolder(m_members[size_t(index)].folder, order, sink, progress, done,
                         m_members[size_t(index)].size);
}

Status CabinetReader::extractFolder(int folderIndex, const std::vector<int>& order,
                                    MemberSink& sink, ProgressSink* progress, qint64& done,
                                    qint64 total) {
    // Members are written in offset order from one pass over the folder's data; a member
    // starting before the end of the previous one (overlap) cannot come from a writer.
    quint64 maxEnd = 0;
    for (int idx : order) {
        const Member& mem = m_members[idx];
        if (mem.size > 0 && mem.offset < maxEnd)
            return Status::Damaged;
        maxEnd = std::max<quint64>(maxEnd, quint64(mem.offset) + mem.size);
    }
    auto dec =
        std::make_unique<FolderDecoder>(m_in, m_folders[folderIndex], m_dataReserve, m_limit);
    if (!dec->start())
        return Status::Damaged;
    quint64 blockStart = 0; // folder offset of the decoded block
    bool haveBlock = false;
    for (int idx : order) {
        const Member& mem = m_members[idx];
        if (!sink.begin(mem))
            return Status::WriteError;
        quint64 pos = mem.offset;
        const quint64 end = quint64(mem.offset) + mem.size;
        while (pos < end) {
            while (!haveBlock || pos >= blockStart + quint64(dec->size())) {
                if (haveBlock)
                    blockStart += quint64(dec->size());
                const Status s = dec->next();
                if (s != Status::Ok) {
                    sink.end(mem, false);
                    return s;
                }
                haveBlock = true; // empty blocks are passed over; the block count bounds them
            }
            const quint64 off = pos - blockStart;
            const qint64 n = qint64(std::min<quint64>(end - pos, quint64(dec->size()) - off));
            if (!sink.write(reinterpret_cast<const char*>(dec->data() + off), n)) {
                sink.end(mem, false);
                return Status::WriteError;
            }
            pos += quint64(n);
            done += n;
            if (progress) {
                progress->progress(done, total);
                if (progress->cancelled()) {
                    sink.end(mem, false);
                    return Status::Cancelled;
                }
            }
        }
        if (!sink.end(mem, true))
            return Status::WriteError;
    }
    return Status::Ok;
}

} // namespace cab
