#pragma once
// The actions that carry a window's commands.

#include <QKeySequence>
#include <QList>

class QAction;
class QWidget;

/// A command of `window`: an action named `name` with the menu text `text` (what a menu
/// shows at its right edge follows a tab, so the keys are not shown again), added to the
/// window, so that its keys work whatever has the focus in the window and whatever the
/// menus show. Owned by the window.
QAction* AddCommandAction(QWidget* window, const char* name, const char* text,
                          const QList<QKeySequence>& keys = {});
