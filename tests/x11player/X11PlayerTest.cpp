// The slideshow player runtime (LsrCtrl.dll, the X11 shell of the show engine): what it
// links, its size, and slideshows played on a virtual X server, with and without a
// compositing manager, with no Qt library anywhere it could load one from; slideshows
// exported by luserio played the same way.

#include "packaging/Cabinet.h"
#include "tests/support/Fixtures.h"
#include "tests/support/HugePicture.h"
#include "tests/support/MeasuredRun.h"
#include "tests/support/RunProgram.h"
#include "tests/x11player/XClient.h"

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

const QString kRuntime = QStringLiteral(LSR_BINARY_DIR "/LsrCtrl.dll");
const QString kLuserio = QStringLiteral(LSR_BINARY_DIR "/luserio");

#define LSR_NEEDS_RUNTIME()                                                                        \
    do {                                                                                           \
        if (!QFileInfo::exists(kRuntime)) {                                                        \
            GTEST_SKIP() << "no player runtime for this system";                                   \
        }                                                                                          \
    } while (false)

/// Runs a tool to its end; its standard output, empty when it failed.
QByteArray RunTool(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return QByteArray();
    }
    return p.exitStatus() == QProcess::NormalExit ? p.readAllStandardOutput() : QByteArray();
}

// ---- What it is made of ------------------------------------------------------------

TEST(X11Runtime, NeedsOnlyTheCLibraryAndTheXClientLibraries) {
    LSR_NEEDS_RUNTIME();
    const QString dynamic = QString::fromUtf8(RunTool(QStringLiteral("readelf"), {"-d", kRuntime}));
    ASSERT_FALSE(dynamic.isEmpty());
    const QSet<QString> allowed{"libc.so.6",         "libm.so.6",    "ld-linux-x86-64.so.2",
                                "libX11.so.6",       "libXext.so.6", "libXft.so.2",
                                "libfontconfig.so.1"};
    QStringList needed;
    const QRegularExpression entry(
        QStringLiteral("\\(NEEDED\\)\\s+Shared library: \\[([^\\]]+)\\]"));
    for (auto it = entry.globalMatch(dynamic); it.hasNext();)
        needed << it.next().captured(1);
    EXPECT_TRUE(needed.contains("libX11.so.6")) << needed.join(' ').toStdString();
    for (const QString& name : needed)
        EXPECT_TRUE(allowed.contains(name)) << name.toStdString();

    // Every versioned C library symbol it imports is from glibc 2.34 or older.
    const QString symbols = QString::fromUtf8(RunTool(QStringLiteral("objdump"), {"-T", kRuntime}));
    ASSERT_FALSE(symbols.isEmpty());
    const QRegularExpression version(
        QStringLiteral("\\(GLIBC_(\\d+)\\.(\\d+)(?:\\.\\d+)?\\)\\s+(\\S+)"));
    int count = 0;
    for (auto it = version.globalMatch(symbols); it.hasNext();) {
        const auto m = it.next();
        ++count;
        EXPECT_TRUE(m.captured(1).toInt() < 2 ||
                    (m.captured(1).toInt() == 2 && m.captured(2).toInt() <= 34))
            << m.captured(3).toStdString() << " needs GLIBC_" << m.captured(1).toStdString() << "."
            << m.captured(2).toStdString();
    }
    EXPECT_GT(count, 10);

    // Whatever the loader would find: no Qt, no C++ library of the system's.
    const QString resolved = QString::fromUtf8(RunTool(QStringLiteral("ldd"), {kRuntime}));
    ASSERT_FALSE(resolved.isEmpty());
    for (const char* foreign : {"libQt", "libstdc++", "libgcc_s", "libjpeg", "libturbojpeg"})
        EXPECT_FALSE(resolved.contains(QLatin1String(foreign))) << foreign;
}

TEST(X11Runtime, AddsLessThanThreeMegabytesToASlideshow) {
    LSR_NEEDS_RUNTIME();
    const qint64 size = QFileInfo(kRuntime).size();
    std::printf("[ measured ] LsrCtrl.dll: %lld bytes\n", static_cast<long long>(size));
    EXPECT_GT(size, 100 * 1024);
    EXPECT_LT(size, 3 * 1024 * 1024);
}

// ---- Documents made byte by byte ------------------------------------------------------

constexpr QRgb kDesktop = 0xFF336699u; // the desktop's colour
constexpr QRgb kBeneath = 0xFFCC8800u; // a window beneath the show
constexpr QRgb kKey = 0xFF00FF00u;     // slide 1's transparent colour

