#include "packaging/CabinetReading.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <zlib.h>

namespace cab {

namespace {

constexpr int kHeaderSize = 36;
constexpr int kFolderSize = 8;
constexpr int kFileFixedSize = 16;
constexpr int kDataHeaderSize = 8;
constexpr std::uint16_t kFlagPrev = 0x0001;
constexpr std::uint16_t kFlagNext = 0x0002;
constexpr std::uint16_t kFlagReserve = 0x0004;
constexpr std::uint16_t kFolderContinued = 0xFFFD; // and above: members spanning cabinets
// Largest compressed block we accept; the field is 16 bits, and MSZIP blocks stay far
// below this (32 KiB of data plus the deflate overhead).
constexpr int kMaxCompressedBlock = 65535;

std::uint16_t Get16(const unsigned char* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

} // namespace

std::uint32_t ChecksumOf(const unsigned char* data, std::size_t n, std::uint32_t seed) {
    std::uint32_t csum = seed;
    std::size_t words = n / 4;
    const unsigned char* p = data;
    while (words-- > 0) {
        csum ^= Get32(p);
        p += 4;
    }
    std::uint32_t tail = 0;
    switch (n & 3) {
    case 3:
        tail |= std::uint32_t(*p++) << 16;
        [[fallthrough]];
    case 2:
        tail |= std::uint32_t(*p++) << 8;
        [[fallthrough]];
    case 1:
        tail |= std::uint32_t(*p++);
        break;
    default:
        break;
    }
    return csum ^ tail;
}

std::uint32_t DataBlockChecksumOf(const unsigned char* data, std::uint16_t cbData,
                                  std::uint16_t cbUncomp) {
    const unsigned char sizes[4] = {std::uint8_t(cbData), std::uint8_t(cbData >> 8),
                                    std::uint8_t(cbUncomp), std::uint8_t(cbUncomp >> 8)};
    return ChecksumOf(sizes, 4, ChecksumOf(data, cbData, 0));
}

Status StoredCabinet::ReadDirectory() {
    m_folders.clear();
    m_members.clear();
    const std::uint64_t fileSize = m_in.Size();
    unsigned char h[kHeaderSize];
    if (!m_in.ReadAt(0, h, kHeaderSize) || std::memcmp(h, "MSCF", 4) != 0)
        return Status::NotCabinet;
    const std::uint32_t cbCabinet = Get32(h + 8);
    const std::uint32_t coffFiles = Get32(h + 16);
    const std::uint8_t versionMajor = h[25];
    const std::uint16_t cFolders = Get16(h + 26);
    const std::uint16_t cFiles = Get16(h + 28);
    const std::uint16_t flags = Get16(h + 30);
    if (versionMajor != 1)
        return Status::NotCabinet;
    if (flags & (kFlagPrev | kFlagNext))
        return Status::Unsupported;
    if (cbCabinet < kHeaderSize || std::uint64_t(cbCabinet) > fileSize)
        return Status::Damaged; // declared larger than the file: truncated
    const std::uint64_t limit = cbCabinet;
    m_limit = limit;
    std::uint64_t pos = kHeaderSize;
    int folderReserve = 0;
    if (flags & kFlagReserve) {
        unsigned char r[4];
        if (!m_in.ReadAt(pos, r, 4))
            return Status::Damaged;
        pos += 4;
        const std::uint16_t cbCFHeader = Get16(r);
        folderReserve = r[2];
        m_dataReserve = r[3];
        if (pos + cbCFHeader > limit)
            return Status::Damaged;
        pos += cbCFHeader;
    }
    if (cFolders == 0 && cFiles != 0)
        return Status::Damaged;
    // Every folder and member needs bytes in the file: counts cannot exceed what it holds.
    if (std::uint64_t(cFolders) * std::uint64_t(kFolderSize + folderReserve) > limit - pos)
        return Status::Damaged;
    m_folders.reserve(cFolders);
    for (int i = 0; i < cFolders; ++i) {
        unsigned char fb[kFolderSize];
        if (!m_in.ReadAt(pos, fb, kFolderSize))
            return Status::Damaged;
        pos += kFolderSize;
        Folder fo;
        fo.dataOffset = Get32(fb);
        fo.blockCount = Get16(fb + 4);
        fo.compression = Get16(fb + 6);
        const std::uint16_t type = fo.compression & 0x000F;
        if (type != kCompressNone && type != kCompressMszip)
            return Status::Unsupported;
        if (fo.dataOffset > cbCabinet)
            return Status::Damaged;
        pos += std::uint64_t(folderReserve);
        m_folders.push_back(fo);
    }
    if (coffFiles > cbCabinet ||
        std::uint64_t(cFiles) * (kFileFixedSize + 2) > std::uint64_t(cbCabinet - coffFiles))
        return Status::Damaged;
    pos = coffFiles;
    m_members.reserve(cFiles);
    for (int i = 0; i < cFiles; ++i) {
        unsigned char fb[kFileFixedSize];
        if (pos + kFileFixedSize > limit || !m_in.ReadAt(pos, fb, kFileFixedSize))
            return Status::Damaged;
        pos += kFileFixedSize;
        StoredMember mem;
        mem.size = Get32(fb);
        mem.offset = Get32(fb + 4);
        mem.folder = Get16(fb + 8);
        mem.date = Get16(fb + 10);
        mem.time = Get16(fb + 12);
        mem.attribs = Get16(fb + 14);
        if (mem.folder >= kFolderContinued)
            return Status::Unsupported; // continued from or into another cabinet
        if (mem.folder >= m_folders.size())
            return Status::Damaged;
        // The name ends with a NUL within 256 bytes and within the cabinet.
        char nameBuf[kMaxNameBytes + 2];
        const std::size_t avail = std::size_t(std::min<std::uint64_t>(sizeof nameBuf, limit - pos));
        if (avail == 0 || !m_in.ReadAt(pos, nameBuf, avail))
            return Status::Damaged;
        const void* nul = std::memchr(nameBuf, '\0', avail);
        if (!nul)
            return Status::Damaged;
        const std::size_t nameLen = std::size_t(static_cast<const char*>(nul) - nameBuf);
        pos += nameLen + 1;
        mem.name.assign(nameBuf, nameLen);
        const Folder& fo = m_folders[mem.folder];
        // Sizes beyond what the folder's blocks can hold cannot be right.
        const std::uint64_t folderMax = std::uint64_t(fo.blockCount) * kBlockSize;
        if (std::uint64_t(mem.offset) + mem.size > folderMax)
            return Status::Damaged;
        m_members.push_back(std::move(mem));
    }
    return Status::Ok;
}

namespace {

/// Decodes the data blocks of one folder, keeping the last 32 KiB as MSZIP history.
class FolderDecoder {
public:
    FolderDecoder(ByteSource& in, const Folder& folder, int reserve, std::uint64_t limit)
        : m_in(in), m_folder(folder), m_reserve(reserve), m_limit(limit) {
        std::memset(&m_z, 0, sizeof m_z);
    }
    ~FolderDecoder() {
        if (m_zInit)
            inflateEnd(&m_z);
    }
    bool Start() {
        if ((m_folder.compression & 0x0F) == kCompressMszip) {
            if (inflateInit2(&m_z, -15) != Z_OK)
                return false;
            m_zInit = true;
        }
        m_pos = m_folder.dataOffset;
        return true;
    }
    /// Decodes the next block; its bytes are at data() for size() bytes.
    Status Next() {
        if (m_block >= m_folder.blockCount)
            return Status::Damaged; // the members need more than the folder holds
        ++m_block;
        if (m_pos + kDataHeaderSize + std::uint64_t(m_reserve) > m_limit)
            return Status::Damaged;
        unsigned char dh[kDataHeaderSize];
        if (!m_in.ReadAt(m_pos, dh, kDataHeaderSize))
            return Status::Damaged;
        const std::uint32_t csum = Get32(dh);
        const std::uint16_t cbData = Get16(dh + 4);
        const std::uint16_t cbUncomp = Get16(dh + 6);
        m_pos += kDataHeaderSize + std::uint64_t(m_reserve);
        if (cbUncomp > kBlockSize || m_pos + cbData > m_limit)
            return Status::Damaged;
        if (cbData > 0 && !m_in.ReadAt(m_pos, m_comp, cbData))
            return Status::Damaged;
        m_pos += cbData;
        if (csum != 0 && DataBlockChecksumOf(m_comp, cbData, cbUncomp) != csum)
            return Status::Damaged;
        // Keep at most 32 KiB of history in front of the new block.
        if (m_histLen > kBlockSize) {
            std::memmove(m_window, m_window + m_histLen - kBlockSize, kBlockSize);
            m_histLen = kBlockSize;
        }
        unsigned char* dst = m_window + m_histLen;
        if ((m_folder.compression & 0x0F) == kCompressNone) {
            if (cbData != cbUncomp)
                return Status::Damaged;
            std::memcpy(dst, m_comp, cbData);
        } else {
            const Status s = InflateBlock(cbData, cbUncomp, dst);
            if (s != Status::Ok)
                return s;
        }
        m_data = dst;
        m_size = cbUncomp;
        m_histLen += cbUncomp;
        return Status::Ok;
    }
    const unsigned char* data() const { return m_data; }
    int size() const { return m_size; }

private:
    Status InflateBlock(int cbData, int cbUncomp, unsigned char* dst) {
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
            unsigned char spare;
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

    ByteSource& m_in;
    const Folder& m_folder;
    int m_reserve;
    std::uint64_t m_limit;
    std::uint64_t m_pos = 0;
    int m_block = 0;
    z_stream m_z;
    bool m_zInit = false;
    unsigned char m_comp[kMaxCompressedBlock];
    unsigned char m_window[2 * kBlockSize];
    int m_histLen = 0;
    const unsigned char* m_data = nullptr;
    int m_size = 0;
};

} // namespace

Status StoredCabinet::Extract(StoredMemberSink& sink, ExtractProgress* progress) {
    std::int64_t total = 0;
    for (const StoredMember& mem : m_members)
        total += mem.size;
    std::int64_t done = 0;
    // Members grouped by folder in one pass (a cabinet may declare 65535 of each).
    std::vector<std::vector<int>> byFolder(m_folders.size());
    for (int i = 0; i < int(m_members.size()); ++i)
        byFolder[m_members[size_t(i)].folder].push_back(i);
    for (int fi = 0; fi < int(m_folders.size()); ++fi) {
        std::vector<int>& order = byFolder[size_t(fi)];
        if (order.empty())
            continue;
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            return m_members[size_t(a)].offset < m_members[size_t(b)].offset;
        });
        const Status s = ExtractFolder(fi, order, sink, progress, done, total);
        if (s != Status::Ok)
            return s;
    }
    return Status::Ok;
}

int StoredCabinet::LastMemberIndex() const {
    int last = -1;
    for (int i = 0; i < int(m_members.size()); ++i) {
        const StoredMember& m = m_members[size_t(i)];
        if (last < 0)
            last = i;
        const StoredMember& l = m_members[size_t(last)];
        // Folders are extracted in order, a folder's members by offset (ties keep their
        // stored order), so the later of two equal places wins.
        if (m.folder > l.folder || (m.folder == l.folder && m.offset >= l.offset))
            last = i;
    }
    return last;
}

Status StoredCabinet::ExtractMember(int index, StoredMemberSink& sink, ExtractProgress* progress) {
    if (index < 0 || index >= int(m_members.size()))
        return Status::Damaged;
    std::int64_t done = 0;
    const std::vector<int> order{index};
    return ExtractFolder(m_members[size_t(index)].folder, order, sink, progress, done,
                         m_members[size_t(index)].size);
}

Status StoredCabinet::ExtractFolder(int folderIndex, const std::vector<int>& order,
                                    StoredMemberSink& sink, ExtractProgress* progress,
                                    std::int64_t& done, std::int64_t total) {
    // Members are written in offset order from one pass over the folder's data; a member
    // starting before the end of the previous one (overlap) cannot come from a writer.
    std::uint64_t maxEnd = 0;
    for (int idx : order) {
        const StoredMember& mem = m_members[size_t(idx)];
        if (mem.size > 0 && mem.offset < maxEnd)
            return Status::Damaged;
        maxEnd = std::max<std::uint64_t>(maxEnd, std::uint64_t(mem.offset) + mem.size);
    }
    auto dec = std::make_unique<FolderDecoder>(m_in, m_folders[size_t(folderIndex)], m_dataReserve,
                                               m_limit);
    if (!dec->Start())
        return Status::Damaged;
    std::uint64_t blockStart = 0; // folder offset of the decoded block
    bool haveBlock = false;
    for (int idx : order) {
        const StoredMember& mem = m_members[size_t(idx)];
        if (!sink.Begin(idx))
            return Status::WriteError;
        std::uint64_t pos = mem.offset;
        const std::uint64_t end = std::uint64_t(mem.offset) + mem.size;
        while (pos < end) {
            while (!haveBlock || pos >= blockStart + std::uint64_t(dec->size())) {
                if (haveBlock)
                    blockStart += std::uint64_t(dec->size());
                const Status s = dec->Next();
                if (s != Status::Ok) {
                    sink.End(idx, false);
                    return s;
                }
                haveBlock = true; // empty blocks are passed over; the block count bounds them
            }
            const std::uint64_t off = pos - blockStart;
            const std::size_t n =
                std::size_t(std::min<std::uint64_t>(end - pos, std::uint64_t(dec->size()) - off));
            if (!sink.Write(reinterpret_cast<const char*>(dec->data() + off), n)) {
                sink.End(idx, false);
                return Status::WriteError;
            }
            pos += n;
            done += std::int64_t(n);
            if (progress) {
                progress->Progress(done, total);
                if (progress->Cancelled()) {
                    sink.End(idx, false);
                    return Status::Cancelled;
                }
            }
        }
        if (!sink.End(idx, true))
            return Status::WriteError;
    }
    return Status::Ok;
}

} // namespace cab
