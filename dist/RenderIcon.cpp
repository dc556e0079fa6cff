// Renders an SVG picture into square PNG icons of the sizes asked for, laid out as an
// icon theme: OUTDIR/<n>x<n>/CONTEXT/NAME.png. Used by the build for the hicolor icons.
//   lsr_render_icon SVG OUTDIR CONTEXT NAME SIZE...

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: lsr_render_icon SVG OUTDIR CONTEXT NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "lsr_render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString context = QString::fromLocal8Bit(argv[3]);
    const QString name = QString::fromLocal8Bit(argv[4]);
    for (int i = 5; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "lsr_render_icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            svg.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder = QStringLiteral("%1/%2x%2/%3").arg(outDir).arg(size).arg(context);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "lsr_render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
