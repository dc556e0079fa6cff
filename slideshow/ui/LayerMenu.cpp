#include "slideshow/ui/LayerMenu.h"

#if defined(LSR_HAVE_LAYER_SHELL)

#include "base/Screen.h"
#include "slideshow/ui/LayerShell.h"

#include <QImage>
#include <QKeySequence>
#include <QMenu>

struct LayerMenu::Level {
    QMenu* menu = nullptr;
    std::unique_ptr<LayerSurface> surface;
};

LayerMenu::LayerMenu(LayerShell& shell, QMenu& menu) : m_shell(shell), m_menu(menu) {}

LayerMenu::~LayerMenu() = default;

void LayerMenu::Exec(QPoint at) {
    m_menu.ensurePolished();
    m_menu.adjustSize();
    const QSize size = m_menu.size();
    const QRect area = WorkAreaAt(at);
    QPoint topLeft(at.x() - size.width() / 2, at.y());
    // On the screen: above the point where there is no room below it.
    if (topLeft.y() + size.height() > area.bottom() + 1)
        topLeft.setY(std::max(area.top(), at.y() - size.height()));
    topLeft.setX(std::clamp(topLeft.x(), area.left(),
                            std::max(area.left(), area.right() + 1 - size.width())));
    Open(m_menu, topLeft);
    m_loop.exec();
    m_levels.clear();
    if (QAction* chosen = m_chosen) {
        m_chosen = nullptr;
        chosen->trigger();
    }
}

void LayerMenu::Close() {
    m_loop.quit();
}

void LayerMenu::Open(QMenu& menu, QPoint topLeft) {
    auto level = std::make_unique<Level>();
    level->menu = &menu;
    menu.ensurePolished();
    menu.adjustSize();
    menu.setActiveAction(nullptr);
    level->surface =
        std::make_unique<LayerSurface>(m_shell, "luserio-menu", LayerSurface::Layer::Overlay, true);
    level->surface->Place(QRect(topLeft, menu.size()));
    const size_t index = m_levels.size();
    connect(level->surface.get(), &LayerSurface::Moved, this,
            [this, index](QPoint at) { Hover(index, at); });
    connect(level->surface.get(), &LayerSurface::Pressed, this,
            [this, index](Qt::MouseButton, QPoint at) { Press(index, at); });
    connect(level->surface.get(), &LayerSurface::KeyPressed, this, [this](int key) { Key(key); });
    connect(level->surface.get(), &LayerSurface::Closed, this, [this] { Close(); });
    m_levels.push_back(std::move(level));
    Render(index);
}

void LayerMenu::Render(size_t level) {
    Level& l = *m_levels[level];
    QImage image(l.menu->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    l.menu->render(&image);
    l.surface->Present(image);
}

void LayerMenu::Hover(size_t level, QPoint global) {
    if (level >= m_levels.size())
        return;
    Level& l = *m_levels[level];
    QAction* a = l.menu->actionAt(global - l.surface->Rect().topLeft());
    if (a && (a->isSeparator() || !a->isEnabled()))
        a = nullptr;
    if (a == l.menu->activeAction())
        return;
    l.menu->setActiveAction(a);
    Render(level);
    // A sub-menu opens under the pointer; another item closes the one open.
    m_levels.resize(level + 1);
    if (a && a->menu()) {
        const QRect item = l.menu->actionGeometry(a);
        Open(*a->menu(), l.surface->Rect().topLeft() + item.topRight() + QPoint(1, 0));
    }
}

void LayerMenu::Press(size_t level, QPoint global) {
    if (level >= m_levels.size())
        return;
    Level& l = *m_levels[level];
    if (QAction* a = l.menu->actionAt(global - l.surface->Rect().topLeft()))
        Activate(level, a);
}

void LayerMenu::Activate(size_t level, QAction* a) {
    if (!a || a->isSeparator() || !a->isEnabled())
        return;
    Level& l = *m_levels[level];
    if (a->menu()) {
        m_levels.resize(level + 1);
        l.menu->setActiveAction(a);
        Render(level);
        const QRect item = l.menu->actionGeometry(a);
        Open(*a->menu(), l.surface->Rect().topLeft() + item.topRight() + QPoint(1, 0));
        Level& sub = *m_levels.back();
        sub.menu->setActiveAction(Step(m_levels.size() - 1, 1));
        Render(m_levels.size() - 1);
        return;
    }
    m_chosen = a;
    Close();
}

QAction* LayerMenu::Step(size_t level, int direction) const {
    const QMenu& menu = *m_levels[level]->menu;
    const QList<QAction*> actions = menu.actions();
    const qsizetype n = actions.size();
    if (n == 0)
        return nullptr;
    qsizetype i = actions.indexOf(menu.activeAction());
    if (i < 0)
        i = direction > 0 ? -1 : n;
    for (qsizetype k = 0; k < n; ++k) {
        i = (i + direction + n) % n;
        QAction* a = actions[i];
        if (!a->isSeparator() && a->isEnabled() && a->isVisible())
            return a;
    }
    return nullptr;
}

void LayerMenu::Key(int key) {
    if (m_levels.empty())
        return;
    const size_t level = m_levels.size() - 1;
    Level& l = *m_levels[level];
    switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Left:
        if (level == 0) {
            if (key == Qt::Key_Escape)
                Close();
        } else {
            m_levels.pop_back();
        }
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        l.menu->setActiveAction(Step(level, key == Qt::Key_Down ? 1 : -1));
        Render(level);
        return;
    case Qt::Key_Right:
        if (QAction* a = l.menu->activeAction(); a && a->menu())
            Activate(level, a);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Activate(level, l.menu->activeAction());
        return;
    default:
        break;
    }
    // An item's underlined letter chooses it.
    const QList<QAction*> actions = l.menu->actions();
    for (QAction* a : actions)
        if (QKeySequence::mnemonic(a->text()) == QKeySequence(Qt::ALT | Qt::Key(key))) {
            Activate(level, a);
            return;
        }
}

#endif // LSR_HAVE_LAYER_SHELL
