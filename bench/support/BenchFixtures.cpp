#include "bench/support/BenchFixtures.h"

#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/EditorState.h"
#include "document/Picture.h"
#include "document/SlideTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <cmath>

QImage PhotoLikeImage(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB32);
    quint32 rnd = 2654435761u * quint32(seed + 1);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            rnd = rnd * 1664525u + 1013904223u;
            const int grain = int((rnd >> 24) & 15) - 8;
            const double s = std::sin((x + seed * 37) / 211.0) * std::cos((y - seed * 11) / 157.0);
            const int r = 120 + int(90 * s) + grain;
            const int g = 100 + int(70 * std::sin((x + y) / 97.0 + seed)) + grain;
            const int b = 90 + (y * 120) / h + grain;
            p[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return img;
}

QImage KeyedSpriteImage(int size, int seed) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 20, 20), 6));
    p.setBrush(QColor::fromHsv((seed * 37) % 360, 200, 230));
    p.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.4, size * 0.3);
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(size * 0.3, size * 0.35, size * 0.4, size * 0.3), 20, 20);
    return img;
}

namespace {

/// Whether `path` holds a whole fixture: a JPEG ends with its end-of-image marker, a
/// PNG with its IEND chunk. A file cut short is made again.
bool IsWholeFixture(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 12 || !f.seek(f.size() - 12))
        return false;
    const QByteArray tail = f.read(12);
    if (path.endsWith(QLatin1String(".jpg")))
        return tail.endsWith(QByteArray("\xFF\xD9", 2));
    return tail.endsWith(QByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

/// Writes `image` to `path` under a temporary name and renames it into place once
/// complete.
void WriteFixture(const QImage& image, const QString& path, const char* format, int quality) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the fixture %s", qPrintable(path));
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(image) || !file.commit())
        qFatal("cannot write the fixture %s", qPrintable(path));
}

/// Removes what is not a fixture from `folder`: temporary files a stopped run left.
void RemoveStrays(const QString& folder, const QStringList& fixtures) {
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (!fixtures.contains(dir.filePath(name)))
            dir.remove(name);
}

/// The fixture files `sub/<stem>000.<ext>` and on, made by `make(i)` where missing or
/// cut short.
template <typename Make>
QStringList Fixtures(const char* sub, const char* stem, const char* ext, const Make& make) {
    const QString folder = BenchFixtureFolder() + QLatin1Char('/') + QLatin1String(sub);
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 0; i < kFixtureFiles; ++i)
        files << QStringLiteral("%1/%2%3.%4")
                     .arg(folder, QLatin1String(stem))
                     .arg(i, 3, 10, QLatin1Char('0'))
                     .arg(QLatin1String(ext));
    RemoveStrays(folder, files);
    for (int i = 0; i < kFixtureFiles; ++i)
        if (!IsWholeFixture(files[i]))
            make(i, files[i]);
    return files;
}

} // namespace

QString BenchFixtureFolder() {
    return QDir::tempPath() + QStringLiteral("/luserio-bench-fixtures");
}

QStringList PhotoJpegFixtures() {
    return Fixtures("jpeg", "photo", "jpg", [](int i, const QString& path) {
        WriteFixture(PhotoLikeImage(4000, 3000, i), path, "jpeg", 90);
    });
}

QStringList KeyedPngFixtures() {
    return Fixtures("png", "sprite", "png", [](int i, const QString& path) {
        WriteFixture(KeyedSpriteImage(800, i), path, "png", -1);
    });
}

QString PhotoDocumentFixture(int slides) {
    const QStringList photos = PhotoJpegFixtures().mid(0, slides);
    const QString folder = BenchFixtureFolder() + QStringLiteral("/photo-show");
    QDir().mkpath(folder);
    const QString path = QStringLiteral("%1/photos%2.lsr").arg(folder).arg(slides);
    const QFileInfo made(path);
    bool current = made.exists();
    for (const QString& photo : photos)
        current = current && QFileInfo(photo).lastModified() <= made.lastModified();
    if (current)
        return path;

    Document& doc = CurrentDocument();
    EditorState ed;
    NewDocument(ed);
    doc.header.loop = 0;
    doc.header.timerSwitch = 1;
    doc.header.slideshowRect = QRect(0, 0, 1920, 1080);
    for (int i = 0; i < photos.size(); ++i) {
        QFile f(photos[i]);
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read the fixture %s", qPrintable(photos[i]));
        SlideRecord& r = doc.slides[size_t(i)];
        r = SlideRecord{};
        r.picture = Picture::fromBytes(f.readAll());
        r.keyColor = std::nullopt;
        r.switchTime = 1;
        if (!r.picture)
            qFatal("the fixture %s is no picture", qPrintable(photos[i]));
    }
    doc.slideCount = int(photos.size());
    // The document is written beside its place and replaces it only when complete.
    if (!WriteDocumentFile(path))
        qFatal("cannot write the fixture %s", qPrintable(path));
    ReleaseAllPictures();
    doc.Clear();
    return path;
}
