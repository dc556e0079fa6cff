#include "slideshow/ui/SlideshowWindow.h"

#include "base/Prompts.h"
#include "base/Screen.h"
#include "base/Settings.h"
#include "dialogs/CommandAction.h"
#include "document/Document.h"
#include "slideshow/DocumentShow.h"
#include "slideshow/ShowGeometry.h"
#include "slideshow/ui/LayerMenu.h"
#include "slideshow/ui/LayerShell.h"
#include "slideshow/ui/WindowSystem.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <iterator>
#include <new>

namespace {

SlideshowWindow* g_running = nullptr;

/// The actions' object names, in the order of show::kCommands.
constexpr const char* kActionNames[] = {
    "flipHorizontal", "flipVertical", "resizeMode", "fitToWindow", "topMost",
    "loop",           "timerSwitch",  "clickSwitch", "pause",      "end",
    "next",           "previous",     "first",       "last"};
static_assert(std::size(kActionNames) == std::size(show::kCommands), "a name per command");

/// Qt's key for each show::Key, in its order.
constexpr Qt::Key kQtKeys[] = {Qt::Key_Escape, Qt::Key_Left,  Qt::Key_Right,  Qt::Key_Up,
                               Qt::Key_Down,   Qt::Key_Space, Qt::Key_PageUp, Qt::Key_PageDown,
                               Qt::Key_Home,   Qt::Key_End,   Qt::Key_Return, Qt::Key_Backspace,
                               Qt::Key_P};
static_assert(std::size(kQtKeys) == size_t(show::Key::P) + 1, "a Qt key per key");

/// Qt's pointer shape for each show::Cursor, in its order.
constexpr Qt::CursorShape kQtCursors[] = {Qt::ArrowCursor,     Qt::SizeAllCursor,
                                          Qt::SizeHorCursor,   Qt::SizeVerCursor,
                                          Qt::SizeFDiagCursor, Qt::SizeBDiagCursor};
static_assert(std::size(kQtCursors) == size_t(show::Cursor::SizeAntiDiagonal) + 1,
              "a Qt shape per cursor");

show::Button ButtonOf(Qt::MouseButton b) {
    return b == Qt::LeftButton    ? show::Button::Left
           : b == Qt::RightButton ? show::Button::Right
                                  : show::Button::Other;
}

show::Point PointOf(QPoint p) {
    return show::Point{p.x(), p.y()};
}

show::Box BoxOf(const QRect& r) {
    return show::Box{r.left(), r.top(), r.width(), r.height()};
}

QRect RectOf(const show::Box& b) {
    return QRect(b.left, b.top, b.width, b.height);
}

QPoint GlobalOf(const QMouseEvent* e) {
    return e->globalPosition().toPoint();
}

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
    for (size_t i = 0; i < std::size(show::kCommands); ++i) {
        const ShowCommand c = show::kCommands[i];
        QList<QKeySequence> keys;
        for (show::Key key : show::CommandKeys(c)) {
            keys << QKeySequence(kQtKeys[size_t(key)]);
            if (key == show::Key::Enter)
                keys << QKeySequence(Qt::Key_Enter); // the keypad's Enter too
        }
        QAction* action = AddCommandAction(this, kActionNames[i], show::CommandText(c), keys);
        connect(action, &QAction::triggered, this, [this, c] { RunCommand(c); });
        m_actions[c] = action;
    }
}

SlideshowWindow::~SlideshowWindow() {
    m_zoomTimer.stop();
    m_secondTimer.stop();
    m_frames.reset(); // its worker posts nothing after this
    if (g_running == this)
        g_running = nullptr;
}

SlideshowWindow* SlideshowWindow::Running() {
    return g_running;
}

const show::ShowState& SlideshowWindow::State() const {
    static const show::ShowState kNone;
    return m_engine ? m_engine->State() : kNone;
}

int SlideshowWindow::Play() {
    if (!Initialize())
        return QDialog::Rejected;
    SlideshowWindow* previous = g_running;
    g_running = this;
    int result = QDialog::Rejected;
    if (!m_ended && m_layer) {
        // The widget never shows: the layer surface is the show's window.
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    } else if (!m_ended) {
        result = exec();
    }
    g_running = previous;
    return result;
}

