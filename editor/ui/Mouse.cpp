// Mouse handling of the main window: hover feedback (highlights, cursors, tips), the
// icon bar's actions, the four drags (moving the window, the opacity, a slide's switch
// time in the graph, a slide image onto an insertion mark), the double click and the
// hand-over of the right button to the context menu.
//
// Qt keeps delivering pointer events to the window while a button is held, so the
// drags need no capture of their own; the hover-only captures (over a graph boundary,
// in pick mode) are replaced by the leave event, which clears the hover feedback.

#include "base/Screen.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/Render.h"
#include "editor/Text.h"
#include "editor/ui/EditorWindow.h"
#include "editor/ui/TipWindow.h"
#include "image/AddSlides.h"
#include "image/KeyedPicture.h"
#include "slideshow/ui/WindowSystem.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>

namespace {

const char* const kEmptyPageTip =
    "ここへイメージファイルをドラッグ＆ドロップして最初のスライドを追加してください\n"
    "※ 右クリックメニューの「スライド追加」でも追加することができます";
const char* const kGraphTip =
    "※ グラフ内の境界線をドラッグ＆ドロップして各スライドの時間を変更し、自動切替え時間として"
    "保存できます\n"
    "※ スライド数が多いときは右下のメニューで【時間セット】をクリックし、一覧表を表示して"
    "時間をセットすることができます";
const char* const kTransBarTip = "【透過変更】\nここを左右にドラッグ＆ドロップすると\n"
                                 "このウィンドウの透過率を変更することができます";
const char* const kIconTips[kIconCount] = {
    "【次頁へ】\n次の頁を表示します",
    "【前頁へ】\n前の頁を表示します",
    "【時間セット】\n一覧表を表示して時間をセットします\n※ "
    "スライド数が多く、ドラッグ＆ドロップでは\n"
    "セットできないときに使用できます",
    "【新規】\n新規ドキュメントを開きます",
    "【開く】\n保存されているドキュメントを開きます",
    "【保存】\n現在のドキュメントを保存します",
    "【設定】\n環境設定のウィンドウを表示します",
    "【スライドショー】\nスライドショーを実行します",
    "【実行ファイル作成】\n透過スライドショー実行ファイルを作成します",
    "【バージョン情報】\nバージョン情報を表示します",
    "【ヘルプ】\n取扱い説明書を表示します",
    "【終了】\nこのアプリケーションを終了します",
};

void NextPage(EditorWindow& d) {
    if (d.m_page >= d.m_pageCount - 1)
        return;
    d.ShowPage(d.m_page + 1);
}

void PreviousPage(EditorWindow& d) {
    if (d.m_page <= 0)
        return;
    d.ShowPage(d.m_page - 1);
}

/// One row per icon of the bar, in the order of Icon.
struct IconAction {
    Icon icon;
    bool onlyWithSlides;
    void (*run)(EditorWindow&);
};
const IconAction kIconActions[kIconCount] = {
    {Icon::NextPage, true, NextPage},
    {Icon::PreviousPage, true, PreviousPage},
    {Icon::SwitchTimes, true, [](EditorWindow& d) { d.OpenTimeSet(); }},
    {Icon::NewDocument, true, [](EditorWindow& d) { OnNewCommand(d); }},
    {Icon::OpenDocument, false, [](EditorWindow& d) { OnOpenCommand(d); }},
    {Icon::SaveDocument, true, [](EditorWindow& d) { OnSaveCommand(d); }},
    {Icon::Settings, false, [](EditorWindow& d) { d.OpenSystemSettings(); }},
    {Icon::Slideshow, true, [](EditorWindow& d) { d.RunSlideshow(0); }},
    {Icon::Export, true, [](EditorWindow& d) { d.RunCreateExecutable(); }},
    {Icon::VersionInfo, false, [](EditorWindow& d) { d.OpenVersionInfo(); }},
    {Icon::Help, false, [](EditorWindow& d) { d.OpenHelp(); }},
    {Icon::Exit, false, [](EditorWindow& d) { d.reject(); }},
};

} // namespace

// ---------------------------------------------------------------------------------------
// Feedback helpers

