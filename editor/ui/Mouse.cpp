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

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
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
    ++d.m_page;
    d.m_dragArea = QRect();
    d.m_rebuildCells = true;
    d.update();
}

void PreviousPage(EditorWindow& d) {
    if (d.m_page <= 0)
        return;
    --d.m_page;
    d.m_dragArea = QRect();
    d.m_rebuildCells = true;
    d.update();
}

/// One row per icon of the bar, in icon order.
struct IconAction {
    bool onlyWithSlides;
    void (*run)(EditorWindow&);
};
const IconAction kIconActions[kIconCount] = {
    {true, NextPage},
    {true, PreviousPage},
    {true, [](EditorWindow& d) { d.OpenTimeSet(); }},
    {true, [](EditorWindow& d) { OnNewCommand(d); }},
    {false, [](EditorWindow& d) { OnOpenCommand(d); }},
    {true, [](EditorWindow& d) { OnSaveCommand(d); }},
    {false, [](EditorWindow& d) { d.OpenSystemSettings(); }},
    {true, [](EditorWindow& d) { d.RunSlideshow(0); }},
    {true, [](EditorWindow& d) { d.RunCreateExecutable(); }},
    {false, [](EditorWindow& d) { d.OpenVersionInfo(); }},
    {false, [](EditorWindow& d) { d.OpenHelp(); }},
    {false, [](EditorWindow& d) { d.reject(); }},
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

// ---------------------------------------------------------------------------------------
// Pointer movement

void EditorWindow::OnMouseMove(QPoint pt) {
    const Document& doc = CurrentDocument();

    // 1. The window follows the pointer.
    if (m_moveDrag) {
        if (pt != m_pressPoint)
            MoveWindowTo(mapToGlobal(pt));
        return;
    }
    // 2. A switch time is being dragged in the graph.
    if (m_dragBoundary >= 0) {
        GraphDragMove(pt);
        return;
    }
    // 3. Over a slide's property button.
    if (doc.header.showPropertyButtons && HitPropButton(pt) >= 0) {
        SetMouseCursor(MouseCursor::Prop);
        return;
    }
    // 4. A slide image is being dragged.
    if (m_dragCell >= 0) {
        SlideDragMove(pt);
        return;
    }
    // 5. The opacity is being dragged.
    if (m_opacityDrag) {
        TransDragMove(pt);
        return;
    }
    // 6. Picking a transparent colour.
    if (m_pickingColor) {
        SetMouseCursor(HitCell(pt) >= 0 ? MouseCursor::Pick : MouseCursor::Arrow);
        return;
    }

    if (doc.slideCount <= 0) {
        // 7. The empty page: its one insertion mark invites the first slide.
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
    const int icon = HitIcon(pt);
    if (icon >= 0) {
        ShowTip(QString::fromUtf8(kIconTips[icon]));
        SetMouseCursor(MouseCursor::Hand);
    } else {
        HideTip();
        SetMouseCursor(MouseCursor::Arrow);
    }
}

void EditorWindow::MoveWindowTo(QPoint globalPos) {
    // The top-left corner goes where the pointer is, less the press point, and stays on
    // the desktop: never beyond its right or bottom edge, and never beyond its left or
    // top edge (which wins when the window is larger than the desktop).
    const QRect desk = Screen().workArea;
    const QSize size = frameGeometry().size();
    const QPoint to = globalPos - m_pressPoint;
    const int x =
        std::max(std::min(to.x(), desk.left() + desk.width() - size.width()), desk.left());
    const int y =
        std::max(std::min(to.y(), desk.top() + desk.height() - size.height()), desk.top());
    move(x, y);
}

// ---------------------------------------------------------------------------------------
// The graph drag: a slide's switch time follows its bar's right boundary.

void EditorWindow::GraphDragMove(QPoint pt) {
    const Document& doc = CurrentDocument();
    if (m_dragBoundary >= doc.slideCount)
        return;
    int total = 0;
    for (int i = 0; i < doc.slideCount; ++i)
        total += doc.slides[i].switchTime;
    const int D = m_graphRect.width();
    // Seconds per pixel, in single precision as the bars are laid out. Without a total
    // or a graph there is no scale, and the time stays where it was.
    const float r = (total > 0 && D > 0) ? float(total) / float(D) : 0.0f;
    const int delta = int(r * float(pt.x() - m_pressPoint.x()));
    const int t = std::clamp(int(doc.slides[m_dragBoundary].switchTime) + delta, kMinSwitchTime,
                             kMaxSwitchTime);
    SetMouseCursor(MouseCursor::SizeWE);
    if (t == m_dragTime)
        return;
    m_dragTime = t;
    // The tip follows with the new time (a shown tip takes the text at once).
    ShowTip(FormatSwitchTime(t));
}

void EditorWindow::CommitGraphDrag() {
    Document& doc = CurrentDocument();
    if (m_dragTime == -1)
        return; // pressed and released without moving
    if (m_dragBoundary >= 0 && m_dragBoundary < doc.slideCount) {
        doc.slides[m_dragBoundary].switchTime =
            quint16(std::clamp(m_dragTime, kMinSwitchTime, kMaxSwitchTime));
        m_modified = true;
    }
    m_dragTime = -1;
    update();
}

// ---------------------------------------------------------------------------------------
// The slide-image drag: the cell's image follows the pointer and drops onto a mark.

void EditorWindow::SlideDragMove(QPoint pt) {
    const int c = m_dragCell;
    if (c < 0 || c >= kSlidesPerPage)
        return;
    const QRect& cell = m_cellRects[c];
    const QRect image =
        QRect(pt.x() - m_grabPoint.x(), pt.y() - m_grabPoint.y(), cell.width(), cell.height());
    // The previous drag image goes (the page is painted again there), the new one is
    // drawn by the paint over the page.
    if (!m_dragArea.isEmpty())
        update(m_dragArea);
    m_dragMark = HitMark(pt);
    m_dragArea = image.adjusted(-5, -5, 5, 5);
    update(m_dragArea);
    SetMouseCursor(MouseCursor::SizeAll);
}

void EditorWindow::PaintDragImage(const QRegion& dirty) {
    const int c = m_dragCell;
    if (c < 0 || c >= kSlidesPerPage || m_dragArea.isEmpty())
        return;
    const QRect image = m_dragArea.adjusted(5, 5, -5, -5);
    if (!dirty.intersects(m_dragArea))
        return;
    QPainter p(this);
    // The cell image already leaves the slide's transparent colour out.
    if (!m_cellImages[c].isNull())
        p.drawImage(image.topLeft(), m_cellImages[c]);
    // Over a mark, a 5-pixel frame in the mark's colour; elsewhere a thin one in the
    // dragged slide's own colour.
    if (m_dragMark >= 0) {
        const QColor color = QColor(kColumnColors[m_dragMark % 5]);
        for (int n = 0; n < 5; ++n)
            FrameRect(p, image.adjusted(-n, -n, n, n), color);
    } else {
        FrameRect(p, image, QColor(kColumnColors[c % 5]));
    }
}

void EditorWindow::DropSlide(int c, QPoint pt) {
    if (!m_dragArea.isEmpty()) {
        update(m_dragArea);
        m_dragArea = QRect();
    }
    m_dragMark = -1;
    // Onto the mark just before or just after the slide it would not move.
    const int m = HitMark(pt);
    if (m < 0 || m == c || m == c + 1)
        return;
    // The pointer rests on a mark now: no slide image is under it, and the ring of the
    // cell the drag began on would mark a different slide after the move.
    m_selectedCell = -1;
    MoveSlide(*this, m_page * kSlidesPerPage + c, m_page * kSlidesPerPage + m);
    m_modified = true;
}

// ---------------------------------------------------------------------------------------
// The opacity drag: the pointer's place on the bar maps to 105 (left) to 255 (right).

void EditorWindow::TransDragMove(QPoint pt) {
    const QRect& bar = m_opacityBar;
    const int width = bar.width();
    SetMouseCursor(MouseCursor::SizeWE);
    if (width <= 0)
        return; // no bar painted yet
    const int x = std::clamp(pt.x(), bar.left(), bar.x() + bar.width());
    const int v = std::clamp(int((x - bar.left()) * 150.0 / width), 0, 150);
    const int alpha = v + 105;
    WriteSettingInt(Setting::EditorOpacity, alpha);
    ApplyWindowOpacity(alpha);
    m_modified = true;
}

// ---------------------------------------------------------------------------------------
// Buttons

void EditorWindow::OnLButtonDown(QPoint pt) {
    Document& doc = CurrentDocument();
    // A click puts the tip away; no tip follows a drag but the graph's own.
    HideTip();

    // 1. A slide's property button opens its properties.
    if (doc.header.showPropertyButtons) {
        const int k = HitPropButton(pt);
        if (k >= 0) {
            SetMouseCursor(MouseCursor::Arrow);
            m_selectedCell = k;
            m_dragCell = -1;
            OpenSlideProperties(m_page * kSlidesPerPage + k);
            return;
        }
    }
    // 2. Pick mode ends with this click; on a slide image the pixel under the pointer
    // becomes the slide's transparent colour.
    if (m_pickingColor) {
        m_pickingColor = false;
        SetMouseCursor(MouseCursor::Arrow);
        const int k = HitCell(pt);
        if (k >= 0) {
            const std::optional<QRgb> color = CellPixelColor(k, pt);
            if (color) {
                doc.slides[m_page * kSlidesPerPage + k].keyColor = color;
                m_modified = true;
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
            if (b >= 0) {
                m_dragBoundary = b - 1;
                m_dragTime = -1;
                m_pressPoint = pt;
            }
            return;
        }
        const int k = HitCell(pt);
        if (k >= 0) {
            m_dragCell = k;
            m_dragMark = -1;
            SetMouseCursor(MouseCursor::SizeAll);
            m_grabPoint = pt - m_cellRects[k].topLeft();
            m_dragFrom = pt;
            return;
        }
    }
    // 4. An icon.
    const int icon = HitIcon(pt);
    if (icon >= 0) {
        OnIcon(icon);
        return;
    }
    // 5. The transparency bar, else any free part of the window moves it.
    if (PointInRect(m_opacityBar, pt)) {
        m_opacityDrag = true;
        return;
    }
    m_moveDrag = true;
    m_pressPoint = pt;
    SetMouseCursor(MouseCursor::SizeAll);
}

void EditorWindow::OnIcon(int k) {
    if (k < 0 || k >= kIconCount)
        return;
    const IconAction& action = kIconActions[k];
    if (action.onlyWithSlides && CurrentDocument().slideCount <= 0)
        return;
    HideTip(); // the icon may open a window of its own
    action.run(*this);
}

void EditorWindow::OnLButtonUp(QPoint pt) {
    if (m_moveDrag) {
        m_moveDrag = false;
        SetMouseCursor(MouseCursor::Arrow);
    }
    if (m_dragBoundary >= 0) {
        CommitGraphDrag();
        // The time shown is stale now: the tip goes until the pointer finds a new one.
        HideTip();
        SetMouseCursor(MouseCursor::Arrow);
        m_dragBoundary = -1;
    }
    if (m_dragCell >= 0) {
        SetMouseCursor(MouseCursor::Arrow);
        const int c = m_dragCell;
        m_dragCell = -1;
        DropSlide(c, pt);
    }
    if (m_opacityDrag)
        m_opacityDrag = false;
}

void EditorWindow::OnLButtonDblClk(QPoint pt) {
    m_dragArea = QRect();
    const int k = HitCell(pt);
    if (k >= 0) {
        m_dragCell = -1;
        m_selectedCell = k;
        OpenSlideProperties(m_page * kSlidesPerPage + k);
        return;
    }
    if (HitIcon(pt) >= 0)
        return; // the first click of the pair did the icon's work
    setWindowState(windowState() ^ Qt::WindowMaximized);
}

void EditorWindow::OnRButtonUp(QPoint pt) {
    if (m_tip)
        m_tip->Pop();
    TrackContextMenu(pt);
}

// ---------------------------------------------------------------------------------------
// Qt events

void EditorWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        OnLButtonDblClk(e->position().toPoint());
    e->accept();
}

void EditorWindow::leaveEvent(QEvent* e) {
    // The pointer left the window: no tip and no highlight stay behind (a running drag
    // keeps its state until the button is released).
    if (m_tip)
        m_tip->Pop();
    if (!m_moveDrag && !m_opacityDrag && m_dragBoundary < 0 && m_dragCell < 0) {
        SetSelect(-1);
        SetMark(-1);
    }
    QDialog::leaveEvent(e);
}

void EditorWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_tip)
        m_tip->Pop();
    QDialog::changeEvent(e);
}
