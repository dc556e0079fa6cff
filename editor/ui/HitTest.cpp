// Hit tests: which element of the last paint lies under a client point.
#include "document/Document.h"
#include "editor/ui/EditorWindow.h"

#include <algorithm>

std::optional<Icon> EditorWindow::HitIcon(QPoint pt) const {
    if (!PointInRect(m_iconArea, pt))
        return std::nullopt;
    for (int k = 0; k < kIconCount; ++k)
        if (PointInRect(m_iconRects[k], pt))
            return Icon(k);
    return std::nullopt;
}

int EditorWindow::HitCell(QPoint pt) const {
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k < n; ++k)
        if (PointInRect(m_cellRects[k], pt))
            return k;
    return -1;
}

int EditorWindow::HitMark(QPoint pt) const {
    if (CurrentDocument().slideCount <= 0)
        return PointInRect(m_markRects[0].adjusted(-5, -1, 5, 1), pt) ? 0 : -1;
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k <= n; ++k)
        if (PointInRect(m_markRects[k].adjusted(-5, -1, 5, 1), pt))
            return k;
    return -1;
}

bool EditorWindow::HitAddButton(QPoint pt) const {
    return CurrentDocument().slideCount <= 0 && PointInRect(m_addButtonRect, pt);
}

int EditorWindow::HitPropButton(QPoint pt) const {
    if (CurrentDocument().slideCount <= 0)
        return -1;
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k < n; ++k) {
        const QRect& c = m_cellRects[k];
        if (PointInRect(QRect(c.x() + c.width() - 11, c.y() + c.height() - 11, 11, 11), pt))
            return k;
    }
    return -1;
}

int EditorWindow::HitBoundary(QPoint pt) const {
    if (!PointInRect(m_graphRect, pt))
        return -1;
    const int count = std::clamp(CurrentDocument().slideCount, 0, kMaxSlides);
    for (int b = 1; b <= count; ++b)
        if (PointInRect(m_boundaryRects[b], pt))
            return b;
    return -1;
}
