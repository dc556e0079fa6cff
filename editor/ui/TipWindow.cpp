#include "editor/ui/TipWindow.h"

#include "base/Screen.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <QToolTip>
#include <algorithm>

namespace {

constexpr int kBorder = 1;      // the frame around the tip
constexpr int kPointerGap = 21; // the tip sits below the pointer's arrow
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

TipWindow::TipWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(QToolTip::font());
}

QSize TipWindow::SizeForText(const QString& text) const {
    const int chrome = 2 * kBorder;
    const QMargins m = Margins();
    const int textWidth = kMaxWidth - chrome - m.left() - m.right();
    const QFontMetrics fm(font());
    const QRect r = fm.boundingRect(QRect(0, 0, textWidth, 100000), kTextFlags, text);
    return QSize(std::min(r.width(), textWidth) + m.left() + m.right() + chrome,
                 r.height() + m.top() + m.bottom() + chrome);
}

void TipWindow::SetText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    if (isVisible()) {
        if (m_text.isEmpty()) {
            Pop();
            return;
        }
        // A new text while the tip is up: shown at once where the pointer is now.
        ShowAtPointer();
        m_popTimer.start(kAutoPopDelay, this);
    } else if (m_expired) {
        m_expired = false;
        m_reshow = true;
    }
}

void TipWindow::Activate(bool on) {
    if (on == m_active)
        return;
    m_active = on;
    if (!on) {
        Pop();
        m_reshow = false;
    }
}

void TipWindow::Pop() {
    StopTimers();
    m_expired = false;
    hide();
}

void TipWindow::RelayMouseMove(QPoint globalPos) {
    m_pointer = globalPos;
    if (!m_active || m_text.isEmpty() || isVisible() || m_expired || m_showTimer.isActive())
        return;
    m_pendingDelay = m_reshow ? kReshowDelay : kInitialDelay;
    m_showTimer.start(m_pendingDelay, this);
}

void TipWindow::OnShowTimer() {
    m_showTimer.stop();
    if (!m_active || m_text.isEmpty())
        return;
    m_reshow = false;
    ShowAtPointer();
    m_popTimer.start(kAutoPopDelay, this);
}

void TipWindow::OnPopTimer() {
    m_popTimer.stop();
    hide();
    m_expired = true;
}

void TipWindow::ShowAtPointer() {
    const QSize size = SizeForText(m_text);
    QPoint at = m_pointer + QPoint(0, kPointerGap);
    // Kept on the pointer's screen (the desktop when no screen claims the point); above
    // the pointer when there is no room below.
    const QScreen* screen = QGuiApplication::screenAt(m_pointer);
    const QRect avail = screen ? screen->availableGeometry() : Screen().workArea;
    if (avail.isValid()) {
        if (at.y() + size.height() > avail.bottom() + 1)
            at.setY(m_pointer.y() - size.height() - 2);
        at.setX(std::clamp(at.x(), avail.left(),
                           std::max(avail.left(), avail.right() + 1 - size.width())));
        at.setY(std::max(at.y(), avail.top()));
    }
    setGeometry(QRect(at, size));
    update();
    show();
}

void TipWindow::StopTimers() {
    m_showTimer.stop();
    m_popTimer.stop();
}

void TipWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor back = QColor(kBackColor);
    p.fillRect(rect(), back.darker(160));
    const QRect inner = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    p.fillRect(inner, back);
    p.setPen(QColor(kTextColor));
    p.drawText(inner.marginsRemoved(Margins()), kTextFlags, m_text);
}

void TipWindow::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_showTimer.timerId())
        OnShowTimer();
    else if (e->timerId() == m_popTimer.timerId())
        OnPopTimer();
    else
        QWidget::timerEvent(e);
}
