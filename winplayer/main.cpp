// The Windows player runtime: a plain Win32 program that plays the document stream
// stored at the end of its own file (a created executable), or the document named as its
// argument. The show itself is the show engine's (slideshow/ShowEngine): this program
// finds the slides (Sources), hands their pictures to the frame maker, whose worker
// thread decodes each at the size it is drawn, and runs the engine's Win32 shell
// (WinShell). Every text is UTF-16 on the system's side.

#include "codec/Codec.h"
#include "winplayer/Sources.h"
#include "winplayer/WinShell.h"
#include "winplayer/WinUi.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <new>
#include <string>

namespace {

constexpr int kOutOfMemory = 30001;

/// Whether the picture file `bytes` declares a picture the decoders show: a format they
/// read, a size, at most the pixels they accept. Only its header is read.
bool DeclaresShowablePicture(const unsigned char* bytes, std::size_t size) {
    if (size == 0)
        return false;
    const codec::Info info = codec::ReadInfo(bytes, size);
    return codec::Decodes(info.format) && info.width > 0 && info.height > 0 &&
           std::int64_t(info.width) * info.height <= codec::Options{}.maxPixels;
}

/// The show's part of the stream `parsed` from `stream`: the header's show fields, and
/// per slide its time, flips, key and whether its picture's header declares one that
/// shows (the others are passed over and named at once).
show::ShowDocument ShowDocumentOf(const layout::ParsedStream& parsed,
                                  const unsigned char* stream) {
    show::ShowDocument doc;
    const layout::StreamHeader& h = parsed.header;
    for (int i = 0; i < 4; ++i)
        doc.rect[i] = h.rect[i];
    doc.loop = h.loop;
    doc.timerSwitch = h.timerSwitch;
    doc.topMost = h.topMost;
    doc.fitToWindow = h.fitToWindow;
    for (const layout::StreamSlide& s : parsed.slides) {
        show::ShowSlide slide;
        slide.switchTime = s.switchTime;
        slide.flipH = s.flipH;
        slide.flipV = s.flipV;
        slide.keyed = s.storedKey != layout::kStoredNoKey;
        // Stored as 0x00BBGGRR; the show counts in 0x00RRGGBB.
        slide.key = ((s.storedKey & 0xFFu) << 16) | (s.storedKey & 0xFF00u) |
                    ((s.storedKey >> 16) & 0xFFu);
        slide.showable = DeclaresShowablePicture(stream + s.imageOffset, s.imageLength);
        doc.slides.push_back(slide);
    }
    return doc;
}

int Run(HINSTANCE instance, int argc, wchar_t** argv) {
    const std::wstring argument = argc > 1 && argv[1] ? argv[1] : std::wstring();
    winplayer::ShowFile file;
    winplayer::Refusal refusal;
    if (!winplayer::OpenShowFile(argument, winplayer::ProgramPath(), file, refusal)) {
        winplayer::ShowMessageWindow(nullptr, refusal.id, refusal.prefix, refusal.error);
        return 1;
    }
    winplayer::WinShell shell(instance,
                              ShowDocumentOf(file.parsed, file.file.data() + file.streamOffset),
                              winplayer::PicturesOf(file));
    return shell.Run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Pixels are the screen's own on every monitor (the manifest says so): the frame is
    // never stretched by the system.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        return Run(instance, __argc, __wargv);
    } catch (const std::bad_alloc&) {
        winplayer::ShowMessageWindow(nullptr, kOutOfMemory, std::wstring(), true);
        return 1;
    }
}