void SlideshowWindow::ChooseForWindowSystem() {
    const show::WindowSystemFacts facts =
        m_windowSystem ? *m_windowSystem : CurrentWindowSystemFacts();
    m_seeThrough = show::ChooseSeeThrough(facts);
    m_placesItself = show::PlacesItsOwnWindow(facts);
    // A translucent window needs a surface with alpha, chosen when the native window is
    // made: the show's window is made when it first shows.
    const bool translucent = m_seeThrough == show::SeeThrough::Translucent;
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    // Translucent, the window is not opaque although it paints every pixel: what is
    // drawn of it (a grab too) keeps its alpha.
    setAttribute(Qt::WA_OpaquePaintEvent, !translucent);
#if defined(LSR_HAVE_LAYER_SHELL)
    // Where the compositor offers layer-shell, the show is a layer surface: placed where
    // the show says, above the windows (or below), and a press on a key pixel goes to
    // what lies beneath on every such compositor.
    if (facts.system == show::WindowSystem::Wayland && facts.layerShell && !m_layer)
        m_layerShell = LayerShell::Connect();
    if (m_layerShell && !m_layer) {
        m_layer = std::make_unique<LayerSurface>(*m_layerShell, "luserio-show",
                                                 LayerSurface::Layer::Top, false);
        connect(m_layer.get(), &LayerSurface::Pressed, this,
                [this](Qt::MouseButton b, QPoint at) { PointerPressed(b, at); });
        connect(m_layer.get(), &LayerSurface::Released, this,
                [this](Qt::MouseButton b, QPoint at) { PointerReleased(b, at); });
        connect(m_layer.get(), &LayerSurface::DoubleClicked, this,
                [this](Qt::MouseButton b, QPoint at) { PointerDoubleClicked(b, at); });
        connect(m_layer.get(), &LayerSurface::Moved, this, [this](QPoint at) { PointerMoved(at); });
        connect(m_layer.get(), &LayerSurface::KeyPressed, this,
                [this](int key) { LayerKeyPressed(key); });
        connect(m_layer.get(), &LayerSurface::Closed, this, [this] { EndShow(); });
    }
#endif
    if (m_layer)
        m_placesItself = true;
}

bool SlideshowWindow::Initialize() {
    ChooseForWindowSystem();
    // The tooltip appears without fading and follows every move over the window.
    QApplication::setEffectEnabled(Qt::UI_FadeTooltip, false);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);

    const Document& doc = CurrentDocument();
    show::in::Start start;
    const QPoint pointer = QCursor::pos();
    start.pointer = PointOf(pointer);
    // The show opens on its chosen screen, else on the one under the pointer; the
    // stored rectangle comes along from the screen it was stored on.
    start.workArea = BoxOf(m_screenArea ? *m_screenArea : WorkAreaAt(pointer));
    if (const std::optional<QPoint> centre = show::StoredCentre(doc.header.slideshowRect))
        if (const std::optional<QRect> on = WorkAreaHolding(*centre))
            start.storedOn = PointOf(on->topLeft());
    start.startIndex = m_index;
    start.changed = m_changed;
    try {
        m_engine = std::make_unique<show::Engine>(ShowDocumentOf(doc));
        m_frames =
            std::make_unique<show::FrameMaker>(std::make_shared<DocumentPictures>(doc), [this] {
                QMetaObject::invokeMethod(
                    this, [this] { DeliverFrames(); }, Qt::QueuedConnection);
            });
        Feed(start);
    } catch (const std::bad_alloc&) {
        ShowMessage(Msg::OutOfMemory, QString(), this, MsgKind::Error);
        m_ended = true;
        done(QDialog::Rejected);
    }
    return !m_ended;
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
    Feed(show::in::ZoomTick{});
}

void SlideshowWindow::OnSecondTimer() {
    Feed(show::in::SecondTick{});
}

bool SlideshowWindow::SwitchToNext() {
    Feed(show::in::Advance{});
    return !m_ended;
}

QAction* SlideshowWindow::CommandAction(ShowCommand c) const {
    const auto it = m_actions.find(c);
    return it == m_actions.end() ? nullptr : it->second;
}

