#pragma once
// Where the X11 player finds its slides: its own file (a created slideshow: the runtime,
// the document stream and the trailer), or a document file named as its argument (a
// .lsr cabinet, extracted into a temporary file that is already removed from its folder,
// so it goes when the show ends however it ends). Both are read in place through
// read-only mappings: only the pages the show reads become resident.

#include "document/StreamLayout.h"
#include "slideshow/StreamShow.h"

#include <cstddef>
#include <string>
#include <vector>

namespace x11show {

/// A whole file seen through a read-only mapping.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    /// Maps the open file `fd`, which it owns from now on (also when it fails: closed).
    bool Adopt(int fd);
    void Close();
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    int m_fd = -1;
    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

using show::Refusal;

/// The document stream to play: mapped, parsed and checked.
struct FoundDocument {
    MappedFile file;
    const unsigned char* stream = nullptr;
    layout::ParsedStream parsed;
};

/// Finds the slides to play for the command-line `argument` (empty: none) and this
/// program's own file `self`: a .lsr document named as the argument; else the stream at
/// the end of this program; else the stream at the end of the file the argument names.
/// False with the refusal to show when there is nothing to play (a missing file, a file
/// that holds no document, a damaged or empty document).
bool OpenShowDocument(const std::string& argument, const std::string& self, FoundDocument& doc,
                      Refusal& refusal);

/// Extracts the last member of the cabinet file `path` into a new temporary file in
/// `folder` that is removed from the folder at once, and maps it; false when the
/// cabinet cannot be read (`writeFailed` when the temporary file could not be written).
bool ExtractDocumentMember(const std::string& path, const std::string& folder, MappedFile& member,
                           bool& writeFailed);

/// The pictures of a mapped stream (StreamPictures), each picture's pages given back to
/// the system once the frame maker has decoded it: they are read again from the file
/// only when the picture is decoded again, so a show of large pictures holds no more of
/// its document than the pictures it is decoding.
class MappedPictures : public show::PictureSource {
public:
    MappedPictures(const unsigned char* stream, std::vector<layout::StreamSlide> slides);
    show::PictureData Picture(int slide) const override;

private:
    show::StreamPictures m_pictures;
};

/// The folder for temporary files: $TMPDIR, else /tmp.
std::string TemporaryFolder();

} // namespace x11show
