#include "packaging/Executable.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(Q_OS_UNIX)
#include "tests/support/FileSizeLimit.h"
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#endif

namespace {

struct ExecutableTest : ::testing::Test {
    QTemporaryDir dir;
    TestPrompts prompts;
    CountingEditState ed;
    void SetUp() override {
        ResetWorld();
        SetRuntimeFolderOverride(dir.path());
    }
    void TearDown() override { SetRuntimeFolderOverride(QString()); }
};

TEST_F(ExecutableTest, LayoutIsRuntimeStreamMagicAndLength) {
    FillSlides(ed, 2);
    QByteArray runtime(300000, '\0');
    for (int i = 0; i < runtime.size(); ++i)
        runtime[i] = char(i * 7 + 3);
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), runtime));
    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(expected));

    const QString target = dir.filePath("show.exe");
    int resets = 0;
    ASSERT_TRUE(CreateExecutable(target, [&](int v) { resets += v == 0; }));
    EXPECT_EQ(resets, 2);
    const QByteArray out = ReadFileBytes(target);
    const QByteArray stream = expected.data();
    ASSERT_EQ(out.size(), 300000 + stream.size() + 8);
    EXPECT_EQ(out.left(300000), runtime);
    EXPECT_EQ(out.mid(300000, stream.size()), stream);
    EXPECT_EQ(out.right(8), QByteArray::fromHex("03CA193A000493E0"));
    EXPECT_TRUE(QFileInfo(target).isExecutable());
    qint64 offset = 0, length = 0;
    ASSERT_TRUE(FindEmbeddedStream(target, &offset, &length));
    EXPECT_EQ(offset, 300000);
    EXPECT_EQ(length, stream.size());
    EXPECT_TRUE(prompts.calls.isEmpty());
    // The temporary stream is gone and nothing else was left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(ExecutableTest, SlideshowsOpenAsTheirDocumentUntitled) {
    FillSlides(ed, 3);
    CurrentDocument().slides[1].switchTime = 42;
    CurrentDocument().slides[2].flipV = 1;
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), QByteArray(5000, 'r')));
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(written));
    // Slideshows with and without the suffix of programs.
    for (const char* name : {"show.exe", "show"})
        ASSERT_TRUE(CreateExecutable(dir.filePath(name)));

    for (const char* name : {"show.exe", "show"}) {
        ResetWorld();
        ASSERT_TRUE(OpenDocument(dir.filePath(name))) << name;
        EXPECT_EQ(CurrentDocument().slideCount, 3);
        // Saving asks for a file: the slideshow is never overwritten by a document.
        EXPECT_TRUE(CurrentDocument().filePath.isEmpty());
        QBuffer read;
        read.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteDocumentStream(read));
        EXPECT_EQ(read.data(), written.data()) << name;
        // The document is read where it lies: writing the slideshow again over the very
        // file its pictures are read from keeps every picture.
        ASSERT_TRUE(CreateExecutable(dir.filePath(name))) << name;
        ResetWorld();
        ASSERT_TRUE(OpenDocument(dir.filePath(name))) << name;
        QBuffer again;
        again.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteDocumentStream(again));
        EXPECT_EQ(again.data(), written.data()) << name;
    }
    EXPECT_TRUE(prompts.calls.isEmpty());

    // A program whose end holds no whole trailer, and a file of another kind.
    const QByteArray whole = ReadFileBytes(dir.filePath("show.exe"));
    ASSERT_TRUE(WriteFileBytes(dir.filePath("cut.exe"), whole.chopped(1)));
    EXPECT_FALSE(OpenDocument(dir.filePath("cut.exe")));
    ASSERT_TRUE(WriteFileBytes(dir.filePath("notes.txt"), "hello"));
    EXPECT_FALSE(OpenDocument(dir.filePath("notes.txt")));
    EXPECT_EQ(prompts.messageIds(), (QList<Msg>{Msg::NoSlideshowInFile, Msg::NotADocument}));
}