void EditorWindow::SetMouseCursor(MouseCursor c) {
    switch (c) {
    case MouseCursor::Arrow:
        setCursor(Qt::ArrowCursor);
        break;
    case MouseCursor::Hand:
        setCursor(Qt::PointingHandCursor);
        break;
    case MouseCursor::SizeWE:
        setCursor(Qt::SizeHorCursor);
        break;
    case MouseCursor::SizeAll:
        setCursor(Qt::SizeAllCursor);
        break;
    case MouseCursor::Pick:
        setCursor(m_pickCursor);
        break;
    case MouseCursor::Prop:
        setCursor(m_propCursor);
        break;
    }
}

void EditorWindow::ShowTip(const QString& text) {
    if (!m_tip)
        return;
    m_tip->SetText(text);
    m_tip->Activate(true);
}

void EditorWindow::HideTip() {
    if (m_tip)
        m_tip->Activate(false);
}

QRect EditorWindow::MarkArea(int m) const {
    if (m < 0 || m > kSlidesPerPage)
        return QRect();
    return m_markRects[m].adjusted(-5, -5, 5, 5);
}

void EditorWindow::SetSelect(int k) {
    if (k == m_selectedCell)
        return;
    // Both areas: the rings leave the old cell even when the pointer jumped straight
    // from one cell to the next.
    const int old = m_selectedCell;
    m_selectedCell = k;
    if (old >= 0)
        update(CellArea(old));
    if (k >= 0)
        update(CellArea(k));
}

void EditorWindow::SetMark(int m) {
    if (m == m_mark)
        return;
    const int old = m_mark;
    m_mark = m;
    if (old >= 0)
        update(MarkArea(old));
    if (m >= 0)
        update(MarkArea(m));
}

bool EditorWindow::DragRuns() const {
    return std::holds_alternative<MovingWindow>(m_gesture) ||
           std::holds_alternative<DraggingOpacity>(m_gesture) ||
           std::holds_alternative<DraggingSwitchTime>(m_gesture) ||
           std::holds_alternative<DraggingSlide>(m_gesture);
}

void EditorWindow::ShowPage(int page) {
    m_page = page;
    if (auto* drag = std::get_if<DraggingSlide>(&m_gesture))
        drag->drawnAt = QRect();
    m_rebuildCells = true;
    update();
}

// ---------------------------------------------------------------------------------------
// Pointer movement

void EditorWindow::PointerMoved(QPoint pt) {
    const Document& doc = CurrentDocument();

    // 1. The window follows the pointer.
    if (const auto* move = std::get_if<MovingWindow>(&m_gesture)) {
        if (pt != move->grab)
            MoveWindowTo(mapToGlobal(pt), move->grab);
        return;
    }
    // 2. A switch time is being dragged in the graph.
    if (auto* drag = std::get_if<DraggingSwitchTime>(&m_gesture)) {
        SwitchTimeDragMove(*drag, pt);
        return;
    }
    // 3. Over a slide's property button.
    if (doc.header.showPropertyButtons && HitPropButton(pt) >= 0) {
        SetMouseCursor(MouseCursor::Prop);
        return;
    }
    // 4. A slide image is being dragged.
    if (auto* drag = std::get_if<DraggingSlide>(&m_gesture)) {
        SlideDragMove(*drag, pt);
        return;
    }
    // 5. The opacity is being dragged.
    if (std::holds_alternative<DraggingOpacity>(m_gesture)) {
        OpacityDragMove(pt);
        return;
    }
    // 6. Picking a transparent colour.
    if (std::holds_alternative<PickingColor>(m_gesture)) {
        SetMouseCursor(HitCell(pt) >= 0 ? MouseCursor::Pick : MouseCursor::Arrow);
        return;
    }

    if (doc.slideCount <= 0) {
        // 7. The empty page: its add button, and its one insertion mark that invites
        // the first slide.
        SetAddButtonHover(HitAddButton(pt));
        if (m_addButtonHover) {
            SetMark(-1);
            HideTip();
            SetMouseCursor(MouseCursor::Hand);
            return;
        }
        if (PointInRect(m_markRects[0], pt)) {
            SetMark(0);
            ShowTip(QString::fromUtf8(kEmptyPageTip));
            SetMouseCursor(MouseCursor::Hand);
            return;
        }
        SetMark(-1);
    } else {
        // 8a. The time graph.
        if (PointInRect(m_graphRect, pt)) {
            if (HitBoundary(pt) >= 0) {
                HideTip();
                SetMouseCursor(MouseCursor::SizeWE);
            } else {
                ShowTip(QString::fromUtf8(kGraphTip));
                SetMouseCursor(MouseCursor::Arrow);
            }
            return;
        }
        // 8b. A slide image: its highlight rings. Slides and marks have no tip, so a
        // tip of another element does not linger over them.
        const int k = HitCell(pt);
        if (k >= 0) {
            SetMark(-1);
            SetSelect(k);
            HideTip();
            SetMouseCursor(MouseCursor::Hand);
            return;
        }
        // 8c. An insertion mark: drawn wide.
        SetSelect(-1);
        const int m = HitMark(pt);
        if (m >= 0) {
            SetMark(m);
            HideTip();
            SetMouseCursor(MouseCursor::Hand);
            return;
        }
        SetMark(-1);
    }
    // 9. The transparency bar.
    if (PointInRect(m_opacityBar, pt)) {
        ShowTip(QString::fromUtf8(kTransBarTip));
        SetMouseCursor(MouseCursor::SizeWE);
        return;
    }
    // 10. An icon, or nothing.
    if (const std::optional<Icon> icon = HitIcon(pt)) {
        ShowTip(QString::fromUtf8(kIconTips[int(*icon)]));
        SetMouseCursor(MouseCursor::Hand);
    } else {
        HideTip();
        SetMouseCursor(MouseCursor::Arrow);
    }
}

