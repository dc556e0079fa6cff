// The platform layer's program-folder lookup, path separators and the version.

#include "base/Platform.h"
#include "app/CommandLine.h"
#include "base/Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ProgramFolder, FollowsLinksToTheRealFile) {
    QTemporaryDir dir;
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(root).mkpath("prefix/libexec/app"));
    ASSERT_TRUE(QDir(root).mkpath("prefix/bin"));
    ASSERT_TRUE(QDir(root).mkpath("elsewhere"));
    const QString real = root + "/prefix/libexec/app/prog";
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // A relative link on the PATH, a link to that link, and a link to the folder.
    ASSERT_TRUE(QFile::link("../libexec/app/prog", root + "/prefix/bin/prog"));
    ASSERT_TRUE(QFile::link(root + "/prefix/bin/prog", root + "/elsewhere/chained"));
    ASSERT_TRUE(QFile::link(root + "/prefix/libexec/app", root + "/elsewhere/dirlink"));
    const QString folder = root + "/prefix/libexec/app";
    struct Row {
        QString path, expected;
    };
    const Row rows[] = {
        {real, folder},
        {root + "/prefix/bin/prog", folder},
        {root + "/elsewhere/chained", folder},
        {root + "/elsewhere/dirlink/prog", folder},
        {root + "/prefix/bin/../libexec/app/prog", folder},
        {root + "/prefix/bin/missing", QString()},
    };
    for (const Row& r : rows)
        EXPECT_EQ(RealFolderOf(r.path), r.expected) << r.path.toStdString();
}

TEST(ProgramFolder, IsTheRunningProgramsOwnFolder) {
    const QString expected = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    EXPECT_EQ(ProgramFolder(), expected);
    EXPECT_EQ(QFileInfo(ProgramFilePath()).canonicalFilePath(), ProgramFilePath());
    EXPECT_TRUE(QFileInfo(ProgramFilePath()).isExecutable());
}

TEST(PathSeparators, LastOneOfThePlatform) {
    struct Row {
        const char* path;
        int posix, windows;
    };
    const Row rows[] = {
        {"/a/b.lsr", 2, 2},       {"name.lsr", -1, -1}, {"C:\\x\\y.lsr", -1, 4},
        {"C:\\x/y\\z.lsr", 4, 6}, {"/", 0, 0},
    };
    for (const Row& r : rows) {
#if defined(Q_OS_WIN)
        EXPECT_EQ(LastPathSeparator(QString::fromUtf8(r.path)), r.windows) << r.path;
#else
        EXPECT_EQ(LastPathSeparator(QString::fromUtf8(r.path)), r.posix) << r.path;
#endif
    }
}

TEST(Version, NewestEntryOfTheHistoryMatchesTheBuild) {
    const QStringList history = VersionHistory();
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history.at(0), QStringLiteral("Ver. 1.01 2022.11.14 Windows 11対応"));
    EXPECT_EQ(history.at(1), QStringLiteral("Ver. 1.00 2012.07.10 新規作成"));
    EXPECT_EQ(ProgramVersion(), QStringLiteral("1.01"));
    // The package and the build carry the same number as the version box.
    EXPECT_EQ(ProgramVersion(), QStringLiteral(LSR_VERSION));
#if defined(Q_OS_LINUX)
    EXPECT_EQ(VersionText("luserio"),
              QStringLiteral("luserio 1.01 (Linux %1)\n").arg(QSysInfo::buildCpuArchitecture()));
#endif
}

} // namespace
