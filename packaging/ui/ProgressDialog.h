#pragma once
// The processing dialog: a small captionless popup with a progress bar that packs or
// extracts a cabinet, or reads a document's stream, while it is shown, then ends with OK
// (success) or Cancel.

#include "packaging/CabinetJob.h"

#include <QDialog>
#include <QElapsedTimer>

class QProgressBar;
class QPushButton;

class ProgressDialog : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    /// A dialog that runs `job` (kept by reference: it must outlive the dialog).
    explicit ProgressDialog(CabinetJob& job, QWidget* parent = nullptr);

    /// Shows the dialog, runs the job (RunJob) and ends: Accepted for OK, Rejected for
    /// Cancel. Never waits for the user.
    int exec() override;

    /// Runs the job; true when it succeeded.
    bool RunJob();

    void progress(qint64 done, qint64 total) override;
    bool cancelled() const override { return m_cancelled; }

    QProgressBar* progressBar() const { return m_progress; }
    /// The cancel button of an extraction or a reading (an open stops, the document
    /// stays); null for packing, which always runs to its end.
    QPushButton* cancelButton() const { return m_cancel; }

public Q_SLOTS:
    /// Escape and the cancel button: an extraction stops at its next block, a reading
    /// before its next slide.
    void reject() override;

private:
    CabinetJob& m_job;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_hidden = nullptr; ///< a "hide" button the dialog never shows
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
    QElapsedTimer m_sincePaint;
};

/// Runs processing jobs in the processing dialog.
class ProgressDialogRunner : public CabinetJobRunner {
public:
    bool run(CabinetJob& job) override;
};
