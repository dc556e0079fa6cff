#pragma once
// The editing state that the main window keeps about the slide table.

#include "document/Document.h"

#include <climits>

class EditorState {
public:
    virtual ~EditorState() = default;

    bool m_modified = false;          ///< changed since created, opened or saved
    int m_page = 0;                   ///< current page, 0-based
    int m_pageCount = INT_MAX;        ///< 1 to 5; INT_MAX until the start document is chosen
    int m_pageSlides[kMaxPages] = {}; ///< slides shown on each page
    int m_selectedCell = -1;          ///< selected slide as a page cell, -1 when none

    /// Called after the slide table changed: the view redraws with its slide images
    /// rebuilt. Nothing happens without a view.
    virtual void RedrawRebuilt() {}

    /// Table index of the selected slide, -1 when none is selected.
    int SelectedIndex() const {
        return m_selectedCell < 0 ? -1 : m_page * kSlidesPerPage + m_selectedCell;
    }
};
