#include "packaging/ui/ProgressDialog.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace {
constexpr int kRange = 1000;        // progress bar steps
constexpr int kRepaintEveryMs = 30; // how often the bar is repainted while working
} // namespace

ProgressDialog::ProgressDialog(CabinetJob& job, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_job(job) {
    setModal(true);
    setObjectName(QStringLiteral("ProgressDialog"));
    QFont font(QStringLiteral("メイリオ"));
    font.setPointSize(8);
    setFont(font);
    // 181 x 18 dialog units in the dialog's font, with a thin border.
    const QFontMetrics fm(font);
    const int baseX = std::max(1, (fm.horizontalAdvance(QStringLiteral(
                                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                                       26 +
                                   1) /
                                      2);
    const int baseY = std::max(1, fm.height());
    setFixedSize(181 * baseX / 4, 18 * baseY / 8);
    setStyleSheet(QStringLiteral("ProgressDialog { border: 1px solid palette(dark); }"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, kRange);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
    m_hidden = new QPushButton(QStringLiteral("非表示"), this);
    m_hidden->setObjectName(QStringLiteral("hide"));
    m_hidden->hide();
    if (job.kind != CabinetJob::Kind::Pack) {
        // Opening a large document can take a while: the user may change their mind.
        m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        m_cancel->setObjectName(QStringLiteral("cancel"));
        m_cancel->setAutoDefault(false);
        layout->addWidget(m_cancel);
        connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::reject);
        setFixedSize(width() + m_cancel->sizeHint().width() + layout->spacing(),
                     std::max(height(), m_cancel->sizeHint().height() + 8));
    }
}

void ProgressDialog::reject() {
    // The job runs inside exec(): the dialog closes when the job has stopped.
    if (m_cancel)
        m_cancelled = true;
}

int ProgressDialog::exec() {
    // Centred on the screen, above the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    QCoreApplication::processEvents(m_cancel ? QEventLoop::AllEvents
                                             : QEventLoop::ExcludeUserInputEvents);
    const bool ok = RunJob();
    hide();
    setResult(ok ? Accepted : Rejected);
    return result();
}

bool ProgressDialog::RunJob() {
    m_progress->setValue(0);
    m_sincePaint.start();
    const bool ok = m_job.Run(this);
    if (ok)
        m_progress->setValue(kRange);
    return ok;
}

void ProgressDialog::progress(qint64 done, qint64 total) {
    const int value = total > 0 ? int(done * kRange / total) : kRange;
    if (value == m_progress->value())
        return;
    m_progress->setValue(value);
    // The job runs on the interface thread: let the bar repaint now and then. Only an
    // extraction takes input meanwhile (its cancel button; the dialog is modal, so the
    // other windows take none).
    if (isVisible() && m_sincePaint.elapsed() >= kRepaintEveryMs) {
        QCoreApplication::processEvents(m_cancel ? QEventLoop::AllEvents
                                                 : QEventLoop::ExcludeUserInputEvents);
        m_sincePaint.restart();
    }
}

bool ProgressDialogRunner::run(CabinetJob& job) {
    ProgressDialog dlg(job, QApplication::activeWindow());
    return dlg.exec() == QDialog::Accepted;
}