void EditorWindow::MoveWindowTo(QPoint globalPos, QPoint grab) {
    // The top-left corner goes where the pointer is, less the press point, and stays on
    // the screen under the pointer: never beyond its right or bottom edge, and never
    // beyond its left or top edge (which wins when the window is larger than the screen).
    const QRect desk = WorkAreaAt(globalPos);
    const QSize size = frameGeometry().size();
    const QPoint to = globalPos - grab;
    const int x =
        std::max(std::min(to.x(), desk.left() + desk.width() - size.width()), desk.left());
    const int y =
        std::max(std::min(to.y(), desk.top() + desk.height() - size.height()), desk.top());
    move(x, y);
}

// ---------------------------------------------------------------------------------------
// The graph drag: a slide's switch time follows its bar's right boundary.

void EditorWindow::SwitchTimeDragMove(DraggingSwitchTime& drag, QPoint pt) {
    const Document& doc = CurrentDocument();
    if (drag.slide >= doc.slideCount)
        return;
    int total = 0;
    for (int i = 0; i < doc.slideCount; ++i)
        total += doc.slides[i].switchTime;
    const int D = m_graphRect.width();
    // Seconds per pixel, in single precision as the bars are laid out. Without a total
    // or a graph there is no scale, and the time stays where it was.
    const float r = (total > 0 && D > 0) ? float(total) / float(D) : 0.0f;
    const int delta = int(r * float(pt.x() - drag.pressedAt.x()));
    const int t =
        std::clamp(int(doc.slides[drag.slide].switchTime) + delta, kMinSwitchTime, kMaxSwitchTime);
    SetMouseCursor(MouseCursor::SizeWE);
    if (t == drag.shownTime)
        return;
    drag.shownTime = t;
    // The tip follows with the new time (a shown tip takes the text at once).
    ShowTip(FormatSwitchTime(t));
}

void EditorWindow::CommitSwitchTimeDrag(const DraggingSwitchTime& drag) {
    Document& doc = CurrentDocument();
    if (drag.shownTime == -1)
        return; // pressed and released without moving
    if (drag.slide >= 0 && drag.slide < doc.slideCount) {
        RecordChange(QStringLiteral("切替え時間の変更"), [&] {
            doc.slides[drag.slide].switchTime =
                quint16(std::clamp(drag.shownTime, kMinSwitchTime, kMaxSwitchTime));
        });
    }
    update();
}

// ---------------------------------------------------------------------------------------
// The slide-image drag: the cell's image follows the pointer and drops onto a mark.

void EditorWindow::SlideDragMove(DraggingSlide& drag, QPoint pt) {
    const int c = drag.cell;
    if (c < 0 || c >= kSlidesPerPage)
        return;
    const QRect& cell = m_cellRects[c];
    const QRect image(pt - drag.grab, cell.size());
    // The previous drag image goes (the page is painted again there), the new one is
    // drawn by the paint over the page.
    if (!drag.drawnAt.isEmpty())
        update(drag.drawnAt);
    drag.mark = HitMark(pt);
    drag.drawnAt = image.adjusted(-5, -5, 5, 5);
    update(drag.drawnAt);
    SetMouseCursor(MouseCursor::SizeAll);
}

