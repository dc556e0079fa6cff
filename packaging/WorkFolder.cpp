#include "packaging/WorkFolder.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <filesystem>
#include <mutex>
#include <vector>

#if defined(Q_OS_UNIX)
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

/// Work files and fallback folders are stale once untouched for this long.
constexpr long kStaleSeconds = 24 * 60 * 60;
/// The most entries one folder's clean-up reads.
constexpr int kSweepEntryLimit = 4096;

void showFolderMessage(const QString& path) {
    prompts().message(Msg::Unlisted, path + QStringLiteral("\n作業フォルダを使用できません"),
                      MsgKind::Error, nullptr);
}

/// The system's temporary folder as the user set it, for a message about it: Qt names
/// no folder for a temporary folder that does not exist.
QString TemporaryFolderAsSet() {
    const QString temp = QDir::tempPath();
    if (!temp.isEmpty())
        return temp;
#if defined(Q_OS_WIN)
    for (const char* variable : {"TMP", "TEMP"})
        if (const QString set = qEnvironmentVariable(variable); !set.isEmpty())
            return set;
    return QStringLiteral("%TEMP%");
#else
    const QString set = qEnvironmentVariable("TMPDIR");
    return set.isEmpty() ? QStringLiteral("/tmp") : set;
#endif
}

QString ProcessId() {
    return QString::number(QCoreApplication::applicationPid());
}

