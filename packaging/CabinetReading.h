#pragma once
// Reading Microsoft cabinet files (the published "MSCF" format) free of any toolkit: the
// directory with every check, and the uncompressed and MSZIP folders decoded through
// zlib. The Qt program's reader (Cabinet.h) and the players without Qt read cabinets
// with it, so both accept and refuse alike. Member names come as their stored bytes;
// what they stand for is the caller's business.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cab {

constexpr int kBlockSize = 32768;                    ///< uncompressed bytes in a full data block
constexpr std::int64_t kMaxFolderBytes = 0x7FFF8000; ///< largest uncompressed folder
constexpr int kMaxNameBytes = 255;                   ///< longest stored member name

// Member attribute bits.
constexpr std::uint16_t kAttrReadOnly = 0x01;
constexpr std::uint16_t kAttrHidden = 0x02;
constexpr std::uint16_t kAttrSystem = 0x04;
constexpr std::uint16_t kAttrArchive = 0x20;
constexpr std::uint16_t kAttrExec = 0x40;
constexpr std::uint16_t kAttrNameIsUtf8 = 0x80;

// Folder compression types (low nibble of typeCompress).
constexpr std::uint16_t kCompressNone = 0;
constexpr std::uint16_t kCompressMszip = 1;

/// What a writer or reader failed at.
enum class Status {
    Ok,
    NotCabinet,  ///< no cabinet signature or a header that cannot be one
    Unsupported, ///< a compression other than none/MSZIP, or a cabinet set (spanned)
    Damaged,     ///< inconsistent sizes, bad checksums, bad compressed data, truncation
    UnsafeName,  ///< a member name that would land outside the destination
    ReadError,   ///< the source could not be read
    WriteError,  ///< the output (or the member sink) could not be written
    TooLarge,    ///< the data does not fit a cabinet
    Cancelled    ///< the progress sink asked to stop
};

/// The cabinet checksum of `n` bytes continued from `seed`: 32-bit little-endian words
/// XORed together, the last 1 to 3 bytes folded in high byte first.
std::uint32_t ChecksumOf(const unsigned char* data, std::size_t n, std::uint32_t seed);
/// The checksum stored in a data block: over the data, then over cbData and cbUncomp.
std::uint32_t DataBlockChecksumOf(const unsigned char* data, std::uint16_t cbData,
                                  std::uint16_t cbUncomp);

/// A member as the directory stores it.
struct StoredMember {
    std::string name;          ///< the stored name's bytes, without its NUL
    std::uint32_t size = 0;    ///< uncompressed size
    std::uint32_t offset = 0;  ///< offset in its folder's uncompressed data
    std::uint16_t folder = 0;  ///< index of its folder
    std::uint16_t date = 0;    ///< DOS date
    std::uint16_t time = 0;    ///< DOS time
    std::uint16_t attribs = 0; ///< attribute bits
};

struct Folder {
    std::uint32_t dataOffset = 0; ///< file offset of the first data block
    std::uint16_t blockCount = 0;
    std::uint16_t compression = 0; ///< typeCompress as stored
};

/// The cabinet's bytes, read at any offset.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    /// The number of bytes the source holds.
    virtual std::uint64_t Size() = 0;
    /// Reads exactly `n` bytes at `offset` into `buffer`; false when it cannot.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) = 0;
};

/// Receives the members of a cabinet while they are decoded; `index` is the member's
/// place in the directory.
class StoredMemberSink {
public:
    virtual ~StoredMemberSink() = default;
    /// A member is about to be handed over; false stops the extraction.
    virtual bool Begin(int index) = 0;
    /// The next bytes of the current member; false stops the extraction.
    virtual bool Write(const char* data, std::size_t n) = 0;
    /// The current member is complete (`ok`) or abandoned (`!ok`, after a failure).
    virtual bool End(int index, bool ok) = 0;
};

/// Told how far an extraction has come, and whether to stop.
class ExtractProgress {
public:
    virtual ~ExtractProgress() = default;
    /// `done` of `total` member bytes are handed over.
    virtual void Progress(std::int64_t done, std::int64_t total) = 0;
    /// True to stop at the next block (Status::Cancelled).
    virtual bool Cancelled() { return false; }
};

/// Reads what common cabinet writers produce (several folders and members, stored or
/// MSZIP data, checksums present or zero) and refuses everything it cannot read safely:
/// other compressions, cabinet sets, damaged or inconsistent data.
class StoredCabinet {
public:
    explicit StoredCabinet(ByteSource& in) : m_in(in) {}
    /// Reads and checks the header, folders and members. Nothing is decoded yet.
    Status ReadDirectory();
    const std::vector<StoredMember>& members() const { return m_members; }
    const std::vector<Folder>& folders() const { return m_folders; }
    /// Decodes every folder and hands each member's bytes to `sink`, in folder order and
    /// within a folder by offset. Never hands over more than a member's declared size.
    Status Extract(StoredMemberSink& sink, ExtractProgress* progress = nullptr);
    /// The member a one-document cabinet holds its document in: the one an extraction
    /// of everything writes last (the last folder's member with the highest offset); -1
    /// when there are no members.
    int LastMemberIndex() const;
    /// Decodes the folder of member `index` only as far as that member ends and hands
    /// its bytes alone to `sink`; the other members are never handed over.
    Status ExtractMember(int index, StoredMemberSink& sink, ExtractProgress* progress = nullptr);

private:
    Status ExtractFolder(int folderIndex, const std::vector<int>& order, StoredMemberSink& sink,
                         ExtractProgress* progress, std::int64_t& done, std::int64_t total);
    ByteSource& m_in;
    std::uint64_t m_limit = 0; ///< end of the cabinet's declared bytes
    int m_dataReserve = 0;     ///< reserved bytes in every data block header
    std::vector<Folder> m_folders;
    std::vector<StoredMember> m_members;
};

} // namespace cab
