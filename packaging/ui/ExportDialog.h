#pragma once
// The dialog that creates a standalone slideshow executable from the open document.

#include <QDialog>
#include <QString>

class QLineEdit;
class QProgressBar;
class QPushButton;

class ExportDialog : public QDialog {
public:
    explicit ExportDialog(QWidget* parent = nullptr);

    /// Browse (1003): proposes a name ending in ".exe" and takes the chosen path.
    void OnBrowse();
    /// Create (OK): the checks in order, the creation, the offer to show the folder.
    void OnOK();

    QLineEdit* pathEdit() const { return m_edit; }
    QProgressBar* progressBar() const { return m_progress; }

    QString m_targetPath; ///< the target path (edit box 1002)

private:
    QLineEdit* m_edit = nullptr;        ///< control 1002
    QProgressBar* m_progress = nullptr; ///< control 1018
    QPushButton* m_ok = nullptr;        ///< 1, "作成実行(&S)"
    QPushButton* m_cancel = nullptr;    ///< 2, "中止(&C)"
    QPushButton* m_browse = nullptr;    ///< 1003, "参照(&R)"
};
