// A window of one colour that says on standard output when it is shown and where it is
// pressed: the window the compositor tests put beneath the show. Its size is fixed, so
// tiling compositors float it.
//   lsr_click_target WIDTH HEIGHT #RRGGBB

#include <QApplication>
#include <QColor>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

class Target : public QWidget {
public:
    explicit Target(QColor color) : m_color(color) {
        setWindowFlag(Qt::FramelessWindowHint);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), m_color);
        if (!m_told) {
            m_told = true;
            std::printf("shown\n");
            std::fflush(stdout);
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QPoint p = e->position().toPoint();
        std::printf("press %d %d\n", p.x(), p.y());
        std::fflush(stdout);
    }

private:
    QColor m_color;
    bool m_told = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication::setDesktopFileName(QStringLiteral("lsr-click-target"));
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4 || !QColor::isValidColorName(args[3])) {
        std::fprintf(stderr, "usage: lsr_click_target WIDTH HEIGHT #RRGGBB\n");
        return 2;
    }
    Target target{QColor(args[3])};
    target.setWindowTitle(QStringLiteral("lsr-click-target"));
    target.setFixedSize(args[1].toInt(), args[2].toInt());
    target.show();
    return app.exec();
}
