#include "tests/support/Fixtures.h"

#include "base/Screen.h"
#include "document/SlideTable.h"

#include <QFile>
#include <QPainter>
#include <cstdlib>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

void ClearSettings() {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                ApplicationName());
    s.clear();
    s.sync();
}

PicturePtr MakeTestPicture(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return Picture::fromImage(img);
}

QImage ShapesOn(QRgb background, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(background);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    const QRgb colours[] = {qRgb(20, 20, 20),   qRgb(200, 30, 30),   qRgb(30, 60, 200),
                            qRgb(250, 200, 40), qRgb(120, 120, 120), qRgb(150, 40, 160)};
    const int w = size.width() / 3, h = size.height() / 2;
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor(colours[i]));
        const QRect cell((i % 3) * w, (i / 3) * h, w, h);
        const QRect shape = cell.adjusted(w / 6, h / 6, -w / 5, -h / 5);
        if (i % 2)
            p.drawEllipse(shape);
        else
            p.drawRect(shape);
    }
    return img;
}

namespace {

/// Whether a show draws pixel `c` of a picture keyed with `key`.
bool Shows(QRgb c, QRgb key) {
    return qAlpha(c) > 0 && (c & 0xFFFFFFu) != (key & 0xFFFFFFu);
}

/// The pixels where `source` is (`background`) or is not of the key colour and `keyed`
/// shows (`shown`) or not.
int CountPixels(const QImage& source, const QImage& keyed, QRgb key, bool background, bool shown) {
    const QImage s = source.convertToFormat(QImage::Format_ARGB32);
    const QImage k = keyed.convertToFormat(QImage::Format_ARGB32);
    if (s.size() != k.size())
        return -1;
    int n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (!Shows(s.pixel(x, y), key) == background && Shows(k.pixel(x, y), key) == shown)
                ++n;
    return n;
}

} // namespace

int BackgroundLeftVisible(const QImage& source, const QImage& keyed, QRgb key) {
    return CountPixels(source, keyed, key, true, true);
}

int ShapePixelsLost(const QImage& source, const QImage& keyed, QRgb key) {
    return CountPixels(source, keyed, key, false, false);
}

int ShapePixelsOff(const QImage& source, const QImage& keyed, QRgb key, int levels) {
    const QImage s = source.convertToFormat(QImage::Format_ARGB32);
    const QImage k = keyed.convertToFormat(QImage::Format_ARGB32);
    if (s.size() != k.size())
        return -1;
    int n = 0;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const QRgb a = s.pixel(x, y), b = k.pixel(x, y);
            if (!Shows(a, key) || !Shows(b, key))
                continue;
            n += std::abs(qRed(a) - qRed(b)) > levels || std::abs(qGreen(a) - qGreen(b)) > levels ||
                 std::abs(qBlue(a) - qBlue(b)) > levels;
        }
    }
    return n;
}

void ResetWorld() {
    ReleaseAllPictures();
    CurrentDocument().Clear();
    ClearSettings();
    SetScreenOverride(MakeScreen(1920, 1080));
}

void FillSlides(EditorState& ed, int n) {
    Document& doc = CurrentDocument();
    doc.slideCount = 0;
    for (int i = 0; i < n; ++i) {
        SlideRecord& r = doc.slides[i];
        r = SlideRecord{};
        r.picture = MakeTestPicture(4, 3);
        r.reserved1 = quint32(i);
        r.switchTime = quint16(i + 1);
        r.keyColor = std::nullopt;
    }
    doc.slideCount = n;
    RecalcPages(ed);
}

QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString WriteSparseSlideshow(const QString& path, const QByteArray& runtime, QByteArray stream,
                             qint64 hole, bool stretchLastBlock) {
    const auto be32 = [](const char* p) {
        const auto* b = reinterpret_cast<const unsigned char*>(p);
        return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3];
    };
    const auto putBe32 = [](QByteArray& bytes, qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(v >> (24 - 8 * i));
    };
    if (stretchLastBlock) {
        // Past the magic, the header and the count come the records, then the blocks.
        const quint32 count = be32(stream.constData() + 74);
        qsizetype at = 78 + qsizetype(count) * 28;
        qsizetype last = -1;
        for (quint32 i = 0; i < count && at + 4 <= stream.size(); ++i) {
            last = at;
            at += 4 + qsizetype(be32(stream.constData() + at));
        }
        const quint64 stretched = quint64(be32(stream.constData() + last)) + quint64(hole);
        if (last < 0 || stretched > 0xFFFFFFFFu)
            return QStringLiteral("the stretched block does not fit a block length");
        putBe32(stream, last, quint32(stretched));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(runtime + stream) != runtime.size() + stream.size())
        return QStringLiteral("cannot write ") + path;
    const qint64 end = runtime.size() + stream.size() + hole;
    QByteArray trailer(8, '\0');
    putBe32(trailer, 0, 0x03CA193Au);
    putBe32(trailer, 4, quint32(runtime.size()));
    if (!file.resize(end) || !file.seek(end) || file.write(trailer) != 8 || !file.flush())
        return QStringLiteral("no file of %1 bytes here: %2").arg(end + 8).arg(file.errorString());
    file.close();
#if defined(Q_OS_UNIX)
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("cannot look at ") + path;
    // A file system without holes would have written gigabytes of zeros.
    if (qint64(st.st_blocks) * 512 > runtime.size() + stream.size() + (1 << 20)) {
        QFile::remove(path);
        return QStringLiteral("the file system of the test's temporary folder keeps no holes");
    }
#endif
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return {};
}
