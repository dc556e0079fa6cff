// The export icon: writing the open document as a standalone slideshow executable.

#include "dialogs/ModalRunner.h"
#include "document/Document.h"
#include "editor/ui/EditorWindow.h"
#include "packaging/ui/ExportDialog.h"

void EditorWindow::RunCreateExecutable() {
    if (CurrentDocument().slideCount <= 0)
        return; // nothing to play
    ExportDialog dlg(this);
    RunModal(dlg);
}
