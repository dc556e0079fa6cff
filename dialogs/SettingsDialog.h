#pragma once
// The settings dialog: the program-wide settings (the Setting keys of section "SYS", and
// the tolerance JPEG pictures are keyed with by default). It never
// touches the settings store itself: its opener fills the members before it runs and
// writes them back when it ends with "保存して終了(&S)".

#include <QDialog>

class NumberSpin;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    int m_openLast = 0;        ///< 1 = open the last document at start-up
    int m_titleMode = 2;       ///< 0 none, 1 full path, 2 document name
    int m_newSlideSeconds = 5; ///< seconds for new slides: 1, 3, 5, 10 or 20
    int m_limitSize = 1;       ///< 1 = scale down images larger than the limit
    int m_limitWidth = 500;
    int m_limitHeight = 500;
    /// The tolerance a JPEG picture is keyed with when it gets a transparent colour.
    int m_keyTolerance = 24;

    /// Puts the members into the controls; called before the dialog shows (showEvent
    /// calls it once when the opener did not).
    void Initialize();

    QCheckBox* firstOpenBox() const { return m_firstOpenBox; }
    QRadioButton* titleRadio(int i) const { return m_titleRadios[i]; }     ///< 0, 1, 2
    QRadioButton* secondsRadio(int i) const { return m_secondsRadios[i]; } ///< 1, 3, 5, 10, 20 s
    QRadioButton* limitRadio(int i) const { return m_limitRadios[i]; }     ///< 0, 1
    NumberSpin* widthEdit() const { return m_widthEdit; }
    NumberSpin* heightEdit() const { return m_heightEdit; }
    QSpinBox* toleranceSpin() const { return m_tolerance; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }

    /// The switch times of the five choices.
    static constexpr int kSecondsChoices[5] = {1, 3, 5, 10, 20};

public Q_SLOTS:
    /// "保存して終了(&S)": reads the controls into the members and ends with OK.
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QCheckBox* m_firstOpenBox = nullptr;
    QRadioButton* m_titleRadios[3] = {};
    QRadioButton* m_secondsRadios[5] = {};
    QRadioButton* m_limitRadios[2] = {};
    NumberSpin* m_widthEdit = nullptr;
    NumberSpin* m_heightEdit = nullptr;
    QSpinBox* m_tolerance = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    bool m_initDone = false;
};
