// The show in a real Wayland compositor: sway headless (software rendering), once with
// XWayland, where the show is an X11 window, and once without it, where only Wayland is
// there and the show speaks Wayland itself. grim takes the screenshots; a window of the
// test's own lies beneath the show; the pointer and the keys are pressed through the
// compositor's virtual pointer and keyboard (a headless session has no input devices).
//
// What must hold: every key pixel shows what lies beneath (the desktop's colour, or the
// window beneath), no pixel is black, the picture's pixels are exact, a press on a key
// pixel reaches the window beneath and a press on the picture reaches the show (click
// switching: the next slide). What each session gives besides (where the show opens,
// whether it stays above a window raised over it) is written down as the test's
// properties, for the README's table of desktops.
//
// sway refuses to run as root: run as root (CI), the session and its clients run as
// the user nobody. Without sway, grim or setpriv the tests are skipped with the reason.

#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QRgb kDesk = 0xFF336699;                       // the desktop's colour
constexpr QRgb kUnder = 0xFF996633;                      // the window beneath the show
constexpr QRgb kKey1 = 0xFFFF00FF, kBar = 0xFF0000FF;    // slide 1: a blue bar on magenta
constexpr QRgb kKey2 = 0xFF00FF00, kSquare = 0xFFFF0000; // slide 2: a red square on green
const QRect kBarRect(50, 120, 300, 60);
const QRect kSquareRect(100, 50, 200, 200);
const QSize kShowSize(400, 300);
const QSize kUnderSize(600, 200);

const QString kBin = QStringLiteral(LSR_BINARY_DIR);
constexpr int kKeyUp = 103, kKeyLeft = 105, kKeyEnter = 28; // the kernel's key codes

QImage Slide(QRgb key, QRgb fill, const QRect& part) {
    QImage image(kShowSize, QImage::Format_RGB32);
    image.fill(key);
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            image.setPixel(x, y, fill);
    return image;
}

