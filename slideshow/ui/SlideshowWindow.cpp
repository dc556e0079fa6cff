#include "slideshow/ui/SlideshowWindow.h"

#include "base/Prompts.h"
#include "base/Screen.h"
#include "base/Settings.h"
#include "dialogs/CommandAction.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "slideshow/ShowGeometry.h"
#include "slideshow/ShowTooltip.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <new>

using namespace show;

namespace {

constexpr int kBorder = 6; // width of the sizing border in size-change mode

SlideshowWindow* g_running = nullptr;

// ---- The commands: name, menu text and keys, and the context menu. -------------------
// A menu text ends with what the menu shows at its right edge, after a tab.

struct CommandSpec {
    ShowCommand command;
    const char* name; ///< the action's object name
    const char* text;
    Qt::Key keys[2] = {}; ///< 0 where there is none
};

const CommandSpec kCommands[] = {
    {ShowCommand::FlipHorizontal,
     "flipHorizontal",
     "左右反転(&H)\t←,→",
     {Qt::Key_Left, Qt::Key_Right}},
    {ShowCommand::FlipVertical, "flipVertical", "上下反転(&V)\t↑,↓", {Qt::Key_Up, Qt::Key_Down}},
    {ShowCommand::ResizeMode, "resizeMode", "サイズ変更(&S)\tWClick"},
    {ShowCommand::FitToWindow, "fitToWindow", "サイズに合せて拡大(&E)"},
    {ShowCommand::TopMost, "topMost", "最前面に表示(&M)"},
    {ShowCommand::Loop, "loop", "連続に繰り返す(&L)"},
    {ShowCommand::TimerSwitch, "timerSwitch", "タイマー切替え(&A)"},
    {ShowCommand::ClickSwitch, "clickSwitch", "クリック切替え(&C)"},
    {ShowCommand::End, "end", "スライドショー終了(&X)\tESC", {Qt::Key_Escape}},
};

/// The context menu: the flips in a sub-menu, then the other commands with separators
/// between their groups (an empty entry).
const std::optional<ShowCommand> kMenuAfterFlips[] = {
    ShowCommand::ResizeMode,
    ShowCommand::FitToWindow,
    std::nullopt,
    ShowCommand::TopMost,
    std::nullopt,
    ShowCommand::Loop,
    ShowCommand::TimerSwitch,
    ShowCommand::ClickSwitch,
    std::nullopt,
    ShowCommand::End,
};

} // namespace

