// Renders the pictures of the user manual's windows: the auxiliary dialogs and the editor
// window with a small sample document, and the help window searching the manual. The
// build runs it under the offscreen platform before it lays out the manual:
//
//   lsr_dialog_shots OUTDIR                 every window but the help window, and for it
//                                           a blank stand-in of its picture's size
//   lsr_dialog_shots --help MANUAL.pdf OUTDIR
//                                           the help window showing MANUAL.pdf (a draft
//                                           laid out with the stand-in: the same pages)
//
// The same sources give the same pictures: nothing waits for a clock, the pages of the
// help window are drawn on this thread, and the text cursors do not blink.

#include "base/Platform.h"
#include "base/Screen.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/SlideListDialog.h"
#include "dialogs/SlidePropertiesDialog.h"
#include "dialogs/SwitchTimeDialog.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "packaging/ui/ExportDialog.h"
#include <QLineEdit>
#include <QPushButton>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPdfPageRenderer>
#include <QRadialGradient>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace {

/// A sample picture: a shape in colour over a key-coloured (or plain) background.
PicturePtr SamplePicture(int w, int h, int kind, QColor key) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(key);
    QPainter p(&img);
    // Shapes on a key colour are drawn without smoothing, as keyed artwork is: a
    // blended edge would show a fringe of the key colour.
    p.setRenderHint(QPainter::Antialiasing, key == Qt::white);
    switch (kind % 4) {
    case 0: { // a sun
        QRadialGradient g(w / 2.0, h / 2.0, h * 0.4);
        g.setColorAt(0, QColor(255, 230, 120));
        g.setColorAt(1, QColor(245, 140, 30));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(w / 2.0, h / 2.0), h * 0.38, h * 0.38);
        break;
    }
    case 1: { // a speech balloon
        p.setBrush(QColor(90, 160, 230));
        p.setPen(QPen(QColor(30, 70, 140), 4));
        p.drawRoundedRect(QRectF(w * 0.08, h * 0.1, w * 0.84, h * 0.62), 30, 30);
        QPainterPath tail;
        tail.moveTo(w * 0.3, h * 0.7);
        tail.lineTo(w * 0.22, h * 0.92);
        tail.lineTo(w * 0.45, h * 0.7);
        p.drawPath(tail);
        p.setPen(Qt::white);
        QFont f(QStringLiteral("Meiryo UI"));
        f.setPixelSize(int(h * 0.16));
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(w * 0.08, h * 0.1, w * 0.84, h * 0.62), Qt::AlignCenter,
                   QStringLiteral("ようこそ！"));
        break;
    }
    case 2: { // a landscape without a key
        QLinearGradient sky(0, 0, 0, h);
        sky.setColorAt(0, QColor(120, 180, 240));
        sky.setColorAt(1, QColor(220, 240, 255));
        p.fillRect(img.rect(), sky);
        p.setBrush(QColor(70, 150, 80));
        p.setPen(Qt::NoPen);
        QPainterPath hill;
        hill.moveTo(0, h);
        hill.cubicTo(w * 0.3, h * 0.4, w * 0.6, h * 0.9, w, h * 0.5);
        hill.lineTo(w, h);
        p.drawPath(hill);
        break;
    }
    default: { // a star
        QPainterPath star;
        for (int i = 0; i < 10; ++i) {
            const double r = (i % 2 ? 0.2 : 0.45) * h;
            const double a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(w / 2.0 + r * std::cos(a), h / 2.0 + r * std::sin(a));
            i ? star.lineTo(pt) : star.moveTo(pt);
        }
        star.closeSubpath();
        p.setBrush(QColor(250, 210, 40));
        p.setPen(QPen(QColor(200, 120, 0), 3));
        p.drawPath(star);
        break;
    }
    }
    p.end();
    return Picture::fromImage(img);
}

/// The size of the help window's picture (before its caption bar).
constexpr QSize kHelpSize(1000, 640);

/// `body` under a plain caption bar with `title`, as a window shows.
QImage UnderCaption(const QImage& body, const QString& title) {
    const int bar = 30;
    QImage out(body.width() + 2, body.height() + bar + 1, QImage::Format_RGB32);
    out.fill(QColor(120, 120, 120));
    QPainter p(&out);
    p.fillRect(1, 1, body.width(), bar - 1, QColor(236, 238, 242));
    QFont f(QStringLiteral("Meiryo UI"));
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(12, 1, body.width() - 60, bar - 1), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.drawText(QRect(body.width() - 30, 1, 24, bar - 1), Qt::AlignCenter, QStringLiteral("✕"));
    p.drawImage(1, bar, body);
    return out;
}

/// The grab of a window under its caption bar; at `size`, or else at the size it asks for.
QImage Framed(QWidget& w, QSize size = QSize()) {
    w.resize(size.isValid() ? size : w.sizeHint());
    w.show();
    QApplication::processEvents();
    const QImage out = UnderCaption(w.grab().toImage(), w.windowTitle());
    w.hide();
    return out;
}

