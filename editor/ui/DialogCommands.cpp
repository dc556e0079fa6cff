// The main window's hand-over to the auxiliary dialogs and the hand-back of their
// results: the switch-time table and the settings work on copies that are written
// back on "保存して終了(&S)"; the slide list and the property dialog edit the document
// in place.

#include "base/Settings.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/ModalRunner.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/SlideListDialog.h"
#include "dialogs/SlidePropertiesDialog.h"
#include "dialogs/SwitchTimeDialog.h"
#include "document/Document.h"
#include "editor/ui/EditorWindow.h"
#include "image/AddSlides.h"
#include "image/KeyedPicture.h"

void EditorWindow::OpenTimeSet() {
    Document& doc = CurrentDocument();
    if (doc.slideCount <= 0)
        return;
    SwitchTimeDialog dlg(this);
    for (int i = 0; i < kMaxSlides; ++i)
        dlg.m_times[i] = doc.slides[i].switchTime;
    dlg.m_slideCount = doc.slideCount;
    dlg.m_pageCount = m_pageCount;
    dlg.m_page = m_page;
    for (int p = 0; p < kMaxPages; ++p)
        dlg.m_pageSlides[p] = m_pageSlides[p];
    dlg.Initialize();
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    RecordChange(QStringLiteral("時間セット"), [&] {
        for (int i = 0; i < kMaxSlides; ++i)
            doc.slides[i].switchTime = quint16(dlg.m_times[i]);
    });
    update();
}

void EditorWindow::OpenSystemSettings() {
    SettingsDialog dlg(this);
    dlg.m_openLast = ReadSettingInt(Setting::OpenLastAtStart, 0);
    dlg.m_titleMode = ReadSettingInt(Setting::TitleMode, 2);
    dlg.m_newSlideSeconds = ReadSettingInt(Setting::NewSlideSeconds, 5);
    dlg.m_limitSize = ReadSettingInt(Setting::LimitImageSize, 1);
    dlg.m_limitWidth = ReadSettingPositive(Setting::ImageLimitWidth, 500);
    dlg.m_limitHeight = ReadSettingPositive(Setting::ImageLimitHeight, 500);
    dlg.m_keyTolerance = ReadKeyTolerance();
    dlg.Initialize();
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    if (ReadSettingInt(Setting::TitleMode, 2) != dlg.m_titleMode) {
        WriteSettingInt(Setting::TitleMode, dlg.m_titleMode);
        update();
    }
    const QString limitBefore = ImageLimitText();
    WriteSettingInt(Setting::OpenLastAtStart, dlg.m_openLast);
    WriteSettingInt(Setting::NewSlideSeconds, dlg.m_newSlideSeconds);
    WriteSettingInt(Setting::LimitImageSize, dlg.m_limitSize);
    WriteSettingInt(Setting::ImageLimitWidth, dlg.m_limitWidth);
    WriteSettingInt(Setting::ImageLimitHeight, dlg.m_limitHeight);
    // Stored only once chosen, so that an unchanged default follows the program's.
    if (dlg.m_keyTolerance != ReadKeyTolerance())
        WriteSettingInt(Setting::KeyTolerance, dlg.m_keyTolerance);
    // The empty page's hint says the size limit: it follows a new one.
    if (CurrentDocument().slideCount == 0 && ImageLimitText() != limitBefore)
        update();
}

void EditorWindow::OpenVersionInfo() {
    AboutDialog dlg(this);
    RunModal(dlg);
}

void EditorWindow::OpenHelp() {
    ShowHelp(this);
}

void EditorWindow::OpenSlideList() {
    SlideListDialog dlg(this);
    // The slides the list deletes while it is open are one step.
    RecordChange(QStringLiteral("スライドの削除"), [&] { RunModal(dlg); });
    m_selectedCell = -1;
    update();
}

void EditorWindow::OpenSlideProperties(int index) {
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    SlidePropertiesDialog dlg(this);
    dlg.m_index = index;
    dlg.Initialize();
    // Whatever the dialog changed is one step, named after the tolerance when it
    // changed one (the slide's picture then changed with it).
    RecordChange(
        [&dlg] {
            return dlg.m_toleranceChanged ? QStringLiteral("透過色の許容差の変更")
                                          : QStringLiteral("プレビュー背景色の変更");
        },
        [&] { RunModal(dlg); });
    if (m_selectedCell >= 0) {
        m_selectedCell = -1;
        update();
    }
}