SlideshowWindow::SlideshowWindow(QWidget* opener)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint), m_opener(opener) {
    // The show never has a taskbar button (tool window) and paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Ending the show must never end the program by itself: the opener decides.
    setAttribute(Qt::WA_QuitOnClose, false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setWindowTitle(ApplicationName());
    CreateActions();
}

SlideshowWindow::~SlideshowWindow() {
    m_zoomTimer.stop();
    m_secondTimer.stop();
    if (g_running == this)
        g_running = nullptr;
}

SlideshowWindow* SlideshowWindow::Running() {
    return g_running;
}

int SlideshowWindow::Play() {
    if (!Initialize())
        return QDialog::Rejected;
    SlideshowWindow* previous = g_running;
    g_running = this;
    const int result = m_ended ? int(QDialog::Rejected) : exec();
    g_running = previous;
    return result;
}

bool SlideshowWindow::Initialize() {
    Document& doc = CurrentDocument();
    // Nothing to show: the show ends before it appears.
    if (doc.slideCount <= 0) {
        EndShow();
        return false;
    }
    // The tooltip appears without fading and follows every move over the window.
    QApplication::setEffectEnabled(Qt::UI_FadeTooltip, false);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);

    setCursor(Qt::ArrowCursor);
    m_startPoint = QCursor::pos();

    // The show opens on its chosen screen, else on the one under the pointer. A stored
    // rectangle that lies on another screen, or on one that is gone, is moved onto it
    // keeping its place relative to the screen it was on.
    DocumentHeader& h = doc.header;
    const QRect area = m_screenArea ? *m_screenArea : WorkAreaAt(m_startPoint);
    const std::optional<QPoint> centre = StoredCentre(h.slideshowRect);
    const std::optional<QRect> storedOn = centre ? WorkAreaHolding(*centre) : std::nullopt;
    h.slideshowRect =
        BringOntoScreen(h.slideshowRect, storedOn ? storedOn->topLeft() : QPoint(0, 0), area);

    m_placedRect = QRect(m_startPoint, QSize(kStartSize, kStartSize));
    setGeometry(m_placedRect);
    ApplyTopMost();

    // A start index outside the table would never meet the end of the slides.
    if (m_index < -1 || m_index >= doc.slideCount)
        m_index = 0;

    try {
        m_times.assign(size_t(doc.slideCount), 0);
    } catch (const std::bad_alloc&) {
        ShowMessage(Msg::OutOfMemory, QString(), this, MsgKind::Error);
        EndShow();
        return false;
    }
    for (int i = 0; i < doc.slideCount; ++i)
        m_times[size_t(i)] = doc.slides[size_t(i)].switchTime;
    m_told.assign(size_t(doc.slideCount), false);

    // Slides whose pictures do not show are passed over (and named once); with none
    // that shows there is nothing to play.
    const auto showable = [this](int i) { return Showable(i); };
    if (FirstShowableSlide(0, doc.slideCount, true, showable) < 0) {
        m_showedNothing = true;
        ShowMessage(Msg::NoSlideCanBeShown, QString(), this, MsgKind::Error);
        EndShow();
        return false;
    }
    for (int i = 0; i < doc.slideCount; ++i)
        if (!Showable(i))
            m_toTell.push_back(i + 1);
    if (m_index >= 0)
        m_index = FirstShowableSlide(m_index, doc.slideCount, true, showable);
    if (!m_toTell.empty())
        QMetaObject::invokeMethod(this, &SlideshowWindow::TellSkipped, Qt::QueuedConnection);

    m_zoomStep = 0;
    PrepareFrame();
    if (isVisible())
        repaint();
    m_zoomTimer.start(kZoomPeriodMs, this);
    m_secondTimer.start(kSecondPeriodMs, this);
    m_elapsed = 0;
    return true;
}

void SlideshowWindow::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_zoomTimer.timerId())
        OnZoomTimer();
    else if (e->timerId() == m_secondTimer.timerId())
        OnSecondTimer();
    else
        QDialog::timerEvent(e);
}

void SlideshowWindow::OnZoomTimer() {
    if (m_ended || m_zoomStep >= kZoomSteps) {
        m_zoomTimer.stop();
        return;
    }
    m_placedRect = ZoomStepRect(m_startPoint, CurrentDocument().header.slideshowRect, m_zoomStep);
    setGeometry(m_placedRect);
    ApplyTopMost();
    PrepareFrame();
    if (!isVisible())
        show();
    if (m_zoomStep == 0) {
        // The show opens in front with the keyboard (Esc and the arrow keys).
        raise();
        activateWindow();
    }
    if (++m_zoomStep >= kZoomSteps) {
        m_zoomTimer.stop();
        repaint();
        PrepareNextFrame();
    }
}

void SlideshowWindow::OnSecondTimer() {
    const Document& doc = CurrentDocument();
    if (m_ended || !SlideOnShow())
        return;
    if (!doc.header.timerSwitch) {
        PrepareNextFrame(); // a click may come any time
        return;
    }
    ++m_elapsed;
    if (m_elapsed >= m_times[size_t(m_index)] && !SwitchToNext()) {
        m_secondTimer.stop();
        EndShow();
        return;
    }
    PrepareNextFrame(); // after a change of size, a flip or the fit
}

bool SlideshowWindow::Showable(int index) const {
    const Document& doc = CurrentDocument();
    if (index < 0 || index >= doc.slideCount)
        return false;
    const PicturePtr& picture = doc.slides[size_t(index)].picture;
    return picture && !picture->failedToDecode();
}

int SlideshowWindow::NextSlide() {
    const Document& doc = CurrentDocument();
    const int next =
        NextShowableSlide(m_index, doc.slideCount, doc.header.loop != 0, [this](int i) {
            if (Showable(i))
                return true;
            if (size_t(i) < m_told.size() && !m_told[size_t(i)])
                m_toTell.push_back(i + 1);
            return false;
        });
    if (!m_toTell.empty())
        QMetaObject::invokeMethod(this, &SlideshowWindow::TellSkipped, Qt::QueuedConnection);
    return next;
}

