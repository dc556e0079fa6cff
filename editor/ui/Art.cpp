#include "editor/ui/Art.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

const char* const kSwatchArt[5] = {"swatch_black", "swatch_white", "swatch_red", "swatch_green",
                                   "swatch_blue"};

QImage RenderArt(const QString& name, QSize size) {
    if (size.isEmpty())
        return QImage();
    QSvgRenderer svg(QStringLiteral(":/art/%1.svg").arg(name));
    if (!svg.isValid())
        return QImage();
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return QImage();
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&p, QRectF(0, 0, size.width(), size.height()));
    p.end();
    return img;
}

QPixmap ArtPixmap(const QString& name, QSize size) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QImage img = RenderArt(name, (QSizeF(size) * ratio).toSize());
    if (img.isNull())
        return QPixmap();
    img.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(img);
}

QCursor ArtCursor(const QString& name, QPoint hot) {
    const QPixmap pm = ArtPixmap(name, QSize(32, 32));
    if (pm.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(pm, hot.x(), hot.y());
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage img = RenderArt(QStringLiteral("icon"), QSize(s, s));
        if (!img.isNull())
            icon.addPixmap(QPixmap::fromImage(img));
    }
    return icon;
}
