#pragma once
// The editing state that the main window keeps about the slide table.

#include "document/Document.h"

#include <climits>

class CEditState {
public:
    virtual ~CEditState() = default;

    int m_bModified = 0;          ///< 1 after any change since created, opened or saved
    int m_nPage = 0;              ///< current page, 0-based
    int m_nPageCount = INT_MAX;   ///< 1 to 5; INT_MAX until the start document is chosen
    int m_nPageSlides[MAX_PAGES] = {}; ///< slides shown on each page
    int m_nSelect = -1;           ///< selected slide as a page cell, -1 when none

    /// Called after the slide table changed: the view redraws with its slide images
    /// rebuilt. Nothing happens without a view.
    virtual void RedrawRebuilt() {}

    /// Table index of the selected slide, -1 when none is selected.
    int SelectedIndex() const { return m_nSelect < 0 ? -1 : m_nPage * SLIDES_PER_PAGE + m_nSelect; }
};