void SlideshowWindow::TellSkipped() {
    std::vector<int> slides;
    for (int number : m_toTell) {
        if (size_t(number - 1) < m_told.size() && !m_told[size_t(number - 1)]) {
            m_told[size_t(number - 1)] = true;
            slides.push_back(number);
        }
    }
    m_toTell.clear();
    if (slides.empty() || m_ended)
        return;
    std::sort(slides.begin(), slides.end());
    ShowMessage(Msg::SlidesSkipped, QStringLiteral("スライド %1\n").arg(NumberRanges(slides)), this,
                MsgKind::Info);
}

void SlideshowWindow::SkipSlideOnShow() {
    m_skipPending = false;
    if (m_ended || !SlideOnShow() || Showable(m_index))
        return;
    if (SwitchToNext())
        return;
    // Every slide left has turned out not to decode.
    if (!m_shownAny) {
        m_showedNothing = true;
        ShowMessage(Msg::NoSlideCanBeShown, QString(), this, MsgKind::Error);
    }
    EndShow();
}

bool SlideshowWindow::SwitchToNext() {
    const Document& doc = CurrentDocument();
    const int next = NextSlide();
    if (next < 0) {
        m_index = doc.slideCount;
        return false;
    }
    m_index = next;
    m_elapsed = 0;
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
    // The following slide is decoded while this one shows.
    PrepareNextFrame();
    return true;
}

bool SlideshowWindow::SlideOnShow() const {
    return m_index >= 0 && m_index < CurrentDocument().slideCount &&
           size_t(m_index) < m_times.size();
}

void SlideshowWindow::EndShow() {
    if (m_ended)
        return;
    m_ended = true;
    m_zoomTimer.stop();
    m_secondTimer.stop();
    if (m_dragging) {
        m_dragging = false;
        releaseMouse();
    }
    if (m_menu)
        m_menu->close();
    QToolTip::hideText();
    done(QDialog::Rejected);
}

void SlideshowWindow::accept() {}

void SlideshowWindow::reject() {
    EndShow();
}

// --- commands ---------------------------------------------------------------------

void SlideshowWindow::CreateActions() {
    for (const CommandSpec& entry : kCommands) {
        QList<QKeySequence> keys;
        for (Qt::Key key : entry.keys)
            if (key)
                keys << QKeySequence(key);
        QAction* action = AddCommandAction(this, entry.name, entry.text, keys);
        const ShowCommand c = entry.command;
        connect(action, &QAction::triggered, this, [this, c] { RunCommand(c); });
        m_actions[c] = action;
    }
}

QAction* SlideshowWindow::CommandAction(ShowCommand c) const {
    const auto it = m_actions.find(c);
    return it == m_actions.end() ? nullptr : it->second;
}

void SlideshowWindow::RunCommand(ShowCommand c) {
    if (m_menu) {
        m_chosenInMenu = c;
        return;
    }
    switch (c) {
    case ShowCommand::FlipHorizontal:
        OnFlipH();
        break;
    case ShowCommand::FlipVertical:
        OnFlipV();
        break;
    case ShowCommand::ResizeMode:
        OnResizeMode();
        break;
    case ShowCommand::FitToWindow:
        OnFitToWindow();
        break;
    case ShowCommand::TopMost:
        OnTopMost();
        break;
    case ShowCommand::Loop:
        OnLoop();
        break;
    case ShowCommand::TimerSwitch:
    case ShowCommand::ClickSwitch:
        OnTimerSwitch();
        break;
    case ShowCommand::End:
        OnEndShow();
        break;
    }
}

void SlideshowWindow::OnFlipH() {
    if (!SlideOnShow())
        return;
    SlideRecord& s = CurrentDocument().slides[size_t(m_index)];
    s.flipH = s.flipH ? 0 : 1;
    m_changed = true;
    PrepareFrame();
    repaint();
}

void SlideshowWindow::OnFlipV() {
    if (!SlideOnShow())
        return;
    SlideRecord& s = CurrentDocument().slides[size_t(m_index)];
    s.flipV = s.flipV ? 0 : 1;
    m_changed = true;
    PrepareFrame();
    repaint();
}

