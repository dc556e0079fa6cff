#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/ui/P20417Dlg.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class StartAndClose : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};

} // namespace

TEST_F(StartAndClose, TheOpeningOpensTheCommandLineDocument) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Start.lsr";
    {
        TestPrompts p;
        CountingEditState ed;
        NewDocument(ed);
        FillSlides(ed, 22);
        ASSERT_TRUE(WriteDocumentFile(path));
        ReleaseAllPictures();
        theApp().ResetToStartState();
    }
    TestPrompts p;
    CP20417Dlg dlg;
    dlg.m_strCmdFile = path;
    ASSERT_TRUE(dlg.OnInitDialog());
    EXPECT_EQ(theApp().m_nSlideCount, 22);
    EXPECT_EQ(theApp().m_strFilePath, path);
    EXPECT_EQ(dlg.m_nPage, 0);
    EXPECT_EQ(dlg.m_nPageCount, 2);
    EXPECT_EQ(dlg.m_nPageSlides[1], 2);
    EXPECT_EQ(dlg.m_bModified, 0);
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(StartAndClose, ClosingAsksAboutUnsavedChanges) {
    struct Row {
        const char* name;
        int modified;
        int answer; // 0 = no question
        bool closes;
    };
    const Row rows[] = {
        {"unmodified closes without a question", 0, 0, true},
        {"Cancel keeps the window", 1, IDCANCEL, false},
        {"No closes without saving", 1, IDNO, true},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        CP20417Dlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        FillSlides(dlg, 2);
        dlg.m_bModified = r.modified;
        if (r.answer)
            p.answer(r.answer);
        dlg.reject();
        EXPECT_EQ(!dlg.isVisible(), r.closes) << r.name;
        EXPECT_EQ(p.messageIds(), r.answer ? QList<int>{30004} : QList<int>{}) << r.name;
        ReleaseAllPictures();
    }
    { // Yes saves (here: Save As, cancelled); without a saved file the window stays.
        TestPrompts p;
        CP20417Dlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        FillSlides(dlg, 1);
        dlg.m_bModified = 1;
        p.answer(IDYES);
        p.answerSave(QString());
        dlg.reject();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.m_bModified, 1);
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[1].type, PromptCall::SaveFile);
    }
}
