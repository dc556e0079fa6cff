#include "slideshow/ui/SideDlg.h"

#include "app/P20417App.h"
#include "app/Prompts.h"
#include "app/Screen.h"
#include "app/Settings.h"
#include "document/Picture.h"
#include "slideshow/ShowCommands.h"
#include "slideshow/ShowGeometry.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <new>

using namespace show;

namespace {

constexpr int kBorder = 6; // width of the sizing border in size-change mode

CSideDlg* g_running = nullptr;

struct CommandRow {
    int id;
    void (CSideDlg::*handler)();
};

} // namespace

CSideDlg::CSideDlg(QWidget* pParent)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint), m_pParent(pParent) {
    // The show never has a taskbar button (tool window) and paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Ending the show must never end the program by itself: the opener decides.
    setAttribute(Qt::WA_QuitOnClose, false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setWindowTitle(ApplicationName());
}

CSideDlg::~CSideDlg() {
    m_zoomTimer.stop();
    m_secondTimer.stop();
    if (g_running == this)
        g_running = nullptr;
}

CSideDlg* CSideDlg::Running() {
    return g_running;
}

int CSideDlg::DoModal() {
    if (!OnInitDialog())
        return QDialog::Rejected;
    CSideDlg* previous = g_running;
    g_running = this;
    const int result = m_bEnded ? int(QDialog::Rejected) : exec();
    g_running = previous;
    return result;
}

bool CSideDlg::OnInitDialog() {
    CP20417App& app = theApp();
    // Nothing to show: the show ends before it appears.
    if (app.m_nSlideCount <= 0) {
        EndShow();
        return false;
    }
    // The tooltip appears without fading and follows every move over the window.
    QApplication::setEffectEnabled(Qt::UI_FadeTooltip, false);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);

    setCursor(Qt::ArrowCursor);
    m_ptStart = QCursor::pos();

    DocHeader& h = app.m_header;
    h.rcShowWindow = BringOntoScreen(h.rcShowWindow, Screen().desktop);

    m_rcPlaced = QRect(m_ptStart, QSize(kStartSize, kStartSize));
    setGeometry(m_rcPlaced);
    ApplyTopMost();

    // A start index outside the table would never meet the end of the slides.
    if (m_nIndex < -1 || m_nIndex >= app.m_nSlideCount)
        m_nIndex = 0;

    try {
        m_pTimes.assign(size_t(app.m_nSlideCount), 0);
    } catch (const std::bad_alloc&) {
        ShowMessage(30001, QString(), this, MsgKind::Error);
        EndShow();
        return false;
    }
    for (int i = 0; i < app.m_nSlideCount; ++i)
        m_pTimes[size_t(i)] = app.m_slides[size_t(i)].wSwitchTime;

    m_nZoomStep = 0;
    PrepareFrame();
    if (isVisible())
        repaint();
    m_zoomTimer.start(kZoomPeriodMs, this);
    m_secondTimer.start(kSecondPeriodMs, this);
    m_nElapsed = 0;
    return true;
}

void CSideDlg::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_zoomTimer.timerId())
        OnTimer(kZoomTimerId);
    else if (e->timerId() == m_secondTimer.timerId())
        OnTimer(kSecondTimerId);
    else
        QDialog::timerEvent(e);
}

void CSideDlg::OnTimer(int nIDEvent) {
    if (nIDEvent == kZoomTimerId)
        OnZoomTimer();
    else if (nIDEvent == kSecondTimerId)
        OnSecondTimer();
}

void CSideDlg::OnZoomTimer() {
    if (m_bEnded || m_nZoomStep >= kZoomSteps) {
        m_zoomTimer.stop();
        return;
    }
    m_rcPlaced = ZoomStepRect(m_ptStart, theApp().m_header.rcShowWindow, m_nZoomStep);
    setGeometry(m_rcPlaced);
    ApplyTopMost();
    PrepareFrame();
    if (!isVisible())
        show();
    if (m_nZoomStep == 0) {
        // The show opens in front with the keyboard (Esc and the arrow keys).
        raise();
        activateWindow();
    }
    if (++m_nZoomStep >= kZoomSteps) {
        m_zoomTimer.stop();
        repaint();
    }
}

void CSideDlg::OnSecondTimer() {
    const CP20417App& app = theApp();
    if (m_bEnded || !app.m_header.bTimerSwitch || !SlideOnShow())
        return;
    ++m_nElapsed;
    if (m_nElapsed >= m_pTimes[size_t(m_nIndex)] && !SwitchToNext()) {
        m_secondTimer.stop();
        EndShow();
    }
}

