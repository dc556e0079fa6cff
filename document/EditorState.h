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
    /// Called when the document was written to its file (whose path may be new): the
    /// changes so far are kept, and a view shows the document's name again.
    virtual void DocumentSaved() { m_modified = false; }
    /// Called when another document, or a new one, took the open one's place: nothing
    /// of it is changed yet, and what was done to the one before is gone with it.
    virtual void DocumentReplaced() { m_modified = false; }

    /// Table index of the selected slide, -1 when none is selected.
    int SelectedIndex() const {
        return m_selectedCell < 0 ? -1 : m_page * kSlidesPerPage + m_selectedCell;
    }
};
