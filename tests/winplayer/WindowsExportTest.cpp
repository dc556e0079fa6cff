// Exporting for Windows: the runtime it copies, the name it needs, the dialog's choice.

#include "document/Document.h"
#include "document/DocumentStream.h"
#include "packaging/Executable.h"
#include "packaging/ui/ExportDialog.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct WindowsExport : ::testing::Test {
    QTemporaryDir dir;
    TestPrompts prompts;
    CountingEditState ed;
    QByteArray nativeRuntime = QByteArray(3000, 'n');
    QByteArray windowsRuntime = QByteArray("MZ") + QByteArray(5000 - 2, 'w');
    void SetUp() override {
        ResetWorld();
        FillSlides(ed, 2);
        SetRuntimeFolderOverride(dir.path());
        ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), nativeRuntime));
    }
    void TearDown() override { SetRuntimeFolderOverride(QString()); }
    void AddWindowsRuntime() {
        ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl-windows.exe"), windowsRuntime));
    }
};

TEST_F(WindowsExport, CopiesTheWindowsRuntimeBeforeTheStreamAndTrailer) {
    AddWindowsRuntime();
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(stream));

    const QString target = dir.filePath("スライド.exe");
    ASSERT_TRUE(CreateExecutable(target, {}, RuntimeTarget::Windows));
    // 5000 = 00 00 13 88.
    const QByteArray want =
        windowsRuntime + stream.data() + QByteArray("\x03\xCA\x19\x3A\x00\x00\x13\x88", 8);
    EXPECT_EQ(ReadFileBytes(target), want);
    EXPECT_TRUE(prompts.messageIds().isEmpty());
    EXPECT_EQ(RuntimePath(RuntimeTarget::Windows), dir.filePath("LsrCtrl-windows.exe"));
    EXPECT_EQ(RuntimePath(RuntimeTarget::Native), dir.filePath("LsrCtrl.dll"));
}

TEST_F(WindowsExport, WithoutTheWindowsRuntimeNothingIsWritten) {
    EXPECT_FALSE(QFileInfo::exists(RuntimePath(RuntimeTarget::Windows)));
    const QString target = dir.filePath("show.exe");
    EXPECT_FALSE(CreateExecutable(target, {}, RuntimeTarget::Windows));
    ASSERT_EQ(prompts.messageIds(), QList<Msg>{Msg::WindowsRuntimeUnavailable});
    EXPECT_TRUE(prompts.calls.first().text.startsWith(QStringLiteral("LsrCtrl-windows.exe\n")));
    EXPECT_TRUE(prompts.calls.first().text.contains(QStringLiteral("Windows 用")));
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(WindowsExport, AWindowsExecutableNeedsItsExtension) {
    struct Row {
        const char* path;
        std::optional<Msg> problem;
    };
    const Row rows[] = {
        {"", Msg::NoTarget},
        {"/t/show", Msg::ExeExtensionRequired},
        {"/t/show.ex", Msg::ExeExtensionRequired},
        {"/t/show.lsr", Msg::ExeExtensionRequired},
        {"/t/show.exe", std::nullopt},
        {"/t/show.EXE", std::nullopt},
        {"/t/スライド.Exe", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CheckExecutableTarget(QString::fromUtf8(r.path), RuntimeTarget::Windows),
                  r.problem)
            << r.path;
}

TEST_F(WindowsExport, TheDialogMakesThisSystemsByDefaultAndWindowsOnesWhenChosen) {
    AddWindowsRuntime();
    const QString native = dir.filePath("native.exe");
    const QString windows = dir.filePath("windows.exe");
    {
        ExportDialog dlg;
        EXPECT_EQ(dlg.SelectedTarget(), RuntimeTarget::Native);
        dlg.pathEdit()->setText(native);
        prompts.answer(Answer::No); // Msg::ExportDoneShowFolderQuestion
        dlg.OnCreate();
    }
    {
        ExportDialog dlg;
        EXPECT_EQ(dlg.targetBox()->count(), 2);
        dlg.targetBox()->setCurrentIndex(dlg.targetBox()->findText(QStringLiteral("Windows")));
        EXPECT_EQ(dlg.SelectedTarget(), RuntimeTarget::Windows);
        dlg.pathEdit()->setText(windows);
        prompts.answer(Answer::No);
        dlg.OnCreate();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(ReadFileBytes(native).startsWith(nativeRuntime));
    EXPECT_TRUE(ReadFileBytes(windows).startsWith(windowsRuntime));
    EXPECT_EQ(prompts.messageIds(),
              (QList<Msg>{Msg::ExportDoneShowFolderQuestion, Msg::ExportDoneShowFolderQuestion}));
}

} // namespace
