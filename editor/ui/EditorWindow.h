#pragma once
// The main editor window: a frameless, resizable window whose whole client area the
// program paints itself. Its code is split by concern over the files of editor/ui/.

#include "document/EditorState.h"
#include "editor/Layout.h"

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QString>
#include <memory>

class QMenu;

class TipWindow;

class EditorWindow : public QDialog, public EditorState {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    /// The document file named on the command line; empty when none.
    QString m_startFile;

    /// The opening sequence: icon, size and position, start document, opacity.
    /// False when the window cannot open (the caller then ends).
    bool OnInitDialog();

    /// Sets the window's constant opacity (0 to 255).
    void ApplyWindowOpacity(int alpha);

    /// Records the window's placement (Zoomed, SX, SY of section Last).
    void RecordPlacement();

    void RedrawRebuilt() override;

    /// Draws slide `index`'s picture into m_workImage at its pixel size, mirrored as its
    /// flags say unless `ignoreFlips`. False when the slide has no picture.
    bool RenderSlidePicture(int index, bool ignoreFlips);

    /// Plays the slideshow from slide `startIndex` while this window hides, then takes
    /// the show's changes back (marks the document modified, rebuilds the page view).
    void RunSlideshow(int startIndex);
    /// Icon 8: the executable-creation dialog, when the document has a slide.
    void RunCreateExecutable();

    // The auxiliary dialogs, one routine per way of opening them (DialogCommands.cpp).
    // Each runs its dialog modally and hands the result back to the document.
    void OpenTimeSet();        ///< icon 2: switch-time table (needs slides)
    void OpenSystemSettings(); ///< icon 6: settings of section SYS
    void OpenVersionInfo();    ///< icon 9: version box
    void OpenHelp();           ///< icon 10: the manual in the help window
    void OpenSlideList();      ///< command 610: slide list
    /// The property button, the double click and command 110: the property dialog for
    /// table index `index`; afterwards the selection is cleared.
    void OpenSlideProperties(int index);

    // Painting state.
    bool m_rebuildCells = true; ///< the next paint rebuilds the cell images
    QImage m_workImage;         ///< one slide rendered at its pixel size

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

    /// The area repainted when page cell k's highlight changes: its rectangle grown by
    /// 5 pixels left, up and right and 25 pixels down (over its labels).
    QRect CellArea(int k) const;
    /// Moves the hover highlight to page cell k (-1: none), repainting the areas changed.
    void SetSelect(int k);
    /// Moves the highlighted insertion mark to m (-1: none), repainting the areas changed.
    void SetMark(int m);
    /// The area repainted when mark m's highlight changes: its rectangle grown by 5.
    QRect MarkArea(int m) const;

    // Hit tests on the rectangles of the last paint (HitTest.cpp); each gives -1 for none.
    int HitIcon(QPoint pt) const;       ///< icon 0 to 11 (the gaps between icons hit nothing)
    int HitCell(QPoint pt) const;       ///< page cell showing a slide image
    int HitMark(QPoint pt) const;       ///< insertion mark, widened 5 px sideways, 1 px up and down
    int HitPropButton(QPoint pt) const; ///< page cell whose 11 x 11 property square holds pt
    int HitBoundary(QPoint pt) const;   ///< graph boundary b, 1 to the slide count

    // Commands (Commands.cpp): the dispatch of menu and key commands by id, and the
    // context menu that the right-button release opens at client point `pt`.
    void OnCommand(int id);
    void TrackContextMenu(QPoint pt);
    /// Installs accelerator table 133 (F5, Ctrl+C, Delete, Ctrl+V, F11) on the window;
    /// the keys work whatever the menus show.
    void LoadAccelerators();
    /// The context menu for client point `pt` with its items' states set, not opened:
    /// "SLIDE" over a slide image, "MA" over an insertion mark, else "VIEW" (the menu's
    /// title). Each item carries its command id as its data.
    std::unique_ptr<QMenu> BuildContextMenu(QPoint pt) const;
    // Command handlers, reached through OnCommand's table; `id` is the command.
    void OnDeleteSlide(int id); ///< 104: deletes the selected slide after Msg::DeleteSlideQuestion
    void OnSlideshowHere(int id);     ///< 105: the slideshow from the selected slide
    void OnAddSlides(int id);         ///< 106: image files chosen in a file dialog
    void OnCopySlide(int id);         ///< 107: the selected slide to the clipboard
    void OnPasteSlide(int id);        ///< 108: the clipboard's image as a new slide
    void OnSlideProperties(int id);   ///< 110: the selected slide's property dialog
    void OnTogglePickColor(int id);   ///< 117: colour-pick mode on or off
    void OnFixedKeyColor(int id);     ///< 118, 150 to 154: no key or a fixed key colour
    void OnBackgroundColor(int id);   ///< 120, 121, 122: a background colour
    void OnToggleMaximize(int id);    ///< 128: maximised or restored
    void OnFlipSlide(int id);         ///< 130, 131: mirror left-right, top-bottom
    void OnTogglePropButtons(int id); ///< 133: property buttons shown or hidden
    void OnSlideListCommand(int id);  ///< 610: the slide list dialog

