#pragma once
// The main editor window: a frameless, resizable window whose whole client area the
// program paints itself. Its code is split by concern over the files of editor/ui/.

#include "document/EditorState.h"
#include "editor/Layout.h"

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>

class QAction;
class QMenu;
class QUndoStack;
struct DocumentSnapshot;

class CellLoader;
class TipWindow;

/// The editor's commands, each one QAction of the window (Commands.cpp). The values are
/// the commands' numbers in the original program's menus.
enum class Command {
    DeleteSlide = 104,       ///< the slide under the pointer, after a question
    SlideshowFromHere = 105, ///< the slideshow from the slide under the pointer
    AddSlides = 106,         ///< image files chosen in a file dialog, at the mark
    CopySlide = 107,         ///< the slide under the pointer to the clipboard
    PasteSlide = 108,        ///< the clipboard's image as a new slide, at the mark
    Refresh = 109,           ///< F5: does nothing
    SlideProperties = 110,   ///< the property dialog of the slide under the pointer
    PickKeyColor = 117,      ///< colour-pick mode on or off
    ClearKeyColor = 118,     ///< the slide under the pointer loses its transparent colour
    BackgroundLeft = 120,    ///< the background colours of the window
    BackgroundRight = 121,
    BackgroundCenter = 122,
    ToggleMaximized = 128,
    FlipHorizontal = 130, ///< mirrors the slide under the pointer left-right
    FlipVertical = 131,   ///< and top-bottom
    TogglePropertyButtons = 133,
    KeyBlack = 150, ///< a fixed transparent colour for the slide under the pointer
    KeyWhite = 151,
    KeyRed = 152,
    KeyGreen = 153,
    KeyBlue = 154,
    SlideList = 610, ///< the slide list dialog
    Undo = 57643,    ///< takes back the last change to the document
    Redo = 57644,    ///< makes the change taken back again
    NewDocument = 57600,
    OpenDocument = 57601,
    SaveDocument = 57603,
    SaveDocumentAs = 57604,
    SlideshowFromStart = 160, ///< the slideshow from the first slide
};

class EditorWindow : public QDialog, public EditorState {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    /// The document file named on the command line; empty when none.
    QString m_startFile;
    /// Opens the start document only once the window shows (the program's start): the
    /// window appears at once, and a large document's extraction shows its progress over
    /// it. Without, Initialize opens it before returning.
    bool m_openWhenShown = false;

    /// The opening sequence: icon, size and position, start document, opacity.
    /// False when the window cannot open (the caller then ends).
    bool Initialize();

    /// Sets the window's constant opacity (0 to 255).
    void ApplyWindowOpacity(int alpha);
    /// The window's opacity, 0 to 1, whoever draws it (the window system or the window).
    double Opacity() const;

    /// Records the window's placement (maximised, width and height) in the settings.
    void RecordPlacement();

    void RedrawRebuilt() override;
    void DocumentSaved() override;
    void DocumentReplaced() override;

    // Undo (Undo.cpp). Every change to the document is one step of the window's undo
    // stack, which keeps the document's content before and after it.
    /// The steps of the document.
    QUndoStack* undoStack() const { return m_undo; }
    /// Carries out `change` as one step named `name`: the document's content before and
    /// after it is kept when it changed anything. Steps within a step are part of it.
    void RecordChange(const QString& name, const std::function<void()>& change);
    /// The same for a change whose name is known only once it is done (a dialog that
    /// may change several things): `name` is asked after `change`.
    void RecordChange(const std::function<QString()>& name, const std::function<void()>& change);
    /// Puts `snapshot`'s content into the document and shows it (undo and redo).
    void ApplySnapshot(const DocumentSnapshot& snapshot);
    /// The memory the undo stack may keep for pictures the document no longer uses
    /// (deleted slides); the oldest steps go beyond it.
    static constexpr qint64 kUndoMemoryLimit = qint64(256) << 20;
    qint64 m_undoMemoryLimit = kUndoMemoryLimit; ///< the limit in force (tests lower it)
    /// The most steps the stack keeps.
    static constexpr int kUndoStepLimit = 200;

    /// Draws slide `index`'s picture into m_workImage at its pixel size, mirrored as its
    /// flags say unless `ignoreFlips`. False when the slide has no picture.
    bool RenderSlidePicture(int index, bool ignoreFlips);

    /// Plays the slideshow from slide `startIndex` while this window hides, then takes
    /// the show's changes back (marks the document modified, rebuilds the page view).
    void RunSlideshow(int startIndex);
    /// The export icon: the dialog that writes a standalone slideshow executable, when
    /// the document has a slide.
    void RunCreateExecutable();