void EditorWindow::PaintDragImage(const QRegion& dirty) {
    const auto* drag = std::get_if<DraggingSlide>(&m_gesture);
    if (!drag)
        return;
    const int c = drag->cell;
    if (c < 0 || c >= kSlidesPerPage || drag->drawnAt.isEmpty())
        return;
    const QRect image = drag->drawnAt.adjusted(5, 5, -5, -5);
    if (!dirty.intersects(drag->drawnAt))
        return;
    QPainter p(PaintTarget());
    // The cell image already leaves the slide's transparent colour out.
    if (!m_cellImages[c].isNull())
        p.drawImage(image.topLeft(), m_cellImages[c]);
    // Over a mark, a 5-pixel frame in the mark's colour; elsewhere a thin one in the
    // dragged slide's own colour.
    if (drag->mark >= 0) {
        const QColor color(kColumnColors[drag->mark % 5]);
        for (int n = 0; n < 5; ++n)
            FrameRect(p, image.adjusted(-n, -n, n, n), color);
    } else {
        FrameRect(p, image, QColor(kColumnColors[c % 5]));
    }
}

void EditorWindow::DropSlide(const DraggingSlide& drag, QPoint pt) {
    if (!drag.drawnAt.isEmpty())
        update(drag.drawnAt);
    // Onto the mark just before or just after the slide it would not move.
    const int c = drag.cell;
    const int m = HitMark(pt);
    if (m < 0 || m == c || m == c + 1)
        return;
    // The pointer rests on a mark now: no slide image is under it, and the ring of the
    // cell the drag began on would mark a different slide after the move.
    m_selectedCell = -1;
    RecordChange(QStringLiteral("スライドの移動"), [&] {
        MoveSlide(*this, m_page * kSlidesPerPage + c, m_page * kSlidesPerPage + m);
    });
}

// ---------------------------------------------------------------------------------------
// The opacity drag: the pointer's place on the bar maps to 105 (left) to 255 (right).

void EditorWindow::OpacityDragMove(QPoint pt) {
    const QRect& bar = m_opacityBar;
    const int width = bar.width();
    SetMouseCursor(MouseCursor::SizeWE);
    if (width <= 0)
        return; // no bar painted yet
    const int x = std::clamp(pt.x(), bar.left(), bar.x() + bar.width());
    const int v = std::clamp(int((x - bar.left()) * 150.0 / width), 0, 150);
    const int alpha = v + 105;
    // The opacity is the editor's own setting, written at once; the document is not
    // changed by it.
    WriteSettingInt(Setting::EditorOpacity, alpha);
    ApplyWindowOpacity(alpha);
}

// ---------------------------------------------------------------------------------------
// Buttons

void EditorWindow::LeftButtonPressed(QPoint pt) {
    Document& doc = CurrentDocument();
    // A click puts the tip away; no tip follows a drag but the graph's own.
    HideTip();

    // 1. A slide's property button opens its properties.
    if (doc.header.showPropertyButtons) {
        const int k = HitPropButton(pt);
        if (k >= 0) {
            SetMouseCursor(MouseCursor::Arrow);
            m_selectedCell = k;
            if (std::holds_alternative<DraggingSlide>(m_gesture))
                m_gesture = {};
            OpenSlideProperties(m_page * kSlidesPerPage + k);
            return;
        }
    }
    // 2. Pick mode ends with this click; on a slide image the colour under the pointer
    // (the dominant one around it) becomes the slide's transparent colour.
    if (std::holds_alternative<PickingColor>(m_gesture)) {
        m_gesture = {};
        SetMouseCursor(MouseCursor::Arrow);
        const int k = HitCell(pt);
        if (k >= 0) {
            if (const std::optional<QRgb> color = PickedKeyColor(k, pt)) {
                RecordChange(QStringLiteral("透過色の指定"),
                             [&] { SetSlideKey(doc.slides[m_page * kSlidesPerPage + k], *color); });
                m_rebuildCells = true;
                update();
            }
        }
        return;
    }
    // 3. The graph and the slide images start their drags.
    if (doc.slideCount > 0) {
        if (PointInRect(m_graphRect, pt)) {
            const int b = HitBoundary(pt);
            if (b >= 0)
                m_gesture = DraggingSwitchTime{b - 1, pt};
            return;
        }
        const int k = HitCell(pt);
        if (k >= 0) {
            m_gesture = DraggingSlide{k, pt - m_cellRects[k].topLeft(), -1, QRect()};
            SetMouseCursor(MouseCursor::SizeAll);
            return;
        }
    }
    // 4. The empty page's add button (it takes the focus, as a button does), or an icon.
    m_addButtonFocused = HitAddButton(pt);
    if (m_addButtonFocused) {
        RunAddButton();
        return;
    }
    if (const std::optional<Icon> icon = HitIcon(pt)) {
        RunIcon(*icon);
        return;
    }
    // 5. The transparency bar, else any free part of the window moves it.
    if (PointInRect(m_opacityBar, pt)) {
        m_gesture = DraggingOpacity{};
        return;
    }
    // Where the window system places the windows (Wayland, XWayland), the compositor
    // moves the window itself, and the press is its from now on.
    if (!WindowsPlaceThemselves() && windowHandle() && windowHandle()->startSystemMove())
        return;
    m_gesture = MovingWindow{pt};
    SetMouseCursor(MouseCursor::SizeAll);
}

