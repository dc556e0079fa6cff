#pragma once
// The dialog that creates a standalone slideshow executable from the open document.

#include "packaging/Executable.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

class ExportDialog : public QDialog {
public:
    explicit ExportDialog(QWidget* parent = nullptr);

    /// "参照(&R)": proposes a name ending in ".exe" and takes the chosen path.
    void OnBrowse();
    /// "作成実行(&S)": the checks in order, the creation, the offer to show the folder.
    void OnCreate();

    QLineEdit* pathEdit() const { return m_edit; }
    QProgressBar* progressBar() const { return m_progress; }
    /// The system the executable is made for: this one (the default) or Windows.
    QComboBox* targetBox() const { return m_target; }
    RuntimeTarget SelectedTarget() const;

    QString m_targetPath; ///< the path taken from the edit box at the last creation

private:
    QLineEdit* m_edit = nullptr; ///< the target path
    QProgressBar* m_progress = nullptr;
    QComboBox* m_target = nullptr;
    QPushButton* m_ok = nullptr;     ///< "作成実行(&S)"
    QPushButton* m_cancel = nullptr; ///< "中止(&C)"
    QPushButton* m_browse = nullptr; ///< "参照(&R)"
};
