#include "dialogs/ManualView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace {
/// Pixels per point at zoom 1, as QPdfView counts them: the primary screen's logical dpi.
qreal ScreenResolution() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen ? screen->logicalDotsPerInch() : 96.0) / 72.0;
}
} // namespace

ManualView::ManualView(QWidget* parent) : QPdfView(parent) {
    setPageMode(PageMode::MultiPage);
    setZoomMode(ZoomMode::Custom);
    setPageSpacing(12);
    setFocusPolicy(Qt::StrongFocus);
    // QPdfView paints around the pages with the palette's dark colour: a light grey.
    QPalette around = palette();
    around.setColor(QPalette::Dark, QColor(0xd4, 0xd6, 0xda));
    setPalette(around);
    connect(this, &QPdfView::documentChanged, this, [this](QPdfDocument* doc) {
        if (doc)
            connect(doc, &QPdfDocument::statusChanged, this, [this] {
                ApplyFit();
                NotePageOnShow();
            });
        ApplyFit();
        NotePageOnShow();
    });
}

void ManualView::SetFit(Fit fit) {
    const int page = PageOnShow();
    m_fit = fit;
    ApplyFit();
    // A whole page is the page on show, from its top.
    const QList<QRect> pages = Layout();
    if (fit == Fit::Page && page >= 0 && page < pages.size()) {
        ScrollTo(pages[page].top() - documentMargins().top());
        // A page lower than the reference line (a view much wider than high) starts there.
        if (PageOnShow() != page)
            Keep(Place{page, 0}, ReferenceLine());
    }
    NotePageOnShow();
    emit fitChanged();
}

void ManualView::ApplyFit() {
    const QPdfDocument* doc = document();
    if (m_fit == Fit::None || !doc || doc->status() != QPdfDocument::Status::Ready ||
        doc->pageCount() == 0)
        return;
    qreal widest = 0;
    for (int i = 0; i < doc->pageCount(); ++i)
        widest = std::max(widest, doc->pagePointSize(i).width());
    const QMargins m = documentMargins();
    const QSize room =
        viewport()->size() - QSize(m.left() + m.right() + 1, m.top() + m.bottom() + 1);
    const qreal res = ScreenResolution();
    qreal zoom = room.width() / (widest * res);
    if (m_fit == Fit::Page)
        zoom = std::min(zoom, room.height() / (doc->pagePointSize(0).height() * res));
    SetZoomKeepingPage(std::clamp(zoom, kMinZoom, kMaxZoom));
}

void ManualView::SetZoomKeepingPage(qreal zoom) {
    const int line = ReferenceLine();
    const Place onLine = PlaceAt(line);
    if (onLine.page < 0) {
        setZoomFactor(zoom);
        return;
    }
    // What the reader sees of the page on show begins at the view's top, or lower down
    // where the page itself begins.
    const int pageTop = PageRect(onLine.page).top();
    const Place top = pageTop >= 0 ? Place{onLine.page, 0} : PlaceAt(0);
    const int topAt = std::max(0, pageTop);
    m_zooming = true;
    setZoomFactor(zoom);
    Keep(top, topAt);
    if (PageOnShow() != onLine.page)
        Keep(onLine, line);
    m_zooming = false;
    NotePageOnShow();
}

void ManualView::ZoomBy(qreal factor) {
    if (Layout().isEmpty())
        return;
    m_fit = Fit::None;
    SetZoomKeepingPage(std::clamp(zoomFactor() * factor, kMinZoom, kMaxZoom));
    emit fitChanged();
}

qreal ManualView::Scale() const {
    return ScreenResolution() * zoomFactor();
}

QList<QRect> ManualView::Layout() const {
    QList<QRect> out;
    const QPdfDocument* doc = document();
    if (!doc || doc->status() != QPdfDocument::Status::Ready)
        return out;
    const qreal scale = Scale();
    int widest = 0;
    for (int i = 0; i < doc->pageCount(); ++i) {
        const QSize size = (doc->pagePointSize(i) * scale).toSize();
        widest = std::max(widest, size.width());
        out.append(QRect(QPoint(), size));
    }
    const QMargins m = documentMargins();
    const int total = std::max(widest + m.left() + m.right(), viewport()->width());
    int y = m.top();
    for (QRect& r : out) {
        r.moveTopLeft(QPoint((total - r.width()) / 2, y));
        y += r.height() + pageSpacing();
    }
    return out;
}

