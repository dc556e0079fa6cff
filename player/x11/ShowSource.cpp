#include "player/x11/ShowSource.h"

#include "packaging/CabinetReading.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

namespace x11show {

namespace {

enum : int {
    kWrongFileFormat = show::kMsgWrongFileFormat,
    kExtractFailed = 30036,
    kFileNotFound = show::kMsgFileNotFound,
    kNotARegularFile = 30300,
    kNothingToPlay = show::kMsgNothingToPlay,
};

bool EndsWithLsr(const std::string& path) {
    return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".lsr") == 0;
}

/// Opens `path` for reading if it is a regular file; the refusal otherwise.
int OpenRegular(const std::string& path, Refusal& refusal) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        refusal = Refusal{errno == ENOENT || errno == ENOTDIR ? kFileNotFound : kWrongFileFormat,
                          path + "\n"};
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        refusal = Refusal{kNotARegularFile, path + "\n"};
        return -1;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        refusal = Refusal{kWrongFileFormat, path + "\n"};
    return fd;
}

/// The stream embedded at the end of `file`, if its trailer is whole and consistent.
bool EmbeddedSpan(const MappedFile& file, layout::EmbeddedSpan& span) {
    if (file.size() < layout::kTrailerSize)
        return false;
    const auto found =
        layout::LocateEmbeddedStream(file.data() + file.size() - layout::kTrailerSize, file.size());
    if (!found)
        return false;
    span = *found;
    return true;
}

/// The cabinet file read at any offset.
class FileSource : public cab::ByteSource {
public:
    explicit FileSource(int fd) : m_fd(fd) {}
    std::uint64_t Size() override {
        struct stat st {};
        return fstat(m_fd, &st) == 0 && st.st_size > 0 ? std::uint64_t(st.st_size) : 0;
    }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        auto* out = static_cast<char*>(buffer);
        while (n > 0) {
            const ssize_t got = pread(m_fd, out, n, off_t(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            out += got;
            n -= size_t(got);
            offset += std::uint64_t(got);
        }
        return true;
    }

private:
    int m_fd;
};

/// Writes the member into the temporary file.
class FileSink : public cab::StoredMemberSink {
public:
    explicit FileSink(int fd) : m_fd(fd) {}
    bool Begin(int) override { return true; }
    bool Write(const char* data, std::size_t n) override {
        while (n > 0) {
            const ssize_t put = write(m_fd, data, n);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                m_failed = true;
                return false;
            }
            data += put;
            n -= size_t(put);
        }
        return true;
    }
    bool End(int, bool ok) override { return ok; }
    bool failed() const { return m_failed; }

private:
    int m_fd;
    bool m_failed = false;
};

} // namespace

MappedFile::~MappedFile() {
    Close();
}

void MappedFile::Close() {
    if (m_data)
        munmap(const_cast<unsigned char*>(m_data), m_size);
    if (m_fd >= 0)
        close(m_fd);
    m_data = nullptr;
    m_size = 0;
    m_fd = -1;
}

bool MappedFile::Adopt(int fd) {
    Close();
    m_fd = fd;
    struct stat st {};
    // An empty file cannot be mapped, and holds nothing to play anyway.
    if (fstat(fd, &st) != 0 || st.st_size <= 0 || std::uint64_t(st.st_size) > SIZE_MAX) {
        Close();
        return false;
    }
    void* view = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        Close();
        return false;
    }
    m_data = static_cast<const unsigned char*>(view);
    m_size = size_t(st.st_size);
    return true;
}

MappedPictures::MappedPictures(const unsigned char* stream, std::vector<layout::StreamSlide> slides)
    : m_pictures(stream, std::move(slides), nullptr) {}

show::PictureData MappedPictures::Picture(int slide) const {
    show::PictureData data = m_pictures.Picture(slide);
    if (!data.bytes || data.size == 0)
        return data;
    // The whole pages of the picture's bytes; the pages it shares with its neighbours stay.
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096);
    const auto from = (std::uintptr_t(data.bytes) + page - 1) / page * page;
    const auto to = (std::uintptr_t(data.bytes) + data.size) / page * page;
    if (to <= from)
        return data;
    struct Pages {
        Pages(std::uintptr_t f, std::uintptr_t t) : from(f), to(t) {}
        Pages(const Pages&) = delete;
        Pages& operator=(const Pages&) = delete;
        std::uintptr_t from, to;
        ~Pages() {
            // The mapping is read-only and shared: the pages are read again from the file
            // if they are touched again.
            madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
        }
    };
    data.keep = std::make_shared<const Pages>(from, to);
    return data;
}

std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

bool ExtractDocumentMember(const std::string& path, const std::string& folder, MappedFile& member,
                           bool& writeFailed) {
    writeFailed = false;
    member.Close();
    const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    FileSource source(in);
    cab::StoredCabinet cabinet(source);
    if (cabinet.ReadDirectory() != cab::Status::Ok || cabinet.LastMemberIndex() < 0) {
        close(in);
        return false;
    }
    // The temporary file leaves its folder at once: only this process holds it, and it
    // goes when the show ends, after a failure, and when the process is killed.
    std::string name = folder + "/lsr-player-XXXXXX";
    const int out = mkostemp(name.data(), O_CLOEXEC);
    if (out < 0) {
        close(in);
        writeFailed = true;
        return false;
    }
    unlink(name.c_str());
    FileSink sink(out);
    const cab::Status status = cabinet.ExtractMember(cabinet.LastMemberIndex(), sink);
    close(in);
    if (status != cab::Status::Ok) {
        writeFailed = sink.failed();
        close(out);
        return false;
    }
    return member.Adopt(out);
}

bool OpenShowDocument(const std::string& argument, const std::string& self, FoundDocument& doc,
                      Refusal& refusal) {
    layout::EmbeddedSpan span;
    bool found = false;
    if (!argument.empty() && EndsWithLsr(argument)) {
        // A document file: a cabinet whose last member is the stream.
        const int fd = OpenRegular(argument, refusal);
        if (fd < 0)
            return false;
        close(fd);
        bool writeFailed = false;
        if (!ExtractDocumentMember(argument, TemporaryFolder(), doc.file, writeFailed)) {
            refusal = Refusal{writeFailed ? kExtractFailed : kWrongFileFormat, argument + "\n"};
            return false;
        }
        span = layout::EmbeddedSpan{0, doc.file.size()};
        found = true;
    }
    if (!found) {
        // The slides at the end of this program's own file.
        const int fd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
        found = fd >= 0 && doc.file.Adopt(fd) && EmbeddedSpan(doc.file, span);
    }
    if (!found && !argument.empty()) {
        // A created slideshow named as the argument.
        const int fd = OpenRegular(argument, refusal);
        if (fd < 0)
            return false;
        if (!doc.file.Adopt(fd) || !EmbeddedSpan(doc.file, span)) {
            refusal = Refusal{kWrongFileFormat, argument + "\n"};
            return false;
        }
        found = true;
    }
    if (!found) {
        refusal = Refusal{kNothingToPlay, std::string()};
        return false;
    }
    doc.stream = doc.file.data() + span.offset;
    doc.parsed = layout::ParseDocumentStream(doc.stream, std::size_t(span.length));
    if (const std::optional<Refusal> why = show::RefusalOf(doc.parsed)) {
        refusal = *why;
        return false;
    }
    return true;
}

} // namespace x11show
