#pragma once
// The slideshow window: the Qt shell of the show engine (slideshow/ShowEngine). It plays
// the open document's slides in a frameless, colour-keyed window that floats over the
// desktop: Qt's events go to the engine, and the window carries out what the engine
// answers (its place, the frames made by the frame maker, the mask, the menu, the
// cursor, messages). It works on the document of CurrentDocument() in place and needs no
// editor: the player runs it with a null owner.

#include "slideshow/SeeThrough.h"
#include "slideshow/ShowEngine.h"
#include "slideshow/ShowFrame.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <deque>
#include <map>
#include <memory>
#include <optional>

class LayerMenu;
class LayerShell;
class LayerSurface;
class QAction;
class QEventLoop;
class QMenu;

/// The slideshow window's commands, each one QAction of the window. The values are the
/// commands' numbers in the original program's menu.
using ShowCommand = show::Command;

class SlideshowWindow : public QDialog {
    Q_OBJECT
public:
    /// `opener`: the window that opened the show and takes it back; null for the player.
    /// The show is a top-level window of its own whatever the owner.
    explicit SlideshowWindow(QWidget* opener = nullptr);
    ~SlideshowWindow() override;

    // Set by the opener before the show starts; the show keeps them current.
    QWidget* m_opener;      ///< the opener, or null
    int m_index = 0;        ///< the slide on show (index into the slide table)
    bool m_changed = false; ///< the user changed something the document stores
    /// The work area of the screen the show opens on; the screen under the pointer's
    /// when unset.
    std::optional<QRect> m_screenArea;
    /// What the window system reports; read at the show's start when unset (tests set
    /// it to play a show as on another window system).
    std::optional<show::WindowSystemFacts> m_windowSystem;

    /// Runs the show: the opening sequence, then the modal loop until the show ends.
    /// Returns when it has ended (the result code means nothing).
    int Play();
    /// The show running in Play, if any (tests drive it from a zero timer).
    static SlideshowWindow* Running();

    /// The opening sequence: brings the stored rectangle onto the screen, places the
    /// window at the cursor at 2 x 2, starts both timers. False when the show ended
    /// during the opening (nothing to show, no memory).
    bool Initialize();

    // The timers' ticks; tests call them instead of waiting.
    void OnZoomTimer();
    void OnSecondTimer();
    /// Goes to the next slide now, as its time being up does; false when the show ended
    /// there (after the last slide without looping).
    bool SwitchToNext();
    /// The action of command `c`.
    QAction* CommandAction(ShowCommand c) const;
    /// Carries out command `c`; while the context menu is open it waits until the menu
    /// has closed.
    void RunCommand(ShowCommand c);
    /// Ends the show (the modal loop returns).
    void EndShow();
    bool IsEnded() const { return m_ended; }
    /// True when the show ended without showing anything: no slide of the document has
    /// a picture that shows (the user was told). A player then ends with a failure.
    bool ShowedNothing() const { return m_showedNothing; }
    /// True when the show ended on a failure: nothing could be shown, or there was no
    /// memory for a frame (the user was told). A player then ends with a failure.
    bool Failed() const { return m_failed; }
    bool IsZoomTimerActive() const { return m_zoomTimer.isActive(); }
    bool IsSecondTimerActive() const { return m_secondTimer.isActive(); }
    /// The engine's state (tests).
    const show::ShowState& State() const;

    /// Fills `menu` with the commands' actions as the context menu shows them, only
    /// those that are on carrying a check mark.
    void BuildContextMenu(QMenu& menu);
    /// How the key pixels are made see-through, chosen at the show's start.
    show::SeeThrough SeeThroughMode() const { return m_seeThrough; }
    /// False where the window system places the window itself (Wayland, XWayland): a drag
    /// is then the compositor's interactive move.
    bool PlacesItself() const { return m_placesItself; }
    /// True when the show is a layer-shell surface of its own instead of this widget.
    bool OnLayerSurface() const { return m_layer != nullptr; }
    /// The frame on the window.
    const ShowFrame& CurrentFrame() const { return m_frame; }
    /// The window mask last applied: the frame's opaque pixels and, in size-change mode,
    /// the sizing border. Shaped, it is the window's shape; translucent, its input
    /// region (the key pixels are drawn fully transparent).
    QRegion VisibleMask() const { return m_mask; }

