#include "winplayer/Sources.h"

#include <windows.h>

#include <fcntl.h>
#include <fdi.h>
#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>

namespace winplayer {

namespace {

/// The largest picture decoded, in pixels, as in the editor: larger ones show nothing.
constexpr unsigned long long kMaxPicturePixels = 100'000'000ull;

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenForReading(const std::wstring& path) {
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadExactly(HANDLE file, unsigned char* into, unsigned long long length) {
    while (length > 0) {
        const DWORD chunk = DWORD(length > (1u << 30) ? (1u << 30) : length);
        DWORD got = 0;
        if (!ReadFile(file, into, chunk, &got, nullptr) || got == 0)
            return false;
        into += got;
        length -= got;
    }
    return true;
}

} // namespace

bool ReadFilePart(const std::wstring& path, unsigned long long offset, unsigned long long length,
                  std::vector<unsigned char>& bytes) {
    FileHandle file = OpenForReading(path);
    if (file.get() == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN))
        return false;
    bytes.resize(size_t(length));
    return ReadExactly(file.get(), bytes.data(), length);
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes) {
    FileHandle file = OpenForReading(path);
    LARGE_INTEGER size;
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.get(), &size) ||
        size.QuadPart < 0)
        return false;
    bytes.resize(size_t(size.QuadPart));
    return ReadExactly(file.get(), bytes.data(), bytes.size());
}

// ---- The cabinet, through the system's cabinet library ---------------------------------
// The library asks for files by name; every "file" here lives in memory: the cabinet
// (read through a cursor) and each member (collected into a buffer).

namespace {

struct MemoryFile {
    const std::vector<unsigned char>* source = nullptr; ///< read from, when set
    std::vector<unsigned char> sink;                    ///< written to otherwise
    size_t position = 0;
};

struct Extraction {
    const std::vector<unsigned char>* cabinet = nullptr;
    std::vector<unsigned char>* last = nullptr;
    bool gotOne = false;
};

Extraction* g_extraction = nullptr; // the one extraction running (the library has no context)

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
    auto* f = new (std::nothrow) MemoryFile;
    if (!f)
        return -1;
    f->source = g_extraction->cabinet;
    return INT_PTR(f);
}
FNREAD(CabRead) {
    auto* f = reinterpret_cast<MemoryFile*>(hf);
    if (!f->source)
        return UINT(-1);
    const size_t left = f->source->size() - std::min(f->position, f->source->size());
    const size_t n = std::min<size_t>(cb, left);
    std::memcpy(pv, f->source->data() + f->position, n);
    f->position += n;
    return UINT(n);
}
FNWRITE(CabWrite) {
    auto* f = reinterpret_cast<MemoryFile*>(hf);
    if (f->source)
        return UINT(-1);
    try {
        const auto* p = static_cast<const unsigned char*>(pv);
        f->sink.insert(f->sink.end(), p, p + cb);
    } catch (const std::bad_alloc&) {
        return UINT(-1);
    }
    return cb;
}
FNCLOSE(CabClose) {
    delete reinterpret_cast<MemoryFile*>(hf);
    return 0;
}
FNSEEK(CabSeek) {
    auto* f = reinterpret_cast<MemoryFile*>(hf);
    const size_t size = f->source ? f->source->size() : f->sink.size();
    long long to = dist;
    if (seektype == SEEK_CUR)
        to += (long long)f->position;
    else if (seektype == SEEK_END)
        to += (long long)size;
    if (to < 0)
        return -1;
    f->position = size_t(to);
    return long(to);
}
FNFDINOTIFY(CabNotify) {
    switch (fdint) {
    case fdintCOPY_FILE: {
        // Every member is extracted; the document is the last one.
        auto* f = new (std::nothrow) MemoryFile;
        return f ? INT_PTR(f) : -1;
    }
    case fdintCLOSE_FILE_INFO: {
        auto* f = reinterpret_cast<MemoryFile*>(pfdin->hf);
        g_extraction->last->swap(f->sink);
        g_extraction->gotOne = true;
        delete f;
        return TRUE;
    }
    default:
        return 0;
    }
}

} // namespace

bool ExtractLastMember(const std::vector<unsigned char>& cabinet,
                       std::vector<unsigned char>& member) {
    ERF erf{};
    HFDI fdi = FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                         cpuUNKNOWN, &erf);
    if (!fdi)
        return false;
    Extraction extraction{&cabinet, &member, false};
    g_extraction = &extraction;
    char name[] = "document.lsr";
    char folder[] = "";
    const BOOL ok = FDICopy(fdi, name, folder, 0, CabNotify, nullptr, nullptr);
    g_extraction = nullptr;
    FDIDestroy(fdi);
    return ok && extraction.gotOne;
}

// ---- Pictures, through the Windows Imaging Component -----------------------------------

namespace {

template <typename T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

} // namespace

show::Raster DecodePicture(const unsigned char* bytes, std::size_t length) {
    show::Raster out;
    if (!bytes || length == 0 || length > 0xFFFFFFFFu)
        return out;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))))
        return out;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), DWORD(length))) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.p, &converted)))
        return out;
    UINT w = 0, h = 0;
    if (FAILED(converted->GetSize(&w, &h)) || w == 0 || h == 0 ||
        (unsigned long long)w * h > kMaxPicturePixels)
        return out;
    try {
        out.pixels.resize(size_t(w) * h);
    } catch (const std::bad_alloc&) {
        return show::Raster();
    }
    const UINT stride = w * 4;
    if (FAILED(converted->CopyPixels(nullptr, stride, UINT(out.pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(out.pixels.data()))))
        return show::Raster();
    out.width = int(w);
    out.height = int(h);
    return out;
}

} // namespace winplayer
