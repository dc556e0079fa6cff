#pragma once
// The slideshow window: plays the open document's slides one at a time in a frameless,
// colour-keyed window that floats over the desktop. It works on the document of
// CurrentDocument() in place and needs no editor: the player runs it with a null owner.

#include "slideshow/ShowFrame.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <future>
#include <map>
#include <optional>
#include <vector>

class QAction;
class QMenu;

/// The slideshow window's commands, each one QAction of the window. The values are the
/// commands' numbers in the original program's menu.
enum class ShowCommand {
    Loop = 101,           ///< "連続に繰り返す": start again after the last slide
    TimerSwitch = 102,    ///< "タイマー切替え": slides switch by their times
    End = 115,            ///< "スライドショー終了" (Esc)
    ResizeMode = 116,     ///< "サイズ変更": the sizing border on or off (double click)
    TopMost = 127,        ///< "最前面に表示"
    ClickSwitch = 129,    ///< "クリック切替え": slides switch by a click
    FlipHorizontal = 130, ///< "左右反転" (← and →)
    FlipVertical = 131,   ///< "上下反転" (↑ and ↓)
    FitToWindow = 132,    ///< "サイズに合せて拡大"
};

class SlideshowWindow : public QDialog {
    Q_OBJECT
public:
    /// `opener`: the window that opened the show and takes it back; null for the player.
    /// The show is a top-level window of its own whatever the owner.
    explicit SlideshowWindow(QWidget* opener = nullptr);
    ~SlideshowWindow() override;

    // Set by the opener before the show starts.
    QWidget* m_opener;      ///< the opener, or null
    int m_index = 0;        ///< the slide on show (index into the slide table)
    bool m_changed = false; ///< the user changed something the document stores
    /// The work area of the screen the show opens on; the screen under the pointer's
    /// when unset.
    std::optional<QRect> m_screenArea;

    // State of the show.
    std::vector<int> m_times;  ///< every slide's switch time in seconds, copied at opening
    int m_elapsed = 0;         ///< whole seconds counted for the slide on show
    int m_zoomStep = 0;        ///< progress of the opening animation, 0 to 20
    QPoint m_startPoint;       ///< the cursor's screen position at opening
    bool m_resizeMode = false; ///< size-change mode is on
    bool m_dragging = false;   ///< a move-drag is in progress
    QPoint m_dragPoint;        ///< the drag's last cursor position (screen)

    /// Runs the show: the opening sequence, then the modal loop until the show ends.
    /// Returns when it has ended (the result code means nothing).
    int Play();
    /// The show running in Play, if any (tests drive it from a zero timer).
    static SlideshowWindow* Running();

    /// The opening sequence: brings the stored rectangle onto the screen, places the
    /// window at the cursor at 2 x 2, copies the switch times, starts both timers.
    /// False when the show ended during the opening (nothing to show, no memory).
    bool Initialize();

    // The timers' ticks; tests call them instead of waiting.
    /// One step of the opening animation.
    void OnZoomTimer();
    /// One second of the slide on show: counts in timer switching and switches when the
    /// slide's time is reached; ends the show after the last slide without looping.
    void OnSecondTimer();
    /// Goes to the next slide (looping as the document says), hidden while it repaints
    /// so the new slide appears whole. False after the last slide without looping.
    bool SwitchToNext();
    /// The action of command `c`.
    QAction* CommandAction(ShowCommand c) const;
    /// Carries out command `c`; while the context menu is open the command waits until
    /// the menu has closed.
    void RunCommand(ShowCommand c);
    /// Ends the show (the modal loop returns).
    void EndShow();
    bool IsEnded() const { return m_ended; }
    /// True when the show ended without showing anything: no slide of the document has
    /// a picture that shows (the user was told). A player then ends with a failure.
    bool ShowedNothing() const { return m_showedNothing; }
    /// Whether slide `index` can be shown: it has a picture, and the picture has not
    /// turned out not to decode. The show passes over the others.
    bool Showable(int index) const;
    bool IsZoomTimerActive() const { return m_zoomTimer.isActive(); }
    bool IsSecondTimerActive() const { return m_secondTimer.isActive(); }

