#include "dialogs/ButtonArt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QStyle>

namespace {
QStyle::StandardPixmap FallbackFor(const QString& name) {
    if (name == QLatin1String("IDB_FD32"))
        return QStyle::SP_DialogSaveButton;
    if (name == QLatin1String("IDB_END32"))
        return QStyle::SP_DialogCloseButton;
    if (name == QLatin1String("IDB_PREV32"))
        return QStyle::SP_ArrowLeft;
    if (name == QLatin1String("IDB_NEXT32"))
        return QStyle::SP_ArrowRight;
    if (name == QLatin1String("IDB_TAPE1_32"))
        return QStyle::SP_MediaSkipBackward;
    if (name == QLatin1String("IDB_TAPE2_32"))
        return QStyle::SP_MediaSeekBackward;
    if (name == QLatin1String("IDB_TAPE3_32"))
        return QStyle::SP_MediaSeekForward;
    if (name == QLatin1String("IDB_TAPE4_32"))
        return QStyle::SP_MediaSkipForward;
    return QStyle::SP_CustomBase;
}
} // namespace

QIcon ButtonArt(const QString& name) {
    // The artwork files carry the resource name in lower case without its "IDB_" prefix.
    QString shortName = name.toLower();
    if (shortName.startsWith(QLatin1String("idb_")))
        shortName.remove(0, 4);
    const QString candidates[] = {name, name.toLower(), shortName};
    for (const QString& base : candidates)
        for (const char* ext : {".svg", ".png"}) {
            const QString path = QStringLiteral(":/art/") + base + QLatin1String(ext);
            if (QFile::exists(path))
                return QIcon(path);
        }
    const QStyle::StandardPixmap sp = FallbackFor(name);
    if (sp == QStyle::SP_CustomBase)
        return QIcon();
    return QApplication::style()->standardIcon(sp);
}

void SetButtonArt(QAbstractButton* button, const QString& name, int size) {
    button->setIcon(ButtonArt(name));
    button->setIconSize(QSize(size, size));
}