    // The auxiliary dialogs, one routine per way of opening them (DialogCommands.cpp).
    // Each runs its dialog modally and hands the result back to the document.
    void OpenTimeSet();        ///< the switch-time table (needs slides)
    void OpenSystemSettings(); ///< the settings dialog
    void OpenVersionInfo();    ///< the version box
    void OpenHelp();           ///< the manual in the help window
    void OpenSlideList();      ///< the slide list
    /// The property button, the double click and the properties command: the property
    /// dialog for table index `index`; afterwards the selection is cleared.
    void OpenSlideProperties(int index);

    // Painting state.
    bool m_rebuildCells = true; ///< the next paint rebuilds the cell images
    /// Waits until every picture the page asked for has been decoded, then repaints
    /// with them (tests, and measurements of the opening).
    void WaitForCellPictures();
    /// Cell pictures of the page still being decoded.
    int PendingCellPictures() const;
    /// The largest cell any window of this program's screens can show, in device
    /// pixels: the size cell sources are made at.
    QSize CellSourceBound() const;
    QImage m_workImage; ///< one slide rendered at its pixel size

    /// The scaled size and offsets of slide `index`'s picture inside a cw x ch cell
    /// (all zero when the slide has no picture).
    CellFit FitSlideToCell(int index, int cw, int ch) const;

    /// Loads the icon bar, the property-button mark and the logo; false when one of
    /// them cannot be had. Virtual so that tests can make it fail.
    virtual bool LoadFixedImages();

    /// The colour of the slide picture under `pt` in page cell k's drawn image
    /// (`m_cellImages`); the slide's transparent colour where the picture is
    /// see-through; nothing when `pt` is outside the drawn image.
    std::optional<QRgb> CellPixelColor(int k, QPoint pt) const;
    /// The transparent colour a pick at `pt` on page cell k gives: the dominant colour
    /// of the picture's own pixels around the point (DominantColor; quantised for a lossy
    /// picture, whose pixels are noisy), read from the picture the slide's key applies
    /// to. CellPixelColor's colour when the picture does not decode; nothing when `pt`
    /// is outside the drawn image.
    std::optional<QRgb> PickedKeyColor(int k, QPoint pt) const;
    /// The empty page's hint: how to add pictures, and what becomes of their size
    /// (ImageLimitText, as the settings say now).
    static QString EmptyPageHint();

    /// The area repainted when page cell k's highlight changes: its rectangle grown by
    /// 5 pixels left, up and right and 25 pixels down (over its labels).
    QRect CellArea(int k) const;
    /// Moves the hover highlight to page cell k (-1: none), repainting the areas changed.
    void SetSelect(int k);
    /// Moves the highlighted insertion mark to m (-1: none), repainting the areas changed.
    void SetMark(int m);
    /// The area repainted when mark m's highlight changes: its rectangle grown by 5.
    QRect MarkArea(int m) const;

    // Hit tests on the rectangles of the last paint (HitTest.cpp); each gives -1 (or
    // nothing) for none.
    std::optional<Icon> HitIcon(QPoint pt) const; ///< the gaps between icons hit nothing
    int HitCell(QPoint pt) const;                 ///< page cell showing a slide image
    int HitMark(QPoint pt) const;       ///< insertion mark, widened 5 px sideways, 1 px up and down
    int HitPropButton(QPoint pt) const; ///< page cell whose 11 x 11 property square holds pt
    int HitBoundary(QPoint pt) const;   ///< graph boundary b, 1 to the slide count
    bool HitAddButton(QPoint pt) const; ///< the empty page's add button

    // Commands (Commands.cpp). Each command is one action of the window; its key works
    // whatever the menus show, and the context menus are built from the actions.
    /// The action of command `c`.
    QAction* CommandAction(Command c) const;
    /// Carries out command `c` for the slide and the mark under the pointer. While the
    /// context menu is open the command waits until the menu has closed.
    void RunCommand(Command c);
    /// Opens the context menu for client point `pt` and runs the command chosen.
    void TrackContextMenu(QPoint pt);
    /// The context menu for client point `pt`, not opened: "SLIDE" over a slide image,
    /// "MA" over an insertion mark, else "VIEW" (the menu's title). While it exists its
    /// actions show what can be done there (enabled and checked states); when it is
    /// gone, every action is enabled again for the keys.
    std::unique_ptr<QMenu> BuildContextMenu(QPoint pt);

