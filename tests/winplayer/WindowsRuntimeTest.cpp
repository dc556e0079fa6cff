// The Windows player runtime itself: what it imports, and a slideshow made for Windows
// played under wine on a virtual X server.

#include "base/Messages.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "packaging/Executable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/HugePicture.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

const QString kRuntime = QStringLiteral(LSR_BINARY_DIR "/LsrCtrl-windows.exe");

/// Runs a tool to its end (at most `ms`); its standard output, empty when it failed.
QByteArray RunTool(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                   int ms = 30000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished();
        return QByteArray();
    }
    return p.exitStatus() == QProcess::NormalExit ? p.readAllStandardOutput() : QByteArray();
}

TEST(WindowsRuntime, IsAStaticPe32PlusProgramThatImportsOnlySystemDllsAndCarriesItsManifest) {
    if (!QFileInfo::exists(kRuntime))
        GTEST_SKIP() << "built without the cross compiler (x86_64-w64-mingw32-g++)";
    const QString headers = QString::fromUtf8(RunTool(QStringLiteral("objdump"), {"-p", kRuntime}));
    ASSERT_FALSE(headers.isEmpty());
    EXPECT_TRUE(headers.contains(QStringLiteral("file format pei-x86-64")));
    EXPECT_TRUE(
        headers.contains(QRegularExpression(QStringLiteral("Magic\\s+020b\\s+\\(PE32\\+\\)"))));
    // A graphical program: no console window opens beside the show.
    EXPECT_TRUE(headers.contains(QRegularExpression(QStringLiteral("Subsystem\\s+00000002"))));

    QSet<QString> imported;
    const QRegularExpression dll(QStringLiteral("DLL Name: (\\S+)"));
    for (auto it = dll.globalMatch(headers); it.hasNext();)
        imported.insert(it.next().captured(1).toLower());
    // DLLs that every Windows since Vista carries in its system folder; nothing of the
    // compiler's own (libstdc++, libgcc, winpthread) and nothing to install.
    // Pictures are decoded by the program's own decoders (zlib, libpng and libjpeg-turbo
    // linked in), not by the system's imaging component.
    const QSet<QString> system{"kernel32.dll", "user32.dll",   "gdi32.dll",
                               "msvcrt.dll",   "comctl32.dll", "cabinet.dll"};
    EXPECT_TRUE(imported.contains("kernel32.dll") && imported.contains("user32.dll"))
        << QStringList(imported.values()).join(' ').toStdString();
    for (const QString& name : imported)
        EXPECT_TRUE(system.contains(name)) << name.toStdString();

    // The application manifest is a resource of the program: the resource section holds
    // it as written, and says what the system needs to know.
    EXPECT_TRUE(headers.contains(QStringLiteral(".rsrc"))) << "no resource section";
    const QByteArray program = ReadFileBytes(kRuntime);
    const int at = program.indexOf("<assembly");
    ASSERT_GE(at, 0) << "no manifest";
    const QByteArray manifest = program.mid(at, program.indexOf("</assembly>", at) - at);
    for (const char* says :
         {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
          "PerMonitorV2",
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8",
          "requestedExecutionLevel level=\"asInvoker\""})
        EXPECT_TRUE(manifest.contains(says)) << says;
}

// ---- Played under wine ---------------------------------------------------------------

constexpr QRgb kRoot = 0xFF336699u; // the desktop's colour beneath the show
constexpr QRgb kKey = 0xFF00FF00u;  // slide 1's transparent colour
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

/// A 200 x 150 picture of `back` with a 100 x 70 square of `square` at (50, 40).
QImage SquareOn(QRgb back, QRgb square) {
    QImage img(200, 150, QImage::Format_RGB32);
    img.fill(back);
    QPainter(&img).fillRect(50, 40, 100, 70, QColor::fromRgb(square));
    return img;
}

