#include "dialogs/CommandAction.h"

#include <QAction>
#include <QWidget>

QAction* AddCommandAction(QWidget* window, const char* name, const char* text,
                          const QList<QKeySequence>& keys) {
    auto* action = new QAction(QString::fromUtf8(text), window);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setShortcutVisibleInContextMenu(false);
    window->addAction(action);
    return action;
}
