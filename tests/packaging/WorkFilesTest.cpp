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

/// The id of a process that ran and is gone: a child that ended at once, reaped.
qint64 GonePid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

/// Dates the entry `path` itself (a link, not what it points to) two days back.
bool MakeOld(const QString& path) {
    const time_t then = ::time(nullptr) - 2 * 24 * 60 * 60;
    const struct timespec times[2] = {{then, 0}, {then, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}

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

TEST_F(WorkFiles, WhatGoneCopiesLeftGoesAfterADayAndNothingElse) {
    ASSERT_EQ(GetWorkFolder(), work());
    const QString gone = QString::number(GonePid());
    const QString live = QString::number(QCoreApplication::applicationPid());
    const QString in = work() + QLatin1Char('/');
    const QString beside = work() + QLatin1Char('-'); // folders made in its place
    enum Kind { File, Folder, Link };
    struct Row {
        QString path;
        Kind kind;
        bool old;
        bool removed;
        bool otherOwner = false; // needs root
    };
    const Row rows[] = {
        // In the working folder.
        {in + "work-" + gone + "-AbCdEf.stream", File, true, true},
        {in + "work-" + gone + "-GhIj42.png", File, true, true},
        {in + "work-" + gone + "-KlMnOp.bmp", File, false, false},   // fresh
        {in + "work-" + live + "-QrStUv.stream", File, true, false}, // this process
        {in + "work-1-WxYzAb.stream", File, true, false},            // the init process
        {in + "work-AbCdEf.stream", File, true, false},              // no process id
        {in + "work-" + gone + "-AbCdEf.stream.bak", File, true, false},
        {in + "notes-" + gone + ".txt", File, true, false},
        {in + "work-" + gone + "-CdEfGh.stream", Folder, true, false}, // not a file
        {in + "work-" + gone + "-IjKlMn.stream", Link, true, false},
        // Beside it.
        {beside + gone + "-Gone12", Folder, true, true},
        {beside + gone + "-Gone12/work-" + gone + "-MnOpQr.stream", File, true, true},
        {beside + gone + "-Busy12", Folder, true, false}, // still holds a fresh file
        {beside + gone + "-Busy12/work-" + gone + "-StUvWx.stream", File, false, false},
        {beside + gone + "-Fresh1", Folder, false, false},
        {beside + live + "-Live12", Folder, true, false},
        {beside + gone + "-FiLe12", File, true, false},
        {beside + gone + "-Other1", Folder, true, false, true},
        // Named for another user.
        {tmp.path() + "/" + ApplicationName() + '-' + QString::number(::geteuid() + 1) + '-' +
             gone + "-AbC123",
         Folder, true, false},
    };
    const bool root = ::geteuid() == 0;
    for (const Row& r : rows) {
        if (r.otherOwner && !root)
            continue;
        SCOPED_TRACE(r.path.toStdString());
        const QByteArray path = QFile::encodeName(r.path);
        switch (r.kind) {
        case File:
            ASSERT_TRUE(WriteFileBytes(r.path, "work"));
            break;
        case Folder:
            ASSERT_EQ(::mkdir(path.constData(), 0700), 0);
            break;
        case Link:
            ASSERT_TRUE(QFile::link(r.path + "-nowhere", r.path));
            break;
        }
        if (r.otherOwner) {
            ASSERT_EQ(::lchown(path.constData(), kOtherUser, kOtherUser), 0);
        }
    }
    // Dated once everything is made: making an entry changes its folder's date.
    for (const Row& r : rows)
        if (r.old && (root || !r.otherOwner)) {
            ASSERT_TRUE(MakeOld(r.path)) << r.path.toStdString();
        }

    RemoveStaleWorkFiles();
    for (const Row& r : rows) {
        if (r.otherOwner && !root)
            continue;
        EXPECT_EQ(EntryAt(r.path).mode == 0, r.removed) << r.path.toStdString();
    }
}

TEST_F(WorkFiles, EveryWindowlessModeClearsWhatGoneCopiesLeftAndLeavesNothingOfItsOwn) {
    const QString gone = QString::number(GonePid());
    const QString ownName = QStringLiteral("luserio-%1").arg(::geteuid());
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(base + "picture.png"));
    const QString document = base + "run.lsr";
    const struct {
        const char* mode;
        QStringList args;
    } rows[] = {
        // In this order: the build writes the document the others read.
        {"--build", {"--build", document, base + "picture.png"}},
        {"--info", {"--info", document}},
        {"--export-exe", {"--export-exe", document, base + "run.exe"}},
    };
    for (const auto& r : rows) {
        for (const bool blocked : {false, true}) {
            SCOPED_TRACE(std::string(r.mode) + (blocked ? ", the folder's place taken by a link"
                                                        : ", files of gone copies"));
            QTemporaryDir runTmp;
            const QString own = runTmp.path() + QLatin1Char('/') + ownName;
            const QString stale = own + "/work-" + gone + "-AbCdEf.stream";
            const QString fresh = own + "/work-" + gone + "-GhIjKl.stream";
            if (blocked) {
                ASSERT_TRUE(QFile::link(own + "-nowhere", own));
            } else {
                ASSERT_TRUE(MakePrivateFolder(own));
                ASSERT_TRUE(WriteFileBytes(stale, QByteArray(1000, 's')));
                ASSERT_TRUE(WriteFileBytes(fresh, QByteArray(1000, 'f')));
                ASSERT_TRUE(MakeOld(stale));
            }
            const ProgramRun run = RunLuserio(r.args, {"TMPDIR=" + runTmp.path()});
            EXPECT_EQ(run.code, 0) << run.err.toStdString();
            EXPECT_FALSE(QString::fromUtf8(run.err).contains("作業フォルダ"));
            if (blocked) {
                // The folder the run made in its place went when it ended.
                EXPECT_EQ(
                    QDir(runTmp.path()).entryList({ownName + '*'}, QDir::AllEntries | QDir::System),
                    QStringList{ownName});
            } else {
                EXPECT_EQ(QDir(own).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                          QStringList{QFileInfo(fresh).fileName()});
            }
        }
    }
}

#endif
