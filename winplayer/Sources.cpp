#include "winplayer/Sources.h"

#include <windows.h>

#include <fcntl.h>
#include <fdi.h>

#include <climits>
#include <new>

namespace winplayer {

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

bool MappedFile::Open(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    return Adopt(file);
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

// ---- The cabinet, through the system's cabinet library -----------------------------------
// The library asks for files by name and reads and writes them through these callbacks:
// the cabinet is the document file (whatever name the library gives), every member goes
// into a temporary file of its own, and the last one is kept.

namespace {

struct CabFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool output = false; ///< a member being written (else the cabinet, read)
};

struct Extraction {
    const std::wstring* cabinet = nullptr;
    CabFile* writing = nullptr;         ///< the member being extracted
    HANDLE last = INVALID_HANDLE_VALUE; ///< the last member extracted whole
};

Extraction* g_extraction = nullptr; // the one extraction running (the library has no context)

void CloseCabFile(CabFile* f) {
    if (f->handle != INVALID_HANDLE_VALUE)
        CloseHandle(f->handle);
    if (g_extraction && g_extraction->writing == f)
        g_extraction->writing = nullptr;
    delete f;
}

/// A new temporary file for a member, deleted when its last handle closes.
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

FNALLOC(CabAlloc) {
    return HeapAlloc(GetProcessHeap(), 0, cb);
}
FNFREE(CabFree) {
    HeapFree(GetProcessHeap(), 0, pv);
}
FNOPEN(CabOpen) {
    (void)pszFile;
    (void)oflag;
    (void)pmode;
    auto* f = new (std::nothrow) CabFile;
    if (!f)
        return -1;
    f->handle = CreateFileW(g_extraction->cabinet->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f->handle == INVALID_HANDLE_VALUE) {
        delete f;
        return -1;
    }
    return INT_PTR(f);
}
FNREAD(CabRead) {
    auto* f = reinterpret_cast<CabFile*>(hf);
    DWORD got = 0;
    if (f->output || !ReadFile(f->handle, pv, cb, &got, nullptr))
        return UINT(-1);
    return got;
}
FNWRITE(CabWrite) {
    auto* f = reinterpret_cast<CabFile*>(hf);
    DWORD put = 0;
    if (!f->output || !WriteFile(f->handle, pv, cb, &put, nullptr) || put != cb)
        return UINT(-1);
    return put;
}
FNCLOSE(CabClose) {
    CloseCabFile(reinterpret_cast<CabFile*>(hf));
    return 0;
}
FNSEEK(CabSeek) {
    auto* f = reinterpret_cast<CabFile*>(hf);
    LARGE_INTEGER distance, at;
    distance.QuadPart = dist;
    const DWORD method = seektype == SEEK_CUR   ? FILE_CURRENT
                         : seektype == SEEK_END ? FILE_END
                                                : FILE_BEGIN;
    if (!SetFilePointerEx(f->handle, distance, &at, method) || at.QuadPart > LONG_MAX)
        return -1;
    return long(at.QuadPart);
}
FNFDINOTIFY(CabNotify) {
    switch (fdint) {
    case fdintCOPY_FILE: {
        // Every member is extracted; the document is the last one.
        auto* f = new (std::nothrow) CabFile;
        if (!f)
            return -1;
        f->output = true;
        f->handle = CreateMemberFile();
        if (f->handle == INVALID_HANDLE_VALUE) {
            delete f;
            return -1;
        }
        g_extraction->writing = f;
        return INT_PTR(f);
    }
    case fdintCLOSE_FILE_INFO: {
        // The member is whole: it replaces the one kept before (which goes).
        auto* f = reinterpret_cast<CabFile*>(pfdin->hf);
        if (g_extraction->last != INVALID_HANDLE_VALUE)
            CloseHandle(g_extraction->last);
        g_extraction->last = f->handle;
        f->handle = INVALID_HANDLE_VALUE;
        CloseCabFile(f);
        return TRUE;
    }
    default:
        return 0;
    }
}

} // namespace

bool ExtractLastMember(const std::wstring& cabinet, MappedFile& member) {
    member.Close();
    ERF erf{};
    HFDI fdi = FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                         cpuUNKNOWN, &erf);
    if (!fdi)
        return false;
    Extraction extraction;
    extraction.cabinet = &cabinet;
    g_extraction = &extraction;
    // The names only reach CabOpen, which opens `cabinet` whatever they say.
    char name[] = "document.lsr";
    char folder[] = "";
    const BOOL ok = FDICopy(fdi, name, folder, 0, CabNotify, nullptr, nullptr);
    FDIDestroy(fdi);
    // A member left half-written by a failure goes now.
    if (extraction.writing)
        CloseCabFile(extraction.writing);
    g_extraction = nullptr;
    if (!ok || extraction.last == INVALID_HANDLE_VALUE) {
        if (extraction.last != INVALID_HANDLE_VALUE)
            CloseHandle(extraction.last);
        return false;
    }
    return member.Adopt(extraction.last);
}

} // namespace winplayer