TEST_F(ExecutableTest, MissingRuntimeShowsItsNameAndWritesNothing) {
    FillSlides(ed, 1);
    const QString target = dir.filePath("show.exe");
    EXPECT_FALSE(CreateExecutable(target));
    ASSERT_EQ(prompts.messageIds(), QList<Msg>{Msg::RequiredFileMissing});
    EXPECT_EQ(prompts.calls[0].text.section('\n', 0, 0), QString("LsrCtrl.dll"));
    EXPECT_EQ(prompts.calls[0].kind, MsgKind::Info);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(ExecutableTest, FailedCreationKeepsThePreviousTarget) {
    FillSlides(ed, 1);
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), QByteArray(5000, 'r')));
    const QString target = dir.filePath("missing-folder/show.exe");
    EXPECT_FALSE(CreateExecutable(target));
    EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::OpenFailed});
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(ExecutableTest, EmptyDocumentsAndRuntimesThatAreNoFilesAreRefused) {
    const QString target = dir.filePath("show.exe");
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), QByteArray(5000, 'r')));
    // A show without slides would start and end without a word.
    EXPECT_FALSE(CreateExecutable(target));
    EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::EmptyDocumentExport});
    EXPECT_FALSE(QFile::exists(target));
#if defined(Q_OS_UNIX)
    // A pipe in the runtime's place would block the copy.
    FillSlides(ed, 1);
    QFile::remove(dir.filePath("LsrCtrl.dll"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("LsrCtrl.dll")).constData(), 0600), 0);
    TestPrompts p;
    EXPECT_FALSE(CreateExecutable(target));
    EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::RequiredFileMissing});
    EXPECT_FALSE(QFile::exists(target));
#endif
}

#if defined(Q_OS_UNIX)
TEST_F(ExecutableTest, ExecutablesTakeTheUmask) {
    FillSlides(ed, 1);
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), QByteArray(5000, 'r')));
    const QString target = dir.filePath("show.exe");
    const struct {
        mode_t umask;
        mode_t mode; // 0777 without the umask's bits, as the compilers make programs
    } rows[] = {{022, 0755}, {077, 0700}, {002, 0775}, {027, 0750}};
    const mode_t old = ::umask(022);
    for (const auto& r : rows) {
        ::umask(r.umask);
        ASSERT_TRUE(CreateExecutable(target));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, r.mode) << std::oct << r.umask;
    }
    ::umask(old);
}

TEST_F(ExecutableTest, AFailedWriteNamesTheFileAndTheReason) {
    // The file size limit makes every write beyond 64 KiB fail, as a full disk would.
    NewDocument(ed);
    CurrentDocument().slides[0].picture = MakeTestPicture(200, 200);
    CurrentDocument().slideCount = 1;
    ASSERT_TRUE(WriteFileBytes(dir.filePath("LsrCtrl.dll"), QByteArray(5000, 'r')));
    const QString target = dir.filePath("show.exe");
    ASSERT_TRUE(WriteFileBytes(target, "the previous one"));
    bool created = true;
    {
        const FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active());
        created = CreateExecutable(target);
    }
    EXPECT_FALSE(created);
    ASSERT_EQ(prompts.messageIds(), QList<Msg>{Msg::WriteFailed});
    const QStringList lines = prompts.calls[0].text.split('\n');
    EXPECT_EQ(lines.value(0), target);
    EXPECT_TRUE(lines.value(1).contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << lines.value(1).toStdString();
    EXPECT_EQ(ReadFileBytes(target), QByteArray("the previous one"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no half-written file left";
}
#endif

TEST(ExecutableChecks, DamagedTrailersAreRefused) {
    QTemporaryDir dir;
    const QByteArray body(200, 'x');
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"short", QByteArray::fromHex("03CA19")},
        {"wrong magic", body + QByteArray::fromHex("03CA193B00000010")},
        {"zero runtime", body + QByteArray::fromHex("03CA193A00000000")},
        {"runtime past the end", body + QByteArray::fromHex("03CA193A7FFFFFFF")},
        {"no room for a stream", body + QByteArray::fromHex("03CA193A000000C0")},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath("t.exe");
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        qint64 offset = 0, length = 0;
        EXPECT_FALSE(FindEmbeddedStream(path, &offset, &length)) << c.name;
    }
    qint64 offset = 0, length = 0;
    EXPECT_FALSE(FindEmbeddedStream(dir.filePath("absent.exe"), &offset, &length));
}