void SlideshowWindow::RunCommand(ShowCommand c) {
    Feed(show::in::Choose{c});
}

void SlideshowWindow::EndShow() {
    if (m_engine)
        Feed(show::in::CloseRequest{});
    if (!m_ended)
        Do(show::out::EndShow{});
}

void SlideshowWindow::accept() {}

void SlideshowWindow::reject() {
    EndShow();
}

bool SlideshowWindow::IsPreparingNextFrame() const {
    return m_frames && m_frames->Busy();
}

void SlideshowWindow::WaitForFrames() {
    while (m_frames && !m_ended) {
        m_frames->WaitIdle();
        if (!DeliverFrames())
            return;
    }
}

bool SlideshowWindow::DeliverFrames() {
    if (!m_frames)
        return false;
    const std::vector<show::FrameMaker::Result> results = m_frames->TakeResults();
    for (const show::FrameMaker::Result& r : results)
        Feed(r.made ? show::Event(show::in::FrameReady{r.spec})
                    : show::Event(show::in::FrameFailed{r.spec, r.outOfMemory}));
    return !results.empty();
}

// --- the engine's answers ---------------------------------------------------------

void SlideshowWindow::Feed(const show::Event& event) {
    if (!m_engine)
        return;
    m_queue.push_back(event);
    if (m_feeding)
        return;
    m_feeding = true;
    Pump();
    m_feeding = false;
}

void SlideshowWindow::Pump() {
    while (!m_queue.empty()) {
        const show::Event event = std::move(m_queue.front());
        m_queue.pop_front();
        const std::vector<show::Action> answer = m_engine->Handle(event);
        m_index = m_engine->State().index;
        m_changed = m_engine->State().changed;
        for (const show::Action& a : answer) {
            if (std::holds_alternative<show::out::OpenMenu>(a) ||
                std::holds_alternative<show::out::ShowMessage>(a)) {
                // What the earlier actions caused comes first; while the menu or the
                // message is open, events go through at once.
                Pump();
                m_feeding = false;
                Carry(a);
                m_feeding = true;
            } else {
                Carry(a);
            }
        }
    }
}

void SlideshowWindow::Carry(const show::Action& action) {
    std::visit([this](const auto& a) { Do(a); }, action);
}

void SlideshowWindow::Do(const show::out::PlaceWindow& a) {
    QRect r = RectOf(a.rect);
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer) {
        const bool resized = r.size() != m_layer->Rect().size();
        m_layer->Place(r);
        ApplyTopMost(a.topMost);
        if (resized)
            UpdateMask();
        if (resized && m_layerShown)
            PresentOnLayer();
        // The surface is where the show put it: its report, as a window's would come.
        Feed(show::in::Resized{BoxOf(r)});
        return;
    }
#endif
    if (!m_placesItself) {
        // The compositor places the window where it maps it (mostly centred): growing
        // it from the pointer there would only grow it off centre, so the show opens
        // at its size.
        const show::ShowState& s = State();
        if (s.zoomTimer)
            r.setSize(QSize(s.doc.rect[2] - s.doc.rect[0], s.doc.rect[3] - s.doc.rect[1]));
        // A window of one fixed size floats: tiling compositors (sway) would otherwise
        // fill their tile with it and report that size.
        if (!m_border)
            setFixedSize(r.size());
    }
    setGeometry(r);
    ApplyTopMost(a.topMost);
}

void SlideshowWindow::Do(const show::out::SetTopMost& a) {
    ApplyTopMost(a.on);
}

void SlideshowWindow::Do(const show::out::ShowWindow& a) {
    if (m_layer) {
        m_layerShown = true;
        PresentOnLayer();
        return;
    }
    // Only a show that had the keyboard takes it back: a show playing beside the user's
    // work never steals the focus at a switch.
    const bool activate = a.takeFocus || m_activeWhenHidden;
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    show();
    // A surface made anew (Wayland makes one at every showing) takes the input region
    // again; the compositor applies it with the next frame.
    if (m_seeThrough == show::SeeThrough::Translucent)
        SetInputRegion(windowHandle(), m_mask);
    raise();
    if (activate)
        activateWindow();
    repaint();
}

