#pragma once
// The main window as the editor tests open it.

#include "editor/ui/EditorWindow.h"

#include <QTest>
#include <memory>

/// The editor after its opening sequence, 1440 x 810, shown and active (a shown window
/// gets no resize event at every grab, each of which would ask for the cell images to
/// be rebuilt; an active one takes the command keys). Null when the opening failed.
inline std::unique_ptr<EditorWindow> OpenTestEditor() {
    auto editor = std::make_unique<EditorWindow>();
    if (!editor->Initialize())
        return nullptr;
    editor->resize(1440, 810);
    editor->show();
    editor->activateWindow();
    if (!QTest::qWaitForWindowActive(editor.get()))
        return nullptr;
    return editor;
}
