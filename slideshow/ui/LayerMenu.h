#pragma once
// The show's context menu where the show is a layer surface (slideshow/ui/LayerShell.h):
// a QMenu of the show's actions, drawn by Qt into layer surfaces of the same connection
// (the menu, and an open sub-menu beside it) above everything, with the pointer and the
// keys (arrows, Enter, Escape, the underlined letters) as a menu has them. A Qt menu
// cannot open there: a Wayland popup needs a window of Qt's own to hang from.

#include <QEventLoop>
#include <QObject>
#include <QPoint>
#include <memory>
#include <vector>

class LayerShell;
class LayerSurface;
class QAction;
class QMenu;

class LayerMenu : public QObject {
public:
    LayerMenu(LayerShell& shell, QMenu& menu);
    ~LayerMenu() override;

    /// Shows the menu with the middle of its top edge at `at` (kept on the screen there)
    /// and returns when it has closed, after triggering the action chosen, if any.
    void Exec(QPoint at);
    /// Closes the menu without a choice.
    void Close();

private:
    struct Level;
    void Open(QMenu& menu, QPoint topLeft);
    void Render(size_t level);
    void Hover(size_t level, QPoint global);
    void Press(size_t level, QPoint global);
    void Key(int key);
    void Activate(size_t level, QAction* action);
    QAction* Step(size_t level, int direction) const;

    LayerShell& m_shell;
    QMenu& m_menu;
    std::vector<std::unique_ptr<Level>> m_levels;
    QEventLoop m_loop;
    QAction* m_chosen = nullptr;
};
