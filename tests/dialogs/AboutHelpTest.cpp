#include "dialogs/AboutDialog.h"
#include "dialogs/HelpWindow.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

class AboutHelp : public DialogTest {};

/// A one-page PDF at `path`.
void WritePdf(const QString& path) {
    QPdfWriter pdf(path);
    QPainter p(&pdf);
    p.drawText(100, 100, QStringLiteral("test"));
}

TEST_F(AboutHelp, VersionBoxShowsTheNewestVersionFirst) {
    AboutDialog dlg;
    const QStringList lines = dlg.historyEdit()->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Ver. 1.01 2022.11.14 Windows 11対応");
    EXPECT_EQ(lines[1], "Ver. 1.00 2012.07.10 新規作成");
    EXPECT_TRUE(dlg.historyEdit()->isReadOnly());
    EXPECT_EQ(dlg.windowTitle(), "バージョン情報");
#if defined(Q_OS_LINUX)
    // The box names the system this copy was built for.
    EXPECT_EQ(dlg.platformLabel()->text(),
              QStringLiteral("Linux %1 版").arg(QSysInfo::buildCpuArchitecture()));
#endif

    EditorWindow editor;
    Script<AboutDialog>([](AboutDialog& d) { QTest::mouseClick(d.okButton(), Qt::LeftButton); });
    editor.OpenVersionInfo();
    EXPECT_EQ(runs, 1);
}

TEST_F(AboutHelp, ManualPathIsNextToTheExecutable) {
    struct Row {
        const char* exe;
        const char* path;
    };
    const Row rows[] = {
        {"/opt/luserio/luserio", "/opt/luserio/Manual.pdf"},
        {"C:\\Program Files\\luserio\\luserio.exe", "C:\\Program Files\\luserio\\Manual.pdf"},
        {"/luserio", "/Manual.pdf"},
        {"luserio", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(HelpWindow::ManualPath(QString::fromLatin1(r.exe), QStringLiteral("Manual")),
                  QString::fromLatin1(r.path))
            << r.exe;
}

TEST_F(AboutHelp, ManualFoundOpensMaximisedAndTitled) {
    QTemporaryDir dir;
    WritePdf(dir.filePath(QStringLiteral("Manual.pdf")));
    TestPrompts prompts;
    HelpWindow dlg;
    dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
    dlg.m_manualName = QStringLiteral("Manual");
    ASSERT_TRUE(dlg.Initialize());
    EXPECT_EQ(dlg.windowTitle(), "Manual");
    EXPECT_TRUE(dlg.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dlg.document()->status(), QPdfDocument::Status::Ready);
    EXPECT_EQ(dlg.document()->pageCount(), 1);
    EXPECT_TRUE(prompts.calls.isEmpty());
}

TEST_F(AboutHelp, ManualMissingTellsAndOpensNothing) {
    QTemporaryDir dir;
    TestPrompts prompts;
    {
        HelpWindow dlg;
        dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
        EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::ManualMissing});
        EXPECT_EQ(prompts.calls[0].kind, MsgKind::Info);
    }
    {
        QDir(dir.path()).mkdir(QStringLiteral("Manual.pdf")); // a folder is not a manual
        HelpWindow dlg;
        dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
    }
    {
        HelpWindow dlg;
        dlg.m_programPath = QStringLiteral("luserio");
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
        EXPECT_EQ(prompts.messageIds().size(), 2) << "no folder: no message";
    }
}

TEST_F(AboutHelp, HelpIconShowsTheBuiltManual) {
    // The build writes Manual.pdf next to the executables, where this test program
    // lives too, so the editor's help finds it.
    const QString built = QStringLiteral(LSR_BINARY_DIR "/Manual.pdf");
    ASSERT_TRUE(QFile::exists(built)) << "build the manual target first";
    EditorWindow editor;
    Script<HelpWindow>([](HelpWindow& d) {
        EXPECT_EQ(d.windowTitle(), "Manual");
        EXPECT_EQ(d.document()->status(), QPdfDocument::Status::Ready);
        EXPECT_GE(d.document()->pageCount(), 8) << "a manual worth reading";
        d.close();
    });
    editor.OpenHelp();
    EXPECT_EQ(runs, 1);
}

} // namespace
