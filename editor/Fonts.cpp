#include "editor/Fonts.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

int PointsToPixels(int points, int dpi) {
    return int(std::lround(double(points) * double(dpi) / 72.0));
}

QFont SelectUiFont(const QString& face, int points, bool bold, bool italic, bool strikeOut,
                   bool underline, int angle, QFont& font, QPainter* surface) {
    Q_UNUSED(angle);
    QFont f = QGuiApplication::font();
    f.setFamilies({face.isEmpty() ? kDefaultUiFace : face});
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setItalic(italic);
    f.setStrikeOut(strikeOut);
    f.setUnderline(underline);
    int dpi = 96;
    if (surface && surface->device())
        dpi = surface->device()->logicalDpiY();
    f.setPixelSize(std::max(1, PointsToPixels(std::max(points, 2), dpi)));
    font = f;
    QFont previous;
    if (surface) {
        previous = surface->font();
        surface->setFont(font);
    }
    return previous;
}