bool CSideDlg::SwitchToNext() {
    const CP20417App& app = theApp();
    ++m_nIndex;
    if (m_nIndex >= app.m_nSlideCount) {
        if (!app.m_header.bLoop)
            return false;
        m_nIndex = 0;
    }
    m_nElapsed = 0;
    // Hidden while the new frame and its mask are made, then shown: the new slide
    // appears whole. QWidget's own hide leaves the modal loop running.
    // The show takes the keyboard back only when it had it: a show playing beside the
    // user's work never steals the focus at a switch.
    const bool visible = isVisible();
    const bool active = isActiveWindow();
    if (visible)
        QWidget::setVisible(false);
    PrepareFrame();
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating, !active);
        show();
        raise();
        if (active)
            activateWindow();
        repaint();
    }
    return true;
}

bool CSideDlg::SlideOnShow() const {
    return m_nIndex >= 0 && m_nIndex < theApp().m_nSlideCount && size_t(m_nIndex) < m_pTimes.size();
}

void CSideDlg::EndShow() {
    if (m_bEnded)
        return;
    m_bEnded = true;
    m_zoomTimer.stop();
    m_secondTimer.stop();
    if (m_bDragging) {
        m_bDragging = 0;
        releaseMouse();
    }
    if (m_pMenu)
        m_pMenu->close();
    QToolTip::hideText();
    done(QDialog::Rejected);
}

void CSideDlg::accept() {}

void CSideDlg::reject() {
    EndShow();
}

// --- commands ---------------------------------------------------------------------

void CSideDlg::OnCommand(int id) {
    static const CommandRow kCommands[] = {
        {ID_SHOW_FLIP_H, &CSideDlg::OnFlipH},      {ID_SHOW_FLIP_V, &CSideDlg::OnFlipV},
        {ID_SHOW_RESIZE, &CSideDlg::OnResizeMode}, {ID_SHOW_FIT, &CSideDlg::OnFitToWindow},
        {ID_SHOW_TOPMOST, &CSideDlg::OnTopMost},   {ID_SHOW_LOOP, &CSideDlg::OnLoop},
        {ID_SHOW_TIMER, &CSideDlg::OnTimerSwitch}, {ID_SHOW_CLICK, &CSideDlg::OnTimerSwitch},
        {ID_SHOW_END, &CSideDlg::OnEndShow},
    };
    for (const CommandRow& row : kCommands) {
        if (row.id == id) {
            (this->*row.handler)();
            return;
        }
    }
}

void CSideDlg::OnFlipH() {
    if (!SlideOnShow())
        return;
    SlideRecord& s = theApp().m_slides[size_t(m_nIndex)];
    s.bFlipH = s.bFlipH ? 0 : 1;
    m_bChanged = 1;
    PrepareFrame();
    repaint();
}

void CSideDlg::OnFlipV() {
    if (!SlideOnShow())
        return;
    SlideRecord& s = theApp().m_slides[size_t(m_nIndex)];
    s.bFlipV = s.bFlipV ? 0 : 1;
    m_bChanged = 1;
    PrepareFrame();
    repaint();
}

void CSideDlg::OnResizeMode() {
    if (!m_bResizeMode) {
        m_secondTimer.stop();
        // The size limit may resize a window still opening; that is no user sizing.
        setMinimumSize(kMinWindowSize, kMinWindowSize);
        m_bResizeMode = 1;
    } else {
        m_bResizeMode = 0;
        m_resizeEdges = {};
        setMinimumSize(0, 0);
        m_secondTimer.start(kSecondPeriodMs, this);
    }
    ApplyTopMost();
    PrepareFrame();
    repaint();
}

void CSideDlg::OnFitToWindow() {
    DocHeader& h = theApp().m_header;
    h.bFitToWindow = h.bFitToWindow ? 0 : 1;
    m_bChanged = 1;
    PrepareFrame();
    repaint();
}

void CSideDlg::OnTopMost() {
    DocHeader& h = theApp().m_header;
    h.bTopMost = h.bTopMost ? 0 : 1;
    m_bChanged = 1;
    ApplyTopMost();
}

void CSideDlg::OnLoop() {
    DocHeader& h = theApp().m_header;
    h.bLoop = h.bLoop ? 0 : 1;
    m_bChanged = 1;
}

void CSideDlg::OnTimerSwitch() {
    DocHeader& h = theApp().m_header;
    h.bTimerSwitch = h.bTimerSwitch ? 0 : 1;
    m_bChanged = 1;
}

void CSideDlg::OnEndShow() {
    EndShow();
}

void CSideDlg::ApplyTopMost() {
    Qt::WindowFlags f = windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, theApp().m_header.bTopMost != 0);
    if (f == windowFlags())
        return;
    if (testAttribute(Qt::WA_WState_Created) && windowHandle()) {
        // Changing the flags of a created widget would recreate and hide it (and a
        // hidden dialog leaves its modal loop); the platform window takes them as is.
        overrideWindowFlags(f);
        windowHandle()->setFlags(f);
    } else {
        setWindowFlags(f);
    }
}

