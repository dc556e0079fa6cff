// Where the document dialogs start (the open document's folder, else the one of the
// document used last, never where pictures were added).

#include "base/Settings.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DocumentDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"shows", "other", "pictures"})
            ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(folder)));
    }
    void TearDown() override { ResetWorld(); }
    QString folder(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    CountingEditState ed;
};

TEST_F(DocumentDialogs, OpenAndSaveAsStartInTheDocumentsFolder) {
    struct Row {
        const char* name;
        QString open;     // the open document's file; empty: untitled
        QString last;     // the document opened or saved last (setting); empty: none
        QString expected; // the folder the dialogs start in; empty: the dialog's own
    };
    const Row rows[] = {
        {"the open document's folder", folder("shows") + "/a.lsr", folder("other") + "/b.lsr",
         folder("shows")},
        {"untitled: the last document's folder", QString(), folder("other") + "/b.lsr",
         folder("other")},
        {"the last document's folder is gone", QString(), dir.filePath("gone/b.lsr"), QString()},
        {"nothing to go by", QString(), QString(), QString()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        NewDocument(ed);
        FillSlides(ed, 1);
        CurrentDocument().filePath = r.open;
        if (!r.last.isEmpty())
            WriteSettingString(Setting::LastDocument, r.last);
        TestPrompts p;
        p.answerFiles({});
        OnOpenCommand(ed);
        p.answerSave(QString());
        OnSaveAsCommand(ed);
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[0].type, PromptCall::OpenFiles);
        EXPECT_EQ(p.calls[0].request.folder, r.expected);
        EXPECT_EQ(p.calls[1].type, PromptCall::SaveFile);
        EXPECT_EQ(p.calls[1].request.folder, r.expected);
    }
}

} // namespace
