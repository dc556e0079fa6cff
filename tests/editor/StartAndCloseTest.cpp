#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
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
        CurrentDocument().Clear();
    }
    TestPrompts p;
    EditorWindow dlg;
    dlg.m_startFile = path;
    ASSERT_TRUE(dlg.Initialize());
    EXPECT_EQ(CurrentDocument().slideCount, 22);
    EXPECT_EQ(CurrentDocument().filePath, path);
    EXPECT_EQ(dlg.m_page, 0);
    EXPECT_EQ(dlg.m_pageCount, 2);
    EXPECT_EQ(dlg.m_pageSlides[1], 2);
    EXPECT_FALSE(dlg.m_modified);
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(StartAndClose, ClosingAsksAboutUnsavedChanges) {
    struct Row {
        const char* name;
        bool modified;
        Answer answer; // None: no question
        bool closes;
    };
    const Row rows[] = {
        {"unmodified closes without a question", false, Answer::None, true},
        {"Cancel keeps the window", true, Answer::Cancel, false},
        {"No closes without saving", true, Answer::No, true},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        EditorWindow dlg;
        dlg.Initialize();
        dlg.show();
        FillSlides(dlg, 2);
        dlg.m_modified = r.modified;
        if (r.answer != Answer::None)
            p.answer(r.answer);
        dlg.reject();
        EXPECT_EQ(!dlg.isVisible(), r.closes) << r.name;
        EXPECT_EQ(p.messageIds(),
                  r.answer != Answer::None ? QList<Msg>{Msg::SaveChangesQuestion} : QList<Msg>{})
            << r.name;
        ReleaseAllPictures();
    }
    { // Yes saves (here: Save As, cancelled); without a saved file the window stays.
        TestPrompts p;
        EditorWindow dlg;
        dlg.Initialize();
        dlg.show();
        FillSlides(dlg, 1);
        dlg.m_modified = true;
        p.answer(Answer::Yes);
        p.answerSave(QString());
        dlg.reject();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_TRUE(dlg.m_modified);
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[1].type, PromptCall::SaveFile);
    }
}
