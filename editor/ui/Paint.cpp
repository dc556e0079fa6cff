#include "app/P20417App.h"
#include "editor/ui/P20417Dlg.h"

#include <QLinearGradient>
#include <QPainter>

namespace {
QColor toQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
} // namespace

void CP20417Dlg::OnPaint() {
    QPainter p(this);
    const QRect rc = rect();
    const DocHeader& h = theApp().m_header;
    // Two horizontal gradients over the full height: left to centre, centre to right.
    const int mid = rc.left() + rc.width() / 2;
    QLinearGradient left(rc.left(), 0, mid, 0);
    left.setColorAt(0, toQColor(h.crBackLeft));
    left.setColorAt(1, toQColor(h.crBackCenter));
    p.fillRect(QRect(rc.left(), rc.top(), mid - rc.left(), rc.height()), left);
    QLinearGradient right(mid, 0, rc.right() + 1, 0);
    right.setColorAt(0, toQColor(h.crBackCenter));
    right.setColorAt(1, toQColor(h.crBackRight));
    p.fillRect(QRect(mid, rc.top(), rc.right() + 1 - mid, rc.height()), right);
}
