// Painting of the main window: background, logo and title, the page of slide images,
// the time graph, the total-time line and the icon bar. Every place comes from
// ComputeLayout; the paint records the hit rectangles that mouse handling tests.

#include "base/Settings.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "editor/CellImage.h"
#include "editor/CellLoader.h"
#include "editor/Fonts.h"
#include "editor/Render.h"
#include "editor/Text.h"
#include "editor/ui/Art.h"
#include "editor/ui/EditorWindow.h"
#include "image/AddSlides.h"
#include "image/KeyedPicture.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kTextFlags = Qt::TextSingleLine | Qt::TextDontClip;

const char* const kEmptyPageHint = "画像ファイルをここへドラッグ＆ドロップするか、\n"
                                   "下の「スライド追加…」ボタンで追加してください";
const char* const kAddButtonText = "スライド追加…";
constexpr int kHintMaxWidth = 560; ///< the hint's lines never run wider

/// The empty page's hint `hint` on a panel of the background's middle colour, the text
/// in the ink that stands out on it; the panel's bottom is the area's.
void PaintEmptyPageHint(QPainter& p, const QRect& area, QRgb middle, int points,
                        const QString& hint) {
    if (area.height() <= 0)
        return;
    QFont font;
    SelectUiFont(kDefaultUiFace, points, false, false, false, false, 0, font, &p);
    const int width = std::min(area.width() - 28, kHintMaxWidth);
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QRect text =
        QFontMetrics(font, p.device()).boundingRect(QRect(0, 0, width, area.height()), flags, hint);
    text.moveCenter(QPoint(area.center().x(), 0));
    text.moveBottom(area.bottom() - 8);
    const QRect panel = text.adjusted(-14, -8, 14, 8);
    p.setRenderHint(QPainter::Antialiasing, true);
    QColor fill(middle);
    fill.setAlpha(235);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(panel), 8.0, 8.0);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(LabelInkOn(middle)));
    p.drawText(text, flags, hint);
    p.setPen(Qt::NoPen);
}

/// The empty page's add button: light on any background, lit up under the pointer, a
/// dotted ring inside while it has the focus.
void PaintAddButton(QPainter& p, const QRect& r, bool hover, bool focused, int points) {
    const QColor ink(0, 0, 66);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(hover ? QColor(255, 255, 255) : QColor(255, 255, 255, 215));
    p.setPen(hover ? QPen(QColor(kColumnColors[0]), 2.0) : QPen(QColor(kGraphFrameColor), 1.0));
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 6.0, 6.0);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (focused) {
        p.setPen(QPen(ink, 1.0, Qt::DotLine));
        p.drawRect(r.adjusted(4, 4, -5, -5));
    }
    QFont font;
    SelectUiFont(kDefaultUiFace, points, true, false, false, false, 0, font, &p);
    p.setPen(ink);
    p.drawText(r, Qt::AlignCenter | kTextFlags, QString::fromUtf8(kAddButtonText));
    p.setPen(Qt::NoPen);
}

} // namespace

CellFit EditorWindow::FitSlideToCell(int index, int cw, int ch) const {
    const Document& doc = CurrentDocument();
    if (index < 0 || index >= doc.slideCount)
        return {};
    return FitPictureToCell(GetPictureSize(doc.slides[index].picture), cw, ch);
}

bool EditorWindow::LoadFixedImages() {
    // Rendered for the screen's pixel density, so they stay sharp on scaled displays.
    const qreal ratio = devicePixelRatioF();
    m_iconBarImage =
        RenderArt(QStringLiteral("iconbar"), QSize(kIconBarWidth, kIconBarHeight), ratio);
    m_propMarkImage =
        RenderArt(QStringLiteral("propmark"), QSize(kPropMarkSize, kPropMarkSize), ratio);
    m_logoImage = RenderArt(QStringLiteral("logo"), QSize(kLogoWidth, kLogoHeight), ratio);
    return !m_iconBarImage.isNull() && !m_propMarkImage.isNull() && !m_logoImage.isNull();
}

std::optional<QRgb> EditorWindow::CellPixelColor(int k, QPoint pt) const {
    if (k < 0 || k >= kSlidesPerPage)
        return std::nullopt;
    const int s = m_page * kSlidesPerPage + k;
    const Document& doc = CurrentDocument();
    if (s < 0 || s >= doc.slideCount)
        return std::nullopt;
    const QRect& rc = m_cellRects[k];
    // The cell image may hold more device pixels than the window pixels it covers.
    const QImage& img = m_cellImages[k];
    const qreal ratio = img.devicePixelRatio();
    const QPoint at = pt - rc.topLeft();
    if (at.x() < 0 || at.y() < 0)
        return std::nullopt;
    return CellImageColor(img, doc.slides[s].keyColor,
                          QPoint(int(at.x() * ratio), int(at.y() * ratio)));
}

