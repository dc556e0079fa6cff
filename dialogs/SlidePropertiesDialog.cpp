#include "dialogs/SlidePropertiesDialog.h"

#include "editor/Fonts.h"

#include "dialogs/ButtonArt.h"
#include "dialogs/ColorButton.h"
#include "dialogs/HelpWindow.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "editor/CellImage.h"
#include "editor/DialogMath.h"
#include "editor/ui/EditorWindow.h"
#include "image/KeyedPicture.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <functional>

namespace {
constexpr int kPreviewW = 640; // the preview rectangle R
constexpr int kPreviewH = 420;

/// The slide number's font: "Meiryo UI" (substituted by a Japanese face where it is
/// missing), 18 points, bold.

/// A widget that leaves its painting to a function of the dialog.
class PaintBox : public QWidget {
public:
    PaintBox(QWidget* parent, std::function<void(QPainter&)> paint)
        : QWidget(parent), m_paint(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_paint(p);
    }

private:
    std::function<void(QPainter&)> m_paint;
};
} // namespace

SlidePropertiesDialog::SlidePropertiesDialog(EditorWindow* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("スライドのプロパティ"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("スライドのプロパティ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The preview frame: R plus a one-pixel border that is filled with the background
    // colour too, inside a white frame.
    m_preview = new PaintBox(this, [this](QPainter& p) { PaintPreview(p); });
    m_preview->setFixedSize(kPreviewW + 2, kPreviewH + 2);
    auto* previewHolder = new QWidget(this);
    previewHolder->setObjectName(QStringLiteral("previewHolder"));
    previewHolder->setStyleSheet(
        QStringLiteral("#previewHolder { background: white; border: 1px solid #8a8a8a; }"));
    auto* holderLayout = new QVBoxLayout(previewHolder);
    holderLayout->setContentsMargins(3, 3, 3, 3);
    holderLayout->addWidget(m_preview);

    m_sizeLabel = new QLabel(QStringLiteral("600×400px"), this);
    m_colorButton = new ColorButton(this);
    m_swatch = new PaintBox(this, [this](QPainter& p) { PaintSwatch(p); });
    m_swatch->setFixedSize(40, 18);
    auto* swatchHolder = new QWidget(this);
    swatchHolder->setObjectName(QStringLiteral("swatchHolder"));
    swatchHolder->setStyleSheet(
        QStringLiteral("#swatchHolder { background: white; border: 1px solid #8a8a8a; }"));
    auto* swatchLayout = new QHBoxLayout(swatchHolder);
    swatchLayout->setContentsMargins(2, 2, 2, 2);
    swatchLayout->addWidget(m_swatch);
    m_colorLabel = new QLabel(QStringLiteral("RGB(255, 255, 255)"), this);
    m_colorLabel->setMinimumWidth(
        m_colorLabel->fontMetrics().horizontalAdvance(QStringLiteral("RGB(255, 255, 255)")) + 8);

    // The tolerance of the slide's transparent colour: live, the preview follows it.
    m_tolerance = new QSpinBox(this);
    m_tolerance->setRange(0, kMaxKeyTolerance);
    m_tolerance->setKeyboardTracking(true);
    m_tolerance->setAccelerated(true);
    m_tolerance->setToolTip(
        QStringLiteral("JPEG の画像は色が少しずつずれるため、透過色に近い色もまとめて透過します\n"
                       "0 にすると透過色と同じ色だけを透過します"));
    connect(m_tolerance, qOverload<int>(&QSpinBox::valueChanged), this,
            &SlidePropertiesDialog::OnToleranceChanged);
    m_toleranceNote =
        new QLabel(QStringLiteral("(透過色との差がこの値以下の色も透過します)"), this);

    const char* steps[4] = {"IDB_TAPE1_32", "IDB_TAPE2_32", "IDB_TAPE3_32", "IDB_TAPE4_32"};
    const char* tips[4] = {"最初のスライド", "前のスライド", "次のスライド", "最後のスライド"};
    void (SlidePropertiesDialog::*handlers[4])() = {
        &SlidePropertiesDialog::OnFirst, &SlidePropertiesDialog::OnPrev,
        &SlidePropertiesDialog::OnNext, &SlidePropertiesDialog::OnLast};
    auto* stepRow = new QHBoxLayout;
    stepRow->setSpacing(4);
    for (int i = 0; i < 4; ++i) {
        m_step[i] = new QPushButton(this);
        SetButtonArt(m_step[i], QString::fromLatin1(steps[i]), 24);
        m_step[i]->setToolTip(QString::fromUtf8(tips[i]));
        m_step[i]->setAutoDefault(false);
        m_step[i]->setFixedSize(44, 34);
        connect(m_step[i], &QPushButton::clicked, this, handlers[i]);
        stepRow->addWidget(m_step[i]);
    }
    m_back = new QPushButton(QStringLiteral("戻る(&B)"), this);
    SetButtonArt(m_back, QStringLiteral("IDB_END32"));
    m_back->setAutoDefault(false);
    m_back->setMinimumHeight(34);
    connect(m_back, &QPushButton::clicked, this, &SlidePropertiesDialog::reject);
    connect(m_colorButton, &ColorButton::colorChosen, this, &SlidePropertiesDialog::OnColorChosen);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(8);
    facts->setVerticalSpacing(8);
    facts->addWidget(new QLabel(QStringLiteral("大きさ："), this), 0, 0, Qt::AlignRight);
    facts->addWidget(m_sizeLabel, 0, 1, 1, 2);
    facts->addWidget(new QLabel(QStringLiteral("背景色："), this), 1, 0, Qt::AlignRight);
    facts->addWidget(m_colorButton, 1, 1, 1, 2, Qt::AlignLeft);
    facts->addWidget(new QLabel(QStringLiteral("透過色："), this), 2, 0, Qt::AlignRight);
    facts->addWidget(swatchHolder, 2, 1, Qt::AlignLeft);
    facts->addWidget(m_colorLabel, 2, 2);
    facts->addWidget(new QLabel(QStringLiteral("許容差："), this), 3, 0, Qt::AlignRight);
    facts->addWidget(m_tolerance, 3, 1, Qt::AlignLeft);
    facts->addWidget(m_toleranceNote, 3, 2, 1, 2);
    facts->setColumnStretch(3, 1);

    auto* right = new QVBoxLayout;
    right->addLayout(stepRow);
    right->addStretch(1);
    right->addWidget(m_back, 0, Qt::AlignRight);

    auto* top = new QHBoxLayout;
    top->addLayout(facts, 1);
    top->addLayout(right);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(14, 12, 14, 14);
    main->setSpacing(10);
    main->addLayout(top);
    main->addWidget(previewHolder);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

const SlideRecord* SlidePropertiesDialog::Slide() const {
    const Document& doc = CurrentDocument();
    if (m_index < 0 || m_index >= doc.slideCount)
        return nullptr;
    return &doc.slides[m_index];
}

QRect SlidePropertiesDialog::PreviewRect() const {
    return QRect(1, 1, kPreviewW, kPreviewH);
}

void SlidePropertiesDialog::Initialize() {
    m_initDone = true;
    SetTexts();
    AfterStep();
    m_changed = false;
}

void SlidePropertiesDialog::showEvent(QShowEvent* e) {
    if (!m_initDone)
        Initialize();
    QDialog::showEvent(e);
}

void SlidePropertiesDialog::SetStepButtons() {
    const int last = CurrentDocument().slideCount - 1;
    m_step[0]->setEnabled(m_index != 0);
    m_step[1]->setEnabled(m_index != 0);
    m_step[2]->setEnabled(m_index != last);
    m_step[3]->setEnabled(m_index != last);
}

void SlidePropertiesDialog::SetTexts() {
    const SlideRecord* s = Slide();
    m_sizeLabel->setText(PixelSizeText(s ? GetPictureSize(s->picture) : QSize(0, 0)));
    m_colorButton->setColor(CurrentDocument().header.previewBackground);
    m_colorLabel->setText(PropertyColorText(s ? s->keyColor : std::nullopt));
    // Only a transparent colour has a tolerance.
    const bool keyed = s && s->picture && s->keyColor;
    m_settingTexts = true;
    m_tolerance->setValue(keyed ? s->keyTolerance : 0);
    m_settingTexts = false;
    m_tolerance->setEnabled(keyed);
    m_toleranceNote->setEnabled(keyed);
}

void SlidePropertiesDialog::AfterStep() {
    SetStepButtons();
    SetTexts();
    // Only the preview and the swatch change with the slide.
    m_preview->update();
    m_swatch->update();
}

void SlidePropertiesDialog::OnFirst() {
    m_index = 0;
    AfterStep();
}

void SlidePropertiesDialog::OnPrev() {
    if (m_index > 0)
        --m_index;
    AfterStep();
}

void SlidePropertiesDialog::OnNext() {
    if (m_index < CurrentDocument().slideCount - 1)
        ++m_index;
    AfterStep();
}

void SlidePropertiesDialog::OnLast() {
    m_index = std::max(0, CurrentDocument().slideCount - 1);
    AfterStep();
}

void SlidePropertiesDialog::OnColorChosen(QRgb c) {
    DocumentHeader& h = CurrentDocument().header;
    if (c == h.previewBackground)
        return;
    h.previewBackground = c;
    m_colorButton->setColor(c);
    m_changed = true;
    update();
    m_preview->update();
}

void SlidePropertiesDialog::OnToleranceChanged(int tolerance) {
    if (m_settingTexts)
        return;
    Document& doc = CurrentDocument();
    if (m_index < 0 || m_index >= doc.slideCount)
        return;
    SlideRecord& slide = doc.slides[m_index];
    if (!slide.picture || !slide.keyColor || tolerance == slide.keyTolerance)
        return;
    SetSlideKey(slide, slide.keyColor, tolerance);
    m_changed = true;
    m_toleranceChanged = true;
    m_preview->update();
}

void SlidePropertiesDialog::reject() {
    QDialog::done(m_changed ? QDialog::Accepted : QDialog::Rejected);
}

void SlidePropertiesDialog::accept() {
    reject();
}

void SlidePropertiesDialog::PaintPreview(QPainter& p) {
    const SlideRecord* s = Slide();
    if (!s || !s->picture)
        return;
    const QRect outer(0, 0, m_preview->width(), m_preview->height());
    p.fillRect(outer, QColor(CurrentDocument().header.previewBackground));

    // The picture is placed by its header's size and drawn from a copy reduced to the
    // preview (a JPEG decoded at a reduced scale, a keyed picture keyed once), kept in
    // the picture cache, so a photo is not decoded whole on every paint.
    const QRect place = PreviewPlacement(PreviewRect(), GetPictureSize(s->picture));
    const qreal dpr = m_preview->devicePixelRatioF();
    const QSize bound = (QSizeF(place.size()) * dpr).toSize();
    const QImage source = place.isEmpty() ? QImage() : CellSource(*s->picture, s->keyColor, bound);
    if (!source.isNull()) {
        const QImage picture = CellFromSource(source, source.size(), s->flipH != 0, s->flipV != 0);
        p.setRenderHint(QPainter::SmoothPixmapTransform, bound != picture.size());
        p.drawImage(place, picture);
    }

    QFont number;
    SelectUiFont(QString(), 18, true, false, false, false, 0, number, &p);
    p.setPen(QColor(226, 226, 166));
    p.drawText(outer.adjusted(5, 2, -5, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               QString::asprintf("%d", m_index + 1));
}

void SlidePropertiesDialog::PaintSwatch(QPainter& p) {
    const SlideRecord* s = Slide();
    if (!s || !s->picture || !s->keyColor)
        return;
    p.fillRect(m_swatch->rect(), QColor(*s->keyColor));
}
