// Mouse handling of the main window: hover feedback (highlights, cursors, tips), the
// icon bar's actions, the four drags (moving the window, the opacity, a slide's switch
// time in the graph, a slide image onto an insertion mark), the double click and the
// hand-over of the right button to the context menu.
//
// Qt keeps delivering pointer events to the window while a button is held, so the
// drags need no capture of their own; the hover-only captures (over a graph boundary,
// in pick mode) are replaced by the leave event, which clears the hover feedback.

#include "app/P20417App.h"
#include "app/Screen.h"
#include "app/Settings.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/Render.h"
#include "editor/Text.h"
#include "editor/ui/P20417Dlg.h"
#include "editor/ui/Tip.h"

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

bool IsEmptyRect(const RECT32& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

void NextPage(CP20417Dlg& d) {
    if (d.m_nPage >= d.m_nPageCount - 1)
        return;
    ++d.m_nPage;
    theApp().m_rcBackSaved = RECT32{};
    d.m_bRebuildCells = 1;
    d.update();
}

void PreviousPage(CP20417Dlg& d) {
    if (d.m_nPage <= 0)
        return;
    --d.m_nPage;
    theApp().m_rcBackSaved = RECT32{};
    d.m_bRebuildCells = 1;
    d.update();
}

/// One row per icon of the bar, in icon order.
struct IconAction {
    bool onlyWithSlides;
    void (*run)(CP20417Dlg&);
};
const IconAction kIconActions[kIconCount] = {
    {true, NextPage},
    {true, PreviousPage},
    {true, [](CP20417Dlg& d) { d.OpenTimeSet(); }},
    {true, [](CP20417Dlg& d) { OnNewCommand(d); }},
    {false, [](CP20417Dlg& d) { OnOpenCommand(d); }},
    {true, [](CP20417Dlg& d) { OnSaveCommand(d); }},
    {false, [](CP20417Dlg& d) { d.OpenSystemSettings(); }},
    {true, [](CP20417Dlg& d) { d.RunSlideshow(0); }},
    {true, [](CP20417Dlg& d) { d.RunCreateExecutable(); }},
    {false, [](CP20417Dlg& d) { d.OpenVersionInfo(); }},
    {false, [](CP20417Dlg& d) { d.OpenHelp(); }},
    {false, [](CP20417Dlg& d) { d.reject(); }},
};

} // namespace

// ---------------------------------------------------------------------------------------
// Feedback helpers

void CP20417Dlg::SetMouseCursor(MouseCursor c) {
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
        setCursor(m_curPick);
        break;
    case MouseCursor::Prop:
        setCursor(m_curProp);
        break;
    }
}

void CP20417Dlg::ShowTip(const QString& text) {
    if (!m_tip)
        return;
    m_tip->SetText(text);
    m_tip->Activate(true);
}

void CP20417Dlg::HideTip() {
    if (m_tip)
        m_tip->Activate(false);
}

QRect CP20417Dlg::MarkArea(int m) const {
    if (m < 0 || m > SLIDES_PER_PAGE)
        return QRect();
    return ToQRect(InflateRect32(m_rcMarks[m], 5, 5));
}

void CP20417Dlg::SetSelect(int k) {
    if (k == m_nSelect)
        return;
    // Both areas: the rings leave the old cell even when the pointer jumped straight
    // from one cell to the next.
    const int old = m_nSelect;
    m_nSelect = k;
    if (old >= 0)
        update(CellArea(old));
    if (k >= 0)
        update(CellArea(k));
}

void CP20417Dlg::SetMark(int m) {
    if (m == m_nMark)
        return;
    const int old = m_nMark;
    m_nMark = m;
    if (old >= 0)
        update(MarkArea(old));
    if (m >= 0)
        update(MarkArea(m));
}

// ---------------------------------------------------------------------------------------
// Pointer movement

