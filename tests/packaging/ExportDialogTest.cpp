#include "packaging/ui/ExportDialog.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "packaging/Executable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ExportDialogTest : ::testing::Test {
    QTemporaryDir dir;
    TestPrompts prompts;
    CountingEditState ed;
    void SetUp() override {
        ResetWorld();
        FillSlides(ed, 2);
        SetRuntimeFolderOverride(dir.path());
        QFile f(dir.filePath("LsrCtrl.dll"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2000, 'r'));
    }
    void TearDown() override { SetRuntimeFolderOverride(QString()); }
};

TEST_F(ExportDialogTest, ChecksInOrderThenCreatesAndOffersTheFolder) {
    ExportDialog dlg;
    EXPECT_TRUE(dlg.pathEdit()->text().isEmpty());
    dlg.OnCreate();
    QList<Msg> said{Msg::NoTarget};
    // Where programs are named "*.exe", another name is refused.
    if (NeedsExeSuffix()) {
        dlg.pathEdit()->setText(dir.filePath("a.ex"));
        dlg.OnCreate();
        said << Msg::ExeExtensionRequired;
    }
    EXPECT_EQ(prompts.messageIds(), said);
    EXPECT_TRUE(ReadSettingString(Setting::LastExport, QString()).isEmpty());

    const QString target = dir.filePath("a.EXE");
    QFile(target).open(QIODevice::WriteOnly);
    dlg.pathEdit()->setText(target);
    prompts.answer(Answer::No); // Msg::ReplaceFileQuestion: keep the existing file
    dlg.OnCreate();
    EXPECT_EQ(ReadSettingString(Setting::LastExport, QString()), target);
    EXPECT_EQ(QFile(target).size(), 0);
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    prompts.answer(Answer::Yes); // Msg::ReplaceFileQuestion: overwrite
    prompts.answer(Answer::Yes); // Msg::ExportDoneShowFolderQuestion: show the folder
    prompts.answerShowFolder(true);
    dlg.OnCreate();
    said << Msg::ReplaceFileQuestion << Msg::ReplaceFileQuestion
         << Msg::ExportDoneShowFolderQuestion;
    EXPECT_EQ(prompts.messageIds(), said);
    EXPECT_EQ(prompts.calls.last().folder, dir.path());
    EXPECT_GT(QFile(target).size(), 2000 + 8);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(ExportDialogTest, BrowseProposesAnExeName) {
    CurrentDocument().filePath = dir.filePath("Sample.lsr");
    ExportDialog dlg;
    prompts.answerSave(QString());
    dlg.OnBrowse();
    ASSERT_EQ(prompts.calls.size(), 1);
    // Named after the document, with ".exe" where programs are named so.
    EXPECT_EQ(prompts.calls[0].request.fileName,
              NeedsExeSuffix() ? QString("Sample.exe") : QString("Sample"));
    EXPECT_EQ(prompts.calls[0].request.title, QString("保存するファイルを指定"));
    EXPECT_TRUE(dlg.pathEdit()->text().isEmpty()); // cancel leaves the edit box
    prompts.answerSave(dir.filePath("x.exe"));
    dlg.OnBrowse();
    EXPECT_EQ(dlg.pathEdit()->text(), dir.filePath("x.exe"));
}

} // namespace