void SlideshowWindow::OnResizeMode() {
    if (!m_resizeMode) {
        m_secondTimer.stop();
        // The size limit may resize a window still opening; that is no user sizing.
        setMinimumSize(kMinWindowSize, kMinWindowSize);
        m_resizeMode = true;
    } else {
        m_resizeMode = false;
        m_resizeEdges = {};
        setMinimumSize(0, 0);
        m_secondTimer.start(kSecondPeriodMs, this);
    }
    ApplyTopMost();
    PrepareFrame();
    repaint();
}

void SlideshowWindow::OnFitToWindow() {
    DocumentHeader& h = CurrentDocument().header;
    h.fitToWindow = h.fitToWindow ? 0 : 1;
    m_changed = true;
    PrepareFrame();
    repaint();
}

void SlideshowWindow::OnTopMost() {
    DocumentHeader& h = CurrentDocument().header;
    h.topMost = h.topMost ? 0 : 1;
    m_changed = true;
    ApplyTopMost();
}

void SlideshowWindow::OnLoop() {
    DocumentHeader& h = CurrentDocument().header;
    h.loop = h.loop ? 0 : 1;
    m_changed = true;
}

void SlideshowWindow::OnTimerSwitch() {
    DocumentHeader& h = CurrentDocument().header;
    h.timerSwitch = h.timerSwitch ? 0 : 1;
    m_changed = true;
}

void SlideshowWindow::OnEndShow() {
    EndShow();
}

void SlideshowWindow::ApplyTopMost() {
    Qt::WindowFlags f = windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, CurrentDocument().header.topMost != 0);
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

void SlideshowWindow::BuildContextMenu(QMenu& menu) {
    const Document& doc = CurrentDocument();
    const DocumentHeader& h = doc.header;
    const bool slide = SlideOnShow();
    const std::pair<ShowCommand, bool> states[] = {
        {ShowCommand::ResizeMode, m_resizeMode},
        {ShowCommand::TopMost, h.topMost != 0},
        {ShowCommand::Loop, h.loop != 0},
        {ShowCommand::TimerSwitch, h.timerSwitch != 0},
        {ShowCommand::ClickSwitch, h.timerSwitch == 0},
        {ShowCommand::FitToWindow, h.fitToWindow != 0},
        {ShowCommand::FlipHorizontal, slide && doc.slides[size_t(m_index)].flipH != 0},
        {ShowCommand::FlipVertical, slide && doc.slides[size_t(m_index)].flipV != 0},
        {ShowCommand::End, false},
    };
    for (const auto& [command, on] : states) {
        // Only items that are on carry a mark; the others show no empty box.
        QAction* a = m_actions.at(command);
        a->setCheckable(on);
        a->setChecked(on);
    }
    QMenu* flips = menu.addMenu(QStringLiteral("反転(&R)"));
    flips->addAction(m_actions.at(ShowCommand::FlipHorizontal));
    flips->addAction(m_actions.at(ShowCommand::FlipVertical));
    for (const std::optional<ShowCommand>& item : kMenuAfterFlips) {
        if (item)
            menu.addAction(m_actions.at(*item));
        else
            menu.addSeparator();
    }
}

void SlideshowWindow::OpenContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    BuildContextMenu(menu);
    m_menu = &menu;
    m_chosenInMenu.reset();
    const int w = menu.sizeHint().width();
    menu.exec(QPoint(globalPos.x() - w / 2, globalPos.y()));
    m_menu = nullptr;
    const std::optional<ShowCommand> chosen = std::exchange(m_chosenInMenu, std::nullopt);
    if (chosen && !m_ended)
        RunCommand(*chosen);
}

void SlideshowWindow::UpdateTooltip(const QPoint& globalPos) {
    if (!SlideOnShow())
        return;
    const QString text = ShowTooltipText(m_index + 1, m_times[size_t(m_index)]);
    if (text != toolTip())
        setToolTip(text);
    // A tip already on screen takes the new text at once.
    if (QToolTip::isVisible() && QToolTip::text() != text)
        QToolTip::showText(globalPos, text, this);
}

// --- mouse and keys ---------------------------------------------------------------

Qt::Edges SlideshowWindow::BorderEdgesAt(const QPoint& pos) const {
    if (!m_resizeMode)
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

void SlideshowWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || m_ended) {
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
            m_resizeFrom = geometry();
            m_resizeGrab = global;
        }
        return;
    }
    if (!CurrentDocument().header.timerSwitch && !m_resizeMode) {
        if (!SwitchToNext()) {
            EndShow();
            return;
        }
    }
    grabMouse();
    setCursor(Qt::SizeAllCursor);
    m_dragPoint = global;
    m_dragging = true;
}

