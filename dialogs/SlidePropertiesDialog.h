#pragma once
// The slide property dialog: one slide at a time, previewed (mirrored as stored) over
// the document's preview background colour, with its number, pixel size and
// transparent colour; four buttons step through the slides. It changes the preview
// background colour of the whole document and, for a slide with a transparent colour,
// the tolerance of that colour (pixels that near to it become see-through too), shown
// in the preview at once.

#include "document/Document.h"

#include <QDialog>

class ColorButton;
class EditorWindow;
class QLabel;
class QPushButton;
class QSpinBox;

class SlidePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlidePropertiesDialog(EditorWindow* parent);

    int m_index = 0;                 ///< table index of the slide shown; set by the opener
    bool m_changed = false;          ///< the background colour or a tolerance was changed here
    bool m_toleranceChanged = false; ///< a slide's tolerance was changed here

    /// Sets the texts and the step buttons and draws the preview; called before the
    /// dialog shows (showEvent calls it once when the opener did not).
    void Initialize();

    /// The preview rectangle R (inside the preview frame's widget) and that widget.
    QRect PreviewRect() const;
    QWidget* previewFrame() const { return m_preview; }
    QWidget* swatch() const { return m_swatch; }
    QLabel* sizeLabel() const { return m_sizeLabel; }
    QLabel* colorLabel() const { return m_colorLabel; }
    ColorButton* colorButton() const { return m_colorButton; }
    QSpinBox* toleranceSpin() const { return m_tolerance; }
    QPushButton* stepButton(int i) const { return m_step[i]; } ///< 0 first ... 3 last
    QPushButton* backButton() const { return m_back; }

    /// Draws the preview into `p` over the preview frame's widget rectangle.
    void PaintPreview(class QPainter& p);
    /// Fills the swatch with the slide's transparent colour, if it has one.
    void PaintSwatch(class QPainter& p);

public Q_SLOTS:
    void OnFirst();
    void OnPrev();
    void OnNext();
    void OnLast();
    /// The colour button reports a choice.
    void OnColorChosen(QRgb c);
    /// The tolerance spin shows a new value: the slide is keyed with it (SetSlideKey).
    void OnToleranceChanged(int tolerance);
    /// "戻る(&B)", Escape and the close box: OK when the colour changed, else Cancel.
    void reject() override;
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void AfterStep();
    void SetTexts();
    void SetStepButtons();
    const SlideRecord* Slide() const;

    QWidget* m_preview = nullptr;
    QWidget* m_swatch = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_colorLabel = nullptr;
    ColorButton* m_colorButton = nullptr;
    QSpinBox* m_tolerance = nullptr;
    QLabel* m_toleranceNote = nullptr;
    bool m_settingTexts = false; ///< the spin is being set to the slide's value
    QPushButton* m_step[4] = {};
    QPushButton* m_back = nullptr;
    bool m_initDone = false;
};