void SlideshowWindow::Do(const show::out::HideWindow&) {
    // A composited window (a layer surface is one) shows each frame whole, in one
    // commit, and stays where the user or the compositor put it: hiding it for a switch
    // would only make it blink (and, where the compositor places windows, come back at
    // the compositor's place).
    if (m_layer)
        return;
    m_activeWhenHidden = isActiveWindow();
    if (m_seeThrough == show::SeeThrough::Translucent && isVisible())
        return;
    // QWidget's own hide leaves the modal loop running.
    QWidget::setVisible(false);
}

void SlideshowWindow::Do(const show::out::SetSizingBorder& a) {
    m_border = a.on;
    setMinimumSize(a.on ? QSize(show::kMinWindowSize, show::kMinWindowSize) : QSize(0, 0));
    if (!m_placesItself) {
        // Sizing is the compositor's interactive resize, which needs a window that can
        // change its size; outside size-change mode the size is fixed again.
        if (a.on)
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        else
            setFixedSize(size());
    }
    if (m_layer && m_layerShown)
        PresentOnLayer();
    UpdateMask();
    update();
}

void SlideshowWindow::Do(const show::out::StartTimer& a) {
    (a.timer == show::Timer::Zoom ? m_zoomTimer : m_secondTimer).start(a.periodMs, this);
}

void SlideshowWindow::Do(const show::out::StopTimer& a) {
    (a.timer == show::Timer::Zoom ? m_zoomTimer : m_secondTimer).stop();
}

void SlideshowWindow::Do(const show::out::PrepareFrame& a) {
    m_frames->Ask(a.request);
}

void SlideshowWindow::Do(const show::out::ShowFrame& a) {
    const show::FramePtr frame = m_frames->Made(a.spec);
    if (!frame)
        return;
    m_frame = ShowFrameOf(frame);
    UpdateMask();
    if (m_layer) {
        if (m_layerShown)
            PresentOnLayer();
        return;
    }
    repaint();
}

void SlideshowWindow::Do(const show::out::SetTooltip& a) {
    if (m_layer)
        return; // a tooltip is a Qt window of this widget, which does not show
    const QString text = QString::fromStdString(a.text);
    setToolTip(text);
    // A tip already on screen takes the new text at once.
    if (QToolTip::isVisible() && QToolTip::text() != text)
        QToolTip::showText(m_pointer, text, this);
}

void SlideshowWindow::Do(const show::out::SetCursor& a) {
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer)
        m_layer->SetCursor(kQtCursors[size_t(a.cursor)]);
#endif
    setCursor(kQtCursors[size_t(a.cursor)]);
}

void SlideshowWindow::Do(const show::out::CapturePointer&) {
    // A surface keeps the pointer while a button is held on it.
    if (m_layer)
        return;
    // Where the window cannot place itself, a drag is the compositor's interactive move.
    // The compositor keeps the pointer until the button is released and this window
    // sees no release, so the show's own drag ends at once.
    if (!m_placesItself && windowHandle() && windowHandle()->startSystemMove()) {
        Feed(show::in::Release{show::Button::Left, PointOf(QCursor::pos())});
        return;
    }
    grabMouse();
}

void SlideshowWindow::Do(const show::out::ReleasePointer&) {
    if (m_layer)
        return;
    releaseMouse();
}

void SlideshowWindow::Do(const show::out::StartSystemResize& a) {
    Qt::Edges edges;
    edges.setFlag(Qt::LeftEdge, a.edges & show::kLeftEdge);
    edges.setFlag(Qt::TopEdge, a.edges & show::kTopEdge);
    edges.setFlag(Qt::RightEdge, a.edges & show::kRightEdge);
    edges.setFlag(Qt::BottomEdge, a.edges & show::kBottomEdge);
    // A layer surface is sized by its program: the show sizes it itself.
    if (m_layer || !windowHandle() || !windowHandle()->startSystemResize(edges))
        Feed(show::in::SystemResizeRefused{});
}

void SlideshowWindow::Do(const show::out::OpenMenu& a) {
    QMenu menu(this);
    BuildMenu(menu, a.items);
    m_menu = &menu;
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer) {
        LayerMenu layerMenu(*m_layerShell, menu);
        m_layerMenu = &layerMenu;
        layerMenu.Exec(QPoint(a.at.x, a.at.y));
        m_layerMenu = nullptr;
    } else
