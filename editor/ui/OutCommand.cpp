// Icon 8: writing the open document as a standalone slideshow executable.

#include "app/P20417App.h"
#include "dialogs/ModalRunner.h"
#include "editor/ui/P20417Dlg.h"
#include "packaging/ui/OutDlg.h"

void CP20417Dlg::RunCreateExecutable() {
    if (theApp().m_nSlideCount <= 0)
        return; // nothing to play
    COutDlg dlg(this);
    RunModal(dlg);
}
