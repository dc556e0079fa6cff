#include "image/WorkFolder.h"

#include "app/Prompts.h"
#include "app/Settings.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void ShowFolderFailure(const QString& folder) {
    prompts().message(
        0, QDir::toNativeSeparators(folder) + QStringLiteral("\n作業フォルダを作成できません"),
        MsgKind::Error, nullptr);
}

} // namespace

QString ImageWorkFolder() {
    const QString temp = QDir::tempPath();
    if (temp.isEmpty()) {
        ShowFolderFailure(QString());
        return {};
    }
    const QString folder = QDir::cleanPath(temp + QLatin1Char('/') + ApplicationName());
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        ShowFolderFailure(folder);
        return {};
    }
    // Only a real folder of our own that nobody else can enter is used: a shared
    // temporary folder must not let another user plant files or links there.
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        ShowFolderFailure(folder);
        return {};
    }
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        ShowFolderFailure(folder);
        return {};
    }
#else
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        ShowFolderFailure(folder);
        return {};
    }
#endif
    return folder;
}
