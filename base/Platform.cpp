#include "Platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImageReader>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(Q_OS_WIN)
#include <windows.h>
#endif

#if defined(LSR_HAVE_XCB)
#include <cstdlib>
#include <xcb/xcb.h>
#endif

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(LSR_HAVE_XCB)
namespace {

/// The name the X server's window manager gives itself (_NET_WM_NAME of the window that
/// _NET_SUPPORTING_WM_CHECK names on the root); empty when none can be read.
QByteArray XWindowManagerName() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    QByteArray name;
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return name;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const auto atom = [c](const char* atomName) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(atomName)), atomName), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmName = atom("_NET_WM_NAME");
    if (screens.rem && check != XCB_ATOM_NONE && wmName != XCB_ATOM_NONE) {
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, screens.data->root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        if (r && xcb_get_property_value_length(r) == 4) {
            const xcb_window_t wm = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
            xcb_get_property_reply_t* n = xcb_get_property_reply(
                c, xcb_get_property(c, 0, wm, wmName, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
            if (n)
                name = QByteArray(static_cast<const char*>(xcb_get_property_value(n)),
                                  xcb_get_property_value_length(n));
            std::free(n);
        }
        std::free(r);
    }
    xcb_disconnect(c);
    return name;
}

} // namespace
#endif

void ChooseQtPlatform(const QString& requested) {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!requested.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", requested.toLocal8Bit());
        return;
    }
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (x11 && wayland) {
#if defined(LSR_HAVE_XCB)
        // The X server is XWayland. The compositors of the wlroots family (sway,
        // Wayfire, labwc, river ...) manage its windows as "wlroots wm" and honour
        // neither an X window's input shape nor its place or keep-above: clicks on a
        // see-through pixel would be lost. Their Wayland side has all a show needs.
        if (XWindowManagerName() == "wlroots wm") {
            qputenv("QT_QPA_PLATFORM", "wayland");
            return;
        }
#endif
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (x11) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (wayland) {
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
#else
    Q_UNUSED(requested);
#endif
}

void IgnoreFileSizeSignal() {
#if defined(Q_OS_UNIX)
    // The write that meets the limit then fails with EFBIG, and the writer reports it
    // and removes its unfinished file.
    ::signal(SIGXFSZ, SIG_IGN);
#endif
}

void ChooseWindowlessPlatform() {
    // Qt ships the offscreen platform on every system it runs on.
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

void InstallFontSubstitutions() {
    const QStringList japanese = {
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
        QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
        QStringLiteral("Hiragino Sans"),    QStringLiteral("Yu Gothic UI"),
        QStringLiteral("Meiryo"),           QStringLiteral("MS PGothic"),
    };
    const QStringList faces = {
        QStringLiteral("Meiryo UI"),  QStringLiteral("メイリオ"),
        QStringLiteral("Meiryo"),     QStringLiteral("ＭＳ Ｐゴシック"),
        QStringLiteral("MS PGothic"), QStringLiteral("ＭＳ ゴシック"),
    };
    for (const QString& face : faces) {
        QStringList subs = japanese;
        subs.removeAll(face);
        QFont::insertSubstitutions(face, subs);
    }
}

void InstallImageLimits() {
    // 100 megapixels at 4 bytes each, with room to spare.
    QImageReader::setAllocationLimit(512);
}

QString ProgramFilePath() {
    QString path;
#if defined(Q_OS_LINUX)
    // The kernel's link to the running image names the real file whatever the program
    // was started through, and needs no application object.
    path = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
#endif
    if (path.isEmpty() && QCoreApplication::instance())
        path = QCoreApplication::applicationFilePath();
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

QString ProgramFolder() {
    const QString file = ProgramFilePath();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

QString RealFolderOf(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QString() : QFileInfo(real).absolutePath();
}

bool MakePrivateFolder(const QString& path) {
#if defined(Q_OS_UNIX)
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // Open without following a link, then check and repair what was opened, so the
    // checks and the repair concern the same folder.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & 07777) != 0700)
        ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
#else
    // Windows: the temporary folder lies in the user's own profile.
    return QDir().mkpath(path) && QFileInfo(path).isDir();
#endif
}

QString MakeUniquePrivateFolder(const QString& prefix) {
#if defined(Q_OS_UNIX)
    QByteArray name = QFile::encodeName(prefix) + "XXXXXX";
    // mkdtemp creates the folder with mode 0700 under a name nobody had.
    if (!::mkdtemp(name.data()))
        return {};
    return QFile::decodeName(name);
#else
    QTemporaryDir dir(prefix + QStringLiteral("XXXXXX"));
    if (!dir.isValid())
        return {};
    dir.setAutoRemove(false);
    return dir.path();
#endif
}

bool ProcessIsGone(qint64 pid) {
#if defined(Q_OS_UNIX)
    // 0 and negative ids name process groups, never one process.
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(pid);
    return false;
#endif
}

bool MarkExecutable(const QString& path) {
#if defined(Q_OS_WIN)
    // A program is recognised by its name; there is no bit to set.
    return QFileInfo(path).isFile();
#elif defined(Q_OS_UNIX)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::chmod(QFile::encodeName(path).constData(), 0777 & ~mask) == 0;
#else
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
#endif
}

QString WriteFailureReason(QFileDevice& file) {
    const QString unknown = QFile().errorString(); // what a device says without a reason
    const auto known = [&] {
        return file.error() != QFileDevice::NoError && file.errorString() != unknown;
    };
    if (!known())
        file.flush(); // the bytes still buffered meet the cause at once
    if (!known()) {
        file.write("", 1); // nothing was buffered: one byte more meets it
        file.flush();
    }
    return known() ? file.errorString() : unknown;
}

QString NameTooLongReason(const QString& path) {
#if defined(Q_OS_UNIX)
    // The system is asked, so that each component meets the limit of the file system
    // it lies on; a name it cannot look up for its length fails with ENAMETOOLONG.
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENAMETOOLONG)
        return QString::fromLocal8Bit(std::strerror(ENAMETOOLONG));
#else
    Q_UNUSED(path);
#endif
    return {};
}

qint64 PhysicalMemoryBytes() {
#if defined(Q_OS_UNIX)
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#elif defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    return 0;
#endif
}

bool IsRegularFile(const QString& path) {
#if defined(Q_OS_UNIX)
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
#else
    return QFileInfo(path).isFile();
#endif
}

bool ShowFolderInFileBrowser(const QString& folder) {
    // Explorer on Windows, the Finder on macOS, the desktop's default file manager
    // (through the portal or xdg-open) elsewhere.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

int LastPathSeparator(const QString& path) {
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
#if defined(Q_OS_WIN)
    return std::max(slash, int(path.lastIndexOf(QLatin1Char('\\'))));
#else
    return slash;
#endif
}
