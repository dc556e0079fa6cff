#pragma once
// The pages of the user manual, one under the other, with the matches of a search
// marked: a QPdfView that sets its own zoom (fit to the width, the whole page, or a
// factor) so that it knows where each page lies and can mark and show places on it.
// The page on show is the one across a line 40 % down the view (where QPdfView's own
// page navigator looks); every change of the zoom keeps that page on show.

#include <QList>
#include <QPdfView>
#include <QRectF>

class ManualView : public QPdfView {
    Q_OBJECT
public:
    enum class Fit { Width, Page, None };

    /// A place on a page: its rectangles in points from the page's top left.
    struct Mark {
        int page = 0;
        QList<QRectF> rects;
    };

    explicit ManualView(QWidget* parent = nullptr);

    static constexpr qreal kMinZoom = 0.25;
    static constexpr qreal kMaxZoom = 6.0;
    static constexpr qreal kZoomStep = 1.25;

    Fit fit() const { return m_fit; }
    /// Fits the pages to the view's width or shows a whole page (the page on show, from
    /// its top); again at every resize.
    void SetFit(Fit fit);
    /// One step larger or smaller (Fit::None from then on).
    void ZoomIn() { ZoomBy(kZoomStep); }
    void ZoomOut() { ZoomBy(1 / kZoomStep); }

    /// Where page `page` lies in the scrolled document, in the viewport's pixels.
    QRect PageRect(int page) const;
    /// The page's pixels per point.
    qreal Scale() const;
    /// The page on show: the one across the line 40 % down the view (a gap between two
    /// pages counts for the page below it); -1 while there are no pages.
    int PageOnShow() const;
    /// The height of that line in the viewport.
    int ReferenceLine() const { return viewport()->height() * 2 / 5; }

    /// Marks `marks`; the one at `current` (or none: -1) stands out.
    void SetMarks(const QList<Mark>& marks, int current);
    const QList<Mark>& marks() const { return m_marks; }
    /// Scrolls so that `mark` shows, a third from the view's top.
    void Show(const Mark& mark);
    /// Scrolls so that the point `location` (points from the page's top left) of
    /// `page` stands at the view's top.
    void ShowPlace(int page, QPointF location);

signals:
    void fitChanged();
    /// Another page is on show (scrolled, zoomed, or the document loaded).
    void pageOnShowChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    /// A point of the document: a page and a height on it, in points from its top.
    struct Place {
        int page = -1;
        qreal y = 0;
    };
    /// The place at height `y` of the viewport: on the page there, or the top of the page
    /// below a gap (the last page's bottom below the last page).
    Place PlaceAt(int y) const;
    /// Scrolls so that `place` stands at height `y` of the viewport.
    void Keep(const Place& place, int y);
    void ApplyFit();
    /// Sets the zoom, keeping the page on show: its part at the view's top (or its top
    /// edge, when it starts lower) stays where it is; when that would take the page off
    /// the reference line (a zoom out), the place on the line stays instead.
    void SetZoomKeepingPage(qreal zoom);
    void ZoomBy(qreal factor);
    /// Tells when another page is on show.
    void NotePageOnShow();
    /// The pages' rectangles in document pixels (before scrolling), as QPdfView lays
    /// them out in its multi-page mode at a custom zoom.
    QList<QRect> Layout() const;
    void ScrollTo(int y);

    Fit m_fit = Fit::Page;
    QList<Mark> m_marks;
    int m_current = -1;
    int m_pageOnShow = -1;
    bool m_zooming = false; ///< scrolls meanwhile are steps of a zoom, not a new page
};