// --- context menu and tooltip -----------------------------------------------------

void CSideDlg::BuildContextMenu(QMenu& menu) const {
    const CP20417App& app = theApp();
    const DocHeader& h = app.m_header;
    const bool slide = SlideOnShow();
    auto checked = [&](int id) {
        switch (id) {
        case ID_SHOW_RESIZE:
            return m_bResizeMode != 0;
        case ID_SHOW_TOPMOST:
            return h.bTopMost != 0;
        case ID_SHOW_LOOP:
            return h.bLoop != 0;
        case ID_SHOW_TIMER:
            return h.bTimerSwitch != 0;
        case ID_SHOW_CLICK:
            return h.bTimerSwitch == 0;
        case ID_SHOW_FIT:
            return h.bFitToWindow != 0;
        case ID_SHOW_FLIP_H:
            return slide && app.m_slides[size_t(m_nIndex)].bFlipH != 0;
        case ID_SHOW_FLIP_V:
            return slide && app.m_slides[size_t(m_nIndex)].bFlipV != 0;
        default:
            return false;
        }
    };
    QMenu* target = &menu;
    for (int i = 0; i < kShowMenuRows; ++i) {
        const MenuRow& row = kShowMenu[i];
        if (row.id == kSubmenuBegin) {
            target = menu.addMenu(QString::fromUtf8(row.text));
        } else if (row.id == kSubmenuEnd) {
            target = &menu;
        } else if (row.id == 0) {
            target->addSeparator();
        } else {
            QAction* a = target->addAction(QString::fromUtf8(row.text));
            a->setData(row.id);
            // Only items that are on carry a mark; the others show no empty box.
            a->setCheckable(checked(row.id));
            a->setChecked(checked(row.id));
        }
    }
}

void CSideDlg::OpenContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    BuildContextMenu(menu);
    m_pMenu = &menu;
    const int w = menu.sizeHint().width();
    QAction* chosen = menu.exec(QPoint(globalPos.x() - w / 2, globalPos.y()));
    m_pMenu = nullptr;
    if (chosen && !m_bEnded)
        OnCommand(chosen->data().toInt());
}

void CSideDlg::UpdateTooltip(const QPoint& globalPos) {
    if (!SlideOnShow())
        return;
    const QString text = ShowTooltipText(m_nIndex + 1, m_pTimes[size_t(m_nIndex)]);
    if (text != toolTip())
        setToolTip(text);
    // A tip already on screen takes the new text at once.
    if (QToolTip::isVisible() && QToolTip::text() != text)
        QToolTip::showText(globalPos, text, this);
}

// --- mouse and keys ---------------------------------------------------------------

Qt::Edges CSideDlg::BorderEdgesAt(const QPoint& pos) const {
    if (!m_bResizeMode)
        return {};
    Qt::Edges edges;
    if (pos.x() < kBorder)
        edges |= Qt::LeftEdge;
    if (pos.x() >= width() - kBorder)
        edges |= Qt::RightEdge;
    if (pos.y() < kBorder)
        edges |= Qt::TopEdge;
    if (pos.y() >= height() - kBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

static Qt::CursorShape CursorForEdges(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical)
        return ((edges & Qt::LeftEdge) && (edges & Qt::TopEdge)) ||
                       ((edges & Qt::RightEdge) && (edges & Qt::BottomEdge))
                   ? Qt::SizeFDiagCursor
                   : Qt::SizeBDiagCursor;
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

void CSideDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || m_bEnded) {
        QDialog::mousePressEvent(e);
        return;
    }
    const QPoint global = e->globalPosition().toPoint();
    const Qt::Edges edges = BorderEdgesAt(e->position().toPoint());
    if (edges) {
        // The sizing border: the window system sizes the window when it can, else the
        // window follows the cursor itself.
        if (!windowHandle() || !windowHandle()->startSystemResize(edges)) {
            m_resizeEdges = edges;
            m_rcResizeFrom = geometry();
            m_ptResizeFrom = global;
        }
        return;
    }
    if (!theApp().m_header.bTimerSwitch && !m_bResizeMode) {
        if (!SwitchToNext()) {
            EndShow();
            return;
        }
    }
    grabMouse();
    setCursor(Qt::SizeAllCursor);
    m_ptDrag = global;
    m_bDragging = 1;
}

