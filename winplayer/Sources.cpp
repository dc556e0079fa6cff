#include "winplayer/Sources.h"

#include "packaging/CabinetReading.h"
#include "slideshow/StreamShow.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace winplayer {

namespace {

using show::kMsgFileNotFound;
using show::kMsgNoSlidesToPlay;
using show::kMsgNothingToPlay;
using show::kMsgWrongFileFormat;
constexpr int kMsgExtractFailed = 30036; ///< 「ファイルの展開に失敗しました」
constexpr int kMsgNotARegularFile = 30300; ///< 「通常のファイルではないため開けません」

/// `path` made absolute against the current folder (as it is, when it cannot be).
std::wstring FullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return path;
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (m == 0 || m >= n)
        return path;
    full.resize(m);
    return full;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

bool EndsWithLsr(const std::wstring& path) {
    return path.size() >= 4 && _wcsicmp(path.c_str() + path.size() - 4, L".lsr") == 0;
}

/// Opens `path` (relative to the current folder, or absolute) for reading if it names a
/// file on a disk; INVALID_HANDLE_VALUE and the refusal, which names `path` as given,
/// otherwise (a missing file, a folder or a device, a file that cannot be read).
HANDLE OpenRegular(const std::wstring& path, Refusal& refusal) {
    const std::wstring full = FullPath(path);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &attributes)) {
        const DWORD why = GetLastError();
        const bool missing = why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND ||
                             why == ERROR_INVALID_NAME || why == ERROR_BAD_NETPATH ||
                             why == ERROR_INVALID_DRIVE;
        refusal = Refusal{missing ? kMsgFileNotFound : kMsgWrongFileFormat, path + L"\n"};
        return INVALID_HANDLE_VALUE;
    }
    if (attributes.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
        refusal = Refusal{kMsgNotARegularFile, path + L"\n"};
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        refusal = Refusal{kMsgWrongFileFormat, path + L"\n"};
        return INVALID_HANDLE_VALUE;
    }
    // A name such as CON or a pipe opens as something else than a file on a disk.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        refusal = Refusal{kMsgNotARegularFile, path + L"\n"};
        return INVALID_HANDLE_VALUE;
    }
    return file;
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
    explicit FileSource(HANDLE file) : m_file(file) {}
    std::uint64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(m_file, &size) && size.QuadPart > 0 ? std::uint64_t(size.QuadPart) : 0;
    }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        auto* out = static_cast<char*>(buffer);
        while (n > 0) {
            OVERLAPPED at{};
            at.Offset = DWORD(offset & 0xFFFFFFFFu);
            at.OffsetHigh = DWORD(offset >> 32);
            const DWORD ask = n > 0x40000000u ? 0x40000000u : DWORD(n);
            DWORD got = 0;
            if (!ReadFile(m_file, out, ask, &got, &at) || got == 0)
                return false;
            out += got;
            n -= got;
            offset += got;
        }
        return true;
    }

private:
    HANDLE m_file;
};

/// Writes the member into the temporary file.
class FileSink : public cab::StoredMemberSink {
public:
    explicit FileSink(HANDLE file) : m_file(file) {}
    bool Begin(int) override { return true; }
    bool Write(const char* data, std::size_t n) override {
        while (n > 0) {
            const DWORD ask = n > 0x40000000u ? 0x40000000u : DWORD(n);
            DWORD put = 0;
            if (!WriteFile(m_file, data, ask, &put, nullptr) || put == 0) {
                m_failed = true;
                return false;
            }
            data += put;
            n -= put;
        }
        return true;
    }
    bool End(int, bool ok) override { return ok; }
    bool failed() const { return m_failed; }

private:
    HANDLE m_file;
    bool m_failed = false;
};

/// A new temporary file, deleted when its last handle closes (also when the process is
/// ended in any other way).
HANDLE CreateMemberFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || !GetTempFileNameW(folder, L"lsr", 0, name))
        return INVALID_HANDLE_VALUE;
    // GetTempFileNameW made the file, empty; it is opened again to go when closed.
    HANDLE h = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        DeleteFileW(name);
    return h;
}

/// Extracts the last member of the cabinet `cabinet` into a temporary file and maps it
/// into `member`; false when the cabinet cannot be read (`writeFailed` when the temporary
/// file could not be written). Nothing is left behind after a failure.
bool ExtractDocumentMember(HANDLE cabinetFile, MappedFile& member, bool& writeFailed) {
    writeFailed = false;
    member.Close();
    FileSource source(cabinetFile);
    cab::StoredCabinet cabinet(source);
    if (cabinet.ReadDirectory() != cab::Status::Ok || cabinet.LastMemberIndex() < 0)
        return false;
    HANDLE out = CreateMemberFile();
    if (out == INVALID_HANDLE_VALUE) {
        writeFailed = true;
        return false;
    }
    FileSink sink(out);
    const cab::Status status = cabinet.ExtractMember(cabinet.LastMemberIndex(), sink);
    if (status != cab::Status::Ok) {
        writeFailed = sink.failed();
        CloseHandle(out);
        return false;
    }
    return member.Adopt(out);
}

