// The hand-over to the slideshow window and the hand-back from it.

#include "app/P20417App.h"
#include "editor/ui/P20417Dlg.h"
#include "slideshow/ui/SideDlg.h"

void CP20417Dlg::RunSlideshow(int startIndex) {
    if (theApp().m_nSlideCount <= 0)
        return; // the show needs at least one slide
    // QWidget's own hide: QDialog's would end this window's modal loop, and with it
    // the program.
    QWidget::setVisible(false);
    {
        CSideDlg show(this);
        show.m_nIndex = startIndex;
        show.m_bChanged = m_bModified;
        show.DoModal();
        if (show.m_bChanged) {
            m_bModified = 1;
            m_bRebuildCells = 1;
        }
    }
    QWidget::setVisible(true);
    raise();
    activateWindow();
}
