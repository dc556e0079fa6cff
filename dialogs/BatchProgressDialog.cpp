#include "dialogs/BatchProgressDialog.h"

#include "base/Messages.h"
#include "base/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <algorithm>

BatchProgressDialog::BatchProgressDialog(Msg label, int total, std::function<void()> changed,
                                         QWidget* parent)
    : QProgressDialog(parent), m_label(label), m_total(total), m_changed(std::move(changed)) {
    setObjectName(QStringLiteral("BatchProgressDialog"));
    setWindowTitle(ApplicationName());
    setWindowModality(Qt::ApplicationModal);
    // The owner closes the dialog; reaching the end neither hides nor resets it.
    setAutoClose(false);
    setAutoReset(false);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    setCancelButton(m_cancel); // its click and Escape emit canceled()
    // A cancel here does not reset and hide the dialog: the owner still waits for the
    // files in hand, and the dialog keeps the other windows from input until then.
    disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    connect(this, &QProgressDialog::canceled, this, &BatchProgressDialog::OnCancel);
    setRange(0, std::max(total, 1));
    setMinimumDuration(kShowAfterMs);
    setProgress(0);
}

BatchProgressDialog::~BatchProgressDialog() {
    if (m_cursorSet)
        QGuiApplication::restoreOverrideCursor();
}

void BatchProgressDialog::setProgress(int done) {
    if (!m_cancelled)
        setLabelText(MessageText(m_label).arg(done).arg(m_total));
    setValue(std::clamp(done, 0, maximum()));
}

void BatchProgressDialog::reject() {
    Q_EMIT canceled();
}

void BatchProgressDialog::showEvent(QShowEvent* e) {
    QProgressDialog::showEvent(e);
    // A busy cursor set around the batch must not hide that the button can be pressed.
    if (!m_cursorSet && QGuiApplication::overrideCursor()) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        m_cursorSet = true;
    }
    if (m_changed)
        m_changed();
}

void BatchProgressDialog::closeEvent(QCloseEvent* e) {
    e->ignore();
    Q_EMIT canceled();
}

void BatchProgressDialog::OnCancel() {
    if (m_cancelled)
        return;
    m_cancelled = true;
    setLabelText(MessageText(Msg::Cancelling));
    m_cancel->setEnabled(false);
    if (m_changed)
        m_changed();
}