/// Each picture's bytes in a view of their own, mapped while it is decoded.
class FilePictures : public show::PictureSource {
public:
    explicit FilePictures(const ShowFile& show) : m_mapping(show.file.mapping()) {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        m_granularity = info.dwAllocationGranularity ? info.dwAllocationGranularity : 65536;
        for (const layout::StreamSlide& s : show.parsed.slides)
            m_spans.push_back(Span{show.streamOffset + s.imageOffset, s.imageLength});
    }

    show::PictureData Picture(int slide) const override {
        show::PictureData data;
        if (slide < 0 || size_t(slide) >= m_spans.size() || m_spans[size_t(slide)].length == 0)
            return data;
        const Span& span = m_spans[size_t(slide)];
        // Views begin at a multiple of the allocation granularity.
        const std::uint64_t start = span.offset - span.offset % m_granularity;
        const std::uint64_t lead = span.offset - start;
        if (span.length > SIZE_MAX - lead)
            return data;
        void* view = MapViewOfFile(m_mapping, FILE_MAP_READ, DWORD(start >> 32),
                                   DWORD(start & 0xFFFFFFFFu), SIZE_T(lead + span.length));
        if (!view)
            return data;
        try {
            data.keep = std::shared_ptr<const void>(
                view, [](const void* v) { UnmapViewOfFile(const_cast<void*>(v)); });
        } catch (const std::bad_alloc&) {
            UnmapViewOfFile(view);
            throw;
        }
        data.bytes = static_cast<const std::uint8_t*>(view) + lead;
        data.size = span.length;
        return data;
    }

private:
    struct Span {
        std::uint64_t offset = 0;
        std::size_t length = 0;
    };
    HANDLE m_mapping;
    std::uint64_t m_granularity = 65536;
    std::vector<Span> m_spans;
};

} // namespace

// ---- Files mapped for reading ------------------------------------------------------------

MappedFile::~MappedFile() {
    Close();
}

void MappedFile::Close() {
    if (m_view)
        UnmapViewOfFile(m_view);
    if (m_mapping)
        CloseHandle(m_mapping);
    if (m_file)
        CloseHandle(m_file);
    m_view = nullptr;
    m_mapping = nullptr;
    m_file = nullptr;
    m_size = 0;
}

bool MappedFile::Adopt(void* handle) {
    Close();
    m_file = handle;
    LARGE_INTEGER size;
    // An empty file cannot be mapped, and holds nothing to play anyway.
    if (!GetFileSizeEx(m_file, &size) || size.QuadPart <= 0 ||
        (unsigned long long)size.QuadPart > SIZE_MAX) {
        Close();
        return false;
    }
    m_mapping = CreateFileMappingW(m_file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (m_mapping)
        m_view =
            static_cast<const unsigned char*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0));
    if (!m_view) {
        Close();
        return false;
    }
    m_size = std::size_t(size.QuadPart);
    return true;
}

// ---- The slides to play ------------------------------------------------------------------

bool OpenShowFile(const std::wstring& argument, const std::wstring& self, ShowFile& show,
                  Refusal& refusal) {
    layout::EmbeddedSpan span;
    bool found = false;
    if (!argument.empty() && EndsWithLsr(argument)) {
        // A document file: a cabinet whose last member is the stream.
        HANDLE cabinet = OpenRegular(argument, refusal);
        if (cabinet == INVALID_HANDLE_VALUE)
            return false;
        bool writeFailed = false;
        const bool extracted = ExtractDocumentMember(cabinet, show.file, writeFailed);
        CloseHandle(cabinet);
        if (!extracted) {
            refusal =
                Refusal{writeFailed ? kMsgExtractFailed : kMsgWrongFileFormat, argument + L"\n"};
            return false;
        }
        span = layout::EmbeddedSpan{0, show.file.size()};
        found = true;
    }
    if (!found) {
        // The slides at the end of this program's own file.
        HANDLE own = CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        found =
            own != INVALID_HANDLE_VALUE && show.file.Adopt(own) && EmbeddedSpan(show.file, span);
    }
    if (!found && !argument.empty()) {
        // A created slideshow named as the argument.
        HANDLE other = OpenRegular(argument, refusal);
        if (other == INVALID_HANDLE_VALUE)
            return false;
        if (!show.file.Adopt(other) || !EmbeddedSpan(show.file, span)) {
            refusal = Refusal{kMsgWrongFileFormat, argument + L"\n"};
            return false;
        }
        found = true;
    }
    if (!found) {
        refusal = Refusal{kMsgNothingToPlay, std::wstring(), false};
        return false;
    }
    show.streamOffset = span.offset;
    show.parsed =
        layout::ParseDocumentStream(show.file.data() + span.offset, std::size_t(span.length));
    // The stream's own refusals, as every player words them; a document without slides
    // is a notice, the others errors.
    if (const std::optional<show::Refusal> r = show::RefusalOf(show.parsed)) {
        refusal = Refusal{r->id, Wide(r->prefix), r->id != kMsgNoSlidesToPlay};
        return false;
    }
    return true;
}

std::shared_ptr<const show::PictureSource> PicturesOf(const ShowFile& show) {
    return std::make_shared<FilePictures>(show);
}

} // namespace winplayer