    // The pointer gesture in progress (Mouse.cpp, FrameResize.cpp): exactly one or none
    // runs, and ending or cancelling it is one assignment.
    struct PickingColor {}; ///< colour-pick mode: the next left press picks a key colour
    struct MovingWindow {
        QPoint grab; ///< the press point: the window's top-left stays this far off
    };
    struct DraggingOpacity {}; ///< the window's opacity follows the pointer on its bar
    struct DraggingSwitchTime {
        int slide;          ///< whose switch time the boundary right of its bar sets
        QPoint pressedAt;   ///< the time changes with the pointer's distance from here
        int shownTime = -1; ///< the time shown so far; -1 until the pointer moved
    };
    struct DraggingSlide {
        int cell;      ///< page cell of the dragged slide image
        QPoint grab;   ///< press point inside the slide image
        int mark = -1; ///< insertion mark under the dragged image; -1 none
        QRect drawnAt; ///< the drawn drag image with its frame; empty when none
    };
    struct ResizingFrame {
        Qt::Edges edges; ///< the edges that follow the pointer
        QRect from;      ///< the geometry when the drag began
        QPoint grab;     ///< the pointer's screen position then
    };
    using Gesture = std::variant<std::monostate, PickingColor, MovingWindow, DraggingOpacity,
                                 DraggingSwitchTime, DraggingSlide, ResizingFrame>;
    Gesture m_gesture;
    QPoint m_lastPointer; ///< screen position of the last pointer movement
    /// A drag of the pointer runs (the window, the opacity, a switch time, a slide).
    bool DragRuns() const;

    /// The window's one tooltip, made at opening.
    TipWindow* m_tip = nullptr;

    // The window's answers to the pointer, in client coordinates (Mouse.cpp).
    void PointerMoved(QPoint pt);
    void LeftButtonPressed(QPoint pt);
    void LeftButtonReleased(QPoint pt);
    void LeftButtonDoubleClicked(QPoint pt);
    void RightButtonReleased(QPoint pt);
    // The keyboard (Keyboard.cpp). The current slide is the one the keys moved the ring
    // to; while the keyboard was used last, the commands act on it (and a paste goes
    // after it) instead of on the slide under the pointer.
    int m_currentSlide = -1;     ///< table index; -1 none
    bool m_keyboardLast = false; ///< the keyboard was used after the pointer
    /// Makes slide `index` (clamped to the table) the current slide: its page shows and
    /// its ring is drawn. Nothing without slides.
    void SetCurrentSlide(int index);
    /// The current slide while the keyboard was used last, else the slide under the
    /// pointer; -1 when neither.
    int TargetSlide() const;
    /// Ends the colour pick or the drag in progress without its effect. False when
    /// none ran.
    bool CancelGesture();
    /// The arrows, Home/End, Page Up/Down, Enter and the menu keys; false for others.
    bool HandleNavigationKey(QKeyEvent* e);

    /// Icon `icon`'s action; icons that need slides do nothing while the document has none.
    void RunIcon(Icon icon);
    /// Shows page `page` (0-based; the caller checked that the document has it).
    void ShowPage(int page);

    // Layout and painting state (Paint.cpp). The rectangles describe the last paint.
    int m_mark = -1;                       ///< insertion mark under the pointer
    QRect m_iconArea;                      ///< the twelve icons' area
    QRect m_opacityBar;                    ///< the transparency bar
    QRect m_iconRects[kIconCount];         ///< one per icon, in the order of Icon
    QRect m_graphRect;                     ///< the time graph with its frame
    QRect m_boundaryRects[kMaxSlides + 1]; ///< 1 to 100: right edge of bar b - 1
    QRect m_cellRects[kSlidesPerPage];     ///< drawn slide images by page cell
    QRect m_markRects[kSlidesPerPage + 1]; ///< insertion marks
    QRect m_addButtonRect;                 ///< the empty page's add button; empty otherwise
    bool m_addButtonHover = false;         ///< the pointer is over the add button
    bool m_addButtonFocused = false;       ///< the add button takes Enter and Space
    /// Scaled slide pictures of the visible page by page cell (premultiplied ARGB where
    /// the slide has a transparent colour: those pixels are fully transparent).
    QImage m_cellImages[kSlidesPerPage];
    /// Cells whose picture is still being decoded: a placeholder shows meanwhile.
    bool m_cellPending[kSlidesPerPage] = {};
    /// Decodes the page's large pictures in worker threads.
    CellLoader* m_cellLoader = nullptr;
    bool m_refreshPending = false; ///< the next paint takes up the pictures decoded since
    QImage m_iconBarImage;         ///< 170 x 67
    QImage m_propMarkImage;        ///< 11 x 11, its background transparent
    QImage m_logoImage;            ///< 235 x 46, its background transparent
    QCursor m_pickCursor;          ///< over a slide image while picking a transparent colour
    QCursor m_propCursor;          ///< over a slide's property button

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Files dragged from the file manager (Commands.cpp): the insertion mark follows the
    // pointer, the drop adds the files there.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

public Q_SLOTS:
    /// Enter never closes the window.
    void accept() override;
    /// Escape, the close box and the exit command.
    void reject() override;

private:
    /// Window edges under `pos` that resize the frameless window (none: 0).
    Qt::Edges ResizeEdgesAt(const QPoint& pos) const;
    void PaintWindow(const QRegion& dirty);
    /// Where the window's pixels are painted: the window, or the image it is drawn from
    /// with the opacity.
    QPaintDevice* PaintTarget();
    /// Re-renders the visible slides of the page into m_cellImages: every one, or with
    /// `pendingOnly` those still waiting for their picture. A picture that is quick to
    /// decode is decoded at once; others are asked of the cell loader, and their cells
    /// wait.
    void RebuildCellImages(const EditorLayout& layout, bool pendingOnly = false);

