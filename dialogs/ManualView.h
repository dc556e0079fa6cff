#pragma once
// The pages of the user manual, one under the other, with the matches of a search
// marked: a QPdfView that sets its own zoom (fit to the width, the whole page, or a
// factor) so that it knows where each page lies and can mark and show places on it.

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
    /// Fits the pages to the view's width or shows a whole page; again at every resize.
    void SetFit(Fit fit);
    /// One step larger or smaller (Fit::None from then on), the middle of the view kept.
    void ZoomIn() { ZoomBy(kZoomStep); }
    void ZoomOut() { ZoomBy(1 / kZoomStep); }

    /// Where page `page` lies in the scrolled document, in the viewport's pixels.
    QRect PageRect(int page) const;
    /// The page's pixels per point.
    qreal Scale() const;

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ApplyFit();
    void ZoomBy(qreal factor);
    /// The pages' rectangles in document pixels (before scrolling), as QPdfView lays
    /// them out in its multi-page mode at a custom zoom.
    QList<QRect> Layout() const;
    void ScrollTo(int y);

    Fit m_fit = Fit::Page;
    QList<Mark> m_marks;
    int m_current = -1;
};
