#include "editor/ui/EditorWindow.h"

#include "base/Prompts.h"
#include "base/Screen.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/CellLoader.h"
#include "editor/Render.h"
#include "editor/ui/Art.h"
#include "editor/ui/TipWindow.h"
#include "slideshow/ui/WindowSystem.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUndoStack>
#include <QWindow>
#include <algorithm>

namespace {
constexpr int kResizeBorder = 6; // pixels along each edge that resize the window
} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint),
      m_paintsOpacity(!WindowSystemAppliesOpacity()) {
    // Where the window system draws no window with an opacity of its own (Wayland), the
    // window is translucent and draws its pixels with the opacity itself.
    setAttribute(Qt::WA_TranslucentBackground, m_paintsOpacity);
    setAttribute(Qt::WA_OpaquePaintEvent, !m_paintsOpacity);
    setMouseTracking(true);
    CreateActions();
    CreateUndoStack();
    UpdateWindowTitle();
    m_cellLoader = new CellLoader(this);
    connect(m_cellLoader, &CellLoader::SourceReady, this, [this] {
        m_refreshPending = true;
        update();
    });
}

EditorWindow::~EditorWindow() {
    if (m_placed)
        RecordPlacement();
    // The stack tells of its clearing while it goes; the window it would tell has gone.
    m_undo->disconnect(this);
    delete m_undo;
}

void EditorWindow::WaitForCellPictures() {
    while (m_cellLoader->Pending() > 0) {
        m_cellLoader->WaitForDone();
        QCoreApplication::sendPostedEvents(m_cellLoader);
    }
    if (m_refreshPending || m_rebuildCells)
        repaint();
}

int EditorWindow::PendingCellPictures() const {
    return m_cellLoader->Pending();
}

QSize EditorWindow::CellSourceBound() const {
    // A cell is a fifth of the window's width and a quarter of its height, less the
    // margins; the window is never larger than its screen.
    QSize bound(1, 1);
    const auto cellOf = [](QSize window, qreal ratio) {
        return QSize(int(std::max(0, (window.width() - 108) / 5) * ratio),
                     int(std::max(0, (window.height() - 248) / 4) * ratio));
    };
    for (const QScreen* screen : QGuiApplication::screens())
        bound = bound.expandedTo(cellOf(screen->size(), screen->devicePixelRatio()));
    return bound.expandedTo(cellOf(size(), devicePixelRatioF()));
}

bool EditorWindow::Initialize() {
    // The program icon.
    setWindowIcon(ProgramIcon());

    // The program's own cursors: colour pick (hot spot at the pipette's tip) and the
    // property button.
    m_pickCursor = ArtCursor(QStringLiteral("cursor_pick"), QPoint(2, 29));
    m_propCursor = ArtCursor(QStringLiteral("cursor_prop"), QPoint(2, 2));

    // The one tooltip of the window (its delays, margins and colours are its own).
    if (!m_tip)
        m_tip = new TipWindow(this);

    // Size and position: three quarters of the desktop, or the stored size when larger
    // but never larger than the desktop (a damaged setting cannot build a monster
    // window), centred; maximised when it was maximised at the last close.
    // The window's usable minimum size counts too, the desktop permitting: on a small
    // or highly scaled screen the whole window stays reachable.
    const QSize desk = Screen().desktop;
    const QSize minimum(std::min(488, desk.width()), std::min(508, desk.height()));
    const int defW = std::max(desk.width() * 3 / 4, minimum.width());
    const int defH = std::max(desk.height() * 3 / 4, minimum.height());
    const int w = std::clamp(ReadSettingInt(Setting::EditorWidth, defW), defW, desk.width());
    const int h = std::clamp(ReadSettingInt(Setting::EditorHeight, defH), defH, desk.height());
    const QPoint origin = Screen().workArea.topLeft();
    setGeometry(origin.x() + (desk.width() - w) / 2, origin.y() + (desk.height() - h) / 2, w, h);
    m_placed = true;
    if (ReadSettingInt(Setting::EditorMaximized, 0) == 1)
        setWindowState(windowState() | Qt::WindowMaximized);

    // The icon bar, the property-button mark and the logo.
    if (!LoadFixedImages()) {
        ShowMessage(Msg::OutOfMemory, QString(), this, MsgKind::Error);
        done(QDialog::Rejected);
        return false;
    }

    // Files dropped from the file manager become slides.
    setAcceptDrops(true);

    // The start document: the command-line file, else the last file when OpenLastAtStart is 1,
    // else (or when that open fails) a new document.
    if (m_openWhenShown) {
        NewDocument(*this); // what shows until the start document is read
        QTimer::singleShot(0, this, [this] {
            OpenStartDocument(*this, m_startFile);
            RedrawRebuilt();
        });
    } else {
        OpenStartDocument(*this, m_startFile);
    }

    // From now on the window keeps its usable minimum size.
    setMinimumSize(minimum);

    // The opacity, never below 105 so the window cannot vanish.
    const int trans = std::clamp(ReadSettingInt(Setting::EditorOpacity, 220), 105, 255);
    ApplyWindowOpacity(trans);
    return true;
}

void EditorWindow::ApplyWindowOpacity(int alpha) {
    if (m_paintsOpacity) {
        m_opacity = alpha;
        update();
        return;
    }
    setWindowOpacity(alpha / 255.0);
}

