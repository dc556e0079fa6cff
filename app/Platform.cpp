#include "app/Platform.h"

#include <QFont>
#include <QImageReader>
#include <QStringList>
#include <QtGlobal>

void ChooseQtPlatform() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}

void InstallFontSubstitutions() {
    const QStringList japanese = {
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
        QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
        QStringLiteral("Hiragino Sans"),    QStringLiteral("Yu Gothic UI"),
        QStringLiteral("Meiryo"),           QStringLiteral("MS PGothic"),
    };
    const QStringList faces = {
        QStringLiteral("Meiryo UI"), QStringLiteral("メイリオ"),   QStringLiteral("Meiryo"),
        QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("ＭＳ ゴシック"),
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