QString EditorWindow::EmptyPageHint() {
    return QString::fromUtf8(kEmptyPageHint) + QLatin1Char('\n') + ImageLimitText();
}

std::optional<QRgb> EditorWindow::PickedKeyColor(int k, QPoint pt) const {
    const std::optional<QRgb> drawn = CellPixelColor(k, pt);
    if (!drawn)
        return std::nullopt;
    const SlideRecord& slide = CurrentDocument().slides[m_page * kSlidesPerPage + k];
    const PicturePtr& base = KeyBase(slide);
    const QImage& cell = m_cellImages[k];
    const QImage picture = base ? base->image() : QImage();
    if (picture.isNull() || cell.isNull())
        return drawn;
    // The cell shows the whole picture, scaled to the cell image and mirrored as the
    // slide is: the point goes back through both to the picture's own pixel.
    const qreal ratio = cell.devicePixelRatio();
    const QPoint at = pt - m_cellRects[k].topLeft();
    const auto back = [ratio](int v, int shown, int full) {
        return std::clamp(int((v * ratio + 0.5) * full / shown), 0, full - 1);
    };
    int x = back(at.x(), cell.width(), picture.width());
    int y = back(at.y(), cell.height(), picture.height());
    if (slide.flipH)
        x = picture.width() - 1 - x;
    if (slide.flipV)
        y = picture.height() - 1 - y;
    return DominantColor(picture, QPoint(x, y), IsLossyPicture(base.get()));
}

QRect EditorWindow::CellArea(int k) const {
    if (k < 0 || k >= kSlidesPerPage)
        return QRect();
    const QRect& rc = m_cellRects[k];
    return rc.adjusted(-5, -5, 5, 25);
}

void EditorWindow::RebuildCellImages(const EditorLayout& L, bool pendingOnly) {
    const Document& doc = CurrentDocument();
    // At the screen's pixel density: a picture stays sharp on scaled displays.
    const qreal ratio = devicePixelRatioF();
    const QSize bound = CellSourceBound();
    if (!pendingOnly)
        m_cellLoader->DropQueued(); // a page left behind waits for nothing
    for (int k = 0; k < kSlidesPerPage; ++k) {
        if (pendingOnly && !m_cellPending[k])
            continue;
        m_cellImages[k] = QImage();
        m_cellPending[k] = false;
        if (!L.cellShown[k])
            continue;
        const int s = m_page * kSlidesPerPage + k;
        const SlideRecord& slide = doc.slides[s];
        if (!slide.picture || slide.picture->failedToDecode())
            continue;
        QImage source = CachedCellSource(*slide.picture, slide.keyColor, bound);
        if (source.isNull()) {
            if (!IsQuickToPrepare(slide.picture->size())) {
                m_cellLoader->Request(slide.picture, slide.keyColor, bound);
                m_cellPending[k] = !slide.picture->failedToDecode();
                continue;
            }
            source = CellSource(*slide.picture, slide.keyColor, bound);
        }
        const QSize size = (QSizeF(L.fit[k].fw, L.fit[k].fh) * ratio).toSize();
        m_cellImages[k] = CellFromSource(source, size, slide.flipH != 0, slide.flipV != 0);
        m_cellImages[k].setDevicePixelRatio(ratio);
    }
}

