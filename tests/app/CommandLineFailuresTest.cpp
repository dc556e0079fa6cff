// The command-line modes that only look at a document leave the remembered last
// document alone, and a failed write (a file size limit, a name too long) says which
// file and why, ends with a failure and leaves no partial file.

#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

struct ShellRun {
    int code = -1;
    QString err;
};

/// Runs `command` through the shell (so a test can set limits first), with the
/// settings of `config`, the temporary folder `tmp` (when given) and no display.
ShellRun runShell(const QString& command, const QString& config, const QString& tmp = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    if (!tmp.isEmpty())
        env.insert(QStringLiteral("TMPDIR"), tmp);
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
}

TEST(CommandLineFailures, FailedWritesNameTheFileAndTheReasonAndLeaveNothingBehind) {
    ResetWorld();
    QTemporaryDir dir, config, tmp;
    const QString base = dir.path() + QLatin1Char('/');
    CountingEditState ed;
    {
        TestPrompts quiet;
        NewDocument(ed);
        CurrentDocument().slides[0].picture = MakeTestPicture(10, 10);
        CurrentDocument().slideCount = 1;
        ASSERT_TRUE(WriteDocumentFile(base + "show.lsr"));
    }
    ResetWorld();
    // A picture of noise: stored, it takes far more than the 8 KiB a limited run may write.
    QImage noise(160, 120, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    }
    ASSERT_TRUE(noise.save(base + "noise.png"));
    QFile show(base + "show.lsr");
    ASSERT_TRUE(show.open(QIODevice::ReadOnly));
    const QByteArray document = show.readAll();
    show.close();

    // Without the shell ignoring the signal itself: the program must.
    const QString limited = QStringLiteral("ulimit -f 16; exec "); // 16 blocks of 512 bytes
    const QString luserio = QStringLiteral("\"$LUSERIO\" ");
    const QString tooLong = QString(300, QLatin1Char('n'));
    QString deep = base; // beyond the system's path limit, in names that are short
    while (deep.size() < 5000)
        deep += QStringLiteral("folder/");
    const QString fileTooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    const QString nameTooLong = QString::fromLocal8Bit(std::strerror(ENAMETOOLONG));
    struct Row {
        const char* name;
        QString command;
        QString file;   // the file the message names; empty: a work file
        QString reason; // the system's reason on the line after it
    };
    const Row rows[] = {
        {"build over a document beyond the file size limit",
         limited + luserio + "--build " + quoted(base + "show.lsr") + " " +
             quoted(base + "noise.png"),
         QString(), fileTooLarge},
        {"export beyond the file size limit",
         limited + luserio + "--export-exe " + quoted(base + "show.lsr") + " " +
             quoted(base + "show.exe"),
         base + "show.exe", fileTooLarge},
        {"build to a name too long",
         luserio + "--build " + quoted(base + tooLong + ".lsr") + " " + quoted(base + "noise.png"),
         base + tooLong + ".lsr", nameTooLong},
        {"build to a path too long",
         luserio + "--build " + quoted(deep + "show.lsr") + " " + quoted(base + "noise.png"),
         deep + "show.lsr", nameTooLong},
        {"export to a name too long",
         luserio + "--export-exe " + quoted(base + "show.lsr") + " " + quoted(base + tooLong),
         base + tooLong, nameTooLong},
        {"export to a path too long",
         luserio + "--export-exe " + quoted(base + "show.lsr") + " " + quoted(deep + "show"),
         deep + "show", nameTooLong},
    };
    const QString workFolder = tmp.path() + QLatin1Char('/');
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const ShellRun run = runShell(r.command, config.path(), tmp.path());
        EXPECT_EQ(run.code, 1) << run.err.toStdString();
        // One line: the program, the gist, the file, the system's reason, the text.
        const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString why = QStringLiteral(": ") + r.reason + QStringLiteral(": ");
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&why](const QString& l) { return l.contains(why); });
        ASSERT_NE(line, lines.end()) << run.err.toStdString();
        EXPECT_TRUE(line->startsWith(QStringLiteral("luserio: "))) << line->toStdString();
        const QString file = line->section(why, 0, 0).section(QStringLiteral(": "), -1);
        if (r.file.isEmpty())
            EXPECT_TRUE(file.startsWith(workFolder)) << line->toStdString();
        else
            EXPECT_TRUE(line->contains(QStringLiteral(": ") + r.file + why)) << line->toStdString();
        EXPECT_FALSE(run.err.contains(MessageText(Msg::NoWriteAccess)));
        // Nothing partial anywhere: the folder holds what it held, the document is as it
        // was, and the work files are gone.
        EXPECT_EQ(QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  (QStringList{"noise.png", "show.lsr"}));
        QFile kept(base + "show.lsr");
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), document);
        QDirIterator work(tmp.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        EXPECT_FALSE(work.hasNext()) << work.next().toStdString();
    }
}