void SlideshowWindow::mouseMoveEvent(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    UpdateTooltip(global);
    if (m_resizeEdges) {
        // The edges stop at the screen the window is on, and at the smallest size.
        const QPoint d = global - m_resizeGrab;
        const QRect area = WorkAreaAt(m_resizeFrom.center());
        QRect r = m_resizeFrom;
        if (m_resizeEdges & Qt::LeftEdge)
            r.setLeft(
                std::min(std::max(r.left() + d.x(), area.left()), r.right() + 1 - kMinWindowSize));
        if (m_resizeEdges & Qt::RightEdge)
            r.setRight(
                std::max(std::min(r.right() + d.x(), area.right()), r.left() + kMinWindowSize - 1));
        if (m_resizeEdges & Qt::TopEdge)
            r.setTop(
                std::min(std::max(r.top() + d.y(), area.top()), r.bottom() + 1 - kMinWindowSize));
        if (m_resizeEdges & Qt::BottomEdge)
            r.setBottom(std::max(std::min(r.bottom() + d.y(), area.bottom()),
                                 r.top() + kMinWindowSize - 1));
        setGeometry(r);
        return;
    }
    if (m_dragging) {
        if (global != m_dragPoint) {
            const QPoint to =
                ClampToScreen(pos() + (global - m_dragPoint), size(), WorkAreaAt(global));
            move(to);
            ApplyTopMost();
            CurrentDocument().header.slideshowRect = QRect(to, size());
            m_changed = true;
            m_dragPoint = global;
        }
        return;
    }
    const Qt::Edges edges = BorderEdgesAt(e->position().toPoint());
    if (edges)
        setCursor(CursorForEdges(edges));
    else
        setCursor(Qt::ArrowCursor);
}

void SlideshowWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_resizeEdges = {};
        if (m_dragging) {
            m_dragging = false;
            setCursor(Qt::ArrowCursor);
            releaseMouse();
        }
        return;
    }
    if (e->button() == Qt::RightButton && !m_ended) {
        OpenContextMenu(e->globalPosition().toPoint());
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

void SlideshowWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click toggles size-change mode and nothing else.
    if (e->button() == Qt::LeftButton && !m_ended)
        RunCommand(ShowCommand::ResizeMode);
}

void SlideshowWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(e);
}

// --- size and painting ------------------------------------------------------------

void SlideshowWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // Only the user's sizing is stored: the animation's steps, and the window system's
    // late reports of them, are the show's own placement.
    if (m_resizeMode && m_zoomStep >= kZoomSteps && geometry() != m_placedRect) {
        DocumentHeader& h = CurrentDocument().header;
        const bool repaintNow = NeedsSizingRepaint(e->size(), h.slideshowRect);
        h.slideshowRect = geometry();
        m_changed = true;
        if (repaintNow)
            update();
    }
    PrepareFrame();
}

SlideshowWindow::FrameKey SlideshowWindow::KeyFor(int index, QSize size) const {
    const Document& doc = CurrentDocument();
    FrameKey key;
    key.index = index;
    key.size = size;
    key.fit = doc.header.fitToWindow != 0;
    if (index >= 0 && index < doc.slideCount) {
        const SlideRecord& slide = doc.slides[size_t(index)];
        key.picture = slide.picture.get();
        key.pictureId = slide.picture ? slide.picture->id() : 0;
        key.flipH = slide.flipH != 0;
        key.flipV = slide.flipV != 0;
        key.key = slide.keyColor;
    }
    return key;
}

