// The working folder and its work files: one folder per user, a folder of the
// process's own when something else stands in its place, a file of its own for every
// save, open and export, nothing left behind (what killed copies left goes after a
// day), and hostile cabinets that write nothing but the document.

#include "base/Messages.h"
#include "base/Platform.h"
#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "packaging/Executable.h"
#include "packaging/WorkFolder.h"
#include "tests/packaging/CabBuilder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <climits>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

/// Points the system's temporary folder at a folder of the test's own.
class WorkFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        base = dir.path() + QLatin1Char('/');
        SetRuntimeFolderOverride(dir.path());
        writeFile(base + QLatin1String(kRuntimeFileName), QByteArray(3000, 'R'));
    }
    void TearDown() override {
        SetRuntimeFolderOverride(QString());
        ResetWorld();
    }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QString work() const {
#if defined(Q_OS_UNIX)
        return tmp.path() + QStringLiteral("/%1-%2").arg(ApplicationName()).arg(::geteuid());
#else
        return tmp.path() + QLatin1Char('/') + ApplicationName();
#endif
    }
    /// What the working folder holds, its own entries only.
    QStringList workEntries() const {
        return QDir(work()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }
    /// The document stream of a document of `n` slides.
    QByteArray streamOf(int n) {
        NewDocument(ed);
        FillSlides(ed, n);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(WriteDocumentStream(buffer));
        return bytes;
    }

    const TempFolderOverride tmp;
    QTemporaryDir dir;
    QString base;
    CountingEditState ed;
};

#if defined(Q_OS_UNIX)
/// A user id nobody on the machine has: another user.
constexpr uid_t kOtherUser = 54321;

/// The owner and mode of the entry `path` itself; mode 0 when there is none.
struct Entry {
    uid_t uid = 0;
    mode_t mode = 0;
    bool operator==(const Entry& o) const { return uid == o.uid && mode == o.mode; }
};
Entry EntryAt(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_uid, st.st_mode};
}
#endif

} // namespace

TEST_F(WorkFiles, EachUserHasAPrivateFolderOfTheirOwn) {
    TestPrompts p;
    // Another user's folder of the application's plain name is none of our business:
    // here a link to elsewhere and, where the test may change owners, a foreign folder.
    const QString shared = tmp.path() + QLatin1Char('/') + ApplicationName();
#if defined(Q_OS_UNIX)
    if (::geteuid() == 0) {
        ASSERT_TRUE(QDir().mkdir(shared));
        ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), 4321, 4321), 0);
        ::chmod(QFile::encodeName(shared).constData(), 0700);
    } else {
        ASSERT_TRUE(QFile::link(dir.path(), shared));
    }
#endif
    EXPECT_EQ(GetWorkFolder(), work());
    EXPECT_EQ(WorkFolderName(), QFileInfo(work()).fileName());
#if defined(Q_OS_UNIX)
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(work()).constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
#endif
    // Saving, opening and exporting all work.
    NewDocument(ed);
    FillSlides(ed, 2);
    ASSERT_TRUE(WriteDocumentFile(base + "show.lsr"));
    ASSERT_TRUE(OpenDocument(base + "show.lsr"));
    ASSERT_TRUE(CreateExecutable(base + "show.exe"));
    EXPECT_TRUE(p.calls.isEmpty());
    CurrentDocument().Clear(); // the open document's work file goes with its pictures
    EXPECT_TRUE(workEntries().isEmpty()) << workEntries().join(' ').toStdString();
}

TEST_F(WorkFiles, NamesTakenInTheWorkingFolderNeverBlockOrMixWork) {
    TestPrompts p;
    ASSERT_FALSE(GetWorkFolder().isEmpty());
    // What another copy (or an earlier crash) may have left under the names a save and
    // an export once used: a folder named like the document, a file named "Slide".
    ASSERT_TRUE(QDir().mkdir(work() + "/show.lsr"));
    writeFile(work() + "/Slide", "left over");
    NewDocument(ed);
    FillSlides(ed, 3);
    ASSERT_TRUE(WriteDocumentFile(base + "show.lsr"));
    ASSERT_TRUE(CreateExecutable(base + "show.exe"));
    NewDocument(ed);
    ASSERT_TRUE(OpenDocument(base + "show.lsr"));
    EXPECT_EQ(CurrentDocument().slideCount, 3);
    EXPECT_TRUE(p.calls.isEmpty());
    CurrentDocument().Clear();
    QStringList left = workEntries();
    left.sort();
    EXPECT_EQ(left, (QStringList{"Slide", "show.lsr"})) << "only the planted names";
}

