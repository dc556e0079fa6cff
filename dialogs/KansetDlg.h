#pragma once
// The system settings dialog: the program-wide settings of section SYS. It never
// touches the settings store itself: its opener fills the members before it runs and
// writes them back when it ends with "保存して終了(&S)".

#include <QDialog>

class CNumberSpin;
class QCheckBox;
class QPushButton;
class QRadioButton;

class CKansetDlg : public QDialog {
    Q_OBJECT
public:
    explicit CKansetDlg(QWidget* parent = nullptr);

    int m_nFirstOpen = 0; ///< 1 = open the last document at start-up
    int m_nTitle = 2;     ///< 0 none, 1 full path, 2 document name
    int m_nAutoCng = 5;   ///< seconds for new slides: 1, 3, 5, 10 or 20
    int m_nMentSize = 1;  ///< 1 = scale down images larger than the limit
    int m_nMentSizeW = 500;
    int m_nMentSizeH = 500;

    /// Puts the members into the controls; called before the dialog shows (showEvent
    /// calls it once when the opener did not).
    void OnInitDialog();

    QCheckBox* firstOpenBox() const { return m_firstOpen; }
    QRadioButton* titleRadio(int i) const { return m_title[i]; }       ///< 0, 1, 2
    QRadioButton* autoCngRadio(int i) const { return m_autoCng[i]; }   ///< 1, 3, 5, 10, 20 s
    QRadioButton* mentSizeRadio(int i) const { return m_mentSize[i]; } ///< 0, 1
    CNumberSpin* widthEdit() const { return m_width; }
    CNumberSpin* heightEdit() const { return m_height; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }

    /// The switch times of the five choices.
    static constexpr int kAutoCngValues[5] = {1, 3, 5, 10, 20};

public Q_SLOTS:
    /// "保存して終了(&S)": reads the controls into the members and ends with OK.
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QCheckBox* m_firstOpen = nullptr;
    QRadioButton* m_title[3] = {};
    QRadioButton* m_autoCng[5] = {};
    QRadioButton* m_mentSize[2] = {};
    CNumberSpin* m_width = nullptr;
    CNumberSpin* m_height = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    bool m_bInitDone = false;
};