double EditorWindow::Opacity() const {
    return m_paintsOpacity ? m_opacity / 255.0 : windowOpacity();
}

QPaintDevice* EditorWindow::PaintTarget() {
    return m_paintTarget ? m_paintTarget : static_cast<QPaintDevice*>(this);
}

void EditorWindow::RecordPlacement() {
    const bool zoomed = isMaximized();
    WriteSettingInt(Setting::EditorMaximized, zoomed ? 1 : 0);
    const QRect r = zoomed ? normalGeometry() : geometry();
    WriteSettingInt(Setting::EditorWidth, r.width());
    WriteSettingInt(Setting::EditorHeight, r.height());
}

void EditorWindow::DocumentSaved() {
    EditorState::DocumentSaved();
    m_undo->setClean();
    UpdateWindowTitle();
    update(); // the title band shows the name the document was saved under
}

void EditorWindow::DocumentReplaced() {
    EditorState::DocumentReplaced();
    ++m_documentsReplaced;
    m_gesture = {};
    m_undo->clear();
    UpdateWindowTitle();
    update();
}

void EditorWindow::RedrawRebuilt() {
    m_rebuildCells = true;
    update();
}

bool EditorWindow::RenderSlidePicture(int index, bool ignoreFlips) {
    const Document& doc = CurrentDocument();
    if (index < 0 || index >= doc.slideCount)
        return false;
    m_workImage = RenderSlideImage(doc.slides[index], ignoreFlips);
    return !m_workImage.isNull();
}

void EditorWindow::paintEvent(QPaintEvent* e) {
    if (!m_paintsOpacity) {
        PaintWindow(e->region());
        PaintDragImage(e->region());
        return;
    }
    // Drawn whole into an image first, which then goes onto the translucent window with
    // the opacity.
    const qreal ratio = devicePixelRatioF();
    if (m_opacityBuffer.size() != size() * ratio) {
        m_opacityBuffer = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_opacityBuffer.setDevicePixelRatio(ratio);
    }
    m_paintTarget = &m_opacityBuffer;
    PaintWindow(e->region());
    PaintDragImage(e->region());
    m_paintTarget = nullptr;
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setClipRegion(e->region());
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setOpacity(m_opacity / 255.0);
    p.drawImage(0, 0, m_opacityBuffer);
}

void EditorWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (m_pageCount == INT_MAX)
        return; // still opening
    RedrawRebuilt();
}

Qt::Edges EditorWindow::ResizeEdgesAt(const QPoint& pos) const {
    if (isMaximized())
        return {};
    Qt::Edges edges;
    if (pos.x() < kResizeBorder)
        edges |= Qt::LeftEdge;
    if (pos.x() >= width() - kResizeBorder)
        edges |= Qt::RightEdge;
    if (pos.y() < kResizeBorder)
        edges |= Qt::TopEdge;
    if (pos.y() >= height() - kResizeBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

void EditorWindow::mousePressEvent(QMouseEvent* e) {
    const Qt::Edges edges = ResizeEdgesAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && edges && windowHandle()) {
        if (!windowHandle()->startSystemResize(edges))
            BeginFrameResize(edges, e->globalPosition().toPoint());
        return;
    }
    // The press that Qt turns into a double click is the double click's to handle.
    if (e->button() == Qt::LeftButton && !(e->flags() & Qt::MouseEventCreatedDoubleClick))
        LeftButtonPressed(e->position().toPoint());
    QDialog::mousePressEvent(e);
}

void EditorWindow::mouseMoveEvent(QMouseEvent* e) {
    if (ContinueFrameResize(e->globalPosition().toPoint()))
        return;
    // The pointer takes the ring back from the keyboard only when it really moved (a
    // window shown or repainted under a resting pointer may report it again).
    const QPoint global = e->globalPosition().toPoint();
    if (m_keyboardLast && global == m_lastPointer)
        return;
    m_lastPointer = global;
    m_keyboardLast = false;
    PointerMoved(e->position().toPoint());
    if (m_tip)
        m_tip->RelayMouseMove(e->globalPosition().toPoint());
    // Near an edge, unless a drag runs, the cursor tells that the edge resizes.
    const Qt::Edges edges = DragRuns() ? Qt::Edges() : ResizeEdgesAt(e->position().toPoint());
    if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge)))
        setCursor(((edges & Qt::LeftEdge) && (edges & Qt::TopEdge)) ||
                          ((edges & Qt::RightEdge) && (edges & Qt::BottomEdge))
                      ? Qt::SizeFDiagCursor
                      : Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges)
        setCursor(Qt::SizeVerCursor);
    QDialog::mouseMoveEvent(e);
}

void EditorWindow::keyPressEvent(QKeyEvent* e) {
    // Enter and Space on the empty page's add button press it.
    if (AddButtonKey(e))
        return;
    // Escape ends a colour pick or a drag first; only then does it close the window.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier && CancelGesture()) {
        e->accept();
        return;
    }
    if (HandleNavigationKey(e)) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void EditorWindow::accept() {}

void EditorWindow::reject() {
    // Unsaved changes are asked about first; Cancel keeps the window open.
    if (!OnCloseCommand(*this))
        return;
    QDialog::reject();
}
