#include "packaging/WorkFolder.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <mutex>
#include <vector>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

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