void CP20417Dlg::OnMouseMove(QPoint pt) {
    const CP20417App& app = theApp();

    // 1. The window follows the pointer.
    if (m_bMoveDrag) {
        if (pt != m_ptDown)
            MoveWindowTo(mapToGlobal(pt));
        return;
    }
    // 2. A switch time is being dragged in the graph.
    if (m_nDragBoundary >= 0) {
        GraphDragMove(pt);
        return;
    }
    // 3. Over a slide's property button.
    if (app.m_header.bShowPropButton && HitPropButton(pt) >= 0) {
        SetMouseCursor(MouseCursor::Prop);
        return;
    }
    // 4. A slide image is being dragged.
    if (m_nDragCell >= 0) {
        SlideDragMove(pt);
        return;
    }
    // 5. The opacity is being dragged.
    if (m_bTransDrag) {
        TransDragMove(pt);
        return;
    }
    // 6. Picking a transparent colour.
    if (m_bPickColor) {
        SetMouseCursor(HitCell(pt) >= 0 ? MouseCursor::Pick : MouseCursor::Arrow);
        return;
    }

    if (app.m_nSlideCount <= 0) {
        // 7. The empty page: its one insertion mark invites the first slide.
        if (PtInRect32(m_rcMarks[0], pt)) {
            SetMark(0);
            ShowTip(QString::fromUtf8(kEmptyPageTip));
            SetMouseCursor(MouseCursor::Hand);
            return;
        }
        SetMark(-1);
    } else {
        // 8a. The time graph.
        if (PtInRect32(m_rcGraph, pt)) {
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
    if (PtInRect32(m_rcTransBar, pt)) {
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

void CP20417Dlg::MoveWindowTo(QPoint globalPos) {
    // The top-left corner goes where the pointer is, less the press point, and stays on
    // the desktop: never beyond its right or bottom edge, and never beyond its left or
    // top edge (which wins when the window is larger than the desktop).
    const QRect desk = Screen().workArea;
    const QSize size = frameGeometry().size();
    const QPoint to = globalPos - m_ptDown;
    const int x =
        std::max(std::min(to.x(), desk.left() + desk.width() - size.width()), desk.left());
    const int y =
        std::max(std::min(to.y(), desk.top() + desk.height() - size.height()), desk.top());
    move(x, y);
}

// ---------------------------------------------------------------------------------------
// The graph drag: a slide's switch time follows its bar's right boundary.

void CP20417Dlg::GraphDragMove(QPoint pt) {
    const CP20417App& app = theApp();
    if (m_nDragBoundary >= app.m_nSlideCount)
        return;
    int total = 0;
    for (int i = 0; i < app.m_nSlideCount; ++i)
        total += app.m_slides[i].wSwitchTime;
    const int D = m_rcGraph.right - m_rcGraph.left;
    // Seconds per pixel, in single precision as the bars are laid out. Without a total
    // or a graph there is no scale, and the time stays where it was.
    const float r = (total > 0 && D > 0) ? float(total) / float(D) : 0.0f;
    const int delta = int(r * float(pt.x() - m_ptDown.x()));
    const int t = std::clamp(int(app.m_slides[m_nDragBoundary].wSwitchTime) + delta,
                             SWITCH_TIME_MIN, SWITCH_TIME_MAX);
    SetMouseCursor(MouseCursor::SizeWE);
    if (t == m_nDragTime)
        return;
    m_nDragTime = t;
    // The tip follows with the new time (a shown tip takes the text at once).
    ShowTip(FormatSwitchTime(t));
}

void CP20417Dlg::CommitGraphDrag() {
    CP20417App& app = theApp();
    if (m_nDragTime == -1)
        return; // pressed and released without moving
    if (m_nDragBoundary >= 0 && m_nDragBoundary < app.m_nSlideCount) {
        app.m_slides[m_nDragBoundary].wSwitchTime =
            quint16(std::clamp(m_nDragTime, SWITCH_TIME_MIN, SWITCH_TIME_MAX));
        m_bModified = 1;
    }
    m_nDragTime = -1;
    update();
}

// ---------------------------------------------------------------------------------------
// The slide-image drag: the cell's image follows the pointer and drops onto a mark.

void CP20417Dlg::SlideDragMove(QPoint pt) {
    CP20417App& app = theApp();
    const int c = m_nDragCell;
    if (c < 0 || c >= SLIDES_PER_PAGE)
        return;
    const RECT32& cell = m_rcCells[c];
    const RECT32 image = MakeRect32(pt.x() - m_ptGrab.x(), pt.y() - m_ptGrab.y(),
                                    cell.right - cell.left, cell.bottom - cell.top);
    // The previous drag image goes (the page is painted again there), the new one is
    // drawn by the paint over the page.
    if (!IsEmptyRect(app.m_rcBackSaved))
        update(ToQRect(app.m_rcBackSaved));
    m_nDragMark = HitMark(pt);
    app.m_rcBackSaved = InflateRect32(image, 5, 5);
    update(ToQRect(app.m_rcBackSaved));
    SetMouseCursor(MouseCursor::SizeAll);
}

void CP20417Dlg::PaintDragImage(const QRegion& dirty) {
    const CP20417App& app = theApp();
    const int c = m_nDragCell;
    if (c < 0 || c >= SLIDES_PER_PAGE || IsEmptyRect(app.m_rcBackSaved))
        return;
    const RECT32 image = InflateRect32(app.m_rcBackSaved, -5, -5);
    if (!dirty.intersects(ToQRect(app.m_rcBackSaved)))
        return;
    QPainter p(this);
    // The cell image already leaves the slide's transparent colour out.
    if (!m_cellImages[c].isNull())
        p.drawImage(QPoint(image.left, image.top), m_cellImages[c]);
    // Over a mark, a 5-pixel frame in the mark's colour; elsewhere a thin one in the
    // dragged slide's own colour.
    if (m_nDragMark >= 0) {
        const QColor color = ToQColor(g_crColumn[m_nDragMark % 5]);
        for (int n = 0; n < 5; ++n)
            FrameRect(p, InflateRect32(image, n, n), color);
    } else {
        FrameRect(p, image, ToQColor(g_crColumn[c % 5]));
    }
}

void CP20417Dlg::DropSlide(int c, QPoint pt) {
    CP20417App& app = theApp();
    if (!IsEmptyRect(app.m_rcBackSaved)) {
        update(ToQRect(app.m_rcBackSaved));
        app.m_rcBackSaved = RECT32{};
    }
    m_nDragMark = -1;
    // Onto the mark just before or just after the slide it would not move.
    const int m = HitMark(pt);
    if (m < 0 || m == c || m == c + 1)
        return;
    // The pointer rests on a mark now: no slide image is under it, and the ring of the
    // cell the drag began on would mark a different slide after the move.
    m_nSelect = -1;
    MoveSlide(*this, m_nPage * SLIDES_PER_PAGE + c, m_nPage * SLIDES_PER_PAGE + m);
    m_bModified = 1;
}

// ---------------------------------------------------------------------------------------
// The opacity drag: the pointer's place on the bar maps to 105 (left) to 255 (right).

void CP20417Dlg::TransDragMove(QPoint pt) {
    const RECT32& bar = m_rcTransBar;
    const int width = bar.right - bar.left;
    SetMouseCursor(MouseCursor::SizeWE);
    if (width <= 0)
        return; // no bar painted yet
    const int x = std::clamp(pt.x(), bar.left, bar.right);
    const int v = std::clamp(int((x - bar.left) * 150.0 / width), 0, 150);
    const int alpha = v + 105;
    WriteSettingInt("SYS", "Trans", alpha);
    ApplyWindowOpacity(alpha);
    m_bModified = 1;
}

// ---------------------------------------------------------------------------------------
// Buttons

void CP20417Dlg::OnLButtonDown(QPoint pt) {
    CP20417App& app = theApp();
    // A click puts the tip away; no tip follows a drag but the graph's own.
    HideTip();

    // 1. A slide's property button opens its properties.
    if (app.m_header.bShowPropButton) {
        const int k = HitPropButton(pt);
        if (k >= 0) {
            SetMouseCursor(MouseCursor::Arrow);
            m_nSelect = k;
            m_nDragCell = -1;
            OpenSlideProperties(m_nPage * SLIDES_PER_PAGE + k);
            return;
        }
    }
    // 2. Pick mode ends with this click; on a slide image the pixel under the pointer
    // becomes the slide's transparent colour.
    if (m_bPickColor) {
        m_bPickColor = 0;
        SetMouseCursor(MouseCursor::Arrow);
        const int k = HitCell(pt);
        if (k >= 0) {
            const COLORREF color = CellPixelColor(k, pt);
            if (color != COLOR_NONE) {
                app.m_slides[m_nPage * SLIDES_PER_PAGE + k].crTransparent = color;
                m_bModified = 1;
                m_bRebuildCells = 1;
                update();
            }
        }
        return;
    }
    // 3. The graph and the slide images start their drags.
    if (app.m_nSlideCount > 0) {
        if (PtInRect32(m_rcGraph, pt)) {
            const int b = HitBoundary(pt);
            if (b >= 0) {
                m_nDragBoundary = b - 1;
                m_nDragTime = -1;
                m_ptDown = pt;
            }
            return;
        }
        const int k = HitCell(pt);
        if (k >= 0) {
            m_nDragCell = k;
            m_nDragMark = -1;
            SetMouseCursor(MouseCursor::SizeAll);
            m_ptGrab = pt - QPoint(m_rcCells[k].left, m_rcCells[k].top);
            m_ptDragFrom = pt;
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
    if (PtInRect32(m_rcTransBar, pt)) {
        m_bTransDrag = 1;
        return;
    }
    m_bMoveDrag = 1;
    m_ptDown = pt;
    SetMouseCursor(MouseCursor::SizeAll);
}

void CP20417Dlg::OnIcon(int k) {
    if (k < 0 || k >= kIconCount)
        return;
    const IconAction& action = kIconActions[k];
    if (action.onlyWithSlides && theApp().m_nSlideCount <= 0)
        return;
    HideTip(); // the icon may open a window of its own
    action.run(*this);
}

void CP20417Dlg::OnLButtonUp(QPoint pt) {
    if (m_bMoveDrag) {
        m_bMoveDrag = 0;
        SetMouseCursor(MouseCursor::Arrow);
    }
    if (m_nDragBoundary >= 0) {
        CommitGraphDrag();
        // The time shown is stale now: the tip goes until the pointer finds a new one.
        HideTip();
        SetMouseCursor(MouseCursor::Arrow);
        m_nDragBoundary = -1;
    }
    if (m_nDragCell >= 0) {
        SetMouseCursor(MouseCursor::Arrow);
        const int c = m_nDragCell;
        m_nDragCell = -1;
        DropSlide(c, pt);
    }
    if (m_bTransDrag)
        m_bTransDrag = 0;
}

void CP20417Dlg::OnLButtonDblClk(QPoint pt) {
    theApp().m_rcBackSaved = RECT32{};
    const int k = HitCell(pt);
    if (k >= 0) {
        m_nDragCell = -1;
        m_nSelect = k;
        OpenSlideProperties(m_nPage * SLIDES_PER_PAGE + k);
        return;
    }
    if (HitIcon(pt) >= 0)
        return; // the first click of the pair did the icon's work
    setWindowState(windowState() ^ Qt::WindowMaximized);
}

void CP20417Dlg::OnRButtonUp(QPoint pt) {
    if (m_tip)
        m_tip->Pop();
    TrackContextMenu(pt);
}

// ---------------------------------------------------------------------------------------
// Qt events

void CP20417Dlg::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        OnLButtonDblClk(e->position().toPoint());
    e->accept();
}

void CP20417Dlg::leaveEvent(QEvent* e) {
    // The pointer left the window: no tip and no highlight stay behind (a running drag
    // keeps its state until the button is released).
    if (m_tip)
        m_tip->Pop();
    if (!m_bMoveDrag && !m_bTransDrag && m_nDragBoundary < 0 && m_nDragCell < 0) {
        SetSelect(-1);
        SetMark(-1);
    }
    QDialog::leaveEvent(e);
}

void CP20417Dlg::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_tip)
        m_tip->Pop();
    QDialog::changeEvent(e);
}