#endif
    {
        const int w = menu.sizeHint().width();
        menu.exec(QPoint(a.at.x - w / 2, a.at.y));
    }
    m_menu = nullptr;
    // A command greyed in the menu keeps its key: the engine decides what a key does.
    for (const auto& entry : m_actions)
        entry.second->setEnabled(true);
    Feed(show::in::MenuClosed{});
}

void SlideshowWindow::Do(const show::out::ShowMessage& a) {
    ShowMessage(Msg(a.id), QString::fromStdString(a.prefix), m_layer ? nullptr : this,
                a.kind == show::MessageKind::Error ? MsgKind::Error : MsgKind::Info);
    Feed(show::in::MessageClosed{});
}

void SlideshowWindow::Do(const show::out::StoreHeader& a) {
    StoreInDocument(CurrentDocument(), a);
    m_changed = a.changed;
}

void SlideshowWindow::Do(const show::out::StoreSlide& a) {
    StoreInDocument(CurrentDocument(), a);
    m_changed = a.changed;
}

void SlideshowWindow::Do(const show::out::EndShow& a) {
    m_ended = true;
    m_showedNothing = a.showedNothing;
    m_failed = a.failed;
    m_zoomTimer.stop();
    m_secondTimer.stop();
    if (mouseGrabber() == this)
        releaseMouse();
    if (m_menu)
        m_menu->close();
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layerMenu)
        m_layerMenu->Close();
#endif
    QToolTip::hideText();
    FinishLoop();
}

void SlideshowWindow::FinishLoop() {
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer) {
        m_layerShown = false;
        m_layer->Unmap();
    }
#endif
    if (m_loop)
        m_loop->quit();
    done(QDialog::Rejected);
}

// --- menu, top-most, mask ---------------------------------------------------------

void SlideshowWindow::BuildContextMenu(QMenu& menu) {
    BuildMenu(menu, show::MenuItems(State()));
}

void SlideshowWindow::BuildMenu(QMenu& menu, const std::vector<show::MenuItem>& items) {
    for (const show::MenuItem& item : items) {
        switch (item.kind) {
        case show::MenuItem::Kind::Separator:
            menu.addSeparator();
            break;
        case show::MenuItem::Kind::SubMenu:
            BuildMenu(*menu.addMenu(QString::fromStdString(item.text)), item.items);
            break;
        case show::MenuItem::Kind::Command: {
            // Only items that are on carry a mark; the others show no empty box.
            QAction* a = m_actions.at(item.command);
            a->setCheckable(item.checked);
            a->setChecked(item.checked);
            a->setEnabled(item.enabled);
            menu.addAction(a);
            break;
        }
        }
    }
}

void SlideshowWindow::ApplyTopMost(bool on) {
#if defined(LSR_HAVE_LAYER_SHELL)
    // Above every window, or beneath them all (a layer surface has no place among them).
    if (m_layer)
        m_layer->SetLayer(on ? LayerSurface::Layer::Top : LayerSurface::Layer::Bottom);
#endif
    Qt::WindowFlags f = windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, on);
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

void SlideshowWindow::UpdateMask() {
    QRegion mask = m_frame.opaque;
    if (m_border)
        mask |= BorderRing();
    // An empty region would remove the mask and show the whole window; a region beside
    // the window shows none of it.
    if (mask.isEmpty())
        mask = QRegion(-1, -1, 1, 1);
    if (mask == m_mask)
        return;
    m_mask = mask;
    // Translucent, the region is where the window takes the pointer; the key pixels are
    // drawn transparent. Before the native window exists it is set when it shows.
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer) {
        m_layer->SetInputRegion(mask);
        return;
    }
#endif
    if (m_seeThrough == show::SeeThrough::Translucent)
        SetInputRegion(windowHandle(), mask);
    else
        setMask(mask);
}

QRect SlideshowWindow::ShowRect() const {
#if defined(LSR_HAVE_LAYER_SHELL)
    if (m_layer)
        return QRect(QPoint(), m_layer->Rect().size());
#endif
    return rect();
}