TEST(ExecutableChecks, TargetChecksInOrder) {
    // A slideshow for Windows must end in ".exe"; one for this system must too when this
    // system is Windows, and needs no suffix elsewhere.
    const std::optional<Msg> ok;
    const std::optional<Msg> noExe = Msg::ExeExtensionRequired;
#if defined(Q_OS_WIN)
    const std::optional<Msg> nativeNoExe = noExe;
#else
    const std::optional<Msg> nativeNoExe = ok;
#endif
    const struct {
        const char* target;
        std::optional<Msg> native, windows;
    } cases[] = {{"", Msg::NoTarget, Msg::NoTarget},
                 {"/t/a.exe", ok, ok},
                 {"/t/a.EXE", ok, ok},
                 {"/t/a.Exe", ok, ok},
                 {"/t/a.ex", nativeNoExe, noExe},
                 {"/t/a.lsr", nativeNoExe, noExe},
                 {"/t/show", nativeNoExe, noExe},
                 {"exe", nativeNoExe, noExe}};
    for (const auto& c : cases) {
        const QString target = QString::fromUtf8(c.target);
        EXPECT_EQ(CheckExecutableTarget(target), c.native) << c.target;
        EXPECT_EQ(CheckExecutableTarget(target, RuntimeTarget::Windows), c.windows) << c.target;
    }
}

TEST(ExecutableChecks, NameProposals) {
    const struct {
        const char* edit;
        const char* doc;
        const char* name; // for Windows; this system's drops the ".exe" unless it is Windows
    } cases[] = {
        {"", "", "ルセリオ.exe"},
        {"", "/home/u/Sample.lsr", "Sample.exe"},
        {"/home/u/slides.old.exe", "/home/u/Sample.lsr", "slides.old.exe"},
        {"/home/u/", "/home/u/Sample.lsr", "Sample.exe"},
        {"plain", "", "ルセリオ.exe"},
        {"/home/u/noext", "", "noext.exe"},
    };
    for (const auto& c : cases) {
        const QString edit = QString::fromUtf8(c.edit);
        const QString doc = QString::fromUtf8(c.doc);
        const QString windows = QString::fromUtf8(c.name);
        EXPECT_EQ(ProposeExecutableName(edit, doc, RuntimeTarget::Windows), windows)
            << c.edit << " | " << c.doc;
#if defined(Q_OS_WIN)
        const QString native = windows;
#else
        const QString native = windows.chopped(4);
#endif
        EXPECT_EQ(ProposeExecutableName(edit, doc), native) << c.edit << " | " << c.doc;
    }
}

TEST(ExecutableChecks, ShowFolderGetsTheTargetsFolder) {
    TestPrompts prompts;
    prompts.answerShowFolder(true);
    prompts.answerShowFolder(false);
    EXPECT_TRUE(OpenFolderInExplorer("/home/u/out/show.exe"));
    EXPECT_FALSE(OpenFolderInExplorer("/home/u/x.exe"));
    ASSERT_EQ(prompts.calls.size(), 3);
    EXPECT_EQ(prompts.calls[0].folder, QString("/home/u/out"));
    EXPECT_EQ(prompts.calls[1].folder, QString("/home/u"));
#if defined(Q_OS_WIN)
    EXPECT_EQ(prompts.calls[2].id, Msg::FileBrowserFailed);
#else
    // Without a file manager the message names the folder, and the path is on the
    // clipboard.
    EXPECT_EQ(prompts.calls[2].id, Msg::NoFileManager);
    EXPECT_TRUE(prompts.calls[2].text.endsWith(QStringLiteral("\n/home/u")))
        << prompts.calls[2].text.toStdString();
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        EXPECT_EQ(gui->clipboard()->text(), QStringLiteral("/home/u"));
    }
#endif
}

} // namespace