struct ShowSlide {
    QByteArray picture;
    std::optional<QRgb> key;
    quint16 seconds = 1;
};

struct ShowHeader {
    bool loop = false;
    bool timer = true;
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

/// The document stream of `slides`: the window at (100, 100), 200 x 150, topmost.
QByteArray ShowStream(const std::vector<ShowSlide>& slides, ShowHeader h) {
    QByteArray s("LSR001    ", 10);
    for (int i = 0; i < 4; ++i)
        PutLE32(s, 0);
    for (quint32 v : {100u, 100u, 300u, 250u})
        PutLE32(s, v);
    for (quint32 v : {h.loop ? 1u : 0u, h.timer ? 1u : 0u, 0u, 1u, 0u}) // loop, timer, -, top, fit
        PutLE32(s, v);
    s.append(QByteArray(12, '\0'));
    PutBE32(s, quint32(slides.size()));
    for (const ShowSlide& slide : slides) {
        for (int i = 0; i < 3; ++i)
            PutLE32(s, 0);
        PutLE32(s, slide.key ? quint32(qBlue(*slide.key) << 16 | qGreen(*slide.key) << 8 |
                                       qRed(*slide.key))
                             : 0xFFFFFFFFu);
        s.append(char(slide.seconds & 0xFF)).append(char(slide.seconds >> 8));
        s.append(QByteArray(10, '\0'));
    }
    for (const ShowSlide& slide : slides) {
        PutBE32(s, quint32(slide.picture.size()));
        s += slide.picture;
    }
    return s;
}

/// A slideshow as the export writes it: the runtime, `stream`, the trailer.
bool WriteSlideshow(const QString& path, const QByteArray& stream) {
    const QByteArray runtime = ReadFileBytes(kRuntime);
    QByteArray trailer("\x03\xCA\x19\x3A", 4);
    PutBE32(trailer, quint32(runtime.size()));
    if (runtime.isEmpty() || !WriteFileBytes(path, runtime + stream + trailer))
        return false;
    return QFile::setPermissions(path, QFile::permissions(kRuntime));
}

/// A document file: a cabinet holding `stream`.
bool WriteDocumentFileOf(const QString& path, const QByteArray& stream) {
    QByteArray in = stream;
    QBuffer source(&in);
    source.open(QIODevice::ReadOnly);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    return cab::WriteCabinet(out, source, in.size(), QStringLiteral("document.stream"), 0x5A2A,
                             0x6000, 0x20) == cab::Status::Ok;
}

/// A 200 x 150 picture of `back` with a 100 x 70 square of `square` at (50, 40).
QImage SquareOn(QRgb back, QRgb square) {
    QImage img(200, 150, QImage::Format_RGB32);
    img.fill(back);
    QPainter(&img).fillRect(50, 40, 100, 70, QColor::fromRgb(square));
    return img;
}

QByteArray Encoded(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.write(image);
    return buffer.data();
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

/// Slide 1: a red square on the key colour (PNG), 2 s; slide 2: a blue square on white
/// (JPEG, no key), 600 s.
std::vector<ShowSlide> TwoSlides(quint16 firstSeconds = 2) {
    return {{Encoded(SquareOn(kKey, qRgb(255, 0, 0)), "png"), kKey, firstSeconds},
            {Encoded(SquareOn(qRgb(255, 255, 255), qRgb(0, 0, 255)), "jpeg"), {}, 600}};
}

// ---- A virtual desktop ---------------------------------------------------------------

/// A virtual X server of the test's own, optionally a compositing manager on it, and the
/// show started there; everything is stopped when it goes.
class Desk {
public:
    explicit Desk(const QString& folder) : m_folder(folder) {}
    ~Desk() {
        m_client.Close();
        for (QProcess* p : {&m_show, &m_compositor, &m_manager, &m_x}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    bool Start() {
        m_x.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "640x480x24",
                                           "-noreset", "-nolisten", "tcp"});
        QByteArray number;
        while (!number.contains('\n') && m_x.waitForReadyRead(20000))
            number += m_x.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return false;
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        // The show's environment: this display, a temporary folder of its own, and
        // nothing on the library path (no Qt to be found).
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("LD_LIBRARY_PATH"), QString());
        m_env.insert(QStringLiteral("TMPDIR"), Temp());
        QDir().mkpath(Temp());
        if (!m_client.Open(m_display.toStdString()))
            return false;
        m_client.PaintDesktop(kDesktop & 0xFFFFFFu);
        return true;
    }

    /// Starts a compositing manager; true when it holds the screen's selection.
    bool StartCompositor() {
        m_compositor.setProcessEnvironment(m_env);
        m_compositor.start(QStringLiteral("xcompmgr"), QStringList());
        if (!m_compositor.waitForStarted(5000))
            return false;
        // It takes the compositing selection when it is up: looked at until it does.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && m_compositor.state() == QProcess::Running) {
            if (m_client.SelectionOwned("_NET_WM_CM_S0"))
                return true;
            m_compositor.waitForFinished(50);
        }
        return false;
    }

