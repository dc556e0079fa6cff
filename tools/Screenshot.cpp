// Renders the editor window with a small generated sample document into a PNG.
//
//   lsr_screenshot OUT.png [WIDTH HEIGHT]   the window, grabbed off-screen
//   lsr_screenshot --show OUT.png           the window shown on the display, then the
//                                           screen grabbed (to check a real platform)
//   lsr_screenshot --empty OUT.png [W H]    the window with an empty document
//   lsr_screenshot --art DIR                every artwork image at its size and zoomed
//
// Settings go to a temporary folder, so the user's own settings are never touched.

#include "base/Platform.h"
#include "base/Screen.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/Art.h"
#include "editor/ui/EditorWindow.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {

QImage Canvas(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

// A landscape at dusk.
QImage Dusk() {
    QImage img = Canvas(640, 400, Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(24, 32, 92));
    sky.setColorAt(0.55, QColor(236, 120, 84));
    sky.setColorAt(1, QColor(255, 214, 140));
    p.fillRect(img.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 170));
    p.drawEllipse(QPointF(420, 250), 48, 48);
    QPainterPath far;
    far.moveTo(0, 300);
    far.cubicTo(140, 200, 260, 320, 380, 250);
    far.cubicTo(480, 200, 560, 280, 640, 240);
    far.lineTo(640, 400);
    far.lineTo(0, 400);
    p.setBrush(QColor(80, 52, 96));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(0, 350);
    near.cubicTo(200, 300, 360, 390, 640, 330);
    near.lineTo(640, 400);
    near.lineTo(0, 400);
    p.setBrush(QColor(38, 26, 58));
    p.drawPath(near);
    return img;
}

// A star on a pure green background that the slide leaves out.
QImage Star() {
    QImage img = Canvas(400, 400, QColor(0, 255, 0));
    QPainter p(&img);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 80 : 185;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(200 + r * std::cos(a), 210 + r * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    QLinearGradient g(0, 20, 0, 390);
    g.setColorAt(0, QColor(255, 226, 80));
    g.setColorAt(1, QColor(255, 140, 20));
    p.setPen(QPen(QColor(160, 70, 0), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(star);
    return img;
}

// A title card.
QImage TitleCard() {
    QImage img = Canvas(800, 450, QColor(18, 30, 70));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 800, 450);
    g.setColorAt(0, QColor(18, 30, 70));
    g.setColorAt(1, QColor(60, 24, 96));
    p.fillRect(img.rect(), g);
    QFont f(QStringLiteral("Meiryo UI"));
    f.setPixelSize(84);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 244, 200));
    p.drawText(QRect(0, 90, 800, 160), Qt::AlignCenter, QStringLiteral("春の発表会"));
    f.setPixelSize(34);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(170, 190, 255));
    p.drawText(QRect(0, 260, 800, 80), Qt::AlignCenter, QStringLiteral("透過スライドショー"));
    return img;
}

// A bar chart on white; the slide leaves the white out.
QImage Chart() {
    QImage img = Canvas(600, 420, Qt::white);
    QPainter p(&img);
    const QColor colors[] = {QColor(231, 76, 60), QColor(241, 196, 15), QColor(46, 204, 113),
                             QColor(52, 152, 219)};
    const int heights[] = {180, 280, 230, 340};
    for (int i = 0; i < 4; ++i)
        p.fillRect(QRect(70 + i * 125, 380 - heights[i], 90, heights[i]), colors[i]);
    p.fillRect(QRect(40, 380, 520, 6), QColor(40, 40, 60));
    return img;
}

// Soft circles.
QImage Bokeh() {
    QImage img = Canvas(500, 500, QColor(10, 16, 40));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const struct {
        int x, y, r;
        QColor c;
    } dots[] = {{120, 140, 90, QColor(255, 90, 140, 150)},
                {330, 120, 70, QColor(90, 200, 255, 150)},
                {250, 300, 120, QColor(255, 200, 80, 130)},
                {400, 380, 80, QColor(140, 255, 160, 140)},
                {100, 400, 60, QColor(200, 130, 255, 150)}};
    for (const auto& d : dots) {
        QRadialGradient g(d.x, d.y, d.r);
        g.setColorAt(0, d.c);
        g.setColorAt(1, QColor(d.c.red(), d.c.green(), d.c.blue(), 0));
        p.setBrush(g);
        p.drawEllipse(QPoint(d.x, d.y), d.r, d.r);
    }
    return img;
}

// A tall picture: a lighthouse on magenta, which the slide leaves out.
QImage Lighthouse() {
    QImage img = Canvas(300, 520, QColor(255, 0, 255));
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    QPolygon tower;
    tower << QPoint(110, 470) << QPoint(190, 470) << QPoint(170, 150) << QPoint(130, 150);
    p.setBrush(QColor(245, 245, 245));
    p.drawPolygon(tower);
    for (int y = 200; y < 470; y += 90)
        p.fillRect(QRect(100, y, 100, 35), QColor(220, 40, 40));
    p.fillRect(QRect(120, 100, 60, 50), QColor(255, 220, 90));
    p.fillRect(QRect(112, 90, 76, 12), QColor(60, 60, 70));
    p.fillRect(QRect(60, 470, 180, 30), QColor(90, 90, 100));
    return img;
}