/// Waits until `done` holds, up to `ms` milliseconds, checking it as events come.
bool WaitUntil(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

/// One sway session on a headless output of 1280 x 720 with the desktop's colour as its
/// background, run as `nobody` when the test runs as root. Every program of the session
/// (the shows, grim, the window beneath) runs as that user in that session.
class Sway {
public:
    explicit Sway(bool xwayland) {
        for (const char* tool : {"sway", "swaymsg", "grim", "swaybg"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                m_failure = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
                return;
            }
        if (xwayland && QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty()) {
            m_failure = QStringLiteral("Xwayland is not installed");
            return;
        }
        if (!QFile::exists(kBin + QStringLiteral("/lsr_virtual_pointer"))) {
            m_failure = QStringLiteral("lsr_virtual_pointer was not built (libwayland-dev)");
            return;
        }
        if (::geteuid() == 0) {
            // sway will not run as root; nobody is on every Debian system.
            const passwd* pw = ::getpwnam("nobody");
            if (!pw || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
                m_failure = QStringLiteral("running as root without nobody or setpriv");
                return;
            }
            m_uid = pw->pw_uid;
            m_gid = pw->pw_gid;
        }
        if (!m_dir.isValid()) {
            m_failure = QStringLiteral("no temporary folder");
            return;
        }
        // The session's user reads the test's files and writes its own folders.
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        m_bin = kBin;
        if (m_uid) {
            // The programs run from a folder that user can reach (the build folder may
            // lie in a private one); they need no file beside them.
            m_bin = m_dir.filePath(QStringLiteral("bin"));
            QDir().mkpath(m_bin);
            ::chmod(QFile::encodeName(m_bin).constData(), 0755);
            for (const char* program :
                 {"luserio", "LsrCtrl.dll", "lsr_click_target", "lsr_virtual_pointer"})
                QFile::copy(kBin + QLatin1Char('/') + QLatin1String(program),
                            m_bin + QLatin1Char('/') + QLatin1String(program));
        }
        m_runtime = m_dir.filePath(QStringLiteral("run"));
        m_home = m_dir.filePath(QStringLiteral("home"));
        for (const QString& d : {m_runtime, m_home}) {
            QDir().mkpath(d);
            if (m_uid) [[maybe_unused]]
                int rc = ::chown(QFile::encodeName(d).constData(), *m_uid, *m_gid);
            ::chmod(QFile::encodeName(d).constData(), 0700);
        }
        const QString config = m_dir.filePath(QStringLiteral("sway.conf"));
        QFile f(config);
        f.open(QIODevice::WriteOnly);
        f.write("output * bg #336699 solid_color\n");
        f.write(xwayland ? "xwayland enable\n" : "xwayland disable\n");
        // sway gives the programs it starts the X display it made.
        f.write(
            QStringLiteral("exec sh -c 'echo \"$DISPLAY\" > %1/display'\n").arg(m_home).toUtf8());
        f.close();
        ::chmod(QFile::encodeName(config).constData(), 0644);

        m_sway.setProcessChannelMode(QProcess::MergedChannels);
        Start(m_sway, {QStringLiteral("sway"), QStringLiteral("-c"), config},
              {QStringLiteral("WLR_BACKENDS=headless"), QStringLiteral("WLR_RENDERER=pixman"),
               QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1")},
              false);
        const bool up = WaitUntil(
            [&] {
                const QStringList names = QDir(m_runtime).entryList(QDir::System);
                for (const QString& n : names) {
                    if (n.startsWith(QLatin1String("wayland-")) &&
                        !n.endsWith(QLatin1String(".lock")))
                        m_wayland = n;
                    if (n.startsWith(QLatin1String("sway-ipc.")))
                        m_ipc = m_runtime + QLatin1Char('/') + n;
                }
                return (!m_wayland.isEmpty() && !m_ipc.isEmpty()) ||
                       m_sway.state() == QProcess::NotRunning;
            },
            10000);
        if (!up || m_wayland.isEmpty() || m_ipc.isEmpty()) {
            m_failure = QStringLiteral("sway did not start: ") +
                        QString::fromLocal8Bit(m_sway.readAll()).right(400);
            return;
        }
        if (xwayland) {
            const QString file = m_home + QStringLiteral("/display");
            WaitUntil([&] { return QFileInfo(file).size() > 1; }, 10000);
            QFile d(file);
            if (d.open(QIODevice::ReadOnly))
                m_display = QString::fromLocal8Bit(d.readAll()).trimmed();
            if (m_display.isEmpty()) {
                m_failure = QStringLiteral("sway started no XWayland");
                return;
            }
        }
        m_pointer.setProcessChannelMode(QProcess::SeparateChannels);
        Start(m_pointer, {m_bin + QStringLiteral("/lsr_virtual_pointer")}, {}, false);
        if (!WaitUntil(
                [&] {
                    return m_pointer.canReadLine() || m_pointer.state() == QProcess::NotRunning;
                },
                10000) ||
            m_pointer.readLine().trimmed() != "ready") {
            m_failure = QStringLiteral("no virtual pointer: ") +
                        QString::fromLocal8Bit(m_pointer.readAllStandardError());
            return;
        }
        Park();
    }

    ~Sway() {
        for (QProcess* p : {&m_pointer, &m_sway})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
    }

    /// Why the session could not start; empty when it runs.
    const QString& Failure() const { return m_failure; }
    const QString& Folder() const { return m_home; }
    /// The folder the session runs the build's programs from.
    const QString& Bin() const { return m_bin; }

    /// Starts `argv` in the session as its user, with `env` added to the session's
    /// environment; `x11` gives it the X display (else it has only Wayland's).
    void Start(QProcess& p, const QStringList& argv, const QStringList& env, bool x11) {
        QStringList args;
        QString program = QStringLiteral("env");
        if (m_uid) {
            program = QStringLiteral("setpriv");
            args << QStringLiteral("--reuid=%1").arg(*m_uid)
                 << QStringLiteral("--regid=%1").arg(*m_gid) << QStringLiteral("--clear-groups")
                 << QStringLiteral("--") << QStringLiteral("env");
        }
        args << QStringLiteral("-i") << QStringLiteral("PATH=/usr/local/bin:/usr/bin:/bin")
             << QStringLiteral("HOME=") + m_home << QStringLiteral("XDG_RUNTIME_DIR=") + m_runtime;
        if (!m_wayland.isEmpty())
            args << QStringLiteral("WAYLAND_DISPLAY=") + m_wayland;
        if (x11 && !m_display.isEmpty())
            args << QStringLiteral("DISPLAY=") + m_display;
        args << env << argv;
        p.start(program, args);
        p.waitForStarted();
    }

    /// Runs `argv` in the session to its end; its standard output.
    QByteArray Run(const QStringList& argv) {
        QProcess p;
        Start(p, argv, {}, false);
        p.waitForFinished(20000);
        return p.readAllStandardOutput();
    }

    QImage Screenshot() {
        const QString file = m_home + QStringLiteral("/shot.png");
        QFile::remove(file);
        Run({QStringLiteral("grim"), file});
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    /// The compositor's tree of windows.
    QJsonObject Tree() {
        return QJsonDocument::fromJson(Run({QStringLiteral("swaymsg"), QStringLiteral("-s"), m_ipc,
                                            QStringLiteral("-t"), QStringLiteral("get_tree")}))
            .object();
    }

    /// Where the window of process `pid` is on the output, once it is mapped.
    std::optional<QRect> WindowOf(qint64 pid) {
        std::optional<QRect> found;
        std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node.value(QLatin1String("pid")).toInteger() == pid &&
                node.value(QLatin1String("visible")).toBool()) {
                const QJsonObject r = node.value(QLatin1String("rect")).toObject();
                found =
                    QRect(r.value(QLatin1String("x")).toInt(), r.value(QLatin1String("y")).toInt(),
                          r.value(QLatin1String("width")).toInt(),
                          r.value(QLatin1String("height")).toInt());
            }
            for (const char* list : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(QLatin1String(list)).toArray())
                    walk(child.toObject());
        };
        walk(Tree());
        return found;
    }

    /// Gives the keyboard to the window of `pid` (and raises it).
    void Focus(qint64 pid) {
        Run({QStringLiteral("swaymsg"), QStringLiteral("-s"), m_ipc,
             QStringLiteral("[pid=%1] focus").arg(pid)});
    }
    /// Asks the window of `pid` to close, as its close button would.
    void Close(qint64 pid) {
        Run({QStringLiteral("swaymsg"), QStringLiteral("-s"), m_ipc,
             QStringLiteral("[pid=%1] kill").arg(pid)});
    }

    /// Presses and releases the key of kernel key code `code`.
    void Key(int code) { Send(QStringLiteral("key %1\n").arg(code).toLatin1()); }

    /// Puts the pointer in the output's bottom-right corner, where no window of the tests
    /// lies (the screenshots show a software cursor).
    void Park() { Send(QByteArray("move 1279 719 1280 720\n")); }
    /// Sends a command to the virtual pointer and waits until it is done.
    void Send(const QByteArray& command) {
        m_pointer.write(command);
        WaitUntil([&] { return m_pointer.canReadLine(); }, 5000);
        m_pointer.readLine();
    }

    /// Moves the pointer to `at` on the output and presses and releases the left button.
    void Click(QPoint at, const char* button = "press") {
        Send(QStringLiteral("move %1 %2 1280 720\n").arg(at.x()).arg(at.y()).toLatin1());
        Send(QByteArray(button) + '\n');
        Park();
    }

private:
    /// In the system's own temporary folder, which every user can pass through (the
    /// test program's temporary folder is private to its user).
    QTemporaryDir m_dir{QStringLiteral("/tmp/lsr-compositor-XXXXXX")};
    QString m_failure;
    std::optional<uid_t> m_uid;
    std::optional<gid_t> m_gid;
    QString m_runtime, m_home, m_wayland, m_ipc, m_display, m_bin;
    QProcess m_sway;
    QProcess m_pointer;
};

/// The pixels of the show's window `win` on `shot` compared with slide `slide` (key
/// `key`), the window beneath at `under`: pixels not as they should be, and black ones.
struct Look {
    int wrongKey = 0;     ///< key pixels that do not show what lies beneath
    int wrongPicture = 0; ///< picture pixels that are not the picture's
    int black = 0;
};
Look Compare(const QImage& shot, const QRect& win, const QImage& slide, QRgb key,
             const QRect& under) {
    Look look;
    for (int y = 0; y < win.height(); ++y)
        for (int x = 0; x < win.width(); ++x) {
            const QPoint at = win.topLeft() + QPoint(x, y);
            const QRgb seen = shot.pixel(at) | 0xFF000000;
            const QRgb pixel = slide.pixel(x, y);
            look.black += seen == 0xFF000000;
            if (pixel == key)
                look.wrongKey += seen != (under.contains(at) ? kUnder : kDesk);
            else
                look.wrongPicture += seen != pixel;
        }
    return look;
}

/// Saves `shot` as `<player>-<what>.png` in the folder LSR_COMPOSITOR_SHOTS names, if
/// it names one, to look at.
void Keep(const QImage& shot, const char* player, const char* what) {
    const QString folder = qEnvironmentVariable("LSR_COMPOSITOR_SHOTS");
    if (folder.isEmpty())
        return;
    QString file = QString::fromUtf8(player) + QLatin1Char('-') + QLatin1String(what);
    file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]+")), QStringLiteral("_"));
    QDir().mkpath(folder);
    shot.save(folder + QLatin1Char('/') + file + QStringLiteral(".png"));
}

/// The show's window on `shot`, found by the part of its slide `part` that has `colour`:
/// the pixels of that colour make exactly that rectangle. Nothing when they do not.
std::optional<QRect> FindShow(const QImage& shot, const QRect& part, QRgb colour) {
    QRect box;
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            if ((row[x] | 0xFF000000) == colour) {
                box |= QRect(x, y, 1, 1);
                ++count;
            }
    }
    if (box.size() != part.size() || count != part.width() * part.height())
        return std::nullopt;
    return QRect(box.topLeft() - part.topLeft(), kShowSize);
}