ShowFrame SlideshowWindow::MakeFrame(const FrameKey& key, const SlideRecord* slide, Source& source,
                                     QSize target) {
    // A slide without a picture (or one that does not decode) shows nothing: the whole
    // window is K.
    const PicturePtr picture = slide ? slide->picture : nullptr;
    const QSize pictureSize = GetPictureSize(picture);
    if (pictureSize.isEmpty())
        return ComposeShowFrame(QImage(), slide ? slide->keyColor : std::nullopt, key.size,
                                key.fit != 0, key.flipH != 0, key.flipV != 0);
    // The source serves every window up to `target`: it is decoded again only for
    // another picture, another key, or a window it would have to enlarge for.
    const QSize placed = show::PlaceSlide(pictureSize, target, key.fit != 0).size();
    const bool serves =
        source.picture == picture && source.key == slide->keyColor && !source.image.isNull() &&
        (source.image.size() == pictureSize ||
         (source.image.width() >= placed.width() && source.image.height() >= placed.height()));
    if (!serves)
        source = Source{picture, slide->keyColor, ShowSource(*picture, slide->keyColor, placed)};
    return ComposeShowFrame(source.image, pictureSize, slide->keyColor, key.size, key.fit != 0,
                            key.flipH != 0, key.flipV != 0);
}

void SlideshowWindow::PrepareFrame() {
    const Document& doc = CurrentDocument();
    const FrameKey key = KeyFor(m_index, size());
    if (!(key == m_frameKey) || m_frame.image.isNull()) {
        if (m_next.valid() && m_nextKey == key) {
            // Made ahead while the previous slide showed.
            Prepared prepared = m_next.get();
            m_frame = std::move(prepared.frame);
            m_source = std::move(prepared.source);
        } else {
            const SlideRecord* slide =
                (m_index >= 0 && m_index < doc.slideCount) ? &doc.slides[size_t(m_index)] : nullptr;
            // While the window opens it grows toward the stored rectangle: one decode
            // serves every step.
            const QSize target = size().expandedTo(doc.header.slideshowRect.size());
            m_frame = MakeFrame(key, slide, m_source, target);
        }
        m_frameKey = key;
        if (SlideOnShow() && !Showable(m_index)) {
            // Its picture turned out not to decode: the show goes on without it.
            if (size_t(m_index) < m_told.size() && !m_told[size_t(m_index)])
                m_toTell.push_back(m_index + 1);
            if (!m_skipPending) {
                m_skipPending = true;
                QMetaObject::invokeMethod(this, &SlideshowWindow::TellSkipped,
                                          Qt::QueuedConnection);
                QMetaObject::invokeMethod(this, &SlideshowWindow::SkipSlideOnShow,
                                          Qt::QueuedConnection);
            }
        } else if (SlideOnShow()) {
            m_shownAny = true;
        }
    }
    QRegion mask = m_frame.opaque;
    if (m_resizeMode)
        mask |= BorderRing();
    // An empty region would remove the mask and show the whole window; a region beside
    // the window shows none of it.
    if (mask.isEmpty())
        mask = QRegion(-1, -1, 1, 1);
    m_mask = mask;
    setMask(mask);
}

void SlideshowWindow::PrepareNextFrame() {
    const Document& doc = CurrentDocument();
    if (m_ended || doc.slideCount < 2 || m_index < 0 || m_index >= doc.slideCount)
        return;
    const int next = NextShowableSlide(m_index, doc.slideCount, doc.header.loop != 0,
                                       [this](int i) { return Showable(i); });
    if (next < 0 || next == m_index)
        return;
    const FrameKey key = KeyFor(next, size());
    if (m_next.valid()) {
        if (m_nextKey == key)
            return; // made, or being made
        if (m_next.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return; // a frame for another size is still being made: a later tick tries
        m_next.get();
    }
    // The worker gets its own copy of the record: the picture is shared, never changed.
    const SlideRecord slide = doc.slides[size_t(next)];
    m_nextKey = key;
    m_next = std::async(std::launch::async, [key, slide] {
        Prepared prepared;
        prepared.frame = MakeFrame(key, &slide, prepared.source, key.size);
        return prepared;
    });
}

bool SlideshowWindow::IsPreparingNextFrame() const {
    return m_next.valid() && m_next.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void SlideshowWindow::WaitForNextFrame() {
    if (m_next.valid())
        m_next.wait();
}

QRegion SlideshowWindow::BorderRing() const {
    const QRect r = rect();
    return QRegion(r).subtracted(QRegion(r.adjusted(kBorder, kBorder, -kBorder, -kBorder)));
}

void SlideshowWindow::DrawBorder(QPainter& p) const {
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

void SlideshowWindow::paintEvent(QPaintEvent*) {
    PrepareFrame();
    QPainter p(this);
    if (!m_frame.image.isNull())
        p.drawImage(0, 0, m_frame.image);
    if (m_resizeMode)
        DrawBorder(p);
}
