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

    COLORREF color() const { return m_color; }
    void setColor(COLORREF c);

    /// The palette's colours, row by row.
    static const COLORREF* Palette(int* count);

public Q_SLOTS:
    /// The user picked `c` from the palette.
    void choose(COLORREF c);
    /// "その他の色...": the colour chooser, starting from the button's colour.
    void chooseOther();

Q_SIGNALS:
    /// A colour was chosen (also when it equals the current one).
    void colorChosen(COLORREF c);

private:
    void UpdateFace();
    COLORREF m_color = 0;
    QMenu* m_popup = nullptr;
};