void EditorWindow::RunIcon(Icon icon) {
    const IconAction& action = kIconActions[int(icon)];
    if (action.onlyWithSlides && CurrentDocument().slideCount <= 0)
        return;
    HideTip(); // the icon may open a window of its own
    action.run(*this);
}

void EditorWindow::LeftButtonReleased(QPoint pt) {
    // The gesture ends before its last step runs: a dialog or a repaint on the way
    // finds no drag running.
    const Gesture ended = m_gesture;
    if (std::holds_alternative<PickingColor>(ended) || std::holds_alternative<ResizingFrame>(ended))
        return;
    m_gesture = {};
    if (std::holds_alternative<MovingWindow>(ended)) {
        SetMouseCursor(MouseCursor::Arrow);
    } else if (const auto* drag = std::get_if<DraggingSwitchTime>(&ended)) {
        CommitSwitchTimeDrag(*drag);
        // The time shown is stale now: the tip goes until the pointer finds a new one.
        HideTip();
        SetMouseCursor(MouseCursor::Arrow);
    } else if (const auto* drag = std::get_if<DraggingSlide>(&ended)) {
        SetMouseCursor(MouseCursor::Arrow);
        DropSlide(*drag, pt);
    }
}

void EditorWindow::LeftButtonDoubleClicked(QPoint pt) {
    if (auto* drag = std::get_if<DraggingSlide>(&m_gesture))
        drag->drawnAt = QRect();
    const int k = HitCell(pt);
    if (k >= 0) {
        if (std::holds_alternative<DraggingSlide>(m_gesture))
            m_gesture = {};
        m_selectedCell = k;
        OpenSlideProperties(m_page * kSlidesPerPage + k);
        return;
    }
    if (HitIcon(pt))
        return; // the first click of the pair did the icon's work
    setWindowState(windowState() ^ Qt::WindowMaximized);
}

void EditorWindow::RightButtonReleased(QPoint pt) {
    if (m_tip)
        m_tip->Pop();
    TrackContextMenu(pt);
}

// ---------------------------------------------------------------------------------------
// The empty page's add button

void EditorWindow::RunAddButton() {
    HideTip(); // the file dialog comes next
    RecordChange(QStringLiteral("スライドの追加"), [this] { AddSlidesCommand(*this, -1, this); });
}

void EditorWindow::SetAddButtonHover(bool hover) {
    if (hover == m_addButtonHover)
        return;
    m_addButtonHover = hover;
    update(m_addButtonRect.adjusted(-4, -4, 4, 4));
}

bool EditorWindow::AddButtonKey(QKeyEvent* e) {
    if (CurrentDocument().slideCount > 0 ||
        (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        m_addButtonFocused = !m_addButtonFocused;
        update(m_addButtonRect.adjusted(-4, -4, 4, 4));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!m_addButtonFocused)
            return false;
        RunAddButton();
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Qt events

void EditorWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        LeftButtonDoubleClicked(e->position().toPoint());
    e->accept();
}

void EditorWindow::leaveEvent(QEvent* e) {
    // The pointer left the window: no tip and no highlight stay behind (a running drag
    // keeps its state until the button is released).
    if (m_tip)
        m_tip->Pop();
    if (!DragRuns()) {
        SetSelect(-1);
        SetMark(-1);
        SetAddButtonHover(false);
    }
    QDialog::leaveEvent(e);
}

void EditorWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_tip)
        m_tip->Pop();
    QDialog::changeEvent(e);
}
