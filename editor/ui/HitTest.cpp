// Hit tests: which element of the last paint lies under a client point.
#include "document/Document.h"
#include "editor/ui/EditorWindow.h"

#include <algorithm>

int EditorWindow::HitIcon(QPoint pt) const {
    if (!PtInRect32(m_iconArea, pt))
        return -1;
    for (int k = 0; k < kIconCount; ++k)
        if (PtInRect32(m_iconRects[k], pt))
            return k;
    return -1;
}

int EditorWindow::HitCell(QPoint pt) const {
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k < n; ++k)
        if (PtInRect32(m_cellRects[k], pt))
            return k;
    return -1;
}

int EditorWindow::HitMark(QPoint pt) const {
    if (CurrentDocument().slideCount <= 0)
        return PtInRect32(InflateRect32(m_markRects[0], 5, 1), pt) ? 0 : -1;
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k <= n; ++k)
        if (PtInRect32(InflateRect32(m_markRects[k], 5, 1), pt))
            return k;
    return -1;
}

int EditorWindow::HitPropButton(QPoint pt) const {
    if (CurrentDocument().slideCount <= 0)
        return -1;
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    const int n = std::clamp(m_pageSlides[page], 0, kSlidesPerPage);
    for (int k = 0; k < n; ++k) {
        const RECT32& c = m_cellRects[k];
        if (PtInRect32(RECT32{c.right - 11, c.bottom - 11, c.right, c.bottom}, pt))
            return k;
    }
    return -1;
}

int EditorWindow::HitBoundary(QPoint pt) const {
    if (!PtInRect32(m_graphRect, pt))
        return -1;
    const int count = std::clamp(CurrentDocument().slideCount, 0, kMaxSlides);
    for (int b = 1; b <= count; ++b)
        if (PtInRect32(m_boundaryRects[b], pt))
            return b;
    return -1;
}
