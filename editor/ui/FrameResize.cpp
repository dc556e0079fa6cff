// Resizing the frameless main window by dragging its edges, for platforms whose window
// system cannot take over the drag (no window manager, off-screen).

#include "editor/ui/EditorWindow.h"

#include <QMouseEvent>
#include <algorithm>

void EditorWindow::BeginFrameResize(Qt::Edges edges, QPoint globalPos) {
    m_gesture = ResizingFrame{edges, geometry(), globalPos};
}

bool EditorWindow::ContinueFrameResize(QPoint globalPos) {
    const auto* resize = std::get_if<ResizingFrame>(&m_gesture);
    if (!resize)
        return false;
    const Qt::Edges edges = resize->edges;
    const QRect from = resize->from;
    const QPoint d = globalPos - resize->grab;
    const QSize minSize = minimumSize().expandedTo(QSize(1, 1));
    const QSize maxSize = maximumSize();
    QRect r = from;
    // Each moved edge follows the pointer as far as the size limits allow; the opposite
    // edge stays where it is.
    if (edges & Qt::LeftEdge) {
        const int w = std::clamp(from.width() - d.x(), minSize.width(), maxSize.width());
        r.setLeft(from.right() + 1 - w);
    } else if (edges & Qt::RightEdge) {
        r.setWidth(std::clamp(from.width() + d.x(), minSize.width(), maxSize.width()));
    }
    if (edges & Qt::TopEdge) {
        const int h = std::clamp(from.height() - d.y(), minSize.height(), maxSize.height());
        r.setTop(from.bottom() + 1 - h);
    } else if (edges & Qt::BottomEdge) {
        r.setHeight(std::clamp(from.height() + d.y(), minSize.height(), maxSize.height()));
    }
    if (r != geometry())
        setGeometry(r);
    return true;
}

bool EditorWindow::EndFrameResize() {
    if (!std::holds_alternative<ResizingFrame>(m_gesture))
        return false;
    m_gesture = {};
    return true;
}

void EditorWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && EndFrameResize())
        return;
    if (e->button() == Qt::LeftButton)
        LeftButtonReleased(e->position().toPoint());
    else if (e->button() == Qt::RightButton)
        RightButtonReleased(e->position().toPoint());
    QDialog::mouseReleaseEvent(e);
}
