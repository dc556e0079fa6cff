#include "tests/support/Fixtures.h"

#include "base/Screen.h"
#include "document/SlideTable.h"

#include <QFile>

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