    bool m_placed = false; ///< the opening sequence has sized the window
    /// The window draws its opacity itself (the window system has none: Wayland).
    const bool m_paintsOpacity;
    int m_opacity = 255;    ///< the opacity it draws, 0 to 255
    QImage m_opacityBuffer; ///< the window drawn whole, before the opacity
    QPaintDevice* m_paintTarget = nullptr;

    // Undo (Undo.cpp).
    QUndoStack* m_undo = nullptr;
    int m_recording = 0;         ///< RecordChange calls running
    int m_documentsReplaced = 0; ///< counts the documents that took the open one's place
    bool m_trimmingUndo = false; ///< the stack is being rebuilt without its oldest steps
    /// Makes the stack and its two actions' states follow each other.
    void CreateUndoStack();
    /// Sets the undo and redo actions' texts and states from the stack.
    void UpdateUndoActions();
    /// The modified flag from the stack: modified unless at the saved state.
    void FollowCleanState();
    /// The window title: the document's file name (無題 when untitled) and the program's,
    /// with the modified marker while the document has unsaved changes.
    void UpdateWindowTitle();
    /// Drops the oldest steps while the stack keeps more than m_undoMemoryLimit.
    void TrimUndoMemory();

    // Commands (Commands.cpp).
    /// Makes the window's actions, one per command, with their texts and keys.
    void CreateActions();
    /// Sets the actions' enabled and checked states for the context menu at `pt`; without
    /// a point every action is enabled (the keys: a command that cannot act does nothing
    /// or says why).
    void UpdateActions(std::optional<QPoint> pt);
    // The commands' work, for the slide and the mark under the pointer.
    void DeleteSlideUnderPointer();
    void SlideshowFromSlideUnderPointer();
    void AddSlidesAtMark();
    void CopySlideUnderPointer();
    void PasteSlideAtMark();
    void TogglePickMode();
    void SetKeyOfSlideUnderPointer(const KeyColor& key);
    void ChooseBackgroundColor(Command which);
    void ToggleMaximized();
    void FlipSlideUnderPointer(bool horizontal);
    void TogglePropertyButtons();
    void OpenSlideListFromMenu();
    std::map<Command, QAction*> m_actions;
    bool m_menuOpen = false; ///< the context menu is open
    /// What was chosen in the context menu (a command, a recent document), run once the
    /// menu has closed.
    std::function<void()> m_chosenInMenu;
    /// Appends the sub-menu of the recent documents to the background's menu.
    void AddRecentDocumentsMenu(QMenu* menu);
    /// Opens recent document `path` (asking about unsaved changes first); while the
    /// context menu is open it waits until the menu has closed.
    void OpenRecentDocument(const QString& path);

    // Mouse feedback and drags (Mouse.cpp).
    enum class MouseCursor { Arrow, Hand, SizeWE, SizeAll, Pick, Prop };
    void SetMouseCursor(MouseCursor c);
    void ShowTip(const QString& text);
    void HideTip();
    void MoveWindowTo(QPoint globalPos, QPoint grab);
    void SwitchTimeDragMove(DraggingSwitchTime& drag, QPoint pt);
    void CommitSwitchTimeDrag(const DraggingSwitchTime& drag);
    void SlideDragMove(DraggingSlide& drag, QPoint pt);
    void DropSlide(const DraggingSlide& drag, QPoint pt);
    void OpacityDragMove(QPoint pt);
    /// Draws the dragged slide image over the page (after the page is painted).
    void PaintDragImage(const QRegion& dirty);
    /// The empty page's add button: image files chosen in the dialog, added at the end.
    void RunAddButton();
    /// The pointer is over the add button or not (repaints it when that changes).
    void SetAddButtonHover(bool hover);
    /// Tab moves the focus to and from the empty page's add button; Enter and Space
    /// press it while it has the focus. False when the key is not the button's.
    bool AddButtonKey(QKeyEvent* e);

    // Resizing from the edges where the platform cannot do it (FrameResize.cpp).
    void BeginFrameResize(Qt::Edges edges, QPoint globalPos);
    /// Follows the pointer while an edge drag runs; false when none runs.
    bool ContinueFrameResize(QPoint globalPos);
    /// Ends an edge drag; false when none ran.
    bool EndFrameResize();
};