    /// True while a frame is being made or waits to be.
    bool IsPreparingNextFrame() const;
    /// Waits until the frames asked for are made and hands them to the show (tests,
    /// measurements).
    void WaitForFrames();

public Q_SLOTS:
    /// Enter does nothing.
    void accept() override;
    /// Esc, the close request: ends the show.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    /// Gives `event` to the engine and carries out its answer. Events that arise while an
    /// answer is carried out (a size report of a placement) follow after it; those that
    /// arrive while the menu or a message is open go through at once.
    void Feed(const show::Event& event);
    void Pump();
    void Carry(const show::Action& action);
    void Do(const show::out::PlaceWindow& a);
    void Do(const show::out::SetTopMost& a);
    void Do(const show::out::ShowWindow& a);
    void Do(const show::out::HideWindow& a);
    void Do(const show::out::SetSizingBorder& a);
    void Do(const show::out::StartTimer& a);
    void Do(const show::out::StopTimer& a);
    void Do(const show::out::PrepareFrame& a);
    void Do(const show::out::ShowFrame& a);
    void Do(const show::out::SetTooltip& a);
    void Do(const show::out::SetCursor& a);
    void Do(const show::out::CapturePointer& a);
    void Do(const show::out::ReleasePointer& a);
    void Do(const show::out::StartSystemResize& a);
    void Do(const show::out::OpenMenu& a);
    void Do(const show::out::ShowMessage& a);
    void Do(const show::out::StoreHeader& a);
    void Do(const show::out::StoreSlide& a);
    void Do(const show::out::EndShow& a);

    /// Feeds the frame maker's results to the engine; false when there were none.
    bool DeliverFrames();
    void BuildMenu(QMenu& menu, const std::vector<show::MenuItem>& items);
    void ApplyTopMost(bool on);
    void UpdateMask();
    QRegion BorderRing() const;
    void DrawBorder(QPainter& p) const;

    /// Makes the choices of the window system's facts: see-through, placing, the
    /// translucent surface, the layer surface. Before the native window exists.
    void ChooseForWindowSystem();
    // The pointer and the keys, from Qt's events or the layer surface's.
    void PointerPressed(Qt::MouseButton button, QPoint global);
    void PointerMoved(QPoint global);
    void PointerReleased(Qt::MouseButton button, QPoint global);
    void PointerDoubleClicked(Qt::MouseButton button, QPoint global);
    void LayerKeyPressed(int qtKey);
    /// The show's area: the widget's, or the layer surface's.
    QRect ShowRect() const;
    /// Draws the frame (key pixels transparent when translucent) and the sizing border.
    void PaintShow(QPainter& p) const;
    /// Shows the current frame on the layer surface.
    void PresentOnLayer();
    /// Ends the modal loop Play runs.
    void FinishLoop();

    std::unique_ptr<show::Engine> m_engine;
    std::unique_ptr<show::FrameMaker> m_frames;
    std::deque<show::Event> m_queue;
    bool m_feeding = false;
    QBasicTimer m_zoomTimer;
    QBasicTimer m_secondTimer;
    ShowFrame m_frame;
    QRegion m_mask;
    bool m_border = false; ///< size-change mode: the sizing border shows
    show::SeeThrough m_seeThrough = show::SeeThrough::Shaped;
    bool m_placesItself = true;
    std::unique_ptr<LayerShell> m_layerShell;
    std::unique_ptr<LayerSurface> m_layer;
    bool m_layerShown = false;        ///< the layer surface shows (the show is not hidden)
    QEventLoop* m_loop = nullptr;     ///< Play's loop while the show is on a layer surface
    LayerMenu* m_layerMenu = nullptr; ///< the open menu, on the layer surface's side
    bool m_activeWhenHidden = false;
    QPoint m_pointer; ///< where the pointer last moved
    bool m_ended = false;
    bool m_showedNothing = false;
    bool m_failed = false;
    QPointer<QMenu> m_menu; ///< the open context menu
    std::map<ShowCommand, QAction*> m_actions;
};
