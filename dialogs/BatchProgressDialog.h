#pragma once
// The progress of a batch of files, such as added slides: a line "画像を読み込んでいます…
// (n / N)", a bar and キャンセル. It appears only when the batch still runs after half a
// second, and keeps the other windows from input while it is on screen.

#include "base/Prompts.h"

#include <QProgressDialog>
#include <functional>

class QPushButton;

class BatchProgressDialog : public QProgressDialog, public ProgressPrompt {
    Q_OBJECT
public:
    /// How long a batch runs before the dialog appears.
    static constexpr int kShowAfterMs = 500;

    /// A dialog for `total` steps labelled with message `label` (%1 done, %2 total);
    /// `changed` is called when it appears and when the user cancels.
    BatchProgressDialog(Msg label, int total, std::function<void()> changed,
                        QWidget* parent = nullptr);
    ~BatchProgressDialog() override;

    void setProgress(int done) override;
    bool cancelRequested() const override { return m_cancelled; }
    bool takesInput() const override { return isVisible(); }

    QPushButton* cancelButton() const { return m_cancel; }

public Q_SLOTS:
    /// The close box and Escape cancel like the button; the dialog stays until its
    /// owner closes it, showing that the files in hand are being finished.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void OnCancel();

    Msg m_label;
    int m_total = 0;
    std::function<void()> m_changed;
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
    bool m_cursorSet = false; ///< an arrow cursor over the busy one, for the button
};