/// Where the first pixel that is not as it should be lies, and what it is.
std::string FirstWrong(const QImage& shot, const QRect& win, const QImage& slide, QRgb key,
                       const QRect& under) {
    for (int y = 0; y < win.height(); ++y)
        for (int x = 0; x < win.width(); ++x) {
            const QPoint at = win.topLeft() + QPoint(x, y);
            const QRgb seen = shot.pixel(at) | 0xFF000000;
            const QRgb pixel = slide.pixel(x, y);
            const QRgb want = pixel == key ? (under.contains(at) ? kUnder : kDesk) : pixel;
            if (seen != want)
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(seen, 8, 16)
                    .arg(want, 8, 16)
                    .toStdString();
        }
    return {};
}

class Compositor : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        // Two 400 x 300 slides switched by clicks, the first with its bar on a key.
        Document& doc = CurrentDocument();
        doc.slideCount = 2;
        doc.slides[0] = SlideRecord{};
        doc.slides[0].picture = Picture::fromImage(Slide(kKey1, kBar, kBarRect));
        doc.slides[0].keyColor = kKey1;
        doc.slides[1] = SlideRecord{};
        doc.slides[1].picture = Picture::fromImage(Slide(kKey2, kSquare, kSquareRect));
        doc.slides[1].keyColor = kKey2;
        for (int i = 0; i < 2; ++i)
            doc.slides[i].switchTime = 60;
        doc.header.slideshowRect = RectFromStoredCorners(100, 80, 500, 380);
        doc.header.timerSwitch = 0;
        doc.header.loop = 0;
        doc.header.topMost = 1;
        doc.header.fitToWindow = 0;
    }
    void TearDown() override { ResetWorld(); }

    /// What a player gave in a session besides see-through.
    struct Findings {
        bool clickThrough = false; ///< a press on a key pixel reached the window beneath
        bool storedPlace = false;  ///< the show opened at the document's place
        bool keepAbove = false;    ///< the show stayed above a window raised over it
    };

    /// Ends the show and the window beneath, and writes down what was found.
    void Finish(Sway& session, QProcess& show, QProcess& under, const char* name,
                const Findings& found) {
        // A window the compositor knows is closed by it, as its close button would;
        // a layer surface has no close button, and the show's own menu ends it.
        if (session.WindowOf(show.processId())) {
            session.Close(show.processId());
        } else if (const std::optional<QRect> win =
                       FindShow(session.Screenshot(), kSquareRect, kSquare)) {
            const QPoint at = win->topLeft() + kSquareRect.center();
            // The menu opens below the point: mostly its light background there (an item
            // under the pointer may show chosen, with its sub-menu open).
            QImage menu;
            session.Click(at, "right");
            EXPECT_TRUE(WaitUntil(
                [&] {
                    menu = session.Screenshot();
                    int light = 0;
                    for (int y = 20; y < 100; ++y)
                        light += qGray(menu.pixel(at + QPoint(0, y))) > 200;
                    return light >= 40;
                },
                20000))
                << name << ": no menu";
            Keep(menu, name, "menu");
            // Its last item ends the show: Left closes a sub-menu the pointer opened, and
            // Up reaches the last item from the first or from none chosen.
            session.Key(kKeyLeft);
            session.Key(kKeyUp);
            session.Key(kKeyEnter);
        }
        EXPECT_TRUE(show.waitForFinished(10000)) << name << ": the show did not end";
        EXPECT_EQ(show.exitCode(), 0) << name;
        if (show.state() != QProcess::NotRunning) {
            show.kill();
            show.waitForFinished();
        }
        under.kill();
        under.waitForFinished();
        const std::string key = std::string(name);
        RecordProperty(key + ": click-through", found.clickThrough ? "yes" : "no");
        RecordProperty(key + ": placement", found.storedPlace ? "stored place" : "compositor's");
        RecordProperty(key + ": keep-above", found.keepAbove ? "yes" : "no");
        std::printf("%s: click-through %s, opens at %s, stays above a raised window: %s\n", name,
                    found.clickThrough ? "yes" : "no",
                    found.storedPlace ? "its stored place" : "the compositor's place",
                    found.keepAbove ? "yes" : "no");
    }

    /// Plays the document in `session` with `player` (given the X display when `x11`)
    /// over a window of the test's own and checks that both slides' keys show what lies
    /// beneath, with no black pixel and the pictures exact; with `mustClickThrough` (a
    /// layer surface), also that a press on a key pixel reaches the window beneath, that
    /// the show stays above a window raised over it and opens at the document's place.
    /// What it gives is returned, printed and recorded.
    Findings PlayAndLook(Sway& session, const QStringList& player, bool x11, const char* name,
                         bool mustClickThrough) {
        Findings found;
        const QString doc = session.Folder() + QStringLiteral("/show.lsr");
        {
            TestPrompts prompts;
            EXPECT_TRUE(WriteDocumentFile(doc));
        }
        ::chmod(QFile::encodeName(doc).constData(), 0644);
        if (const QString keep = qEnvironmentVariable("LSR_COMPOSITOR_SHOTS"); !keep.isEmpty())
            QFile::copy(doc, keep + QStringLiteral("/show.lsr"));

        // The window beneath, mapped first; sway centres it.
        QProcess under;
        session.Start(under,
                      {session.Bin() + QStringLiteral("/lsr_click_target"),
                       QString::number(kUnderSize.width()), QString::number(kUnderSize.height()),
                       QStringLiteral("#996633")},
                      {}, x11);
        std::optional<QRect> underRect;
        if (!WaitUntil([&] { return under.canReadLine(); }, 15000) ||
            !WaitUntil(
                [&] {
                    underRect = session.WindowOf(under.processId());
                    return underRect && underRect->size() == kUnderSize;
                },
                10000)) {
            ADD_FAILURE() << name << ": the window beneath did not show";
            return found;
        }
        under.readLine();

        QProcess show;
        show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        session.Start(show, player + QStringList{doc}, {}, x11);
        std::optional<QRect> win;
        QImage shot;
        // The show is found by its picture on the screen (a layer surface is no window
        // of the compositor's tree): the bar of slide 1, the square of slide 2, whole.
        const auto showing = [&](const QRect& part, QRgb colour) {
            shot = session.Screenshot();
            win = FindShow(shot, part, colour);
            return win.has_value();
        };
        if (!WaitUntil([&] { return showing(kBarRect, kBar); }, 20000)) {
            ADD_FAILURE() << name << ": the show did not come up";
            return found;
        }
        Keep(shot, name, "slide1");
        const Look one = Compare(shot, *win, Slide(kKey1, kBar, kBarRect), kKey1, *underRect);
        if (one.wrongKey + one.wrongPicture > 0)
            std::printf(
                "%s: first wrong pixel %s\n", name,
                FirstWrong(shot, *win, Slide(kKey1, kBar, kBarRect), kKey1, *underRect).c_str());
        EXPECT_EQ(one.black, 0) << name;
        EXPECT_EQ(one.wrongKey, 0) << name << ": key pixels that do not show what lies beneath";
        EXPECT_EQ(one.wrongPicture, 0) << name;
        found.storedPlace = win->topLeft() == QPoint(100, 80);

        // A press on a key pixel over the window beneath (the show opens centred, or at
        // its stored place (100, 80), and overlaps the centred window either way).
        const QImage slide1 = Slide(kKey1, kBar, kBarRect);
        QPoint keyPixel(-1, -1);
        const QRect both = win->intersected(*underRect);
        for (int y = both.top(); y <= both.bottom() && keyPixel.x() < 0; ++y)
            for (int x = both.left(); x <= both.right() && keyPixel.x() < 0; ++x)
                if (slide1.pixel(QPoint(x, y) - win->topLeft()) == kKey1)
                    keyPixel = QPoint(x, y) + QPoint(10, 10);
        EXPECT_TRUE(both.contains(keyPixel))
            << name << ": the show at " << win->x() << "," << win->y() << ", the window beneath at "
            << underRect->x() << "," << underRect->y();
        session.Click(keyPixel);
        const QPoint inUnder = keyPixel - underRect->topLeft();
        found.clickThrough =
            WaitUntil([&] { return under.canReadLine(); }, 3000) &&
            under.readLine().trimmed() ==
                QStringLiteral("press %1 %2").arg(inUnder.x()).arg(inUnder.y()).toLatin1();
        if (mustClickThrough) {
            EXPECT_TRUE(found.clickThrough) << name << ": the press on the key was lost";
        } else if (!found.clickThrough) {
            // sway 1.7 takes a press outside an ordinary window's input region for a drag
            // of the window: the rest needs the show where it was.
            Finish(session, show, under, name, found);
            return found;
        }

        // A press on the picture reaches the show (unless the press on the key already
        // did): the next slide, whose key shows what lies beneath as well.
        // (Where the press on the key was taken for a drag of the window, sway 1.7 with
        // X11 windows, the show is found where it went.)
        if (!showing(kSquareRect, kSquare) && showing(kBarRect, kBar))
            session.Click(win->topLeft() + kBarRect.center());
        EXPECT_TRUE(WaitUntil([&] { return showing(kSquareRect, kSquare); }, 10000))
            << name << ": the press on the picture did not switch";
        Keep(shot, name, "slide2");
        const Look two = Compare(shot, *win, Slide(kKey2, kSquare, kSquareRect), kKey2, *underRect);
        EXPECT_EQ(two.black, 0) << name;
        EXPECT_EQ(two.wrongKey, 0) << name;
        EXPECT_EQ(two.wrongPicture, 0) << name;
        EXPECT_FALSE(under.canReadLine()) << name << ": the press on the picture went through";

        // The window beneath raised over the show: does the show stay above it? (Waits
        // until the window beneath shows there, or up to two seconds: a show kept above
        // never lets it.)
        session.Focus(under.processId());
        const bool covered = WaitUntil(
            [&] {
                shot = session.Screenshot();
                return shot.pixel(win->topLeft() + kSquareRect.center()) == kUnder;
            },
            2000);
        found.keepAbove = !covered && shot.pixel(win->topLeft() + kSquareRect.center()) == kSquare;
        if (mustClickThrough) {
            // The show as a layer surface: top-most as the document asks, at its place.
            EXPECT_TRUE(found.keepAbove) << name << ": the window beneath covered the show";
            EXPECT_TRUE(found.storedPlace) << name << ": not at the document's place";
        }
        Keep(shot, name, "raised");

        Finish(session, show, under, name, found);
        return found;
    }
};