std::filesystem::path NativePath(const QString& path) {
#if defined(Q_OS_WIN)
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

/// The working folder this process uses, and the folders it made in place of the
/// user's working folder, which go when the process ends normally.
struct WorkFolderState {
    std::mutex mutex;
    QString temp;   ///< the temporary folder `folder` lies in
    QString folder; ///< the working folder in use; empty before the first use
    std::vector<std::filesystem::path> madeHere;

    ~WorkFolderState() {
        // They hold only this process's work files; nothing else uses them.
        for (const std::filesystem::path& path : madeHere) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

WorkFolderState& State() {
    static WorkFolderState state;
    return state;
}

/// The working folder in the temporary folder `temp` (which exists), the same for the
/// whole process while it stays usable; empty when no folder can be had.
QString WorkFolderIn(const QString& temp) {
    WorkFolderState& state = State();
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (state.temp == temp && !state.folder.isEmpty() && MakePrivateFolder(state.folder))
        return state.folder;
    const QString own = QDir::cleanPath(temp) + QLatin1Char('/') + WorkFolderName();
    QString folder = own;
    if (!MakePrivateFolder(own)) {
        // Whatever stands there (another user's folder, a link, a file) may not be ours
        // to remove: a folder of this process's own beside it serves instead.
        folder = MakeUniquePrivateFolder(own + QLatin1Char('-') + ProcessId() + QLatin1Char('-'));
        if (folder.isEmpty())
            return {};
        state.madeHere.push_back(NativePath(folder));
    }
    state.temp = temp;
    state.folder = folder;
    return folder;
}

#if defined(Q_OS_UNIX)

/// The process id in `name` when it matches `pattern`, whose first group holds it; 0
/// when it does not match.
qint64 PidInName(const QRegularExpression& pattern, const QString& name) {
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const qint64 pid = match.captured(1).toLongLong(&ok);
    return ok ? pid : 0;
}

/// The names of the open folder `folder`'s entries that `wanted` accepts, reading at
/// most kSweepEntryLimit entries.
template <typename Wanted> QList<QByteArray> EntryNames(int folder, Wanted wanted) {
    QList<QByteArray> names;
    const int own = ::dup(folder); // the listing closes its own descriptor
    if (own < 0)
        return names;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        ::close(own);
        return names;
    }
    for (int read = 0; read < kSweepEntryLimit; ++read) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        if (wanted(QFile::decodeName(entry->d_name)))
            names.append(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

/// Whether the entry `name` of the open folder `folder` is, without following a link,
/// of the type `type` (S_IFREG, S_IFDIR), belongs to this user and was last changed
/// more than a day before `now`.
bool OwnAndStale(int folder, const QByteArray& name, mode_t type, time_t now) {
    struct stat st {};
    return ::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           (st.st_mode & S_IFMT) == type && st.st_uid == ::geteuid() &&
           st.st_mtime < now - kStaleSeconds;
}

/// Opens the folder `name` in the open folder `parent` without following a link; -1
/// unless it is a folder of this user.
int OpenOwnFolder(int parent, const QByteArray& name) {
    const int fd =
        ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

/// Removes the stale work files of gone processes from the open folder `folder`.
void RemoveStaleFilesIn(int folder, time_t now) {
    // NewWorkFile's names: "work-", the process id, six random letters, the suffix.
    static const QRegularExpression workFile(
        QStringLiteral("^work-(\\d{1,10})-[A-Za-z0-9]{6}(\\.[A-Za-z0-9]+)?$"));
    const auto isWorkFile = [](const QString& name) { return workFile.match(name).hasMatch(); };
    for (const QByteArray& name : EntryNames(folder, isWorkFile)) {
        const qint64 pid = PidInName(workFile, QFile::decodeName(name));
        if (OwnAndStale(folder, name, S_IFREG, now) && ProcessIsGone(pid))
            ::unlinkat(folder, name.constData(), 0);
    }
}

#endif

} // namespace

QString WorkFolderName() {
#if defined(Q_OS_UNIX)
    return ApplicationName() + QLatin1Char('-') + QString::number(::geteuid());
#else
    return ApplicationName();
#endif
}

QString GetWorkFolder() {
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QFileInfo(temp).isDir()) {
        showFolderMessage(TemporaryFolderAsSet());
        return {};
    }
    const QString folder = WorkFolderIn(temp);
    if (folder.isEmpty())
        showFolderMessage(QDir::cleanPath(temp) + QLatin1Char('/') + WorkFolderName());
    return folder;
}

std::unique_ptr<QTemporaryFile> NewWorkFile(const QString& suffix) {
    const QString folder = GetWorkFolder();
    if (folder.isEmpty())
        return nullptr;
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/work-") + ProcessId() +
                                                 QStringLiteral("-XXXXXX") + suffix);
    if (!file->open()) {
        showFolderMessage(folder);
        return nullptr;
    }
    return file;
}

void RemoveStaleWorkFiles() {
#if defined(Q_OS_UNIX)
    const QString temp = QDir::tempPath();
    if (temp.isEmpty())
        return;
    const int root =
        ::open(QFile::encodeName(temp).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return;
    const time_t now = ::time(nullptr);
    // The user's working folder, when it is the user's.
    if (const int own = OpenOwnFolder(root, QFile::encodeName(WorkFolderName())); own >= 0) {
        RemoveStaleFilesIn(own, now);
        ::close(own);
    }
    // The folders made in its place by processes that are gone: their work files, then
    // the folders themselves when nothing else is left in them.
    const QRegularExpression madeInPlace(QLatin1Char('^') +
                                         QRegularExpression::escape(WorkFolderName()) +
                                         QStringLiteral("-(\\d{1,10})-[A-Za-z0-9]{6}$"));
    const auto isMadeInPlace = [&](const QString& name) {
        return madeInPlace.match(name).hasMatch();
    };
    for (const QByteArray& name : EntryNames(root, isMadeInPlace)) {
        const qint64 pid = PidInName(madeInPlace, QFile::decodeName(name));
        if (!OwnAndStale(root, name, S_IFDIR, now) || !ProcessIsGone(pid))
            continue;
        if (const int folder = OpenOwnFolder(root, name); folder >= 0) {
            RemoveStaleFilesIn(folder, now);
            ::close(folder);
            ::unlinkat(root, name.constData(), AT_REMOVEDIR);
        }
    }
    ::close(root);
#endif
}

void RemoveStaleWorkFilesOnce() {
    static std::once_flag once;
    std::call_once(once, RemoveStaleWorkFiles);
}