// Stripes.
QImage Stripes() {
    QImage img = Canvas(640, 360, Qt::white);
    QPainter p(&img);
    const QColor c[] = {QColor(0, 150, 136), QColor(0, 188, 212), QColor(3, 169, 244),
                        QColor(63, 81, 181), QColor(103, 58, 183)};
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRect(i * 128, 0, 128, 360), c[i]);
    return img;
}

void AddSample(const QImage& img, KeyColor key, int seconds) {
    Document& doc = CurrentDocument();
    SlideRecord& r = doc.slides[doc.slideCount];
    r = SlideRecord{};
    r.picture = Picture::fromImage(img);
    r.keyColor = key;
    r.switchTime = quint16(seconds);
    ++doc.slideCount;
}

void FillSampleDocument(EditorWindow& dlg) {
    Document& doc = CurrentDocument();
    NewDocument(dlg);
    AddSample(TitleCard(), std::nullopt, 8);
    AddSample(Star(), qRgb(0, 255, 0), 5);
    AddSample(Dusk(), std::nullopt, 12);
    AddSample(Chart(), qRgb(255, 255, 255), 10);
    AddSample(Lighthouse(), qRgb(255, 0, 255), 6);
    AddSample(Bokeh(), std::nullopt, 7);
    AddSample(Stripes(), std::nullopt, 4);
    doc.header.showPropertyButtons = 1;
    doc.filePath = QDir::homePath() + QStringLiteral("/スライド/春の発表会.lsr");
    RecalcPages(dlg);
    dlg.m_rebuildCells = true;
}

bool SaveArt(const QString& dir) {
    QDir().mkpath(dir);
    const struct {
        const char* name;
        int w, h;
    } art[] = {{"iconbar", 170, 67},     {"logo", 235, 46},        {"propmark", 11, 11},
               {"icon", 64, 64},         {"cursor_pick", 32, 32},  {"cursor_prop", 32, 32},
               {"swatch_black", 16, 16}, {"swatch_white", 16, 16}, {"swatch_red", 16, 16},
               {"swatch_green", 16, 16}, {"swatch_blue", 16, 16},  {"prev32", 32, 32},
               {"next32", 32, 32},       {"fd32", 32, 32},         {"end32", 32, 32},
               {"tape1_32", 32, 32},     {"tape2_32", 32, 32},     {"tape3_32", 32, 32},
               {"tape4_32", 32, 32}};
    bool ok = true;
    for (const auto& a : art) {
        const QImage img = RenderArt(QString::fromLatin1(a.name), QSize(a.w, a.h));
        if (img.isNull()) {
            std::fprintf(stderr, "missing artwork: %s\n", a.name);
            ok = false;
            continue;
        }
        // At its size on a mid grey, and zoomed 6 times without smoothing.
        QImage shown(img.size(), QImage::Format_RGB32);
        shown.fill(QColor(150, 160, 175));
        QPainter(&shown).drawImage(0, 0, img);
        shown.save(dir + QStringLiteral("/%1.png").arg(QString::fromLatin1(a.name)));
        shown.scaled(img.size() * 6, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(dir + QStringLiteral("/%1_x6.png").arg(QString::fromLatin1(a.name)));
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("luserio-screenshot"));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    InstallFontSubstitutions();
    InstallImageLimits();

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.size() == 2 && args[0] == QLatin1String("--art"))
        return SaveArt(args[1]) ? 0 : 1;
    const bool show = !args.isEmpty() && args[0] == QLatin1String("--show");
    if (show)
        args.removeFirst();
    const bool empty = !args.isEmpty() && args[0] == QLatin1String("--empty");
    if (empty)
        args.removeFirst();
    if (args.isEmpty()) {
        std::fprintf(
            stderr,
            "usage: lsr_screenshot [--show | --empty] OUT.png [WIDTH HEIGHT] | --art DIR\n");
        return 2;
    }
    const QString out = args[0];
    const int w = args.size() >= 3 ? args[1].toInt() : 1280;
    const int h = args.size() >= 3 ? args[2].toInt() : 720;

    if (!show)
        SetScreenOverride(MakeScreen(1920, 1080));
    WriteSettingInt(Setting::EditorOpacity, 255);
    EditorWindow dlg;
    if (!dlg.Initialize())
        return 1;
    if (!empty)
        FillSampleDocument(dlg);
    dlg.setWindowState(Qt::WindowNoState);
    dlg.resize(w, h);
    dlg.m_selectedCell = 2; // the pointer over the third slide: its highlight rings
    if (!show)
        return dlg.grab().toImage().save(out) ? 0 : 1;

    dlg.move(20, 20);
    dlg.show();
    int rc = 1;
    QTimer::singleShot(1500, &dlg, [&] {
        rc = dlg.screen()->grabWindow(0).save(out) ? 0 : 1;
        dlg.done(0);
    });
    dlg.exec();
    return rc;
}
