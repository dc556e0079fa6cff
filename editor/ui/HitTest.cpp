// Hit tests: which element of the last paint lies under a client point.
#include "app/P20417App.h"
#include "editor/ui/P20417Dlg.h"

#include <algorithm>

int CP20417Dlg::HitIcon(QPoint pt) const {
    if (!PtInRect32(m_rcIconArea, pt))
        return -1;
    for (int k = 0; k < kIconCount; ++k)
        if (PtInRect32(m_rcIcons[k], pt))
            return k;
    return -1;
}

int CP20417Dlg::HitCell(QPoint pt) const {
    const int page = std::clamp(m_nPage, 0, MAX_PAGES - 1);
    const int n = std::clamp(m_nPageSlides[page], 0, SLIDES_PER_PAGE);
    for (int k = 0; k < n; ++k)
        if (PtInRect32(m_rcCells[k], pt))
            return k;
    return -1;
}

int CP20417Dlg::HitMark(QPoint pt) const {
    if (theApp().m_nSlideCount <= 0)
        return PtInRect32(InflateRect32(m_rcMarks[0], 5, 1), pt) ? 0 : -1;
    const int page = std::clamp(m_nPage, 0, MAX_PAGES - 1);
    const int n = std::clamp(m_nPageSlides[page], 0, SLIDES_PER_PAGE);
    for (int k = 0; k <= n; ++k)
        if (PtInRect32(InflateRect32(m_rcMarks[k], 5, 1), pt))
            return k;
    return -1;
}

int CP20417Dlg::HitPropButton(QPoint pt) const {
    if (theApp().m_nSlideCount <= 0)
        return -1;
    const int page = std::clamp(m_nPage, 0, MAX_PAGES - 1);
    const int n = std::clamp(m_nPageSlides[page], 0, SLIDES_PER_PAGE);
    for (int k = 0; k < n; ++k) {
        const RECT32& c = m_rcCells[k];
        if (PtInRect32(RECT32{c.right - 11, c.bottom - 11, c.right, c.bottom}, pt))
            return k;
    }
    return -1;
}

int CP20417Dlg::HitBoundary(QPoint pt) const {
    if (!PtInRect32(m_rcGraph, pt))
        return -1;
    const int count = std::clamp(theApp().m_nSlideCount, 0, MAX_SLIDES);
    for (int b = 1; b <= count; ++b)
        if (PtInRect32(m_rcBoundary[b], pt))
            return b;
    return -1;
}
