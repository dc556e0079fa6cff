#pragma once
// A colour button: shows its colour; its drop-down offers a palette in five columns
// and a button for other colours (the colour chooser of the prompts service).

#include "document/Document.h"

#include <QToolButton>

class QMenu;

class ColorButton : public QToolButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);

    QRgb color() const { return m_color; }
    void setColor(QRgb c);

    /// The palette's colours, row by row.
    static const QRgb* Palette(int* count);

public Q_SLOTS:
    /// The user picked `c` from the palette.
    void choose(QRgb c);
    /// "その他の色...": the colour chooser, starting from the button's colour.
    void chooseOther();

Q_SIGNALS:
    /// A colour was chosen (also when it equals the current one).
    void colorChosen(QRgb c);

private:
    void UpdateFace();
    QRgb m_color = qRgb(0, 0, 0);
    QMenu* m_popup = nullptr;
};