void CSideDlg::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    UpdateTooltip(global);
    if (m_resizeEdges) {
        const QPoint d = global - m_ptResizeFrom;
        QRect r = m_rcResizeFrom;
        if (m_resizeEdges & Qt::LeftEdge)
            r.setLeft(std::min(r.left() + d.x(), r.right() + 1 - kMinWindowSize));
        if (m_resizeEdges & Qt::RightEdge)
            r.setRight(std::max(r.right() + d.x(), r.left() + kMinWindowSize - 1));
        if (m_resizeEdges & Qt::TopEdge)
            r.setTop(std::min(r.top() + d.y(), r.bottom() + 1 - kMinWindowSize));
        if (m_resizeEdges & Qt::BottomEdge)
            r.setBottom(std::max(r.bottom() + d.y(), r.top() + kMinWindowSize - 1));
        setGeometry(r);
        return;
    }
    if (m_bDragging) {
        if (global != m_ptDrag) {
            const QPoint to = ClampToScreen(pos() + (global - m_ptDrag), size(), Screen().desktop);
            move(to);
            ApplyTopMost();
            theApp().m_header.rcShowWindow = ToRect32(QRect(to, size()));
            m_bChanged = 1;
            m_ptDrag = global;
        }
        return;
    }
    const Qt::Edges edges = BorderEdgesAt(e->position().toPoint());
    if (edges)
        setCursor(CursorForEdges(edges));
    else
        setCursor(Qt::ArrowCursor);
}

void CSideDlg::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_resizeEdges = {};
        if (m_bDragging) {
            m_bDragging = 0;
            setCursor(Qt::ArrowCursor);
            releaseMouse();
        }
        return;
    }
    if (e->button() == Qt::RightButton && !m_bEnded) {
        OpenContextMenu(e->globalPosition().toPoint());
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

void CSideDlg::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click toggles size-change mode and nothing else.
    if (e->button() == Qt::LeftButton && !m_bEnded)
        OnCommand(ID_SHOW_RESIZE);
}

void CSideDlg::keyPressEvent(QKeyEvent* e) {
    const int id = AccelCommand(e->key(), e->modifiers());
    if (id) {
        OnCommand(id);
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(e);
}

// --- size and painting ------------------------------------------------------------

void CSideDlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // Only the user's sizing is stored: the animation's steps, and the window system's
    // late reports of them, are the show's own placement.
    if (m_bResizeMode && m_nZoomStep >= kZoomSteps && geometry() != m_rcPlaced) {
        DocHeader& h = theApp().m_header;
        const bool repaintNow = NeedsSizingRepaint(e->size(), h.rcShowWindow);
        h.rcShowWindow = ToRect32(geometry());
        m_bChanged = 1;
        if (repaintNow)
            update();
    }
    PrepareFrame();
}

void CSideDlg::PrepareFrame() {
    const CP20417App& app = theApp();
    FrameKey key;
    key.index = m_nIndex;
    key.size = size();
    key.fit = app.m_header.bFitToWindow != 0;
    const SlideRecord* slide =
        (m_nIndex >= 0 && m_nIndex < app.m_nSlideCount) ? &app.m_slides[size_t(m_nIndex)] : nullptr;
    if (slide) {
        key.picture = slide->pPicture.get();
        key.imageKey = slide->pPicture ? slide->pPicture->image().cacheKey() : 0;
        key.flipH = slide->bFlipH != 0;
        key.flipV = slide->bFlipV != 0;
        key.key = slide->crTransparent;
    }
    if (!(key == m_frameKey) || m_frame.image.isNull()) {
        // The slide's picture at its pixel size, mirrored as its flags say, drawn on K. A
        // slide without a picture shows nothing: the whole window is K.
        static const QImage none;
        const QImage& picture = (slide && slide->pPicture) ? slide->pPicture->image() : none;
        m_frame = ComposeShowFrame(picture, slide ? slide->crTransparent : COLOR_NONE, key.size,
                                   key.fit != 0, key.flipH != 0, key.flipV != 0);
        m_frameKey = key;
    }
    QRegion mask = m_frame.opaque;
    if (m_bResizeMode)
        mask |= BorderRing();
    // An empty region would remove the mask and show the whole window; a region beside
    // the window shows none of it.
    if (mask.isEmpty())
        mask = QRegion(-1, -1, 1, 1);
    m_mask = mask;
    setMask(mask);
}

QRegion CSideDlg::BorderRing() const {
    const QRect r = rect();
    return QRegion(r).subtracted(QRegion(r.adjusted(kBorder, kBorder, -kBorder, -kBorder)));
}

void CSideDlg::DrawBorder(QPainter& p) const {
    const QRect r = rect();
    QRegion ring = BorderRing();
    p.save();
    p.setClipRegion(ring);
    p.fillRect(r, QColor(212, 208, 200));
    p.setPen(QColor(64, 64, 64));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(r.adjusted(kBorder - 1, kBorder - 1, -kBorder, -kBorder));
    p.setPen(Qt::white);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.restore();
}

void CSideDlg::paintEvent(QPaintEvent*) {
    PrepareFrame();
    QPainter p(this);
    if (!m_frame.image.isNull())
        p.drawImage(0, 0, m_frame.image);
    if (m_bResizeMode)
        DrawBorder(p);
}
