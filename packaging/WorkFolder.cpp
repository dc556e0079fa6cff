#include "packaging/WorkFolder.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void showFolderMessage(const QString& path) {
    prompts().message(Msg::Unlisted, path + QStringLiteral("\n作業フォルダを使用できません"),
                      MsgKind::Error, nullptr);
}

} // namespace

QString GetWorkFolder(const QString& sub) {
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QFileInfo(temp).isDir()) {
        showFolderMessage(temp);
        return {};
    }
    QString path = QDir::cleanPath(temp) + QLatin1Char('/') + ApplicationName();
    if (!MakePrivateFolder(path)) {
        showFolderMessage(path);
        return {};
    }
    if (sub.isEmpty())
        return path;
    path += QLatin1Char('/') + sub;
    if (!MakePrivateFolder(path)) {
        showFolderMessage(path);
        return {};
    }
    return path;
}
