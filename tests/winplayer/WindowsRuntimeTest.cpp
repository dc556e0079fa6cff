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

TEST(WindowsRuntime, IsAStaticPe32PlusProgramThatImportsOnlySystemDlls) {
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
}

// ---- Played under wine ---------------------------------------------------------------

constexpr QRgb kRoot = 0xFF336699u; // the desktop's colour beneath the show
constexpr QRgb kKey = 0xFF00FF00u;  // slide 1's transparent colour

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

    /// Starts the X server on a free display it picks itself (it writes the number).
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
        return true;
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

    void StartShow(const QString& exe, const QStringList& args = {}) {
        m_wineStarted = true;
        m_show.setProcessEnvironment(m_env);
        m_show.setWorkingDirectory(QFileInfo(exe).absolutePath());
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

    /// Answers a message box of the show with Enter, the pointer at `at` (over the box),
    /// until the box has gone: until `gone` holds of the screen or the show has ended
    /// (at most ten times, looking for up to a second each).
    void AnswerMessage(QPoint at, const std::function<bool(const QImage&)>& gone) {
        Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
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

    /// Ends the show with Escape, the pointer over `opaque` (a pixel of the show that
    /// `root` colours once it has gone). The window goes at once; wine then takes a few
    /// seconds to end the process. The keys go to the window under the pointer, and a
    /// key pressed before the window has the pointer is lost, so it is pressed again
    /// until the window has gone (at most ten times, looking for up to a second each).
    void EndWithEscape(QPoint opaque, QRgb root) {
        Xdotool({"mousemove", QString::number(opaque.x()), QString::number(opaque.y())});
        const auto gone = [&](const QImage& s) { return Near(s.pixel(opaque), root, 0); };
        bool left = false;
        for (int i = 0; i < 10 && !left && m_show.state() != QProcess::NotRunning; ++i) {
            Xdotool({"key", "Escape"});
            left = !WaitForScreen(gone, 1).isNull();
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

TEST(WindowsRuntime, PlaysUnderWineSeeThroughSwitchedByTheTimerAndEndedByEscape) {
    LSR_NEEDS_WINE();

    // Two slides of 200 x 150 in a window of the same size at (100, 100): a PNG with a
    // red square on the key colour, then a JPEG with a blue square on white, no key.
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    Document& doc = CurrentDocument();
    doc.slides[0].picture = Picture::fromBytes(Png(SquareOn(kKey, qRgb(255, 0, 0))));
    doc.slides[0].keyColor = kKey;
    doc.slides[0].switchTime = 3;
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    QImageWriter writer(&jpeg, "jpeg");
    writer.setQuality(95);
    ASSERT_TRUE(writer.write(SquareOn(qRgb(255, 255, 255), qRgb(0, 0, 255))));
    doc.slides[1].picture = Picture::fromBytes(jpeg.data());
    ASSERT_TRUE(doc.slides[1].picture);
    doc.slides[1].keyColor = std::nullopt;
    doc.slides[1].switchTime = 600;
    doc.slideCount = 2;
    doc.header.slideshowRect = QRect(100, 100, 200, 150);
    doc.header.timerSwitch = 1;
    doc.header.loop = 0;
    doc.header.topMost = 1;
    doc.header.fitToWindow = 0;

    // Written into a folder of its own with a Japanese name, as a recipient would keep it.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("スライド ショー")));
    const QString exe = dir.path() + QStringLiteral("/スライド ショー/見本.exe");
    ASSERT_TRUE(CreateExecutable(exe, {}, RuntimeTarget::Windows));
    const QString lsr = dir.path() + QStringLiteral("/スライド ショー/見本.lsr");
    ASSERT_TRUE(WriteDocumentFile(lsr));
    EXPECT_TRUE(prompts.messageIds().isEmpty());

    WineDesk desk(dir.path());
    ASSERT_TRUE(desk.StartX());
    desk.PaintRoot(kRoot);
    ASSERT_TRUE(Near(desk.Screen().pixel(320, 240), kRoot, 0)) << "the root colour was not set";

    // The window grows from the pointer: from the screen's centre it ends exactly at
    // (100, 100), as the offsets of -220 and -140 divide by the 20 steps.
    desk.Xdotool({"mousemove", "320", "240"});
    QElapsedTimer started;
    started.start();
    desk.StartShow(exe);
    // Slide 1 at its place: the square's corners and middle are red. A new wine prefix
    // takes several seconds to make.
    const auto slideOne = [](const QImage& s) {
        return Near(s.pixel(150, 140), qRgb(255, 0, 0), 0) &&
               Near(s.pixel(249, 209), qRgb(255, 0, 0), 0) &&
               Near(s.pixel(200, 175), qRgb(255, 0, 0), 0);
    };
    const QImage first = desk.WaitForScreen(slideOne, 90);
    ASSERT_FALSE(first.isNull()) << "slide 1 never appeared";
    std::printf("[ measured ] wine start to slide 1 on the screen: %lld ms\n",
                static_cast<long long>(started.elapsed()));
    if (const QString keep = qEnvironmentVariable("LSR_WINE_SCREENSHOT"); !keep.isEmpty())
        first.save(keep);
    // The key pixels show the desktop beneath: inside the window's corners and beside
    // the square; outside the window the desktop too.
    for (const QPoint p : {QPoint(100, 100), QPoint(110, 110), QPoint(299, 249), QPoint(149, 175),
                           QPoint(250, 175), QPoint(20, 20)})
        EXPECT_TRUE(Near(first.pixel(p), kRoot, 0))
            << p.x() << "," << p.y() << ": " << std::hex << first.pixel(p);

    // The timer switches to slide 2 after its 3 seconds; without a key the whole
    // picture shows (JPEG: nearly the colours written).
    const auto slideTwo = [](const QImage& s) {
        return Near(s.pixel(200, 175), qRgb(0, 0, 255), 24) &&
               Near(s.pixel(110, 110), qRgb(255, 255, 255), 24);
    };
    const QImage second = desk.WaitForScreen(slideTwo, 20);
    ASSERT_FALSE(second.isNull()) << "slide 2 never appeared";
    EXPECT_TRUE(Near(second.pixel(20, 20), kRoot, 0));

    desk.EndWithEscape(QPoint(200, 175), kRoot);

    // The runtime also plays a document file named as its argument: a cabinet, opened
    // with the system's cabinet library.
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(kRuntime, {lsr});
    EXPECT_FALSE(desk.WaitForScreen(slideOne, 30).isNull())
        << "the document's slide 1 never appeared";
    desk.EndWithEscape(QPoint(200, 175), kRoot);
    ResetWorld();
}

// ---- Shows made byte by byte --------------------------------------------------------

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

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

TEST(WindowsRuntime, PlaysPicturesOfNearlyAHundredMegapixelsWithinBoundedMemory) {
    LSR_NEEDS_WINE();
    // Three pictures of 9999 x 9999 (1-bit grey PNGs of a few kilobytes each), two
    // seconds each, looping: black left of the middle with white as the key; all black;
    // all white. Decoded whole they would take 400 MB each.
    QTemporaryDir dir;
    const QString exe = dir.path() + QStringLiteral("/huge.exe");
    ASSERT_TRUE(WriteWindowsShow(exe, ShowStream({{HalfBlackPng(9999, 9999, 5000), kWhite, 2},
                                                  {HalfBlackPng(9999, 9999, 9999), {}, 2},
                                                  {HalfBlackPng(9999, 9999, 0), {}, 2}},
                                                 true)));

    WineDesk desk(dir.path());
    ASSERT_TRUE(desk.StartX());
    desk.PaintRoot(kRoot);
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(exe);
    // The window at (100, 100), 400 x 300; the square picture fills its height, about
    // 300 x 300 from x = 150; its middle is at x = 300. Beside it, the fill: see-through.
    const auto shows = [](QRgb left, QRgb right) {
        return [=](const QImage& s) {
            return Near(s.pixel(200, 250), left, 0) && Near(s.pixel(400, 250), right, 0) &&
                   Near(s.pixel(120, 250), kRoot, 0);
        };
    };
    ASSERT_FALSE(desk.WaitForScreen(shows(kBlack, kRoot), 120).isNull())
        << "slide 1 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(shows(kBlack, kBlack), 30).isNull())
        << "slide 2 never appeared";
    ASSERT_FALSE(desk.WaitForScreen(shows(kWhite, kWhite), 30).isNull())
        << "slide 3 never appeared";
    // Every picture has been decoded by now (the third while the second showed).
    const qint64 peak = desk.ShowPeakMemoryKiB();
    std::printf("[ measured ] peak memory of the show: %lld KiB\n", static_cast<long long>(peak));
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 300 * 1024);
    desk.EndWithEscape(QPoint(200, 250), kRoot);
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

    // Pictures that do not decode: a JPEG cut after its start, a PNG cut after its
    // header, no bytes at all, a GIF declaring 65535 x 65535 pixels and nothing more.
    const QByteArray png = Png(SquareOn(kKey, qRgb(255, 0, 0)));
    const QByteArray gif = QByteArray("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00", 13);
    const std::vector<ShowSlide> undecodable{
        {QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'x'), {}, 1},
        {png.left(40), {}, 1},
        {QByteArray(), {}, 1},
        {gif, {}, 1}};
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    const QString emptyDocument = dir.path() + QStringLiteral("/empty.lsr");
    ASSERT_TRUE(WriteDocumentFile(emptyDocument));
    ResetWorld();

    struct Refusal {
        const char* name;
        QByteArray stream; ///< a show for Windows of this stream, or
        QString document;  ///< this document file, played by the runtime
        Msg message;
    };
    const Refusal refusals[] = {
        {"no slides", ShowStream({}, false), {}, Msg::NoSlidesToPlay},
        {"no picture decodes", ShowStream(undecodable, true), {}, Msg::NoSlideCanBeShown},
        {"no slides in a document file", {}, emptyDocument, Msg::NoSlidesToPlay},
    };
    const QString exe = dir.path() + QStringLiteral("/show.exe");
    for (const Refusal& r : refusals) {
        QFile::remove(log);
        if (r.document.isEmpty()) {
            ASSERT_TRUE(WriteWindowsShow(exe, r.stream)) << r.name;
            desk.StartShow(exe);
        } else {
            desk.StartShow(kRuntime, {QStringLiteral("Z:") + r.document});
        }
        // The message is up (a new prefix is made first, the first time).
        const QString text = MessageText(r.message);
        ASSERT_TRUE(desk.WaitForText(log, text, 120)) << r.name;
        // While it is up, a document file's stream is in a temporary file of its own.
        if (!r.document.isEmpty()) {
            EXPECT_EQ(temporaryFiles().size(), 1) << r.name;
        }
        desk.AnswerMessage(QPoint(320, 240), [](const QImage&) { return false; });
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
                         {Png(SquareOn(qRgb(255, 255, 255), qRgb(0, 0, 255))), {}, 1}},
                        true)));
    QFile::remove(log);
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(exe);
    const auto slideOne = [](const QImage& s) {
        return Near(s.pixel(300, 250), qRgb(255, 0, 0), 0) && Near(s.pixel(210, 185), kRoot, 0);
    };
    const auto slideThree = [](const QImage& s) {
        return Near(s.pixel(300, 250), qRgb(0, 0, 255), 0) &&
               Near(s.pixel(210, 185), qRgb(255, 255, 255), 0);
    };
    const QString skipped = QStringLiteral("スライド 2\n") + MessageText(Msg::SlidesSkipped) + '\n';
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 60).isNull()) << "slide 1 never appeared";
    ASSERT_TRUE(desk.WaitForText(log, skipped, 30)) << "slide 2 was not named";
    // Answered (the box lies over the show's middle), the show goes on: slide 1, 3, 1, 3.
    desk.AnswerMessage(QPoint(320, 240), slideOne);
    ASSERT_FALSE(desk.WaitForScreen(slideThree, 20).isNull()) << "the show stood still";
    ASSERT_FALSE(desk.WaitForScreen(slideOne, 20).isNull()) << "the show did not loop";
    ASSERT_FALSE(desk.WaitForScreen(slideThree, 20).isNull()) << "slide 3 did not come again";
    desk.EndWithEscape(QPoint(300, 250), kRoot);
    EXPECT_EQ(QString::fromUtf8(ReadFileBytes(log)), skipped);
}

} // namespace