TEST_F(Compositor, SwayWithXWayland) {
    Sway session(true);
    if (!session.Failure().isEmpty())
        GTEST_SKIP() << session.Failure().toStdString();
    const QString luserio = session.Bin() + QStringLiteral("/luserio");
    // With both displays, the program sees wlroots manage XWayland and speaks Wayland.
    PlayAndLook(session, {luserio, QStringLiteral("--play")}, true, "luserio --play", true);
    // Asked for X11, it is an XWayland window: see-through, but sway 1.7 lets no press on
    // the key through to another window (it takes it for a drag of the window).
    PlayAndLook(
        session,
        {luserio, QStringLiteral("--platform"), QStringLiteral("xcb"), QStringLiteral("--play")},
        true, "luserio --platform xcb --play", false);
    // The Linux runtime (no Qt), where it was built, is an X11 program.
    const QString runtime = session.Bin() + QStringLiteral("/LsrCtrl.dll");
    if (QFile::exists(runtime))
        PlayAndLook(session, {runtime}, true, "LsrCtrl.dll", false);
}

/// The editor's pixel at `at` on the screen, opened on `doc` with the opacity `alpha`
/// stored; invalid when it did not show.
std::optional<QRgb> EditorPixel(Sway& session, const QString& doc, int alpha, QPoint at) {
    const QString config = session.Folder() + QStringLiteral("/.config/Varnholt");
    QDir().mkpath(config);
    QFile settings(config + QStringLiteral("/luserio.conf"));
    if (!settings.open(QIODevice::WriteOnly))
        return std::nullopt;
    settings.write(QStringLiteral("[SYS]\nTrans=%1\n").arg(alpha).toUtf8());
    settings.close();
    for (const QString& path :
         {session.Folder() + QStringLiteral("/.config"), config, settings.fileName()})
        ::chmod(QFile::encodeName(path).constData(), path == settings.fileName() ? 0666 : 0777);
    QProcess editor;
    editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    session.Start(editor, {session.Bin() + QStringLiteral("/luserio"), doc}, {}, false);
    // Shown when the pixel is no longer the desktop's and stays the same.
    std::optional<QRgb> seen;
    QRgb last = kDesk;
    const bool shown = WaitUntil(
        [&] {
            if (!session.WindowOf(editor.processId()))
                return false;
            const QRgb now = session.Screenshot().pixel(at) | 0xFF000000;
            const bool steady = now == last && now != kDesk;
            last = now;
            return steady;
        },
        20000);
    if (shown)
        seen = last;
    session.Close(editor.processId());
    if (!editor.waitForFinished(10000)) {
        editor.kill();
        editor.waitForFinished();
    }
    return seen;
}