    // Mouse state (Mouse.cpp).
    bool m_pickingColor = false; ///< colour-pick mode: the next left press picks a key colour
    bool m_opacityDrag = false;  ///< a transparency drag runs
    bool m_moveDrag = false;     ///< a window-move drag runs
    QPoint m_pressPoint;         ///< press point of the window-move or graph drag
    int m_dragBoundary = -1;     ///< slide whose switch time is dragged in the graph, -1 none
    int m_dragTime = -1;         ///< time shown during a graph drag, -1 until the pointer moved
    int m_dragCell = -1;         ///< page cell of the dragged slide image, -1 none
    QPoint m_grabPoint;          ///< press point inside the dragged slide image
    QPoint m_dragFrom;           ///< where the slide-image drag began
    int m_dragMark = -1;         ///< insertion mark under the dragged slide image, -1 none
    QRect m_dragArea;            ///< the drawn drag image with its frame; empty when none
    /// The window's one tooltip, made at opening.
    TipWindow* m_tip = nullptr;

    // The handlers of the window's pointer messages, in client coordinates (Mouse.cpp).
    void OnMouseMove(QPoint pt);
    void OnLButtonDown(QPoint pt);
    void OnLButtonUp(QPoint pt);
    void OnLButtonDblClk(QPoint pt);
    void OnRButtonUp(QPoint pt);
    /// Icon k's action; icons that need slides do nothing while the document has none.
    void OnIcon(int k);

    // Layout and painting state (Paint.cpp). The rectangles describe the last paint.
    int m_mark = -1;                       ///< insertion mark under the pointer
    QRect m_iconArea;                      ///< the twelve icons' area
    QRect m_opacityBar;                    ///< the transparency bar
    QRect m_iconRects[kIconCount];         ///< one per icon
    QRect m_graphRect;                     ///< the time graph with its frame
    QRect m_boundaryRects[kMaxSlides + 1]; ///< 1 to 100: right edge of bar b - 1
    QRect m_cellRects[kSlidesPerPage];     ///< drawn slide images by page cell
    QRect m_markRects[kSlidesPerPage + 1]; ///< insertion marks
    /// Scaled slide pictures of the visible page by page cell (premultiplied ARGB where
    /// the slide has a transparent colour: those pixels are fully transparent).
    QImage m_cellImages[kSlidesPerPage];
    QImage m_iconBarImage;  ///< 170 x 67
    QImage m_propMarkImage; ///< 11 x 11, its background transparent
    QImage m_logoImage;     ///< 235 x 46, its background transparent
    QCursor m_pickCursor;   ///< over a slide image while picking a transparent colour
    QCursor m_propCursor;   ///< over a slide's property button

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
    void OnPaint(const QRegion& dirty);
    /// Re-renders every visible slide of the page into m_cellImages.
    void RebuildCellImages(const EditorLayout& layout);

    bool m_placed = false; ///< the opening sequence has sized the window

    // Mouse feedback and drags (Mouse.cpp).
    enum class MouseCursor { Arrow, Hand, SizeWE, SizeAll, Pick, Prop };
    void SetMouseCursor(MouseCursor c);
    void ShowTip(const QString& text);
    void HideTip();
    void MoveWindowTo(QPoint globalPos);
    void GraphDragMove(QPoint pt);
    void CommitGraphDrag();
    void SlideDragMove(QPoint pt);
    void DropSlide(int c, QPoint pt);
    void TransDragMove(QPoint pt);
    /// Draws the dragged slide image over the page (after the page is painted).
    void PaintDragImage(const QRegion& dirty);

    // Resizing from the edges where the platform cannot do it (FrameResize.cpp).
    void BeginFrameResize(Qt::Edges edges, QPoint globalPos);
    /// Follows the pointer while an edge drag runs; false when none runs.
    bool ContinueFrameResize(QPoint globalPos);
    /// Ends an edge drag; false when none ran.
    bool EndFrameResize();
    Qt::Edges m_resizeEdges;
    QRect m_resizeFrom;  ///< the geometry when the edge drag began
    QPoint m_resizeGrab; ///< the pointer's screen position then
};
