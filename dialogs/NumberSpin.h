#pragma once
// A number edit with a spin control at its right edge: the edit takes digits only and
// may hold any number of them; the arrows and the arrow keys step within a range,
// starting from the number in the edit brought into that range.

#include <QAbstractSpinBox>

class NumberSpin : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit NumberSpin(QWidget* parent = nullptr);

    void setRange(int lo, int hi);
    /// Sets the spin position, which writes the number into the edit.
    void setPosition(int value);
    QString text() const;
    void setText(const QString& t);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_lo = 0;
    int m_hi = 100;
};
