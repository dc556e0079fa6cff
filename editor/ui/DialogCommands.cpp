// The main window's hand-over to the auxiliary dialogs and the hand-back of their
// results: the switch-time table and the settings work on copies that are written
// back on "保存して終了(&S)"; the slide list and the property dialog edit the document
// in place.

#include "app/Messages.h"
#include "app/P20417App.h"
#include "app/Settings.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/ImageDlg.h"
#include "dialogs/KansetDlg.h"
#include "dialogs/ListDlg.h"
#include "dialogs/ModalRunner.h"
#include "dialogs/TimeSetDlg.h"
#include "editor/ui/P20417Dlg.h"

void CP20417Dlg::OpenTimeSet() {
    CP20417App& app = theApp();
    if (app.m_nSlideCount <= 0)
        return;
    CTimeSetDlg dlg(this);
    for (int i = 0; i < MAX_SLIDES; ++i)
        dlg.m_nTimes[i] = app.m_slides[i].wSwitchTime;
    dlg.m_nSlideCount = app.m_nSlideCount;
    dlg.m_nPageCount = m_nPageCount;
    dlg.m_nPage = m_nPage;
    for (int p = 0; p < MAX_PAGES; ++p)
        dlg.m_nPageSlides[p] = m_nPageSlides[p];
    dlg.OnInitDialog();
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    m_bModified = 1;
    for (int i = 0; i < MAX_SLIDES; ++i)
        app.m_slides[i].wSwitchTime = quint16(dlg.m_nTimes[i]);
    update();
}

void CP20417Dlg::OpenSystemSettings() {
    CKansetDlg dlg(this);
    dlg.m_nFirstOpen = ReadSettingInt("SYS", "FirstOpen", 0);
    dlg.m_nTitle = ReadSettingInt("SYS", "Title", 2);
    dlg.m_nAutoCng = ReadSettingInt("SYS", "AutoCng", 5);
    dlg.m_nMentSize = ReadSettingInt("SYS", "MentSize", 1);
    dlg.m_nMentSizeW = ReadSettingInt("SYS", "MentSizeW", 500);
    dlg.m_nMentSizeH = ReadSettingInt("SYS", "MentSizeH", 500);
    dlg.OnInitDialog();
    if (RunModal(dlg) != QDialog::Accepted)
        return;
    if (ReadSettingInt("SYS", "Title", 2) != dlg.m_nTitle) {
        WriteSettingInt("SYS", "Title", dlg.m_nTitle);
        update();
    }
    WriteSettingInt("SYS", "FirstOpen", dlg.m_nFirstOpen);
    WriteSettingInt("SYS", "AutoCng", dlg.m_nAutoCng);
    WriteSettingInt("SYS", "MentSize", dlg.m_nMentSize);
    WriteSettingInt("SYS", "MentSizeW", dlg.m_nMentSizeW);
    WriteSettingInt("SYS", "MentSizeH", dlg.m_nMentSizeH);
}

void CP20417Dlg::OpenVersionInfo() {
    CAboutDlg dlg(this);
    RunModal(dlg);
}

void CP20417Dlg::OpenHelp() {
    CHelpDlg dlg(this);
    dlg.m_strManual = MessageText(30174);
    if (!dlg.OnInitDialog())
        return;
    RunModal(dlg);
}

void CP20417Dlg::OpenSlideList() {
    CListDlg dlg(this);
    RunModal(dlg);
    m_nSelect = -1;
    update();
}

void CP20417Dlg::OpenSlideProperties(int index) {
    if (index < 0 || index >= theApp().m_nSlideCount)
        return;
    CImageDlg dlg(this);
    dlg.m_nIndex = index;
    dlg.OnInitDialog();
    if (RunModal(dlg) == QDialog::Accepted)
        m_bModified = 1;
    if (m_nSelect >= 0) {
        m_nSelect = -1;
        update();
    }
}
