// The keyboard in the main window: a current slide moved with the arrows, Home/End and
// Page Up/Down across cells and pages, Enter for its properties, the menu keys for its
// context menu, and Escape ending a colour pick or a drag before it closes the window.

#include "document/Document.h"
#include "editor/ui/EditorWindow.h"
#include "editor/ui/TipWindow.h"

#include <QKeyEvent>
#include <algorithm>

namespace {
constexpr int kColumns = 5; // slides per row of the page
} // namespace

void EditorWindow::SetCurrentSlide(int index) {
    const int count = CurrentDocument().slideCount;
    if (count <= 0)
        return;
    index = std::clamp(index, 0, count - 1);
    m_currentSlide = index;
    m_keyboardLast = true;
    const int page = index / kSlidesPerPage;
    if (page != m_page)
        ShowPage(page);
    SetSelect(index % kSlidesPerPage);
}

int EditorWindow::TargetSlide() const {
    if (m_keyboardLast && m_currentSlide >= 0 && m_currentSlide < CurrentDocument().slideCount)
        return m_currentSlide;
    return SelectedIndex();
}

bool EditorWindow::CancelGesture() {
    const Gesture ended = std::exchange(m_gesture, Gesture{});
    if (std::holds_alternative<std::monostate>(ended))
        return false;
    if (const auto* drag = std::get_if<DraggingSlide>(&ended)) {
        if (!drag->drawnAt.isEmpty())
            update(drag->drawnAt); // the drag image goes; the slide stays where it was
    } else if (std::holds_alternative<DraggingSwitchTime>(ended)) {
        HideTip(); // the time shown is not taken
    } else if (const auto* resize = std::get_if<ResizingFrame>(&ended)) {
        setGeometry(resize->from);
    }
    SetMouseCursor(MouseCursor::Arrow);
    return true;
}

bool EditorWindow::HandleNavigationKey(QKeyEvent* e) {
    const int count = CurrentDocument().slideCount;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool menuKey =
        e->key() == Qt::Key_Menu || (e->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
    if (menuKey) {
        // The current slide's menu at its picture; otherwise the menu of the spot under
        // the pointer, or of the title band when the pointer is elsewhere.
        QPoint at = mapFromGlobal(QCursor::pos());
        const int target = TargetSlide();
        if (m_keyboardLast && target >= 0 && target / kSlidesPerPage == m_page)
            at = m_cellRects[target % kSlidesPerPage].center();
        else if (!rect().contains(at))
            at = QPoint(width() / 2, 20);
        TrackContextMenu(at);
        return true;
    }
    if (mods != Qt::NoModifier)
        return false;
    // Without a slide under the pointer, the first move puts the ring on the page's
    // first slide.
    const bool none = TargetSlide() < 0;
    const int from = none ? m_page * kSlidesPerPage : TargetSlide();
    int step = 0; // how far a moving key moves the ring
    int to = -1;  // where Home and End put it
    switch (e->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -kColumns;
        break;
    case Qt::Key_Down:
        step = kColumns;
        break;
    case Qt::Key_PageUp:
        step = -kSlidesPerPage;
        break;
    case Qt::Key_PageDown:
        step = kSlidesPerPage;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_keyboardLast && TargetSlide() >= 0)
            OpenSlideProperties(TargetSlide());
        return true; // Enter never closes the window
    default:
        return false;
    }
    if (to < 0)
        to = none ? from : from + step;
    // Past either end the ring stops at the first or the last slide.
    if (count > 0)
        SetCurrentSlide(to);
    return true;
}