QByteArray Png(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray Jpeg(const QImage& image, int quality = 95) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    return writer.write(image) ? buffer.data() : QByteArray();
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

/// A virtual X server, a wine prefix of the test's own and the processes started in
/// them; everything is stopped when it goes.
class WineDesk {
public:
    explicit WineDesk(const QString& folder) : m_folder(folder) {}
    ~WineDesk() {
        // Ends every process of the test's own prefix (the show, wine's helpers).
        if (m_wineStarted)
            RunTool(QStringLiteral("wineserver"), {"-k"}, m_env);
        if (m_show.state() != QProcess::NotRunning) {
            m_show.kill();
            m_show.waitForFinished();
        }
        if (m_x.state() != QProcess::NotRunning) {
            m_x.terminate();
            if (!m_x.waitForFinished(5000)) {
                m_x.kill();
                m_x.waitForFinished();
            }
        }
    }

    /// Starts the X server on a free display it picks itself (it writes the number),
    /// and makes the wine prefix. The server has no window manager, and wine is told so
    /// (its X11 driver's Managed setting): it then stacks and focuses its windows itself,
    /// as Windows does, instead of leaving that to a window manager that is not there.
    bool StartX() {
        m_x.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "640x480x24",
                                           "-noreset", "-nolisten", "tcp"});
        QByteArray number;
        while (!number.contains('\n') && m_x.waitForReadyRead(20000))
            number += m_x.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return false;
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("WINEPREFIX"), m_folder + QStringLiteral("/prefix"));
        m_env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree=;mshtml="));
        m_env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        m_wineStarted = true;
        QProcess reg;
        reg.setProcessEnvironment(m_env);
        reg.start(QStringLiteral("wine"), {"reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v",
                                           "Managed", "/d", "N", "/f"});
        return reg.waitForFinished(180000) && reg.exitCode() == 0;
    }

    /// The desktop's background in one colour (kept: the server does not reset).
    void PaintRoot(QRgb color) {
        const QString png = m_folder + QStringLiteral("/root.png");
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(color);
        img.save(png);
        RunTool(QStringLiteral("display"), {"-window", "root", png}, m_env);
    }

    QImage Screen() {
        return QImage::fromData(
            RunTool(QStringLiteral("import"), {"-window", "root", "png:-"}, m_env), "PNG");
    }

    /// Every message the shows started from now on show is also written to `path`.
    void LogMessagesTo(const QString& path) {
        m_env.insert(QStringLiteral("LSR_MESSAGE_LOG"), QStringLiteral("Z:") + path);
    }

    /// Starts `exe` under wine with `args`, in the folder `folder` (the program's own
    /// when empty).
    void StartShow(const QString& exe, const QStringList& args = {}, const QString& folder = {}) {
        m_show.setProcessEnvironment(m_env);
        m_show.setWorkingDirectory(folder.isEmpty() ? QFileInfo(exe).absolutePath() : folder);
        m_show.start(QStringLiteral("wine"), QStringList{exe} + args);
    }
    QProcess& Show() { return m_show; }

    /// Looks at the screen until `seen` holds of it, for at most `seconds`. Between two
    /// looks it waits up to 100 ms for the show to end (which ends the looking too):
    /// the show is another process, so the screen is the only way to watch it.
    QImage WaitForScreen(const std::function<bool(const QImage&)>& seen, int seconds) {
        QElapsedTimer clock;
        clock.start();
        QImage shot;
        while (clock.elapsed() < seconds * 1000LL) {
            shot = Screen();
            if (!shot.isNull() && seen(shot))
                return shot;
            if (m_show.state() == QProcess::NotRunning || m_show.waitForFinished(100))
                break;
        }
        return QImage();
    }

    void Xdotool(const QStringList& args) { RunTool(QStringLiteral("xdotool"), args, m_env); }
    QString XdotoolOutput(const QStringList& args) {
        return QString::fromUtf8(RunTool(QStringLiteral("xdotool"), args, m_env)).trimmed();
    }

    /// Looks at the file `path` until it holds `text`, for at most `seconds`, waiting up
    /// to 100 ms between two looks for the show to end (which ends the looking too).
    bool WaitForText(const QString& path, const QString& text, int seconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000LL) {
            if (QString::fromUtf8(ReadFileBytes(path)).contains(text))
                return true;
            if (m_show.state() == QProcess::NotRunning || m_show.waitForFinished(100))
                return QString::fromUtf8(ReadFileBytes(path)).contains(text);
        }
        return false;
    }

    /// Answers a message window of the show with Enter until it has gone: until `gone`
    /// holds of the screen or the show has ended (at most ten times, looking for up to a
    /// second each).
    void AnswerMessage(const std::function<bool(const QImage&)>& gone) {
        for (int i = 0; i < 10 && m_show.state() != QProcess::NotRunning; ++i) {
            Xdotool({"key", "Return"});
            if (!WaitForScreen(gone, 1).isNull())
                return;
        }
    }

    /// The show's peak resident memory so far (VmHWM of its process), in KiB; -1 when
    /// it cannot be read.
    qint64 ShowPeakMemoryKiB() {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_show.processId()));
        if (m_show.state() != QProcess::Running || !status.open(QIODevice::ReadOnly))
            return -1;
        const QRegularExpression hwm(QStringLiteral("VmHWM:\\s+(\\d+) kB"));
        const auto match = hwm.match(QString::fromLatin1(status.readAll()));
        return match.hasMatch() ? match.captured(1).toLongLong() : -1;
    }

    /// Ends the show with Escape and expects the window to go: `opaque`, a pixel of the
    /// show, is `root`'s colour again within a few seconds. `pointerAway`: Escape is
    /// pressed once, the pointer left where it is (the show must have the keyboard);
    /// otherwise with the pointer over `opaque`, again until the window has gone (at most
    /// ten times): without a window manager, a window of wine that lost the keyboard to
    /// one of its own that went (a menu) still gets the keys over it. Wine then takes a
    /// few seconds to end the process.
    void EndWithEscape(QPoint opaque, QRgb root, bool pointerAway) {
        const auto gone = [&](const QImage& s) { return Near(s.pixel(opaque), root, 0); };
        bool left = false;
        if (pointerAway) {
            Xdotool({"key", "Escape"});
            left = !WaitForScreen(gone, 10).isNull();
        } else {
            Xdotool({"mousemove", QString::number(opaque.x()), QString::number(opaque.y())});
            for (int i = 0; i < 10 && !left && m_show.state() != QProcess::NotRunning; ++i) {
                Xdotool({"key", "Escape"});
                left = !WaitForScreen(gone, 1).isNull();
            }
        }
        EXPECT_TRUE(left || m_show.state() == QProcess::NotRunning)
            << "Escape did not end the show";
        ASSERT_TRUE(m_show.state() == QProcess::NotRunning || m_show.waitForFinished(30000))
            << "the show's process did not end";
        EXPECT_EQ(m_show.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_show.exitCode(), 0);
    }