TEST_F(WorkFiles, OpeningWritesTheDocumentMemberAloneAndItGoesWithThePictures) {
    using namespace testcab;
    const QByteArray document = streamOf(2);
    // First member: 4 MiB of zeros named "Slide" in a folder of its own; the document
    // stream comes last, as the member an extraction of everything writes last.
    constexpr int kZeroBlocks = 128;
    CabSpec s;
    FolderSpec zeros;
    for (int i = 0; i < kZeroBlocks; ++i)
        zeros.blocks.push_back(mszipBlock(QByteArray(32768, '\0')));
    s.folders.push_back(zeros);
    FolderSpec doc;
    doc.type = 0;
    doc.blocks.push_back(storedBlock(document));
    s.folders.push_back(doc);
    s.files.push_back(FileSpec{"Slide", quint32(kZeroBlocks * 32768), 0, 0});
    s.files.push_back(FileSpec{"show.lsr", quint32(document.size()), 0, 1});
    writeFile(base + "hostile.lsr", build(s));

    // The zeros named last instead: the open refuses the stream and still leaves nothing.
    std::swap(s.files[0].folder, s.files[1].folder);
    std::swap(s.folders[0], s.folders[1]);
    writeFile(base + "zeros-last.lsr", build(s));

    struct Row {
        const char* name;
        bool ok;
        int slides;
        QList<Msg> messages;
    };
    const Row rows[] = {
        {"hostile.lsr", true, 2, {}},
        {"zeros-last.lsr", false, 0, {Msg::WrongFileFormat}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        TestPrompts p;
        EXPECT_EQ(OpenDocument(base + r.name), r.ok);
        EXPECT_EQ(CurrentDocument().slideCount, r.slides);
        EXPECT_EQ(p.messageIds(), r.messages);
        // The document member alone was written: the open document's pictures are read
        // from it, and it goes with them.
        const QStringList entries = workEntries();
        ASSERT_EQ(entries.size(), r.ok ? 1 : 0) << entries.join(' ').toStdString();
        if (r.ok) {
            EXPECT_EQ(QFileInfo(work() + "/" + entries[0]).size(), document.size());
        }
        CurrentDocument().Clear();
        EXPECT_TRUE(workEntries().isEmpty()) << workEntries().join(' ').toStdString();
    }
    // Exporting afterwards is not disturbed by what the cabinet held.
    ResetWorld();
    TestPrompts p;
    ASSERT_TRUE(OpenDocument(base + "hostile.lsr"));
    EXPECT_TRUE(CreateExecutable(base + "show.exe"));
    EXPECT_TRUE(p.calls.isEmpty());
}

#if defined(Q_OS_UNIX)

TEST_F(WorkFiles, WhatStandsInTheWayGivesWayToAPrivateFolderOfTheProcess) {
    const auto foreignFolder = [](mode_t mode) {
        return [mode](const QString& at) {
            const QByteArray path = QFile::encodeName(at);
            return ::mkdir(path.constData(), 0700) == 0 &&
                   ::chown(path.constData(), kOtherUser, kOtherUser) == 0 &&
                   ::chmod(path.constData(), mode) == 0;
        };
    };
    struct Row {
        const char* name;
        bool needsRoot; // giving a folder to another user
        std::function<bool(const QString&)> plant;
    };
    const Row rows[] = {
        {"another user's private folder", true, foreignFolder(0700)},
        {"another user's folder open to all", true, foreignFolder(0777)},
        {"a symbolic link to nowhere", false,
         [](const QString& at) { return QFile::link(at + "-nowhere", at); }},
        {"a regular file", false,
         [](const QString& at) { return WriteFileBytes(at, "in the way"); }},
    };
    const QString pid = QString::number(QCoreApplication::applicationPid());
    int skipped = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.needsRoot && ::geteuid() != 0) {
            ++skipped;
            continue;
        }
        const TempFolderOverride rowTmp; // each row starts in a temporary folder of its own
        const QString own = rowTmp.path() + QLatin1Char('/') + WorkFolderName();
        ASSERT_TRUE(r.plant(own));
        const Entry planted = EntryAt(own);
        TestPrompts p;
        const QString folder = GetWorkFolder();
        // A new folder beside it, named for this process, that only the user can reach.
        const QRegularExpression beside(QLatin1Char('^') + QRegularExpression::escape(own) + '-' +
                                        pid + "-[A-Za-z0-9]{6}$");
        EXPECT_TRUE(beside.match(folder).hasMatch()) << folder.toStdString();
        const Entry made = EntryAt(folder);
        EXPECT_TRUE(S_ISDIR(made.mode));
        EXPECT_EQ(made.mode & 07777, 0700u);
        EXPECT_EQ(made.uid, ::geteuid());
        // Saving, opening and exporting work there without a word and leave nothing.
        NewDocument(ed);
        FillSlides(ed, 2);
        EXPECT_TRUE(WriteDocumentFile(base + "show.lsr"));
        EXPECT_TRUE(OpenDocument(base + "show.lsr"));
        EXPECT_TRUE(CreateExecutable(base + "show.exe"));
        CurrentDocument().Clear();
        EXPECT_TRUE(p.calls.isEmpty());
        EXPECT_TRUE(QDir(folder).isEmpty());
        // What stood there stays as it was; the process keeps its folder, also once the
        // way is clear.
        EXPECT_TRUE(EntryAt(own) == planted);
        ASSERT_TRUE(QFile::remove(own) || QDir().rmdir(own));
        EXPECT_EQ(GetWorkFolder(), folder);
    }
    if (skipped > 0)
        GTEST_SKIP() << "the rows with another user's folder need root";
}

TEST_F(WorkFiles, OnlyWhenNoFolderCanBeHadAMessageNamesIt) {
    const QString missing = tmp.path() + QStringLiteral("/missing");
    // A temporary folder whose path leaves no room for a folder in it.
    QString deep = dir.path();
    while (deep.size() < PATH_MAX - 8)
        deep += QLatin1Char('/') + QString(std::min(200, int(PATH_MAX - 8 - deep.size() - 1)), 'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    const struct {
        const char* name;
        QString temp, named;
    } rows[] = {
        {"a temporary folder that does not exist", missing, missing},
        {"no room for a folder", deep, deep + QLatin1Char('/') + WorkFolderName()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        qputenv("TMPDIR", QFile::encodeName(r.temp));
        TestPrompts p;
        EXPECT_TRUE(GetWorkFolder().isEmpty());
        EXPECT_FALSE(NewWorkFile(QStringLiteral(".stream")));
        const QString text = r.named + QStringLiteral("\n作業フォルダを使用できません");
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[0].text, text);
        EXPECT_EQ(p.calls[1].text, text);
    }
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    EXPECT_TRUE(QDir(deep).isEmpty()) << "nothing was made";
}

#endif
