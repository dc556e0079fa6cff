// The slideshow player for Linux desktops without Qt: plays the document stream stored
// at the end of its own file (a created slideshow), or the document named as its
// argument, in a see-through window on X11 (or XWayland). It needs the C library and the
// X client libraries every X11 desktop has, nothing else: the picture decoders (libjpeg,
// libpng, zlib) and the C++ library are linked in.

#include "player/x11/ShowSource.h"
#include "player/x11/X11Shell.h"
#include "player/x11/X11Show.h"
#include "slideshow/StreamShow.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

struct MessageEntry {
    int id;
    const char* text;
};
const MessageEntry kMessages[] = {
#include "base/MessageTable.inc"
};

std::string MessageText(int id) {
    for (const MessageEntry& e : kMessages)
        if (e.id == id)
            return e.text;
    return std::string();
}

/// This program's own file.
std::string ProgramPath() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || size_t(n) >= path.size())
        return std::string();
    path.resize(size_t(n));
    return path;
}

/// The caption of every message: the program's file name without its extension.
std::string ApplicationName(const std::string& self) {
    std::string name = self;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

/// With LSR_MESSAGE_LOG naming a file, every message shown is also appended to it
/// (UTF-8, a line break after each): what the tests read.
void LogMessage(const std::string& text) {
    const char* path = std::getenv("LSR_MESSAGE_LOG");
    if (!path || !*path)
        return;
    if (FILE* log = std::fopen(path, "a")) {
        std::fprintf(log, "%s\n", text.c_str());
        std::fclose(log);
    }
}

int Run(int argc, char** argv) {
    const std::string self = ProgramPath();
    const std::string caption = ApplicationName(self.empty() ? std::string(argv[0]) : self);
    const std::string argument = argc > 1 ? argv[1] : std::string();

    x11show::InstallQuietErrorHandler();
    Display* display = XOpenDisplay(nullptr);
    // Without a display the messages go to standard error.
    const auto sayAlone = [&](int id, const std::string& prefix) {
        const std::string text = prefix + MessageText(id);
        LogMessage(text);
        if (display)
            x11show::ShowMessageWithoutShow(display, caption, text);
        else
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    };

    x11show::FoundDocument doc;
    x11show::Refusal refusal;
    if (!x11show::OpenShowDocument(argument, self, doc, refusal)) {
        sayAlone(refusal.id, refusal.prefix);
        if (display)
            XCloseDisplay(display);
        return 1;
    }
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the X display \"%s\"\n", caption.c_str(),
                     XDisplayName(nullptr));
        return 1;
    }
    int code = 1;
    {
        x11show::X11Shell shell(display, caption, doc.parsed.header.topMost != 0);
        x11show::X11Show play(
            shell, show::ShowDocumentOfStream(doc.parsed),
            std::make_shared<x11show::MappedPictures>(doc.stream, doc.parsed.slides),
            [&](int id, const std::string& prefix) {
                const std::string text = prefix + MessageText(id);
                LogMessage(text);
                shell.ShowMessage(text);
            });
        code = play.Run();
    }
    XCloseDisplay(display);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    // The frames and pictures (megabytes each) are made on the frame maker's thread and
    // freed on this one: in one arena the memory they leave is used again for the next,
    // where an arena per thread would keep a second set of them.
    mallopt(M_ARENA_MAX, 1);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        const std::string text = MessageText(show::kMsgOutOfMemory);
        LogMessage(text);
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
}