    /// Starts a window manager (openbox); true when it holds the screen's WM selection.
    bool StartWindowManager() {
        m_manager.setProcessEnvironment(m_env);
        m_manager.start(QStringLiteral("openbox"), QStringList());
        if (!m_manager.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && m_manager.state() == QProcess::Running) {
            if (m_client.SelectionOwned("WM_S0"))
                return true;
            m_manager.waitForFinished(50);
        }
        return false;
    }

    QString Temp() const { return m_folder + QStringLiteral("/tmp"); }
    /// The show's environment as "NAME=value" entries (for RunMeasured).
    QStringList Environment() const {
        return {QStringLiteral("DISPLAY=") + m_display, QStringLiteral("LD_LIBRARY_PATH="),
                QStringLiteral("TMPDIR=") + Temp()};
    }
    x11test::XClient& Client() { return m_client; }

    void LogMessagesTo(const QString& path) {
        m_env.insert(QStringLiteral("LSR_MESSAGE_LOG"), path);
    }

    void StartShow(const QString& program, const QStringList& args = {},
                   const QString& folder = {}) {
        m_show.setProcessEnvironment(m_env);
        m_show.setWorkingDirectory(folder.isEmpty() ? m_folder : folder);
        m_show.start(program, args);
    }
    QProcess& Show() { return m_show; }

    QImage Screen() {
        return QImage::fromData(
            RunTool(QStringLiteral("import"), {"-window", "root", "png:-"}, m_env), "PNG");
    }

    /// Looks at the screen until `seen` holds of it, for at most `seconds`, waiting up
    /// to 100 ms between two looks for the show to end (which ends the looking too).
    QImage WaitForScreen(const std::function<bool(const QImage&)>& seen, int seconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000LL) {
            const QImage shot = Screen();
            if (!shot.isNull() && seen(shot))
                return shot;
            if (m_show.state() == QProcess::NotRunning || m_show.waitForFinished(100))
                break;
        }
        return QImage();
    }

    void Xdotool(const QStringList& args) { RunTool(QStringLiteral("xdotool"), args, m_env); }

    /// Waits up to `seconds` for `path` to hold `text`, or the show to end.
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

    /// Presses `key` until the show has ended (at most ten times, waiting up to a
    /// second each): a key pressed before the show has the keyboard is lost.
    void PressUntilEnded(const char* key) {
        for (int i = 0; i < 10 && m_show.state() != QProcess::NotRunning; ++i) {
            Xdotool({"key", key});
            m_show.waitForFinished(1000);
        }
    }

private:
    QString m_folder;
    QProcess m_x, m_compositor, m_manager, m_show;
    QString m_display;
    QProcessEnvironment m_env;
    x11test::XClient m_client;
};