private:
    QString m_folder;
    QProcess m_x;
    QProcess m_show;
    QString m_display;
    QProcessEnvironment m_env;
    bool m_wineStarted = false;
};

/// Skips the test where the runtime or the tools to run it are missing.
#define LSR_NEEDS_WINE()                                                                           \
    do {                                                                                           \
        if (!QFileInfo::exists(kRuntime))                                                          \
            GTEST_SKIP() << "built without the cross compiler (x86_64-w64-mingw32-g++)";           \
        for (const char* tool : {"wine", "wineserver", "Xvfb", "import", "display", "xdotool"})    \
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())               \
                GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";              \
    } while (false)

/// The ink of text in `shot` in the rows y0 to y1 and the columns x0 to x1 (ends
/// exclusive): how much darker than a light grey its grey pixels are (the slide's red
/// and the desktop's blue are no ink).
int InkIn(const QImage& shot, int y0, int y1, int x0, int x1) {
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const QRgb p = shot.pixel(x, y);
            const int spread =
                std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
            if (spread < 24 && qGray(p) < 200)
                ink += 200 - qGray(p);
        }
    return ink;
}

TEST(WindowsRuntime, PlaysUnderWineWithTheKeyboardItsMenuAndItsDrag) {
    LSR_NEEDS_WINE();

    // Two slides in a window of 400 x 300 at (100, 100), enlarged to fit: a 200 x 150
    // PNG with a red square on the key colour (3 s), then a JPEG with a blue square on
    // white, no key (600 s). Drawn twice its size, the red square lies at (200, 180) to
    // (399, 319) on the screen.
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    Document& doc = CurrentDocument();
    doc.slides[0].picture = Picture::fromBytes(Png(SquareOn(kKey, kRed)));
    doc.slides[0].keyColor = kKey;
    doc.slides[0].switchTime = 3;
    doc.slides[1].picture = Picture::fromBytes(Jpeg(SquareOn(kWhite, kBlue)));
    ASSERT_TRUE(doc.slides[1].picture);
    doc.slides[1].keyColor = std::nullopt;
    doc.slides[1].switchTime = 600;
    doc.slideCount = 2;
    doc.header.slideshowRect = QRect(100, 100, 400, 300);
    doc.header.timerSwitch = 1;
    doc.header.loop = 0;
    doc.header.topMost = 1;
    doc.header.fitToWindow = 1;

    // Written into a folder of its own with a Japanese name, as a recipient would keep
    // it: a slideshow switched by the timer, and a document switched by clicks.
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/スライド ショー");
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("スライド ショー")));
    const QString exe = folder + QStringLiteral("/見本.exe");
    ASSERT_TRUE(CreateExecutable(exe, {}, RuntimeTarget::Windows));
    doc.header.timerSwitch = 0;
    ASSERT_TRUE(WriteDocumentFile(folder + QStringLiteral("/見本.lsr")));
    EXPECT_TRUE(prompts.messageIds().isEmpty());
    ResetWorld();

    WineDesk desk(dir.path());
    ASSERT_TRUE(desk.StartX());
    desk.PaintRoot(kRoot);
    ASSERT_TRUE(Near(desk.Screen().pixel(320, 240), kRoot, 0)) << "the root colour was not set";

    // Slide 1 where the document puts it, at the full size of the window (a window left
    // at a size of the opening's steps would draw the square smaller): the square's
    // corners and middle red, beside it and outside the window the desktop.
    const auto slideOne = [](const QImage& s) {
        return Near(s.pixel(200, 180), kRed, 0) && Near(s.pixel(399, 319), kRed, 0) &&
               Near(s.pixel(300, 250), kRed, 0) && Near(s.pixel(400, 250), kRoot, 0);
    };
    const auto slideTwo = [](const QImage& s) {
        return Near(s.pixel(300, 250), kBlue, 24) && Near(s.pixel(110, 110), kWhite, 24);
    };
    const auto seeThrough = [](const QImage& s) {
        for (const QPoint p : {QPoint(110, 110), QPoint(199, 250), QPoint(400, 250),
                               QPoint(300, 179), QPoint(499, 399), QPoint(20, 20)})
            if (!Near(s.pixel(p), kRoot, 0))
                return false;
        return true;
    };

    // The window grows from the pointer, which rests outside where it ends: from
    // (600, 440) the offsets of -500 and -340 divide by the 20 steps.
    desk.Xdotool({"mousemove", "600", "440"});
    QElapsedTimer started;
    started.start();
    desk.StartShow(exe);
    const QImage first = desk.WaitForScreen(slideOne, 120);
    ASSERT_FALSE(first.isNull()) << "slide 1 never appeared";
    std::printf("[ measured ] wine start to slide 1 on the screen: %lld ms\n",
                static_cast<long long>(started.elapsed()));
    EXPECT_TRUE(seeThrough(first)) << "the key pixels do not show the desktop";

    // The context menu opens on a right click and holds the timer while it is open:
    // slide 1's three seconds run out meanwhile, and no switch closes the menu.
    desk.Xdotool({"mousemove", "300", "250"});
    desk.Xdotool({"click", "3"});
    const auto menuOpen = [](const QImage& s) {
        return !Near(s.pixel(300, 262), kRed, 40) && !Near(s.pixel(300, 262), kRoot, 0) &&
               Near(s.pixel(300, 190), kRed, 0);
    };
    const QImage menu = desk.WaitForScreen(menuOpen, 10);
    ASSERT_FALSE(menu.isNull()) << "the menu did not open";
    if (const QString keep = qEnvironmentVariable("LSR_WINE_SCREENSHOT"); !keep.isEmpty())
        menu.save(keep);
    EXPECT_TRUE(desk.WaitForScreen([&](const QImage& s) { return !menuOpen(s); }, 6).isNull())
        << "the menu closed, or the show went on, while the menu was open";
    // Its Japanese is drawn in a font that has the glyphs: of 「連続に繰り返す(&L)」 the
    // first four characters, dense and light (「続」, 「繰」 against 「に」), take very
    // different ink, where a font without them would draw the same empty box for each.
    // The characters are full width: one em (12 px at 9 points) each, from the first ink
    // of the label.
    {
        // The menu's lines of text: rows of the labels' column holding dark pixels (the
        // separators are too thin to count). Loop is the 5th, after the flips, size
        // change, fit and top-most.
        std::vector<std::pair<int, int>> rows;
        int top = -1;
        for (int y = 0; y < 480; ++y) {
            const bool ink = InkIn(menu, y, y + 1, 215, 330) > 0;
            if (ink && top < 0)
                top = y;
            if (!ink && top >= 0) {
                if (y - top >= 6)
                    rows.emplace_back(top, y);
                top = -1;
            }
        }
        ASSERT_GE(rows.size(), 9u) << "the menu shows too few lines of text";
        const auto [loopTop, loopBottom] = rows[4];
        int x0 = 215;
        while (x0 < 330 && InkIn(menu, loopTop, loopBottom, x0, x0 + 1) == 0)
            ++x0;
        constexpr int em = 12;
        int dense = 0, light = INT_MAX;
        for (int i = 0; i < 4; ++i) {
            const int ink = InkIn(menu, loopTop, loopBottom, x0 + i * em, x0 + (i + 1) * em);
            std::printf("[ measured ] ink of character %d of 連続に繰り返す: %d\n", i + 1, ink);
            dense = std::max(dense, ink);
            light = std::min(light, ink);
        }
        EXPECT_GT(dense, light * 13 / 10) << "the menu's Japanese is not drawn in its glyphs";
    }
    // Escape closes the menu; the count goes on where it stood: slide 2 comes.
    desk.Xdotool({"key", "Escape"});
    ASSERT_FALSE(desk.WaitForScreen(slideTwo, 10).isNull()) << "slide 2 never appeared";

    desk.EndWithEscape(QPoint(300, 250), kRoot, false);

    // The runtime plays a document named relative to the folder it is started in, and
    // takes the keyboard when it opens: Escape, the pointer away from the show, ends it.
    desk.Xdotool({"mousemove", "600", "440"});
    desk.StartShow(kRuntime, {QStringLiteral("見本.lsr")}, folder);
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 60).isNull()) << "the document never appeared";
    desk.EndWithEscape(QPoint(300, 250), kRoot, true);

    // Switched by clicks: a press on slide 1 goes on to slide 2 and drags the window with
    // it, 60 px right and 40 px down.
    desk.StartShow(kRuntime, {QStringLiteral("見本.lsr")}, folder);
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 60).isNull()) << "the document never appeared";
    desk.Xdotool({"mousemove", "300", "250"});
    desk.Xdotool({"mousedown", "1"});
    ASSERT_FALSE(desk.WaitForScreen(slideTwo, 10).isNull()) << "the press did not switch";
    for (const QString& step :
         {QStringLiteral("320 265"), QStringLiteral("340 278"), QStringLiteral("360 290")})
        desk.Xdotool(QStringList{"mousemove"} + step.split(' '));
    desk.Xdotool({"mouseup", "1"});
    const auto moved = [](const QImage& s) {
        return Near(s.pixel(165, 145), kWhite, 24) && Near(s.pixel(150, 130), kRoot, 0) &&
               Near(s.pixel(360, 290), kBlue, 24) && Near(s.pixel(555, 435), kWhite, 24);
    };
    EXPECT_FALSE(desk.WaitForScreen(moved, 10).isNull()) << "the drag did not move the window";
    desk.EndWithEscape(QPoint(360, 290), kRoot, false);
}