QRegion SlideshowWindow::BorderRing() const {
    const QRect r = ShowRect();
    return QRegion(r).subtracted(QRegion(r.adjusted(show::kBorderWidth, show::kBorderWidth,
                                                    -show::kBorderWidth, -show::kBorderWidth)));
}

void SlideshowWindow::DrawBorder(QPainter& p) const {
    const int b = show::kBorderWidth;
    const QRect r = ShowRect();
    p.save();
    p.setClipRegion(BorderRing());
    p.fillRect(r, QColor(212, 208, 200));
    p.setPen(QColor(64, 64, 64));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(r.adjusted(b - 1, b - 1, -b, -b));
    p.setPen(Qt::white);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.restore();
}

// --- Qt's events ------------------------------------------------------------------

void SlideshowWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintShow(p);
}

void SlideshowWindow::PaintShow(QPainter& p) const {
    if (m_seeThrough == show::SeeThrough::Translucent) {
        // The key pixels are fully transparent: only the frame's other pixels are drawn.
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(ShowRect(), Qt::transparent);
        if (!m_frame.image.isNull()) {
            p.save();
            p.setClipRegion(m_frame.opaque);
            p.drawImage(0, 0, m_frame.image);
            p.restore();
        }
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else if (!m_frame.image.isNull()) {
        p.drawImage(0, 0, m_frame.image);
    }
    if (m_border)
        DrawBorder(p);
}

void SlideshowWindow::PresentOnLayer() {
#if defined(LSR_HAVE_LAYER_SHELL)
    const QSize size = ShowRect().size();
    if (!m_layer || size.isEmpty())
        return;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintShow(p);
    p.end();
    m_layer->Present(image);
#endif
}

void SlideshowWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    UpdateMask(); // the sizing border follows the window
    Feed(show::in::Resized{BoxOf(geometry())});
}

void SlideshowWindow::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    Feed(show::in::Resized{BoxOf(geometry())});
}

void SlideshowWindow::mousePressEvent(QMouseEvent* e) {
    PointerPressed(e->button(), GlobalOf(e));
}

void SlideshowWindow::mouseMoveEvent(QMouseEvent* e) {
    PointerMoved(GlobalOf(e));
}

void SlideshowWindow::mouseReleaseEvent(QMouseEvent* e) {
    PointerReleased(e->button(), GlobalOf(e));
}

void SlideshowWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    PointerDoubleClicked(e->button(), GlobalOf(e));
}

void SlideshowWindow::PointerPressed(Qt::MouseButton button, QPoint at) {
#if defined(LSR_HAVE_LAYER_SHELL)
    // A press beside the open menu closes it, as a Qt menu's does.
    if (m_layerMenu) {
        m_layerMenu->Close();
        return;
    }
#endif
    m_pointer = at;
    Feed(show::in::Press{ButtonOf(button), PointOf(at), BoxOf(WorkAreaAt(at))});
}

void SlideshowWindow::PointerMoved(QPoint at) {
    m_pointer = at;
    Feed(show::in::Move{PointOf(m_pointer), BoxOf(WorkAreaAt(m_pointer))});
}

void SlideshowWindow::PointerReleased(Qt::MouseButton button, QPoint at) {
    Feed(show::in::Release{ButtonOf(button), PointOf(at)});
}

void SlideshowWindow::PointerDoubleClicked(Qt::MouseButton button, QPoint at) {
    Feed(show::in::DoubleClick{ButtonOf(button), PointOf(at)});
}

void SlideshowWindow::LayerKeyPressed(int qtKey) {
    // The keys of the commands, as their actions' shortcuts give them to Qt's windows.
    for (const ShowCommand c : show::kCommands)
        for (const show::Key key : show::CommandKeys(c))
            if (int(kQtKeys[size_t(key)]) == qtKey ||
                (key == show::Key::Enter && qtKey == Qt::Key_Enter)) {
                RunCommand(c);
                return;
            }
}

void SlideshowWindow::keyPressEvent(QKeyEvent* e) {
    // The commands' keys are their actions' shortcuts; Enter never closes the show as
    // a dialog's default button would.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(e);
}
