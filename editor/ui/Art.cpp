#include "editor/ui/Art.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

const char* const kSwatchArt[5] = {"swatch_black", "swatch_white", "swatch_red", "swatch_green",
                                   "swatch_blue"};

QImage RenderArt(const QString& name, QSize size, qreal ratio) {
    if (size.isEmpty() || ratio <= 0)
        return QImage();
    QSvgRenderer svg(QStringLiteral(":/art/%1.svg").arg(name));
    if (!svg.isValid())
        return QImage();
    QImage img((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return QImage();
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&p, QRectF(0, 0, img.width(), img.height()));
    p.end();
    img.setDevicePixelRatio(ratio);
    return img;
}

QPixmap ArtPixmap(const QString& name, QSize size) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QImage img = RenderArt(name, size, ratio);
    return img.isNull() ? QPixmap() : QPixmap::fromImage(img);
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
