#include "packaging/WorkFolder.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

void showFolderMessage(const QString& path) {
    prompts().message(Msg::Unlisted, path + QStringLiteral("\n作業フォルダを使用できません"),
                      MsgKind::Error, nullptr);
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
        showFolderMessage(temp);
        return {};
    }
    const QString path = QDir::cleanPath(temp) + QLatin1Char('/') + WorkFolderName();
    if (!MakePrivateFolder(path)) {
        showFolderMessage(path);
        return {};
    }
    return path;
}

std::unique_ptr<QTemporaryFile> NewWorkFile(const QString& suffix) {
    const QString folder = GetWorkFolder();
    if (folder.isEmpty())
        return nullptr;
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/work-XXXXXX") + suffix);
    if (!file->open()) {
        showFolderMessage(folder);
        return nullptr;
    }
    return file;
}
