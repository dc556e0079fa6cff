#include "image/SlideImage.h"

#include "app/P20417App.h"

namespace {

/// The selected slide's record, or null when none is selected.
SlideRecord* SelectedSlide(const CEditState& ed) {
    const int index = ed.SelectedIndex();
    CP20417App& app = theApp();
    if (index < 0 || index >= app.m_nSlideCount)
        return nullptr;
    return &app.m_slides[index];
}

} // namespace

bool SetSelectedSlideKey(CEditState& ed, COLORREF key) {
    SlideRecord* slide = SelectedSlide(ed);
    if (!slide)
        return false;
    slide->crTransparent = key;
    ed.m_bModified = 1;
    return true;
}

bool ToggleSelectedSlideFlip(CEditState& ed, bool horizontal) {
    SlideRecord* slide = SelectedSlide(ed);
    if (!slide)
        return false;
    quint8& flag = horizontal ? slide->bFlipH : slide->bFlipV;
    flag = flag == 0 ? 1 : 0;
    ed.m_bModified = 1;
    return true;
}
