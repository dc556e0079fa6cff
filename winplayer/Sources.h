#pragma once
// Where the Windows player runtime finds its slides: its own file (a created slideshow:
// the runtime, the document stream and the trailer), or a document file named as its
// argument (a .lsr cabinet, read by the toolkit-free cabinet reader every player shares
// and extracted into a temporary file that goes when its last handle closes). Both are
// read in place through a read-only file mapping: the pictures are seen through views of
// their own bytes, mapped while the frame maker decodes them and unmapped after, so a
// document costs memory only for the picture being decoded.

#include "document/StreamLayout.h"
#include "slideshow/ShowFrames.h"

#include <cstddef>
#include <cstdint>
#include <memory>
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

    /// Maps the open file `handle` (a HANDLE with read access), which it owns from now
    /// on, also when the mapping fails (it is then closed).
    bool Adopt(void* handle);
    /// Unmaps and closes the file.
    void Close();

    const unsigned char* data() const { return m_view; }
    std::size_t size() const { return m_size; }
    /// The mapping (a HANDLE), for views of parts of the file.
    void* mapping() const { return m_mapping; }

private:
    void* m_file = nullptr;
    void* m_mapping = nullptr;
    const unsigned char* m_view = nullptr;
    std::size_t m_size = 0;
};

/// A message of the string table to show, after `prefix`, when the slides cannot be
/// read.
struct Refusal {
    int id = 0;
    std::wstring prefix;
    bool error = true; ///< the error icon (else the information icon)
};

/// The document stream to play: mapped, parsed and checked.
struct ShowFile {
    MappedFile file;
    std::uint64_t streamOffset = 0; ///< where the stream starts in the file
    layout::ParsedStream parsed;
};

/// Finds the slides to play for the command-line `argument` (empty: none) and this
/// program's own file `self`: a .lsr document named as the argument; else the stream at
/// the end of this program; else the stream at the end of the file the argument names.
/// False with the refusal to show when there is nothing to play (a missing file, a file
/// that holds no document, a damaged document, a document without slides).
bool OpenShowFile(const std::wstring& argument, const std::wstring& self, ShowFile& show,
                  Refusal& refusal);

/// The slides' pictures of `show` for the frame maker: each picture's bytes mapped in a
/// view of their own while it is decoded. `show` must outlive the source.
std::shared_ptr<const show::PictureSource> PicturesOf(const ShowFile& show);

} // namespace winplayer
