// The hand-over to the slideshow window and the hand-back from it.

#include "base/Screen.h"
#include "document/Document.h"
#include "editor/ui/EditorWindow.h"
#include "slideshow/ui/SlideshowWindow.h"

void EditorWindow::RunSlideshow(int startIndex) {
    if (CurrentDocument().slideCount <= 0)
        return; // the show needs at least one slide
    // QWidget's own hide: QDialog's would end this window's modal loop, and with it
    // the program.
    QWidget::setVisible(false);
    // What the show changes of the document (its window's place and size, its options)
    // is one step.
    RecordChange(QStringLiteral("スライドショーの設定の変更"), [this, startIndex] {
        SlideshowWindow show(this);
        show.m_index = startIndex;
        // The show opens on the screen this window is on.
        show.m_screenArea = WorkAreaAt(frameGeometry().center());
        show.m_changed = m_modified;
        show.Play();
        if (show.m_changed)
            m_rebuildCells = true;
    });
    QWidget::setVisible(true);
    raise();
    activateWindow();
}
