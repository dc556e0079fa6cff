#pragma once
// The version box: the program's name and its version history, newest first.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    /// The version history as shown: one line per version, the newest first.
    static QString HistoryText();

    QPlainTextEdit* historyEdit() const { return m_history; }
    QLabel* platformLabel() const { return m_platform; }
    QPushButton* okButton() const { return m_ok; }

private:
    QPlainTextEdit* m_history = nullptr;
    QLabel* m_platform = nullptr;
    QPushButton* m_ok = nullptr;
};
