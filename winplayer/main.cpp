// The Windows player runtime: a plain Win32 program that plays the document stream
// stored at the end of its own file (a created executable), or the document named as its
// argument. The show itself is the show engine's (slideshow/ShowEngine): this program
// finds the slides (Sources; the stream is read as every player reads it, StreamShow),
// hands their pictures to the frame maker, whose worker thread decodes each at the size
// it is drawn, and runs the engine's Win32 shell (WinShell). Every text is UTF-16 on the
// system's side.

#include "slideshow/StreamShow.h"
#include "winplayer/Sources.h"
#include "winplayer/WinShell.h"
#include "winplayer/WinUi.h"

#include <windows.h>

#include <commctrl.h>

#include <new>
#include <string>

namespace {

int Run(HINSTANCE instance, int argc, wchar_t** argv) {
    const std::wstring argument = argc > 1 && argv[1] ? argv[1] : std::wstring();
    winplayer::ShowFile file;
    winplayer::Refusal refusal;
    if (!winplayer::OpenShowFile(argument, winplayer::ProgramPath(), file, refusal)) {
        winplayer::ShowMessageWindow(nullptr, refusal.id, refusal.prefix, refusal.error);
        return 1;
    }
    winplayer::WinShell shell(
        instance, show::ShowDocumentOfStream(file.parsed, file.file.data() + file.streamOffset),
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
        winplayer::ShowMessageWindow(nullptr, show::kMsgOutOfMemory, std::wstring(), true);
        return 1;
    }
}