void EditorWindow::PaintWindow(const QRegion& dirty) {
    Document& doc = CurrentDocument();
    const DocumentHeader& h = doc.header;
    QPainter p(PaintTarget());
    p.setPen(Qt::NoPen);
    const QRect rc = rect();
    const int W = rc.width();

    // The geometry of this paint.
    const int slides = std::clamp(doc.slideCount, 0, kMaxSlides);
    const int page = std::clamp(m_page, 0, kMaxPages - 1);
    LayoutInput in;
    in.width = W;
    in.height = rc.height();
    in.pageSlides = slides > 0 ? std::clamp(m_pageSlides[page], 0, kSlidesPerPage) : 0;
    for (int k = 0; k < kSlidesPerPage && page * kSlidesPerPage + k < slides; ++k)
        in.pictures.push_back(GetPictureSize(doc.slides[page * kSlidesPerPage + k].picture));
    in.times.reserve(size_t(slides));
    for (int i = 0; i < slides; ++i)
        in.times.push_back(doc.slides[i].switchTime);
    const EditorLayout L = ComputeLayout(in);

    // Background: two horizontal gradients over the full height, left to the middle
    // column and the middle column to the right.
    const int mid = rc.left() + rc.width() / 2;
    QLinearGradient left(rc.left(), 0, mid, 0);
    left.setColorAt(0, QColor(h.backgroundLeft));
    left.setColorAt(1, QColor(h.backgroundCenter));
    p.fillRect(QRect(rc.left(), rc.top(), mid - rc.left(), rc.height()), left);
    QLinearGradient right(mid, 0, rc.right() + 1, 0);
    right.setColorAt(0, QColor(h.backgroundCenter));
    right.setColorAt(1, QColor(h.backgroundRight));
    p.fillRect(QRect(mid, rc.top(), rc.right() + 1 - mid, rc.height()), right);

    // The window moved to a screen of another pixel density: images made for the old
    // one are made again.
    if (!qFuzzyCompare(m_iconBarImage.devicePixelRatio(), devicePixelRatioF())) {
        LoadFixedImages();
        m_rebuildCells = true;
    }

    // Logo (its background is see-through) and title.
    if (!m_logoImage.isNull() && dirty.intersects(L.logo))
        p.drawImage(L.logo.topLeft(), m_logoImage);
    QFont titleFont;
    const QFont previousFont =
        SelectUiFont(kDefaultUiFace, 18, true, false, false, false, 0, titleFont, &p);
    const int titleMode = ReadSettingInt(Setting::TitleMode, 2);
    const QString title = titleMode == 1   ? doc.filePath
                          : titleMode == 2 ? FileTitleOf(doc.filePath)
                                           : QString();
    if (!title.isEmpty() && dirty.intersects(L.titleBand)) {
        p.setPen(QColor(kTitleColor));
        p.drawText(L.titleBand, Qt::AlignCenter | kTextFlags, title);
        p.setPen(Qt::NoPen);
    }

    // The cell images: rebuilt only when asked for. Without room for a cell nothing
    // more is drawn and the next paint tries again.
    if (m_rebuildCells) {
        if (L.cw <= 0 || L.ch <= 0) {
            p.setFont(previousFont);
            return;
        }
        RebuildCellImages(L);
    } else if (m_refreshPending) {
        RebuildCellImages(L, true);
    }
    m_refreshPending = false;

    QFont labelFont;
    SelectUiFont(QStringLiteral("ＭＳ Ｐゴシック"), L.labelPoints, true, false, false, false, 0,
                 labelFont, &p);
    const QFontMetrics fm(labelFont, this);

    auto drawMark = [&](int m, bool highlighted) {
        const QRect bar = MarkBar(L.marks[m], highlighted);
        p.fillRect(bar, QColor(kColumnColors[L.markColumn[m]]));
    };

    m_addButtonRect = slides == 0 ? L.addButton : QRect();
    if (slides == 0) {
        // The empty page: only mark 0, centred, with how to add pictures over it and
        // the add button under it.
        m_markRects[0] = L.marks[0];
        if (dirty.intersects(L.marks[0].adjusted(-2, 0, 2, 0)))
            drawMark(0, m_mark == 0);
        if (dirty.intersects(L.emptyHint))
            PaintEmptyPageHint(p, L.emptyHint, h.backgroundCenter, L.labelPoints + 1,
                               EmptyPageHint());
        if (dirty.intersects(L.addButton.adjusted(-4, -4, 4, 4)))
            PaintAddButton(p, L.addButton, m_addButtonHover, m_addButtonFocused && isActiveWindow(),
                           L.labelPoints + 1);
        p.setFont(labelFont);
    } else {
        for (int k = 0; k < kSlidesPerPage; ++k) {
            if (!L.cellShown[k] || (m_cellImages[k].isNull() && !m_cellPending[k]))
                continue; // no picture, or it could not be rendered
            const int s = page * kSlidesPerPage + k;
            const SlideRecord& slide = doc.slides[s];
            const int j = k % 5;
            const QColor column = QColor(kColumnColors[j]);
            const QRect& box = L.cellBox[k];
            m_cellRects[k] = L.cells[k];
            m_markRects[k] = L.marks[k];
            if (L.markShown[k + 1] && k + 1 == in.pageSlides)
                m_markRects[k + 1] = L.marks[k + 1];

            // Marks before (and after the last cell).
            if (dirty.intersects(L.marks[k].adjusted(-2, 0, 2, 0)))
                drawMark(k, m_mark == k);
            if (k + 1 == in.pageSlides && L.markShown[k + 1] &&
                dirty.intersects(L.marks[k + 1].adjusted(-2, 0, 2, 0)))
                drawMark(k + 1, m_mark == k + 1);

            // The picture, its frame and the highlight rings of the selected cell.
            const QRect ringArea = L.cells[k].adjusted(-4, -4, 4, 4);
            if (dirty.intersects(ringArea)) {
                if (m_cellPending[k])
                    p.fillRect(L.cells[k], QColor(255, 255, 255, 64)); // being decoded
                else
                    p.drawImage(L.cells[k].topLeft(), m_cellImages[k]);
                if (h.showPropertyButtons && !m_propMarkImage.isNull())
                    p.drawImage(L.propMark[k].topLeft(), m_propMarkImage);
                FrameRect(p, L.cells[k], column);
                if (k == m_selectedCell) {
                    for (int n = 1; n <= 4; ++n)
                        FrameRect(p, L.cells[k].adjusted(-n, -n, n, n),
                                  QColor(HighlightRingColor(j, n)));
                }
            }

            // Number and switch time under the cell.
            const QRect band = L.labelBands[k];
            if (dirty.intersects(band.adjusted(-2, 0, 0, 0))) {
                const QString number = QString::number(s + 1);
                const int tw = fm.horizontalAdvance(number);
                p.setBrush(column);
                p.setRenderHint(QPainter::Antialiasing, true);
                p.drawRoundedRect(QRectF(box.left() - 2, box.y() + box.height(), 2 * (tw / 2) + 4,
                                         kLabelBandHeight),
                                  4.0, 2.5);
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setBrush(Qt::NoBrush);
                p.setPen(QColor(kColumnTextColors[j]));
                p.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | kTextFlags, number);
                p.setPen(column);
                p.drawText(band, Qt::AlignCenter | kTextFlags, FormatSwitchTime(slide.switchTime));
                p.setPen(Qt::NoPen);
            }
        }
    }
    m_rebuildCells = false;

    // The time graph: every slide of the document as a bar as wide as its share of the
    // total time.
    const QRect graphArea = L.graph;
    const bool graphDirty = dirty.intersects(graphArea);
    int total = 0;
    for (int t : in.times)
        total += t;
    if (graphDirty)
        p.fillRect(L.graphBars, Qt::black);
    const int th = fm.height();
    for (int i = 0; i < int(L.bars.size()); ++i) {
        if (!graphDirty)
            break;
        const QRect& bar = L.bars[size_t(i)];
        const int wi = bar.width();
        p.fillRect(bar, QColor(kColumnColors[i % 5]));
        p.setPen(QColor(LabelInkOn(kColumnColors[i % 5])));
        const QString time = FormatSwitchTime(in.times[size_t(i)]);
        if (wi > fm.horizontalAdvance(time))
            p.drawText(QRect(bar.left(), bar.top() + th, wi, kGraphHeight - th),
                       Qt::AlignCenter | kTextFlags, time);
        p.drawText(QRect(bar.left(), bar.top(), wi, kGraphHeight - th),
                   Qt::AlignCenter | kTextFlags, QString::number(i + 1));
        p.setPen(Qt::NoPen);
    }
    for (int b = 1; b < int(L.boundaries.size()); ++b)
        m_boundaryRects[b] = L.boundaries[size_t(b)];
    if (graphDirty) {
        FrameRect(p, L.graphBars, QColor(kGraphFrameColor));
        FrameRect(p, L.graph, QColor(kGraphFrameColor));
    }
    m_graphRect = L.graph;

    // The total time and the page number.
    if (dirty.intersects(L.totalLine)) {
        p.setPen(QColor(kTotalTimeColor));
        p.drawText(L.totalLine, Qt::AlignCenter | kTextFlags,
                   TotalTimeText(total, m_page + 1, m_pageCount));
        p.setPen(Qt::NoPen);
    }

    // The icon bar and its transparency bar.
    if (!m_iconBarImage.isNull() && dirty.intersects(L.iconBar))
        p.drawImage(L.iconBar.topLeft(), m_iconBarImage);
    m_iconArea = L.iconArea;
    m_opacityBar = L.transBar;
    std::copy(std::begin(L.icons), std::end(L.icons), std::begin(m_iconRects));

    p.setFont(previousFont);
}
