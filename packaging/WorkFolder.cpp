#include "packaging/WorkFolder.h"

#include "app/Prompts.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void showFolderMessage(const QString& path) {
    prompts().message(0, path + QStringLiteral("\n作業フォルダを使用できません"), MsgKind::Error,
                      nullptr);
}

/// Makes sure `path` is a folder only the user can reach; creates it when missing.
bool ensurePrivateFolder(const QString& path) {
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
    return QDir().mkpath(path) && QFileInfo(path).isDir();
#endif
}

} // namespace

QString GetWorkFolder(const QString& sub) {
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QFileInfo(temp).isDir()) {
        showFolderMessage(temp);
        return {};
    }
    QString path = QDir::cleanPath(temp) + QLatin1Char('/') + ApplicationName();
    if (!ensurePrivateFolder(path)) {
        showFolderMessage(path);
        return {};
    }
    if (sub.isEmpty())
        return path;
    path += QLatin1Char('/') + sub;
    if (!ensurePrivateFolder(path)) {
        showFolderMessage(path);
        return {};
    }
    return path;
}
