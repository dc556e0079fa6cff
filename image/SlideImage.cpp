#include "image/SlideImage.h"

#include "document/Document.h"
#include "image/KeyedPicture.h"

namespace {

/// The selected slide's record, or null when none is selected.
SlideRecord* SelectedSlide(const EditorState& ed) {
    const int index = ed.SelectedIndex();
    Document& doc = CurrentDocument();
    if (index < 0 || index >= doc.slideCount)
        return nullptr;
    return &doc.slides[index];
}

} // namespace

bool SetSelectedSlideKey(EditorState& ed, KeyColor key) {
    SlideRecord* slide = SelectedSlide(ed);
    if (!slide)
        return false;
    SetSlideKey(*slide, key);
    ed.m_modified = true;
    return true;
}

bool ToggleSelectedSlideFlip(EditorState& ed, bool horizontal) {
    SlideRecord* slide = SelectedSlide(ed);
    if (!slide)
        return false;
    quint8& flag = horizontal ? slide->flipH : slide->flipV;
    flag = flag == 0 ? 1 : 0;
    ed.m_modified = true;
    return true;
}
