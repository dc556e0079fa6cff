#include "dialogs/SettingsDialog.h"
#include "base/Settings.h"
#include "dialogs/NumberSpin.h"
#include "document/SlideTable.h"
#include "editor/DialogMath.h"
#include "editor/ui/EditorWindow.h"
#include "tests/dialogs/DialogTestSupport.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

namespace {

class SystemSettings : public DialogTest {};

bool Stored(const char* name) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Varnholt"),
                ApplicationName());
    return s.contains(QStringLiteral("SYS/") + QLatin1String(name));
}

TEST_F(SystemSettings, SizeLimitTexts) {
    struct Row {
        const char* text;
        int value;
    };
    const Row rows[] = {{"", 100},      {"50", 100},    {"100", 100},          {"750", 750},
                        {"1000", 1000}, {"5000", 1000}, {"99999999999", 1000}, {"0750", 750}};
    for (const Row& r : rows)
        EXPECT_EQ(SizeLimitFromText(QString::fromLatin1(r.text)), r.value) << r.text;
}

TEST_F(SystemSettings, OpeningChoosesTheControls) {
    struct Row {
        int firstOpen, title, autoCng, mentSize;
        bool checked;
        int titleRadio, cngRadio, sizeRadio;
    };
    const Row rows[] = {
        {1, 0, 1, 0, true, 0, 0, 0},     {0, 1, 3, 1, false, 1, 1, 1},
        {0, 2, 10, 1, false, 2, 3, 1},   {2, 5, 7, 3, false, 2, 4, 1},
        {0, -1, 20, -4, false, 2, 4, 1},
    };
    for (const Row& r : rows) {
        SettingsDialog dlg;
        dlg.m_openLast = r.firstOpen;
        dlg.m_titleMode = r.title;
        dlg.m_newSlideSeconds = r.autoCng;
        dlg.m_limitSize = r.mentSize;
        dlg.m_limitWidth = 640;
        dlg.m_limitHeight = 480;
        dlg.Initialize();
        EXPECT_EQ(dlg.firstOpenBox()->isChecked(), r.checked);
        EXPECT_TRUE(dlg.titleRadio(r.titleRadio)->isChecked()) << r.title;
        EXPECT_TRUE(dlg.secondsRadio(r.cngRadio)->isChecked()) << r.autoCng;
        EXPECT_TRUE(dlg.limitRadio(r.sizeRadio)->isChecked()) << r.mentSize;
        EXPECT_EQ(dlg.widthEdit()->text(), "640");
        EXPECT_EQ(dlg.heightEdit()->text(), "480");
    }
}

TEST_F(SystemSettings, EditsTakeDigitsOnlyAndSpinWithinTheRange) {
    SettingsDialog dlg;
    dlg.m_limitWidth = 999;
    dlg.Initialize();
    ShowActive(dlg);
    NumberSpin* w = dlg.widthEdit();
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(w->text(), "1000");
    QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(w->text(), "1000") << "the spin stops at 1000";
    QTest::keyClick(w, Qt::Key_Down);
    EXPECT_EQ(w->text(), "999");
    w->setText(QString());
    QTest::keyClicks(w, "1a2-3.x");
    EXPECT_EQ(w->text(), "123");
    w->setText(QStringLiteral("50"));
    QTest::keyClick(w, Qt::Key_Down);
    EXPECT_EQ(w->text(), "100") << "a step starts from the number brought into range";
}

TEST_F(SystemSettings, SaveWritesTheMembersAndTheChangedTitle) {
    EditorWindow editor;
    NewDocument(editor);
    WriteSettingInt(Setting::NewSlideSeconds, 7);
    WriteSettingInt(Setting::TitleMode, 5);
    Script<SettingsDialog>([](SettingsDialog& d) {
        EXPECT_TRUE(d.secondsRadio(4)->isChecked());
        EXPECT_TRUE(d.titleRadio(2)->isChecked());
        EXPECT_EQ(d.widthEdit()->text(), "500") << "default 500";
        EXPECT_EQ(d.toleranceSpin()->value(), 24) << "JPEG noise's default";
        QTest::mouseClick(d.saveButton(), Qt::LeftButton);
    });
    editor.OpenSystemSettings();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ReadSettingInt(Setting::NewSlideSeconds, -1), 20);
    EXPECT_EQ(ReadSettingInt(Setting::TitleMode, -1), 2);
    EXPECT_EQ(ReadSettingInt(Setting::OpenLastAtStart, -1), 0);
    EXPECT_EQ(ReadSettingInt(Setting::LimitImageSize, -1), 1);
    EXPECT_EQ(ReadSettingInt(Setting::ImageLimitWidth, -1), 500);
    EXPECT_EQ(ReadSettingInt(Setting::ImageLimitHeight, -1), 500);
    EXPECT_EQ(ReadSettingInt(Setting::KeyTolerance, -1), -1) << "the default is not stored";

    // Changes in every control.
    Script<SettingsDialog>([](SettingsDialog& d) {
        d.firstOpenBox()->setChecked(true);
        d.titleRadio(1)->setChecked(true);
        d.secondsRadio(1)->setChecked(true);
        d.limitRadio(0)->setChecked(true);
        d.widthEdit()->setText(QString());
        d.heightEdit()->setText(QStringLiteral("5000"));
        d.toleranceSpin()->setValue(40);
        QTest::keyClick(&d, Qt::Key_Return);
    });
    editor.OpenSystemSettings();
    EXPECT_EQ(ReadSettingInt(Setting::OpenLastAtStart, -1), 1);
    EXPECT_EQ(ReadSettingInt(Setting::TitleMode, -1), 1);
    EXPECT_EQ(ReadSettingInt(Setting::NewSlideSeconds, -1), 3);
    EXPECT_EQ(ReadSettingInt(Setting::LimitImageSize, -1), 0);
    EXPECT_EQ(ReadSettingInt(Setting::ImageLimitWidth, -1), 100);
    EXPECT_EQ(ReadSettingInt(Setting::ImageLimitHeight, -1), 1000);
    EXPECT_EQ(ReadSettingInt(Setting::KeyTolerance, -1), 40);
}

TEST_F(SystemSettings, UnchangedTitleIsNotWritten) {
    EditorWindow editor;
    NewDocument(editor);
    Script<SettingsDialog>([](SettingsDialog& d) { d.accept(); });
    editor.OpenSystemSettings();
    EXPECT_FALSE(Stored("Title"));
    for (const char* name : {"FirstOpen", "AutoCng", "MentSize", "MentSizeW", "MentSizeH"})
        EXPECT_TRUE(Stored(name)) << name;
    EXPECT_EQ(ReadSettingInt(Setting::ImageLimitWidth, -1), 500);
}

TEST_F(SystemSettings, CloseWritesNothing) {
    EditorWindow editor;
    NewDocument(editor);
    for (bool escape : {false, true}) {
        Script<SettingsDialog>([escape](SettingsDialog& d) {
            d.firstOpenBox()->setChecked(true);
            d.titleRadio(0)->setChecked(true);
            d.widthEdit()->setText(QStringLiteral("300"));
            if (escape)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                QTest::mouseClick(d.closeButton(), Qt::LeftButton);
        });
        editor.OpenSystemSettings();
        for (const char* name :
             {"FirstOpen", "Title", "AutoCng", "MentSize", "MentSizeW", "MentSizeH"})
            EXPECT_FALSE(Stored(name)) << name;
    }
}

} // namespace
