// Resizing the frameless main window by dragging its edges, for platforms whose window
// system cannot take over the drag (no window manager, off-screen).

#include "editor/ui/EditorWindow.h"

#include <QMouseEvent>
#include <algorithm>

void EditorWindow::BeginFrameResize(Qt::Edges edges, QPoint globalPos) {
    m_resizeEdges = edges;
    m_resizeFrom = geometry();
    m_resizeGrab = globalPos;
}

bool EditorWindow::ContinueFrameResize(QPoint globalPos) {
    if (!m_resizeEdges)
        return false;
    const QPoint d = globalPos - m_resizeGrab;
    const QSize minSize = minimumSize().expandedTo(QSize(1, 1));
    const QSize maxSize = maximumSize();
    QRect r = m_resizeFrom;
    // Each moved edge follows the pointer as far as the size limits allow; the opposite
    // edge stays where it is.
    if (m_resizeEdges & Qt::LeftEdge) {
        const int w = std::clamp(m_resizeFrom.width() - d.x(), minSize.width(), maxSize.width());
        r.setLeft(m_resizeFrom.right() + 1 - w);
    } else if (m_resizeEdges & Qt::RightEdge) {
        r.setWidth(std::clamp(m_resizeFrom.width() + d.x(), minSize.width(), maxSize.width()));
    }
    if (m_resizeEdges & Qt::TopEdge) {
        const int h = std::clamp(m_resizeFrom.height() - d.y(), minSize.height(), maxSize.height());
        r.setTop(m_resizeFrom.bottom() + 1 - h);
    } else if (m_resizeEdges & Qt::BottomEdge) {
        r.setHeight(std::clamp(m_resizeFrom.height() + d.y(), minSize.height(), maxSize.height()));
    }
    if (r != geometry())
        setGeometry(r);
    return true;
}

bool EditorWindow::EndFrameResize() {
    if (!m_resizeEdges)
        return false;
    m_resizeEdges = {};
    return true;
}

void EditorWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && EndFrameResize())
        return;
    if (e->button() == Qt::LeftButton)
        OnLButtonUp(e->position().toPoint());
    else if (e->button() == Qt::RightButton)
        OnRButtonUp(e->position().toPoint());
    QDialog::mouseReleaseEvent(e);
}