// ---- Shows made byte by byte --------------------------------------------------------

struct ShowSlide {
    QByteArray picture;
    std::optional<QRgb> key; ///< the transparent colour, if any
    quint16 seconds = 1;
};

void PutLE32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
void PutBE32(QByteArray& out, quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

/// The document stream of `slides` as the format lays it out: the show's window at
/// (100, 100), 400 x 300, topmost, switched by the timer, looping as `loop` says.
QByteArray ShowStream(const std::vector<ShowSlide>& slides, bool loop) {
    QByteArray s("LSR001    ", 10);
    for (int i = 0; i < 4; ++i)
        PutLE32(s, 0); // the editor's colours and property buttons
    for (quint32 v : {100u, 100u, 500u, 400u})
        PutLE32(s, v);
    for (quint32 v : {loop ? 1u : 0u, 1u, 0u, 1u, 0u}) // loop, timer, preview, topmost, fit
        PutLE32(s, v);
    s.append(QByteArray(12, '\0'));
    PutBE32(s, quint32(slides.size()));
    for (const ShowSlide& slide : slides) {
        for (int i = 0; i < 3; ++i)
            PutLE32(s, 0);
        // Stored as 0x00BBGGRR; none as FFFFFFFF.
        PutLE32(s, slide.key ? quint32(qBlue(*slide.key) << 16 | qGreen(*slide.key) << 8 |
                                       qRed(*slide.key))
                             : 0xFFFFFFFFu);
        s.append(char(slide.seconds & 0xFF)).append(char(slide.seconds >> 8));
        s.append(2, '\0'); // not mirrored
        s.append(8, '\0');
    }
    for (const ShowSlide& slide : slides) {
        PutBE32(s, quint32(slide.picture.size()));
        s += slide.picture;
    }
    return s;
}

/// A slideshow for Windows as the export writes it: the runtime, `stream`, the trailer.
bool WriteWindowsShow(const QString& path, const QByteArray& stream) {
    const QByteArray runtime = ReadFileBytes(kRuntime);
    QByteArray trailer("\x03\xCA\x19\x3A", 4);
    PutBE32(trailer, quint32(runtime.size()));
    return !runtime.isEmpty() && WriteFileBytes(path, runtime + stream + trailer);
}

/// A 4000 x 3000 photo-like JPEG: light and colour changing smoothly across, with the
/// grain of a photo, mostly `tint`.
QByteArray PhotoJpeg(QRgb tint) {
    QImage img(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int grain = ((x * 7919 + y * 104729) >> 3) % 9 - 4;
            const int shade = (x + y) * 40 / 7000 - 20 + grain;
            line[x] = qRgb(std::clamp(qRed(tint) + shade, 0, 255),
                           std::clamp(qGreen(tint) + shade, 0, 255),
                           std::clamp(qBlue(tint) + shade, 0, 255));
        }
    }
    return Jpeg(img, 90);
}

