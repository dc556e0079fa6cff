#pragma once
// The processing dialog: a small captionless popup with a progress bar that packs or
// extracts a cabinet while it is shown, then ends with OK (success) or Cancel.

#include "packaging/Shori.h"

#include <QDialog>
#include <QElapsedTimer>

class QProgressBar;
class QPushButton;

class CShoriDlg : public QDialog, public CShoriJob, public ProgressSink {
    Q_OBJECT
public:
    explicit CShoriDlg(QWidget* parent = nullptr);

    /// Shows the dialog, runs the job (OnInitDialog) and ends: Accepted for OK,
    /// Rejected for Cancel. Never waits for the user.
    int exec() override;

    /// Runs the job of the mode; true when it succeeded.
    bool OnInitDialog();

    void progress(qint64 done, qint64 total) override;

    QProgressBar* progressBar() const { return m_progress; }

private:
    QProgressBar* m_progress = nullptr; ///< control 1012
    QPushButton* m_hidden = nullptr;    ///< control 1001, never shown
    QElapsedTimer m_sincePaint;
};

/// Runs processing jobs in the processing dialog.
class DialogShoriRunner : public ShoriRunner {
public:
    bool run(const CShoriJob& job) override;
};