/// The help window showing `manual`, searching it. Its pages are drawn on this thread,
/// each in the order asked, so the picture waits for no clock: the window is grabbed
/// until two grabs in a row are the same. Null when the manual does not open.
QImage HelpPicture(const QString& manual) {
    const QFileInfo file(manual);
    HelpWindow dlg;
    dlg.m_programPath = file.absolutePath() + QStringLiteral("/luserio");
    dlg.m_manualName = file.completeBaseName();
    for (QPdfPageRenderer* renderer : dlg.view()->findChildren<QPdfPageRenderer*>())
        renderer->setRenderMode(QPdfPageRenderer::RenderMode::SingleThreaded);
    if (!dlg.Initialize())
        return QImage();
    dlg.setWindowState(Qt::WindowNoState);
    dlg.resize(kHelpSize);
    dlg.show();
    dlg.Search(QStringLiteral("透過色"));
    dlg.ShowNextMatch();
    QImage last;
    for (int round = 0; round < 500; ++round) {
        QApplication::processEvents();
        QImage now = dlg.grab().toImage();
        if (now == last)
            return UnderCaption(now, dlg.windowTitle());
        last = std::move(now);
    }
    std::fprintf(stderr, "the help window's pages were not drawn\n");
    return QImage();
}

bool Save(const QImage& img, const QString& dir, const char* name) {
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settingsDir; // never touch the user's own settings
    qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    QApplication::setCursorFlashTime(0); // a text cursor shows, whenever the grab comes
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool help = args.size() == 3 && args[0] == QLatin1String("--help");
    if (args.size() != 1 && !help) {
        std::fprintf(stderr, "usage: %s OUTDIR | --help MANUAL.pdf OUTDIR\n", argv[0]);
        return 2;
    }
    const QString out = args.last();
    QDir().mkpath(out);
    SetScreenOverride(MakeScreen(1920, 1080));
    if (help) {
        const QImage picture = HelpPicture(args[1]);
        return !picture.isNull() && Save(picture, out, "help.png") ? 0 : 1;
    }
    EditorWindow editor;
    NewDocument(editor);
    Document& doc = CurrentDocument();
    const QColor magenta(255, 0, 255);
    const QSize sizes[] = {{640, 480}, {800, 500}, {1920, 1080}, {500, 500}};
    const int times[] = {5, 8, 12, 5};
    for (int i = 0; i < 23; ++i) {
        SlideRecord& s = doc.slides[i];
        s = SlideRecord{};
        const int kind = i % 4;
        s.picture = SamplePicture(sizes[kind].width(), sizes[kind].height(), kind,
                                  kind == 2 ? Qt::white : magenta);
        s.keyColor = kind == 2 ? KeyColor() : KeyColor(qRgb(255, 0, 255));
        s.switchTime = quint16(times[kind] + (i / 4) * 2);
    }
    doc.slideCount = 23;
    RecalcPages(editor);
    doc.header.previewBackground = qRgb(40, 48, 72);

    bool ok = true;
    {
        SwitchTimeDialog dlg;
        for (int i = 0; i < kMaxSlides; ++i)
            dlg.m_times[i] = doc.slides[i].switchTime;
        dlg.m_slideCount = doc.slideCount;
        dlg.m_pageCount = editor.m_pageCount;
        dlg.m_page = 0;
        for (int p = 0; p < kMaxPages; ++p)
            dlg.m_pageSlides[p] = editor.m_pageSlides[p];
        dlg.Initialize();
        dlg.saveButton()->setFocus();
        ok &= Save(Framed(dlg), out, "timeset.png");
    }
    {
        SlideListDialog dlg(&editor);
        dlg.resize(dlg.width(), 420);
        ok &= Save(Framed(dlg), out, "list.png");
    }
    {
        SlidePropertiesDialog dlg(&editor);
        dlg.m_index = 1;
        dlg.Initialize();
        ok &= Save(Framed(dlg), out, "property.png");
    }
    {
        SettingsDialog dlg;
        dlg.Initialize();
        ok &= Save(Framed(dlg), out, "settings.png");
    }
    {
        AboutDialog dlg;
        ok &= Save(Framed(dlg), out, "about.png");
    }
    {
        // The help window's picture shows the manual, which is laid out with its
        // pictures: a blank one of its size stands in until the manual has a draft.
        QImage blank(kHelpSize, QImage::Format_RGB32);
        blank.fill(QColor(240, 240, 240));
        ok &= Save(UnderCaption(blank, QString::fromUtf8(HelpWindow::kTitle)), out, "help.png");
    }
    {
        ExportDialog dlg;
        dlg.pathEdit()->setText(QStringLiteral("/home/user/デスクトップ/スライドショー.exe"));
        ok &= Save(Framed(dlg), out, "out.png");
    }
    {
        // The editor with the same sample document, as the manual's overview picture.
        editor.LoadFixedImages(); // logo, icon bar and property marks
        editor.setWindowOpacity(1.0);
        editor.resize(1200, 720);
        editor.m_rebuildCells = true;
        editor.show();
        QApplication::processEvents();
        editor.WaitForCellPictures(); // the large ones are decoded by worker threads
        ok &= Save(editor.grab().toImage(), out, "editor.png");
        editor.hide();
    }
    ReleaseAllPictures();
    return ok ? 0 : 1;
}