    /// Fills `menu` with the commands' actions, only those that are on carrying a check
    /// mark.
    void BuildContextMenu(QMenu& menu);
    /// The frame of the slide on show for the current window size, and the window mask
    /// made from it; recomputed only when something it depends on changed.
    void PrepareFrame();
    const ShowFrame& CurrentFrame() const { return m_frame; }
    /// The window mask last applied: the frame's opaque pixels and, in size-change mode,
    /// the sizing border.
    QRegion VisibleMask() const { return m_mask; }

    /// Starts making the next slide's frame in a worker thread for the window's present
    /// size, unless it is made or being made already.
    void PrepareNextFrame();
    /// True while the next slide's frame is being made (tests).
    bool IsPreparingNextFrame() const;
    /// Waits until the next slide's frame is made (tests, measurements).
    void WaitForNextFrame();

public Q_SLOTS:
    /// Enter does nothing.
    void accept() override;
    /// Esc, the close request: ends the show.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    /// Makes the window's actions, one per command, with their texts and keys.
    void CreateActions();
    // Commands.
    void OnFlipH();
    void OnFlipV();
    void OnResizeMode();
    void OnFitToWindow();
    void OnTopMost();
    void OnLoop();
    void OnTimerSwitch();
    void OnEndShow();

    /// Applies topMost to the window without recreating or hiding it.
    void ApplyTopMost();
    /// Shows the tooltip text of the slide on show.
    void UpdateTooltip(const QPoint& globalPos);
    /// Opens the context menu centred on `globalPos` and carries out the chosen command.
    void OpenContextMenu(const QPoint& globalPos);
    /// Sizing-border edges under `pos` (client coordinates); none outside size-change mode.
    Qt::Edges BorderEdgesAt(const QPoint& pos) const;
    QRegion BorderRing() const;
    void DrawBorder(QPainter& p) const;
    bool SlideOnShow() const;

    struct FrameKey {
        const void* picture = nullptr;
        quint64 pictureId = 0;
        int index = -2;
        int flipH = 0, flipV = 0, fit = 0;
        KeyColor key = 0;
        QSize size;
        bool operator==(const FrameKey& o) const {
            return picture == o.picture && pictureId == o.pictureId && index == o.index &&
                   flipH == o.flipH && flipV == o.flipV && fit == o.fit && key == o.key &&
                   size == o.size;
        }
    };

    QBasicTimer m_zoomTimer;
    QBasicTimer m_secondTimer;
    /// What a frame is made of: the slide's picture at the size the show draws it.
    struct Source {
        PicturePtr picture;
        KeyColor key;
        QImage image;
    };
    /// A frame made ahead, with the source it was made from.
    struct Prepared {
        ShowFrame frame;
        Source source;
    };
    /// The frame for `key` of slide `slide`, made from `source` when that serves (it is
    /// replaced by a new decode otherwise). `target` is the largest window size the
    /// source should serve.
    static ShowFrame MakeFrame(const FrameKey& key, const SlideRecord* slide, Source& source,
                               QSize target);
    FrameKey KeyFor(int index, QSize size) const;

    /// The slide after the one on show that the show goes on to (-1: the show ends);
    /// slides passed over for their pictures are told once.
    int NextSlide();
    /// Tells, once per show, that the slides in m_toTell are passed over.
    void TellSkipped();
    /// The slide on show turned out not to decode: on to the next one, or the end.
    void SkipSlideOnShow();

    ShowFrame m_frame;
    FrameKey m_frameKey;
    Source m_source;              ///< the slide on show's picture as drawn
    std::future<Prepared> m_next; ///< the next slide's frame, made in a worker
    FrameKey m_nextKey;
    QRegion m_mask;
    bool m_ended = false;
    bool m_showedNothing = false;
    bool m_shownAny = false;   ///< a slide's picture has been on show
    std::vector<int> m_toTell; ///< slides passed over, not yet told (numbers from 1)
    std::vector<bool> m_told;  ///< per slide: its passing over was told
    bool m_skipPending = false;
    QPointer<QMenu> m_menu;                    ///< the open context menu
    std::optional<ShowCommand> m_chosenInMenu; ///< run once the menu has closed
    std::map<ShowCommand, QAction*> m_actions;
    QRect m_placedRect;      ///< the geometry the show last gave the window itself
    Qt::Edges m_resizeEdges; ///< a sizing drag done by the window itself
    QRect m_resizeFrom;
    QPoint m_resizeGrab;
};
