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
    EditorWindow editor;
    editor.m_startFile = path;
    ASSERT_TRUE(editor.Initialize());
    EXPECT_EQ(CurrentDocument().slideCount, 22);
    EXPECT_EQ(CurrentDocument().filePath, path);
    EXPECT_EQ(editor.m_page, 0);
    EXPECT_EQ(editor.m_pageCount, 2);
    EXPECT_EQ(editor.m_pageSlides[1], 2);
    EXPECT_FALSE(editor.m_modified);
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
        EditorWindow editor;
        editor.Initialize();
        editor.show();
        FillSlides(editor, 2);
        editor.m_modified = r.modified;
        if (r.answer != Answer::None)
            p.answer(r.answer);
        editor.reject();
        EXPECT_EQ(!editor.isVisible(), r.closes) << r.name;
        EXPECT_EQ(p.messageIds(),
                  r.answer != Answer::None ? QList<Msg>{Msg::SaveChangesQuestion} : QList<Msg>{})
            << r.name;
        ReleaseAllPictures();
    }
    { // Yes saves (here: Save As, cancelled); without a saved file the window stays.
        TestPrompts p;
        EditorWindow editor;
        editor.Initialize();
        editor.show();
        FillSlides(editor, 1);
        editor.m_modified = true;
        p.answer(Answer::Yes);
        p.answerSave(QString());
        editor.reject();
        EXPECT_TRUE(editor.isVisible());
        EXPECT_TRUE(editor.m_modified);
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[1].type, PromptCall::SaveFile);
    }
}