TEST(WindowsRuntime, PlaysPhotosAndPicturesOfNearlyAHundredMegapixelsWithinBoundedMemory) {
    LSR_NEEDS_WINE();
    // Two photos of 4000 x 3000 stored as JPEGs (orange, teal), and two pictures of
    // 9999 x 9999 (1-bit grey PNGs of a few kilobytes each: black left of the middle
    // with white as the key; all white), two seconds each, looping. Decoded whole they would
    // take 48 MB and 400 MB each.
    constexpr QRgb kOrange = 0xFFE08030u, kTeal = 0xFF30A0A0u;
    QTemporaryDir dir;
    const QString exe = dir.path() + QStringLiteral("/photos.exe");
    ASSERT_TRUE(WriteWindowsShow(exe, ShowStream({{PhotoJpeg(kOrange), {}, 2},
                                                  {HalfBlackPng(9999, 9999, 5000), kWhite, 2},
                                                  {PhotoJpeg(kTeal), {}, 2},
                                                  {HalfBlackPng(9999, 9999, 0), {}, 2}},
                                                 true)));

    WineDesk desk(dir.path());
    ASSERT_TRUE(desk.StartX());
    desk.PaintRoot(kRoot);
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(exe);
    // The window at (100, 100), 400 x 300. The photos fill it (300 px high, 400 wide);
    // the square pictures fill its height, about 300 x 300 from x = 150, their middle at
    // x = 300; beside them, the fill: see-through.
    const auto photo = [](QRgb tint) {
        return [=](const QImage& s) {
            return Near(s.pixel(300, 250), tint, 40) && Near(s.pixel(105, 105), tint, 48) &&
                   Near(s.pixel(90, 250), kRoot, 0);
        };
    };
    const auto square = [](QRgb left, QRgb right) {
        return [=](const QImage& s) {
            return Near(s.pixel(200, 250), left, 0) && Near(s.pixel(400, 250), right, 0) &&
                   Near(s.pixel(120, 250), kRoot, 0);
        };
    };
    ASSERT_FALSE(desk.WaitForScreen(photo(kOrange), 120).isNull()) << "slide 1 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(square(kBlack, kRoot), 30).isNull())
        << "slide 2 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(photo(kTeal), 30).isNull()) << "slide 3 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(square(kWhite, kWhite), 30).isNull())
        << "slide 4 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(photo(kOrange), 30).isNull()) << "the show did not loop";
    // Every picture has been decoded by now (each next one while the one before showed).
    const qint64 peak = desk.ShowPeakMemoryKiB();
    std::printf("[ measured ] peak memory of the show: %lld KiB\n", static_cast<long long>(peak));
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 100 * 1024);
    desk.EndWithEscape(QPoint(300, 250), kRoot, false);
}