ManualView::Place ManualView::PlaceAt(int y) const {
    const QList<QRect> pages = Layout();
    if (pages.isEmpty())
        return {};
    const int at = y + verticalScrollBar()->value();
    const qreal s = Scale();
    for (int i = 0; i < pages.size(); ++i) {
        if (at < pages[i].top())
            return {i, 0};
        if (at <= pages[i].bottom())
            return {i, (at - pages[i].top()) / s};
    }
    return {int(pages.size()) - 1, pages.last().height() / s};
}

void ManualView::Keep(const Place& place, int y) {
    const QList<QRect> pages = Layout();
    if (place.page < 0 || place.page >= pages.size())
        return;
    ScrollTo(pages[place.page].top() + qRound(place.y * Scale()) - y);
}

int ManualView::PageOnShow() const {
    return PlaceAt(ReferenceLine()).page;
}

void ManualView::NotePageOnShow() {
    const int page = PageOnShow();
    if (page == m_pageOnShow)
        return;
    m_pageOnShow = page;
    emit pageOnShowChanged(page);
}

QRect ManualView::PageRect(int page) const {
    const QList<QRect> pages = Layout();
    if (page < 0 || page >= pages.size())
        return QRect();
    return pages[page].translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

void ManualView::SetMarks(const QList<Mark>& marks, int current) {
    m_marks = marks;
    m_current = current;
    viewport()->update();
}

void ManualView::Show(const Mark& mark) {
    const QList<QRect> pages = Layout();
    if (mark.page < 0 || mark.page >= pages.size() || mark.rects.isEmpty())
        return;
    QRectF area;
    for (const QRectF& r : mark.rects)
        area |= r;
    const qreal s = Scale();
    const QRect page = pages[mark.page];
    ScrollTo(qRound(page.top() + area.top() * s - viewport()->height() / 3.0));
    const int x = qRound(page.left() + area.center().x() * s - viewport()->width() / 2.0);
    horizontalScrollBar()->setValue(x);
}

void ManualView::ShowPlace(int page, QPointF location) {
    const QList<QRect> pages = Layout();
    if (page < 0 || page >= pages.size())
        return;
    ScrollTo(qRound(pages[page].top() + location.y() * Scale()) - documentMargins().top());
}

void ManualView::ScrollTo(int y) {
    verticalScrollBar()->setValue(y);
}

void ManualView::paintEvent(QPaintEvent* event) {
    QPdfView::paintEvent(event);
    if (m_marks.isEmpty())
        return;
    QPainter p(viewport());
    // Multiplying keeps the text dark and tints the paper.
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QRect visible = viewport()->rect();
    const qreal s = Scale();
    for (qsizetype i = 0; i < m_marks.size(); ++i) {
        const QRect page = PageRect(m_marks[i].page);
        if (!page.intersects(visible))
            continue;
        const QColor tint = i == m_current ? QColor(255, 150, 40) : QColor(255, 236, 100);
        for (const QRectF& r : m_marks[i].rects)
            p.fillRect(QRectF(page.left() + r.left() * s, page.top() + r.top() * s, r.width() * s,
                              r.height() * s)
                           .adjusted(-1, -1, 1, 1),
                       tint);
    }
}

void ManualView::resizeEvent(QResizeEvent* event) {
    QPdfView::resizeEvent(event);
    ApplyFit();
    NotePageOnShow();
}

void ManualView::scrollContentsBy(int dx, int dy) {
    QPdfView::scrollContentsBy(dx, dy);
    if (!m_zooming)
        NotePageOnShow();
}

void ManualView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        ScrollTo(verticalScrollBar()->minimum());
        break;
    case Qt::Key_End:
        ScrollTo(verticalScrollBar()->maximum());
        break;
    default:
        QPdfView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ManualView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QPdfView::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta > 0)
        ZoomIn();
    else if (delta < 0)
        ZoomOut();
    event->accept();
}
