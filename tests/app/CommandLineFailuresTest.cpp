// The command-line modes that only look at a document leave the remembered last
// document alone, and a failed export says why and ends with a failure.

#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

struct ShellRun {
    int code = -1;
    QString err;
};

/// Runs `command` through the shell (so a test can set limits first), with the
/// settings of `config` and no display.
ShellRun runShell(const QString& command, const QString& config) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("LUSERIO"), QStringLiteral(LSR_BINARY_DIR "/luserio"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    ShellRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString quoted(const QString& path) {
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

} // namespace

TEST(CommandLineFailures, LookingLeavesTheLastDocumentAndFailedExportsSayWhy) {
    ResetWorld();
    QTemporaryDir dir, config;
    const QString base = dir.path() + QLatin1Char('/');
    CountingEditState ed;
    {
        TestPrompts quiet;
        NewDocument(ed);
        CurrentDocument().slides[0].picture = MakeTestPicture(10, 10);
        CurrentDocument().slideCount = 1;
        ASSERT_TRUE(WriteDocumentFile(base + "show.lsr"));
        NewDocument(ed);
        ASSERT_TRUE(WriteDocumentFile(base + "empty.lsr"));
    }
    ResetWorld();
    const QString settings = config.path() + "/Varnholt/luserio.conf";
    const QString remembered = QStringLiteral("/somewhere/else.lsr");
    {
        QSettings s(settings, QSettings::IniFormat);
        s.setValue(QStringLiteral("Last/FilePath"), remembered);
    }
    const QString fsizeLimited = QStringLiteral("trap '' XFSZ; ulimit -f 64; ");
    struct Row {
        const char* name;
        QString command;
        int code;
        QStringList errLines; // lines standard error must hold
    };
    const Row rows[] = {
        {"info", "\"$LUSERIO\" --info " + quoted(base + "show.lsr") + " >/dev/null", 0, {}},
        {"export",
         "\"$LUSERIO\" --export-exe " + quoted(base + "show.lsr") + " " + quoted(base + "show.exe"),
         0,
         {}},
        {"export of a document without slides",
         "\"$LUSERIO\" --export-exe " + quoted(base + "empty.lsr") + " " + quoted(base + "e.exe"),
         1,
         {MessageText(Msg::EmptyDocumentExport)}},
        {"export onto a full disk",
         fsizeLimited + "\"$LUSERIO\" --export-exe " + quoted(base + "show.lsr") + " " +
             quoted(base + "full.exe"),
         1,
         {base + "full.exe", QString::fromLocal8Bit(std::strerror(EFBIG))}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const ShellRun run = runShell(r.command, config.path());
        EXPECT_EQ(run.code, r.code) << run.err.toStdString();
        for (const QString& line : r.errLines)
            EXPECT_TRUE(run.err.contains(line)) << run.err.toStdString();
        QSettings s(settings, QSettings::IniFormat);
        EXPECT_EQ(s.value(QStringLiteral("Last/FilePath")).toString(), remembered);
    }
    EXPECT_TRUE(QFile::exists(base + "show.exe"));
    EXPECT_FALSE(QFile::exists(base + "e.exe"));
    EXPECT_FALSE(QFile::exists(base + "full.exe"));
}
