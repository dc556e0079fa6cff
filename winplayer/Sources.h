#pragma once
// Where the Windows player runtime finds its slides: its own file, or a .lsr document
// extracted by the system's cabinet library. Both are read in place through read-only
// file mappings, so a document costs memory only for the pages the show reads.

#include <cstddef>
#include <string>

namespace winplayer {

/// A whole file seen through a read-only mapping: only the pages that are read become
/// resident, however large the file is. The file stays open while it is mapped.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    /// Maps the file at `path` (UTF-16); false when it cannot be opened or mapped, or is
    /// empty.
    bool Open(const std::wstring& path);
    /// Maps the open file `handle` (a HANDLE with read access), which it owns from now
    /// on, also when the mapping fails (it is then closed).
    bool Adopt(void* handle);
    /// Unmaps and closes the file.
    void Close();

    const unsigned char* data() const { return m_view; }
    std::size_t size() const { return m_size; }

private:
    void* m_file = nullptr;
    void* m_mapping = nullptr;
    const unsigned char* m_view = nullptr;
    std::size_t m_size = 0;
};

/// Extracts the last member of the cabinet `cabinet` (a .lsr document) with the system's
/// cabinet library into a new temporary file and maps it into `member`. The temporary
/// file is deleted when its last handle closes: when `member` is closed, and also when
/// the program ends in any other way. False when the cabinet cannot be read or holds no
/// member, or the temporary file cannot be written (nothing is left behind then).
bool ExtractLastMember(const std::wstring& cabinet, MappedFile& member);

} // namespace winplayer