TEST(WindowsRuntime, RefusesWhatItCannotShowWithAMessageAndNamesASkippedSlideOnce) {
    LSR_NEEDS_WINE();
    QTemporaryDir dir;
    WineDesk desk(dir.path());
    ASSERT_TRUE(desk.StartX());
    desk.PaintRoot(kRoot);
    const QString log = dir.path() + QStringLiteral("/messages.txt");
    desk.LogMessagesTo(log);
    // The temporary files of the runtime: a .lsr document is extracted into one.
    const auto temporaryFiles = [&] {
        QStringList found;
        QDir users(dir.path() + QStringLiteral("/prefix/drive_c/users"));
        for (const QString& user : users.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& sub :
                 {QStringLiteral("/Temp"), QStringLiteral("/AppData/Local/Temp")})
                found += QDir(users.filePath(user) + sub).entryList({QStringLiteral("lsr*.tmp")});
        return found;
    };

    // Pictures whose headers already say they do not show: a JPEG cut after its start,
    // a PNG cut inside its header, no bytes at all, a GIF declaring 65535 x 65535 pixels
    // and nothing more.
    const QByteArray png = Png(SquareOn(kKey, kRed));
    const QByteArray gif = QByteArray("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00", 13);
    const std::vector<ShowSlide> undecodable{
        {QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'x'), {}, 1},
        {png.left(20), {}, 1},
        {QByteArray(), {}, 1},
        {gif, {}, 1}};
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    const QString emptyDocument = dir.path() + QStringLiteral("/empty.lsr");
    ASSERT_TRUE(WriteDocumentFile(emptyDocument));
    ResetWorld();

    // Each refusal is a message window captioned with the program's own name.
    struct Refusal {
        const char* name;
        QByteArray stream; ///< a show for Windows of this stream, or
        QStringList args;  ///< the runtime alone, named "show.exe", with these arguments
        QString prefix;    ///< before the message's text
        Msg message;
    };
    const Refusal refusals[] = {
        {"no slides", ShowStream({}, false), {}, {}, Msg::NoSlidesToPlay},
        {"no picture decodes", ShowStream(undecodable, true), {}, {}, Msg::NoSlideCanBeShown},
        {"no slides in a document file",
         {},
         {QStringLiteral("Z:") + emptyDocument},
         {},
         Msg::NoSlidesToPlay},
        {"a document file that is not there",
         {},
         {QStringLiteral("missing.lsr")},
         QStringLiteral("missing.lsr\n"),
         Msg::FileNotFound},
    };
    const QString exe = dir.path() + QStringLiteral("/show.exe");
    for (const Refusal& r : refusals) {
        QFile::remove(log);
        QFile::remove(exe);
        if (r.args.isEmpty())
            ASSERT_TRUE(WriteWindowsShow(exe, r.stream)) << r.name;
        else
            ASSERT_TRUE(QFile::copy(kRuntime, exe)) << r.name;
        desk.StartShow(exe, r.args);
        // The message is up (a new prefix is made first, the first time).
        const QString text = r.prefix + MessageText(r.message);
        ASSERT_TRUE(desk.WaitForText(log, text, 120)) << r.name;
        // Its caption is the program's name.
        QString windows;
        for (int i = 0; i < 50 && windows.isEmpty(); ++i) {
            windows = desk.XdotoolOutput({"search", "--name", "^show$"});
            if (windows.isEmpty())
                desk.Show().waitForFinished(100);
        }
        EXPECT_FALSE(windows.isEmpty()) << r.name << ": no window captioned \"show\"";
        // While it is up, a document file's stream is in a temporary file of its own.
        if (r.message == Msg::NoSlidesToPlay && !r.args.isEmpty()) {
            EXPECT_EQ(temporaryFiles().size(), 1) << r.name;
        }
        desk.AnswerMessage([](const QImage&) { return false; });
        ASSERT_TRUE(desk.Show().state() == QProcess::NotRunning ||
                    desk.Show().waitForFinished(30000))
            << r.name;
        EXPECT_EQ(desk.Show().exitCode(), 1) << r.name;
        EXPECT_EQ(QString::fromUtf8(ReadFileBytes(log)), text + QLatin1Char('\n')) << r.name;
        EXPECT_TRUE(temporaryFiles().isEmpty()) << r.name;
    }

    // A show whose second slide does not decode: it is named once, and the show goes on
    // with the others, loop after loop. The 200 x 150 pictures lie at (200, 175): the
    // first has a red square on its key colour, the third a blue one on white.
    ASSERT_TRUE(WriteWindowsShow(
        exe, ShowStream({{png, kKey, 1},
                         {QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'x'), {}, 1},
                         {Png(SquareOn(kWhite, kBlue)), {}, 1}},
                        true)));
    QFile::remove(log);
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(exe);
    const auto slideOne = [](const QImage& s) {
        return Near(s.pixel(300, 250), kRed, 0) && Near(s.pixel(210, 185), kRoot, 0);
    };
    const auto slideThree = [](const QImage& s) {
        return Near(s.pixel(300, 250), kBlue, 0) && Near(s.pixel(210, 185), kWhite, 0);
    };
    const QString skipped = QStringLiteral("スライド 2\n") + MessageText(Msg::SlidesSkipped) + '\n';
    // Slide 2's header already says it does not show: it is named as the show opens.
    ASSERT_TRUE(desk.WaitForText(log, skipped, 60)) << "slide 2 was not named";
    // Answered (the window lies over the show's middle), the show goes on: slide 1, 3,
    // 1, 3.
    desk.AnswerMessage(slideOne);
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 20).isNull()) << "slide 1 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(slideThree, 20).isNull()) << "the show stood still";
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 20).isNull()) << "the show did not loop";
    ASSERT_FALSE(desk.WaitForScreen(slideThree, 20).isNull()) << "slide 3 did not come again";
    desk.EndWithEscape(QPoint(300, 250), kRoot, false);
    EXPECT_EQ(QString::fromUtf8(ReadFileBytes(log)), skipped);
}

} // namespace