#define LSR_NEEDS_DESK(...)                                                                        \
    do {                                                                                           \
        LSR_NEEDS_RUNTIME();                                                                       \
        for (const char* tool : {"Xvfb", "import", "xdotool", ##__VA_ARGS__})                      \
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {             \
                GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";              \
            }                                                                                      \
    } while (false)

// Slide 1 at (100, 100): the red square's corners and middle.
bool SlideOne(const QImage& s) {
    return Near(s.pixel(150, 140), qRgb(255, 0, 0), 0) &&
           Near(s.pixel(249, 209), qRgb(255, 0, 0), 0) &&
           Near(s.pixel(200, 175), qRgb(255, 0, 0), 0);
}
// Slide 2: blue in the middle, white at the window's corner (JPEG: nearly).
bool SlideTwo(const QImage& s) {
    return Near(s.pixel(200, 175), qRgb(0, 0, 255), 24) &&
           Near(s.pixel(110, 110), qRgb(255, 255, 255), 24);
}

/// The timer show: see-through and click-through on the key, the second slide by the
/// timer, Escape to end; `compositing` with a compositing manager on the screen.
void PlayTimerShow(bool compositing) {
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    if (compositing) {
        ASSERT_TRUE(desk.StartCompositor()) << "xcompmgr did not start";
    }
    // A window beneath the show's top-left key pixels.
    desk.Client().MapRecorder(100, 100, 40, 30, kBeneath & 0xFFFFFFu);
    const QString show = dir.path() + QStringLiteral("/見本");
    ASSERT_TRUE(WriteSlideshow(show, ShowStream(TwoSlides(), ShowHeader{})));

    // From the screen's centre the window ends exactly at (100, 100).
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(show);
    const QImage first = desk.WaitForScreen(SlideOne, 30);
    ASSERT_FALSE(first.isNull()) << "slide 1 never appeared";
    // The key pixels show what lies beneath: the window there, the desktop elsewhere.
    EXPECT_TRUE(Near(first.pixel(110, 110), kBeneath, 0)) << std::hex << first.pixel(110, 110);
    for (const QPoint p : {QPoint(299, 249), QPoint(149, 175), QPoint(250, 175), QPoint(20, 20)})
        EXPECT_TRUE(Near(first.pixel(p), kDesktop, 0))
            << p.x() << "," << p.y() << ": " << std::hex << first.pixel(p);

    // The window the server sees: borderless, no taskbar entry, above the others, and
    // see-through as the screen allows.
    const x11test::WindowFacts facts = desk.Client().FindWindow("見本");
    ASSERT_TRUE(facts.found);
    EXPECT_TRUE(facts.borderless);
    EXPECT_TRUE(facts.skipTaskbar);
    EXPECT_TRUE(facts.above);
    if (compositing) {
        EXPECT_EQ(facts.depth, 32);
        EXPECT_FALSE(facts.boundingShaped);
        EXPECT_GT(facts.inputRectangles, 0);
        EXPECT_FALSE(facts.inputCoversAll);
    } else {
        EXPECT_EQ(facts.depth, 24);
        EXPECT_TRUE(facts.boundingShaped);
    }

    // A click on a key pixel reaches the window beneath.
    desk.Xdotool({"mousemove", "110", "110", "click", "1"});
    EXPECT_TRUE(desk.Client().WaitForRecordedPress(5000)) << "the click did not go through";

    // The timer brings slide 2.
    desk.Xdotool({"mousemove", "200", "175"});
    ASSERT_FALSE(desk.WaitForScreen(SlideTwo, 10).isNull()) << "slide 2 never appeared";

    // Escape ends the show.
    desk.PressUntilEnded("Escape");
    ASSERT_EQ(desk.Show().state(), QProcess::NotRunning) << "Escape did not end the show";
    EXPECT_EQ(desk.Show().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, ShapedWhereNothingCompositesSeeAndClickThroughTimerAndEscape) {
    LSR_NEEDS_DESK();
    PlayTimerShow(false);
}

TEST(X11Runtime, TranslucentUnderACompositingManagerSeeAndClickThroughTimerAndEscape) {
    LSR_NEEDS_DESK("xcompmgr");
    PlayTimerShow(true);
}

TEST(X11Runtime, ClickSwitchingFromADocumentFileNamedRelatively) {
    LSR_NEEDS_DESK();
    // A document file named by a path relative to the working folder; click switching,
    // no loop: a click brings slide 2, a click on the last slide ends the show.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("docs")));
    ShowHeader header;
    header.timer = false;
    ASSERT_TRUE(WriteDocumentFileOf(dir.path() + QStringLiteral("/docs/clicks.lsr"),
                                    ShowStream(TwoSlides(1), header)));
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(kRuntime, {QStringLiteral("docs/clicks.lsr")}, dir.path());
    ASSERT_FALSE(desk.WaitForScreen(SlideOne, 30).isNull()) << "slide 1 never appeared";
    // While it plays, its temporary file is in no folder.
    EXPECT_TRUE(QDir(desk.Temp()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    // Time alone does not switch: slide 1's second passes (looked at for two seconds).
    EXPECT_TRUE(desk.WaitForScreen(SlideTwo, 2).isNull());
    desk.Xdotool({"mousemove", "200", "175", "click", "1"});
    ASSERT_FALSE(desk.WaitForScreen(SlideTwo, 10).isNull()) << "the click did not switch";
    // A few pixels away, so the two clicks make no double click.
    desk.Xdotool({"mousemove", "220", "185", "click", "1"});
    ASSERT_TRUE(desk.Show().waitForFinished(10000)) << "a click on the last slide did not end it";
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, ItsContextMenuTurnsTimerSwitchingIntoClickSwitching) {
    LSR_NEEDS_DESK();
    // Timer switching with slides of ten minutes: a click does not switch. The menu's
    // クリック切替え(&C), chosen with its letter, makes the next click switch.
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    const QString show = dir.path() + QStringLiteral("/menu");
    std::vector<ShowSlide> slides = TwoSlides(600);
    ASSERT_TRUE(WriteSlideshow(show, ShowStream(slides, ShowHeader{})));
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(show);
    ASSERT_FALSE(desk.WaitForScreen(SlideOne, 30).isNull()) << "slide 1 never appeared";
    desk.Xdotool({"mousemove", "200", "175", "click", "1"});
    EXPECT_TRUE(desk.WaitForScreen(SlideTwo, 2).isNull()) << "a click switched in timer switching";

    desk.Xdotool({"click", "3"});
    QElapsedTimer clock;
    clock.start();
    while (!desk.Client().TypedWindowMapped("POPUP_MENU") && clock.elapsed() < 10000)
        desk.Show().waitForFinished(50);
    ASSERT_TRUE(desk.Client().TypedWindowMapped("POPUP_MENU")) << "the menu did not open";
    desk.Xdotool({"key", "c"});
    clock.restart();
    while (desk.Client().TypedWindowMapped("POPUP_MENU") && clock.elapsed() < 10000)
        desk.Show().waitForFinished(50);
    EXPECT_FALSE(desk.Client().TypedWindowMapped("POPUP_MENU")) << "the menu stayed open";

    desk.Xdotool({"click", "1"});
    EXPECT_FALSE(desk.WaitForScreen(SlideTwo, 10).isNull()) << "the click did not switch";
    EXPECT_EQ(desk.Show().state(), QProcess::Running);
    desk.PressUntilEnded("Escape");
    ASSERT_EQ(desk.Show().state(), QProcess::NotRunning);
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, PlaysPicturesOfNearlyAHundredMegapixelsWithinBoundedMemory) {
    LSR_NEEDS_DESK();
    // Three pictures of 9999 x 9999 (1-bit PNGs of a few kilobytes), two seconds each,
    // looping: black left of the middle with white as the key; all black; all white.
    // Decoded whole they would take 400 MB each.
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    const QString show = dir.path() + QStringLiteral("/huge");
    const QRgb white = 0xFFFFFFFFu, black = 0xFF000000u;
    ASSERT_TRUE(WriteSlideshow(show, ShowStream({{HalfBlackPng(9999, 9999, 5000), white, 2},
                                                 {HalfBlackPng(9999, 9999, 9999), {}, 2},
                                                 {HalfBlackPng(9999, 9999, 0), {}, 2}},
                                                ShowHeader{true, true})));
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(show);
    // The window at (100, 100), 200 x 150: the square picture fills its height, 150 x 150
    // from x = 125, its middle at x = 200. Beside it, the fill: see-through.
    const auto shows = [](QRgb left, QRgb right) {
        return [=](const QImage& s) {
            return Near(s.pixel(150, 175), left, 0) && Near(s.pixel(250, 175), right, 0) &&
                   Near(s.pixel(110, 175), kDesktop, 0);
        };
    };
    ASSERT_FALSE(desk.WaitForScreen(shows(black, kDesktop), 60).isNull()) << "slide 1";
    ASSERT_FALSE(desk.WaitForScreen(shows(black, black), 30).isNull()) << "slide 2";
    ASSERT_FALSE(desk.WaitForScreen(shows(white, white), 30).isNull()) << "slide 3";
    // Every picture has been decoded by now (the third while the second showed).
    QFile status(QStringLiteral("/proc/%1/status").arg(desk.Show().processId()));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const auto hwm = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB"))
                         .match(QString::fromLatin1(status.readAll()));
    ASSERT_TRUE(hwm.hasMatch());
    const qint64 peakKiB = hwm.captured(1).toLongLong();
    std::printf("[ measured ] peak memory of the show: %lld KiB\n",
                static_cast<long long>(peakKiB));
    EXPECT_LT(peakKiB, 100 * 1024);
    desk.PressUntilEnded("Escape");
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, RefusesWhatItCannotPlayWithAMessageCaptionedWithItsName) {
    LSR_NEEDS_DESK();
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    const QString log = dir.path() + QStringLiteral("/messages.txt");
    desk.LogMessagesTo(log);

    const QByteArray png = Encoded(SquareOn(kKey, qRgb(255, 0, 0)), "png");
    const std::vector<ShowSlide> undecodable{
        {QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'x'), {}, 1},
        {png.left(40), {}, 1},
        {QByteArray(), {}, 1}};
    const QString emptyDocument = dir.path() + QStringLiteral("/empty.lsr");
    ASSERT_TRUE(WriteDocumentFileOf(emptyDocument, ShowStream({}, ShowHeader{})));
    const QString missing = dir.path() + QStringLiteral("/gone.lsr");
    const QString emptyFile = dir.path() + QStringLiteral("/empty.bin");
    ASSERT_TRUE(WriteFileBytes(emptyFile, QByteArray()));

    struct Refusal {
        const char* name;
        QByteArray stream; ///< a slideshow of this stream named "show.bin", or
        QString argument;  ///< the runtime playing this file
        QString text;
        QString caption;
    };
    const Refusal refusals[] = {
        {"no slides",
         ShowStream({}, ShowHeader{}),
         {},
         QStringLiteral("このドキュメントにはスライドがないため"),
         QStringLiteral("show")},
        {"no picture decodes",
         ShowStream(undecodable, ShowHeader{true, true}),
         {},
         QStringLiteral("表示できるスライドがないため"),
         QStringLiteral("show")},
        {"a document file without slides",
         {},
         emptyDocument,
         QStringLiteral("このドキュメントにはスライドがないため"),
         QStringLiteral("LsrCtrl")},
        {"a slideshow whose stream is empty",
         QByteArray(),
         {},
         QStringLiteral("再生するスライドがありません"),
         QStringLiteral("show")},
        {"an empty file",
         {},
         emptyFile,
         emptyFile + QStringLiteral("\nファイル形式が異なります"),
         QStringLiteral("LsrCtrl")},
        {"a missing document file",
         {},
         missing,
         missing + QStringLiteral("\nファイルが見つかりません"),
         QStringLiteral("LsrCtrl")},
    };
    const QString show = dir.path() + QStringLiteral("/show.bin");
    for (const Refusal& r : refusals) {
        QFile::remove(log);
        if (r.argument.isEmpty()) {
            ASSERT_TRUE(WriteSlideshow(show, r.stream)) << r.name;
            desk.StartShow(show);
        } else {
            desk.StartShow(kRuntime, {r.argument});
        }
        // Messages before it (slides passed over) are answered as they come.
        QElapsedTimer waited;
        waited.start();
        while (!QString::fromUtf8(ReadFileBytes(log)).contains(r.text) &&
               waited.elapsed() < 30000 && desk.Show().state() != QProcess::NotRunning) {
            if (!ReadFileBytes(log).isEmpty() &&
                desk.Client().TitledWindowMapped(r.caption.toStdString()))
                desk.Xdotool({"key", "Return"});
            desk.WaitForText(log, r.text, 1);
        }
        ASSERT_TRUE(QString::fromUtf8(ReadFileBytes(log)).contains(r.text)) << r.name;
        // The message window is up, titled with the program's name, its extension off.
        QElapsedTimer clock;
        clock.start();
        while (!desk.Client().TitledWindowMapped(r.caption.toStdString()) &&
               clock.elapsed() < 10000 && !desk.Show().waitForFinished(100)) {
        }
        EXPECT_TRUE(desk.Client().TitledWindowMapped(r.caption.toStdString())) << r.name;
        // Enter answers it; the program ends with 1 and leaves no temporary file.
        desk.PressUntilEnded("Return");
        ASSERT_EQ(desk.Show().state(), QProcess::NotRunning) << r.name;
        EXPECT_EQ(desk.Show().exitCode(), 1) << r.name;
        EXPECT_TRUE(
            QDir(desk.Temp()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            << r.name;
    }
}

// ---- Its keys and its sizing border -------------------------------------------------

TEST(X11Runtime, ItsKeysGoToTheShowAndADoubleClickGivesASizingBorder) {
    LSR_NEEDS_DESK();
    // Two slides of ten minutes filling the window at (100, 100), 200 x 150, no key: the
    // first red in its top-left quarter and blue elsewhere, the second green.
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 255));
    QPainter(&picture).fillRect(0, 0, 100, 75, QColor(255, 0, 0));
    const QString show = dir.path() + QStringLiteral("/keys");
    QImage green(200, 150, QImage::Format_RGB32);
    green.fill(qRgb(0, 255, 0));
    ASSERT_TRUE(WriteSlideshow(
        show, ShowStream({{Encoded(picture, "png"), {}, 600}, {Encoded(green, "png"), {}, 600}},
                         ShowHeader{})));
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(show);
    // The quarters' middles on the screen.
    const QPoint topLeft(150, 137), topRight(250, 137), bottomRight(250, 212);
    const QRgb red = qRgb(255, 0, 0);
    const auto redAt = [&](QPoint p) {
        return [=](const QImage& s) { return Near(s.pixel(p), red, 0); };
    };
    ASSERT_FALSE(desk.WaitForScreen(redAt(topLeft), 30).isNull()) << "the slide never appeared";
    desk.Xdotool({"mousemove", "200", "175"});
    // Page Down goes on to slide 2, Home back to slide 1.
    desk.Xdotool({"key", "Next"});
    EXPECT_FALSE(
        desk.WaitForScreen(
                [&](const QImage& s) { return Near(s.pixel(topLeft), qRgb(0, 255, 0), 0); }, 10)
            .isNull())
        << "Page Down did not go on";
    desk.Xdotool({"key", "Home"});
    ASSERT_FALSE(desk.WaitForScreen(redAt(topLeft), 10).isNull()) << "Home did not go back";
    // → mirrors left to right, ↑ top to bottom.
    desk.Xdotool({"key", "Right"});
    EXPECT_FALSE(desk.WaitForScreen(redAt(topRight), 10).isNull()) << "→ did not mirror";
    desk.Xdotool({"key", "Up"});
    EXPECT_FALSE(desk.WaitForScreen(redAt(bottomRight), 10).isNull()) << "↑ did not mirror";

    // A double click: the sizing border (its face 212, 208, 200) around the window.
    const QRgb face = qRgb(212, 208, 200);
    // A border at x: its face there, the desktop `outside` px further out.
    const auto borderAt = [&](int x, int outside) {
        return [=](const QImage& s) {
            return Near(s.pixel(x, 175), face, 0) && Near(s.pixel(x + outside, 175), kDesktop, 0);
        };
    };
    desk.Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_FALSE(desk.WaitForScreen(borderAt(103, -5), 10).isNull()) << "no sizing border";
    // Its bottom-right corner dragged 60 px right and 50 down: the window follows (no
    // window manager sizes it here) and the right border with it.
    desk.Xdotool({"mousemove", "297", "247", "mousedown", "1", "mousemove", "320", "270",
                  "mousemove", "357", "297", "mouseup", "1"});
    EXPECT_FALSE(desk.WaitForScreen(borderAt(356, 5), 10).isNull()) << "the border did not follow";
    // A double click again: no border; the picture stays 200 x 150 in the middle of the
    // 260 x 200 window (from (130, 125)), its margins see-through.
    desk.Xdotool({"mousemove", "230", "200", "click", "--repeat", "2", "--delay", "80", "1"});
    const QImage after = desk.WaitForScreen(
        [&](const QImage& s) {
            return Near(s.pixel(103, 175), kDesktop, 0) && Near(s.pixel(356, 175), kDesktop, 0) &&
                   Near(s.pixel(280, 240), red, 0) && Near(s.pixel(180, 240), qRgb(0, 0, 255), 0);
        },
        10);
    EXPECT_FALSE(after.isNull()) << "the border stayed, or the slide was not placed anew";
    desk.PressUntilEnded("Escape");
    ASSERT_EQ(desk.Show().state(), QProcess::NotRunning);
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, UnderAWindowManagerItIsBorderlessAboveAndSizedByIt) {
    LSR_NEEDS_DESK("openbox");
    // Under openbox, which sizes windows through _NET_WM_MOVERESIZE: one slide of ten
    // minutes, red, at (100, 100), 200 x 150.
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    ASSERT_TRUE(desk.StartWindowManager()) << "openbox did not start";
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    const QString show = dir.path() + QStringLiteral("/managed");
    ASSERT_TRUE(
        WriteSlideshow(show, ShowStream({{Encoded(picture, "png"), {}, 600}}, ShowHeader{})));
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(show);
    const QRgb red = qRgb(255, 0, 0), face = qRgb(212, 208, 200);
    ASSERT_FALSE(desk.WaitForScreen(
                         [&](const QImage& s) {
                             return Near(s.pixel(101, 101), red, 0) &&
                                    Near(s.pixel(298, 248), red, 0) &&
                                    Near(s.pixel(98, 98), kDesktop, 0);
                         },
                         30)
                     .isNull())
        << "the slide is not where the document puts it, or has a frame";
    const x11test::WindowFacts facts = desk.Client().FindWindow("managed");
    ASSERT_TRUE(facts.found);
    EXPECT_TRUE(facts.borderless);
    EXPECT_TRUE(facts.above);
    EXPECT_TRUE(facts.skipTaskbar);

    desk.Xdotool({"mousemove", "200", "175", "click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_FALSE(
        desk.WaitForScreen([&](const QImage& s) { return Near(s.pixel(103, 175), face, 0); }, 10)
            .isNull())
        << "no sizing border";
    // The bottom-right corner held and moved 60 px right and 50 down: the window manager
    // sizes the window (moves are repeated until it follows, as it takes the pointer
    // when it is ready).
    desk.Xdotool({"mousemove", "297", "247", "mousedown", "1"});
    const auto sized = [&](const QImage& s) {
        return Near(s.pixel(356, 175), face, 0) && Near(s.pixel(365, 175), kDesktop, 0) &&
               Near(s.pixel(200, 295), face, 0);
    };
    QElapsedTimer clock;
    clock.start();
    bool followed = false;
    for (int i = 0; !followed && clock.elapsed() < 15000; ++i) {
        desk.Xdotool({"mousemove", i % 2 ? "357" : "358", "297"});
        followed = !desk.WaitForScreen(sized, 1).isNull();
    }
    desk.Xdotool({"mouseup", "1"});
    EXPECT_TRUE(followed) << "the window manager did not size the window";
    // Out of size-change mode the slide is placed in the middle of its new size.
    desk.Xdotool({"mousemove", "230", "200", "click", "--repeat", "2", "--delay", "80", "1"});
    EXPECT_FALSE(desk.WaitForScreen(
                         [&](const QImage& s) {
                             return Near(s.pixel(103, 175), kDesktop, 0) &&
                                    Near(s.pixel(135, 130), red, 0);
                         },
                         10)
                     .isNull())
        << "the border stayed, or the slide was not placed anew";
    desk.PressUntilEnded("Escape");
    ASSERT_EQ(desk.Show().state(), QProcess::NotRunning);
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

// ---- Slideshows exported by luserio ------------------------------------------------------

TEST(X11Runtime, AnExportedSlideshowPlaysWhereverItIsCopiedAndAddsLessThanThreeMegabytes) {
    LSR_NEEDS_DESK();
    if (!QFileInfo::exists(kLuserio))
        GTEST_SKIP() << "luserio is not built";
    // A document of two one-second slides without looping, exported by the editor's
    // command line, copied into a folder of its own and started there.
    QTemporaryDir dir, elsewhere;
    const QString doc = dir.path() + QStringLiteral("/two.lsr");
    std::vector<ShowSlide> slides = TwoSlides(1);
    slides[1].seconds = 1;
    ASSERT_TRUE(WriteDocumentFileOf(doc, ShowStream(slides, ShowHeader{})));
    const QString exported = dir.path() + QStringLiteral("/スライド");
    const ProgramRun made = RunProgram(kLuserio, {QStringLiteral("--export-exe"), doc, exported});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const qint64 over = QFileInfo(exported).size() - QFileInfo(doc).size();
    std::printf("[ measured ] exported slideshow: %lld bytes over its document\n",
                static_cast<long long>(over));
    EXPECT_LT(over, 3 * 1000 * 1000);
    const QString copy = elsewhere.path() + QStringLiteral("/スライド");
    ASSERT_TRUE(QFile::copy(exported, copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFile::permissions(exported)));
    EXPECT_TRUE(QFileInfo(copy).isExecutable());

    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    desk.Xdotool({"mousemove", "320", "240"});
    desk.StartShow(copy, {}, elsewhere.path());
    ASSERT_FALSE(desk.WaitForScreen(SlideOne, 30).isNull()) << "slide 1 never appeared";
    // Slide 2 comes after a second, and after its second the show ends by itself.
    desk.Xdotool({"mousemove", "200", "175"});
    EXPECT_TRUE(desk.Show().waitForFinished(20000)) << "the show did not end by itself";
    EXPECT_EQ(desk.Show().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desk.Show().exitCode(), 0);
}

TEST(X11Runtime, ReadsItsOwnDocumentWhereItLies) {
    LSR_NEEDS_DESK();
    // The runtime, a one-slide stream of one second and gigabytes of zeros that the
    // trailer counts into the stream: the show reads the slide it declares, plays it to
    // its end and never holds the rest.
    QTemporaryDir dir;
    Desk desk(dir.path());
    ASSERT_TRUE(desk.Start());
    ShowHeader once;
    once.loop = false;
    const QByteArray stream = ShowStream({TwoSlides(1).front()}, once);
    const QString show = dir.filePath(QStringLiteral("sparse"));
    const QString why =
        WriteSparseSlideshow(show, ReadFileBytes(kRuntime), stream, qint64(4) << 30);
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const MeasuredRun played = RunMeasured(show, {}, desk.Environment());
    EXPECT_EQ(played.code, 0) << played.err.toStdString();
    std::printf("[ measured ] peak memory: %ld KiB\n", played.peakKiB);
    EXPECT_LT(played.peakKiB, 64 * 1024);
}

} // namespace
