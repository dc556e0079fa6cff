#include "dialogs/NumberSpin.h"

#include "editor/DialogMath.h"

#include <QLineEdit>
#include <algorithm>

NumberSpin::NumberSpin(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignCenter);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    setAccelerated(true);
}

void NumberSpin::setRange(int lo, int hi) {
    m_lo = lo;
    m_hi = std::max(lo, hi);
}

void NumberSpin::setPosition(int value) {
    lineEdit()->setText(QString::number(std::clamp(value, m_lo, m_hi)));
}

QString NumberSpin::text() const {
    return lineEdit()->text();
}

void NumberSpin::setText(const QString& t) {
    lineEdit()->setText(t);
}

void NumberSpin::stepBy(int steps) {
    const int from = std::clamp(LeadingNumber(text()), m_lo, m_hi);
    setPosition(int(std::clamp<long long>(from + (long long)steps, m_lo, m_hi)));
    lineEdit()->selectAll();
}

QValidator::State NumberSpin::validate(QString& input, int&) const {
    for (const QChar c : input)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

void NumberSpin::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled NumberSpin::stepEnabled() const {
    const int v = LeadingNumber(text());
    if (v < m_lo || v > m_hi)
        return StepUpEnabled | StepDownEnabled; // a step brings it into the range
    StepEnabled e;
    if (v > m_lo)
        e |= StepDownEnabled;
    if (v < m_hi)
        e |= StepUpEnabled;
    return e;
}
