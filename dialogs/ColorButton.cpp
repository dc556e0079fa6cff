#include "dialogs/ColorButton.h"

#include "base/Prompts.h"

#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {
// Four rows of five: greys, strong colours, light colours, dark colours.
const QRgb kPalette[] = {
    qRgb(0, 0, 0),       qRgb(64, 64, 64),    qRgb(128, 128, 128), qRgb(192, 192, 192),
    qRgb(255, 255, 255), qRgb(255, 0, 0),     qRgb(255, 128, 0),   qRgb(255, 255, 0),
    qRgb(0, 192, 0),     qRgb(0, 0, 255),     qRgb(255, 192, 192), qRgb(255, 224, 160),
    qRgb(255, 255, 192), qRgb(192, 255, 192), qRgb(192, 224, 255), qRgb(128, 0, 0),
    qRgb(128, 64, 0),    qRgb(0, 64, 0),      qRgb(0, 0, 128),     qRgb(64, 0, 128),
};

QIcon SwatchIcon(QRgb c, QSize size) {
    QPixmap pm(size);
    pm.fill(QColor(c));
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return QIcon(pm);
}
} // namespace

const QRgb* ColorButton::Palette(int* count) {
    *count = int(std::size(kPalette));
    return kPalette;
}

ColorButton::ColorButton(QWidget* parent) : QToolButton(parent) {
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(72, 14));
    setMinimumHeight(26);

    m_popup = new QMenu(this);
    auto* panel = new QWidget(m_popup);
    auto* grid = new QGridLayout;
    grid->setSpacing(3);
    for (int i = 0; i < int(std::size(kPalette)); ++i) {
        auto* cell = new QToolButton(panel);
        cell->setAutoRaise(true);
        cell->setIcon(SwatchIcon(kPalette[i], QSize(18, 18)));
        cell->setIconSize(QSize(18, 18));
        const QRgb c = kPalette[i];
        cell->setToolTip(QString::asprintf("RGB(%d, %d, %d)", qRed(c), qGreen(c), qBlue(c)));
        connect(cell, &QToolButton::clicked, this, [this, c] {
            m_popup->close();
            choose(c);
        });
        grid->addWidget(cell, i / 5, i % 5);
    }
    auto* other = new QPushButton(QStringLiteral("その他の色(&M)..."), panel);
    connect(other, &QPushButton::clicked, this, [this] {
        m_popup->close();
        chooseOther();
    });
    auto* box = new QVBoxLayout(panel);
    box->setContentsMargins(6, 6, 6, 6);
    box->addLayout(grid);
    box->addWidget(other);
    auto* action = new QWidgetAction(m_popup);
    action->setDefaultWidget(panel);
    m_popup->addAction(action);
    setMenu(m_popup);
    UpdateFace();
}

void ColorButton::setColor(QRgb c) {
    m_color = c;
    UpdateFace();
}

void ColorButton::choose(QRgb c) {
    emit colorChosen(c);
}

void ColorButton::chooseOther() {
    const std::optional<QRgb> c = prompts().chooseColor(m_color, this);
    if (c)
        emit colorChosen(*c);
}

void ColorButton::UpdateFace() {
    setIcon(SwatchIcon(m_color, iconSize()));
}