TEST_F(Compositor, SwayWithoutXWayland) {
    Sway session(false);
    if (!session.Failure().isEmpty())
        GTEST_SKIP() << session.Failure().toStdString();
    // No X display: the program chooses Wayland by itself.
    PlayAndLook(session, {session.Bin() + QStringLiteral("/luserio"), QStringLiteral("--play")},
                false, "luserio --play (Wayland only)", true);

    // The editor draws its opacity itself (Wayland has none of windows): opened with the
    // least opacity, 105 of 255, a pixel of it is that share of the pixel it shows at
    // full opacity, the rest the desktop's colour.
    const QString doc = session.Folder() + QStringLiteral("/show.lsr");
    const QPoint at(100, 690); // in the first slide's bar of the time graph (sway tiles the editor)
    const std::optional<QRgb> opaque = EditorPixel(session, doc, 255, at);
    const std::optional<QRgb> faint = EditorPixel(session, doc, 105, at);
    ASSERT_TRUE(opaque && faint) << "the editor did not show";
    const auto blend = [](int window, int desk) { return (window * 105 + desk * 150) / 255; };
    EXPECT_NEAR(qRed(*faint), blend(qRed(*opaque), qRed(kDesk)), 3);
    EXPECT_NEAR(qGreen(*faint), blend(qGreen(*opaque), qGreen(kDesk)), 3);
    EXPECT_NEAR(qBlue(*faint), blend(qBlue(*opaque), qBlue(kDesk)), 3);
    std::printf("editor at opacity 105: %08x over %08x at 255\n", *faint, *opaque);
}

} // namespace
