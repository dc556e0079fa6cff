#include "base/Messages.h"
#include "document/Document.h"
#include "packaging/CabinetJob.h"
#include "packaging/WorkFolder.h"
#include "packaging/ui/ProgressDialog.h"
#include "tests/packaging/CabBuilder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testcab;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString fileCopyFailure() {
    return QStringLiteral("[File Copy]\n") + MessageText(Msg::ExtractFailed);
}

class PackExtract : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        ASSERT_TRUE(dir.isValid());
        base = dir.path() + QLatin1Char('/');
    }
    void TearDown() override { ResetWorld(); }
    QTemporaryDir dir;
    QString base;
};

} // namespace

TEST_F(PackExtract, PackKeepsNameSizeAndDateAndExtractsBack) {
    TestPrompts p;
    const QByteArray stream = sampleBytes(78);
    writeFile(base + "src.bin", stream);
    const QDateTime when(QDate(2024, 3, 15), QTime(9, 41, 26), Qt::LocalTime);
    {
        QFile f(base + "src.bin");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    QDir().mkdir(base + "out");
    ASSERT_TRUE(PackFile(base + "src.bin", QStringLiteral("Sample.lsr"), base + "out/"));
    const QByteArray c = readFile(base + "out/Sample.lsr");
    ASSERT_GT(c.size(), 60);
    EXPECT_EQ(c.mid(60, 11), QByteArray("Sample.lsr\0", 11));
    EXPECT_EQ(uchar(c[44]), 78);
    const quint16 date = quint16(uchar(c[54]) | (uchar(c[55]) << 8));
    const quint16 time = quint16(uchar(c[56]) | (uchar(c[57]) << 8));
    EXPECT_EQ(date, (44 << 9) | (3 << 5) | 15);
    EXPECT_EQ(time, (9 << 11) | (41 << 5) | 13);

    QDir().mkdir(base + "x");
    QString last;
    ASSERT_TRUE(ExtractCabinet(QStringLiteral("Sample.lsr"), base + "out/", base + "x/", &last));
    EXPECT_EQ(last, QStringLiteral("Sample.lsr"));
    EXPECT_EQ(readFile(base + "x/Sample.lsr"), stream);
    // The member's date (two-second steps) becomes the file's time.
    EXPECT_EQ(QFileInfo(base + "x/Sample.lsr").lastModified().toString(Qt::ISODate),
              when.toString(Qt::ISODate));
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(PackExtract, PackingFailuresShow30035AndKeepThePreviousFile) {
    TestPrompts p;
    writeFile(base + "src.bin", "document");
    writeFile(base + "Old.lsr", "previous file");
    // A folder that does not exist.
    EXPECT_FALSE(PackFile(base + "src.bin", QStringLiteral("A.lsr"), base + "missing/"));
    // A source that cannot be read: the previous cabinet of that name stays.
    EXPECT_FALSE(PackFile(base + "gone.bin", QStringLiteral("Old.lsr"), base));
    EXPECT_EQ(readFile(base + "Old.lsr"), QByteArray("previous file"));
    ASSERT_EQ(p.messageIds(), (QList<Msg>{Msg::NoWriteAccess, Msg::NoWriteAccess}));
    EXPECT_EQ(p.calls[0].kind, MsgKind::Info);
    EXPECT_EQ(QDir(base).entryList(QDir::Files).size(), 2) << "no partial files beside";
    // Success replaces the previous file.
    EXPECT_TRUE(PackFile(base + "src.bin", QStringLiteral("Old.lsr"), base));
    EXPECT_EQ(readFile(base + "Old.lsr").left(4), QByteArray("MSCF"));
}

TEST_F(PackExtract, ExtractsEveryMemberWithFoldersAndNamesTheLast) {
    TestPrompts p;
    CabSpec s;
    FolderSpec fo;
    fo.type = 0;
    fo.blocks = {storedBlock("first-second")};
    s.folders = {fo};
    s.files = {{"one.txt", 5, 0, 0}, {"sub\\deep\\two.txt", 7, 5, 0, 0x5A2A, 0x6000, 0x21}};
    writeFile(base + "two.lsr", build(s));
    QDir().mkdir(base + "x");
    writeFile(base + "x/one.txt", "old content that is longer"); // replaced
    QString last;
    ASSERT_TRUE(ExtractCabinet(QStringLiteral("two.lsr"), base, base + "x/", &last));
    EXPECT_EQ(readFile(base + "x/one.txt"), QByteArray("first"));
    EXPECT_EQ(readFile(base + "x/sub/deep/two.txt"), QByteArray("-second"));
    EXPECT_EQ(last, QStringLiteral("sub/deep/two.txt"));
    EXPECT_FALSE(QFileInfo(base + "x/sub/deep/two.txt").permissions() & QFile::WriteOwner)
        << "read-only attribute";
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(PackExtract, RefusedCabinetsShowFileCopyAndWriteNothingOutside) {
    struct Row {
        const char* name;
        QByteArray bytes;
    };
    auto withNames = [](std::vector<QByteArray> names) {
        CabSpec s;
        FolderSpec fo;
        fo.type = 0;
        fo.blocks = {storedBlock("abcdef")};
        s.folders = {fo};
        int off = 0;
        for (const QByteArray& n : names)
            s.files.push_back({n, 3, quint32(off++ * 3), 0});
        return build(s);
    };
    const Row rows[] = {
        {"not a cabinet", "this is plain text, not a cabinet"},
        {"climbs out", withNames({"ok.txt", "..\\escape.txt"})},
        {"absolute", withNames({"/tmp/escape.txt"})},
        {"drive", withNames({"C:\\escape.txt"})},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        QDir(base + "dest").removeRecursively();
        writeFile(base + "in.lsr", r.bytes);
        EXPECT_FALSE(ExtractCabinet(QStringLiteral("in.lsr"), base, base + "dest/")) << r.name;
        ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::ExtractFailed}) << r.name;
        EXPECT_EQ(p.calls[0].text, fileCopyFailure()) << r.name;
        EXPECT_EQ(p.calls[0].kind, MsgKind::Error);
        EXPECT_FALSE(QFile::exists(base + "escape.txt")) << r.name;
        EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/escape.txt"))) << r.name;
        EXPECT_FALSE(QFile::exists(base + "dest/ok.txt")) << r.name << ": nothing written";
    }
    // An overlong UTF-8 encoding of '/' is no separator: the member stays inside.
    CabSpec s;
    FolderSpec fo;
    fo.type = 0;
    fo.blocks = {storedBlock("abc")};
    s.folders = {fo};
    s.files = {{QByteArray("..\xc0\xaf"
                           "escape.txt"),
                3, 0, 0, 0x5A2A, 0x6000, 0xA0}};
    writeFile(base + "in.lsr", build(s));
    TestPrompts p;
    EXPECT_TRUE(ExtractCabinet(QStringLiteral("in.lsr"), base, base + "dest/"));
    EXPECT_EQ(QDir(base + "dest").entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_FALSE(QFile::exists(base + "escape.txt"));
}

TEST_F(PackExtract, DamagedDataLeavesNoPartialMember) {
    TestPrompts p;
    CabSpec s;
    FolderSpec fo;
    const QByteArray plain = sampleBytes(40000);
    fo.blocks = {mszipBlock(plain.left(32768)), mszipBlock(plain.mid(32768))};
    s.folders = {fo};
    s.files = {{"m.bin", 40000, 0, 0}};
    QByteArray bytes = build(s);
    bytes[bytes.size() - 3] = char(bytes[bytes.size() - 3] ^ 0xFF); // second block damaged
    writeFile(base + "bad.lsr", bytes);
    EXPECT_FALSE(ExtractCabinet(QStringLiteral("bad.lsr"), base, base + "x/"));
    EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::ExtractFailed});
    EXPECT_FALSE(QFile::exists(base + "x/m.bin"));
}

TEST_F(PackExtract, WorkFolderIsPrivate) {
    TestPrompts p;
    const TempFolderOverride tmp;
    const QString app =
        tmp.path() + QStringLiteral("/%1-%2").arg(ApplicationName()).arg(::geteuid());

    EXPECT_EQ(GetWorkFolder(), app);
    EXPECT_EQ(GetWorkFolder(), app) << "an existing folder is fine";
    for (const QString& d : {app}) {
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(d).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u) << d.toStdString();
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
    // A folder others can reach is made private again.
    ::chmod(QFile::encodeName(app).constData(), 0777);
    EXPECT_EQ(GetWorkFolder(), app);
    struct stat st {};
    ::lstat(QFile::encodeName(app).constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(PackExtract, ProcessingDialogRunsTheJobAndMovesItsBar) {
    TestPrompts p;
    writeFile(base + "src.bin", sampleBytes(300000));
    CabinetJob pack;
    pack.kind = CabinetJob::Kind::Pack;
    pack.packSource = base + "src.bin";
    pack.packName = QStringLiteral("P.lsr");
    pack.packFolder = base;
    ProgressDialog dlg(pack);
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.progressBar()->value(), dlg.progressBar()->maximum());
    EXPECT_FALSE(dlg.isVisible());

    // Extractions of the cabinet `name` in the base folder into `to`.
    const auto extractionOf = [this](const char* name, QBuffer& to) {
        CabinetJob job;
        job.extractName = QString::fromLatin1(name);
        job.extractFolder = base;
        to.open(QIODevice::WriteOnly);
        job.extractTo = &to;
        return job;
    };
    QBuffer member;
    CabinetJob extract = extractionOf("P.lsr", member);
    ProgressDialog ex(extract);
    EXPECT_EQ(ex.exec(), QDialog::Accepted);
    EXPECT_EQ(member.data(), sampleBytes(300000));
    EXPECT_EQ(extract.extractedName, QStringLiteral("P.lsr"));

    // The cancel button of an extraction stops it without a word; packing has none.
    EXPECT_EQ(dlg.cancelButton(), nullptr);
    CabinetJob reading; // a document's stream, read as an open's last step
    reading.kind = CabinetJob::Kind::Read;
    EXPECT_NE(ProgressDialog(reading).cancelButton(), nullptr);
    QBuffer stopped;
    CabinetJob cancelled = extractionOf("P.lsr", stopped);
    ProgressDialog stop(cancelled);
    ASSERT_NE(stop.cancelButton(), nullptr);
    QTimer::singleShot(0, stop.cancelButton(), &QPushButton::click); // as soon as it shows
    EXPECT_EQ(stop.exec(), QDialog::Rejected);
    EXPECT_LT(stopped.data().size(), 300000);
    EXPECT_TRUE(p.calls.isEmpty());

    QBuffer nothing;
    CabinetJob notCabinet = extractionOf("src.bin", nothing);
    ProgressDialog bad(notCabinet);
    EXPECT_EQ(bad.exec(), QDialog::Rejected);
    EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::ExtractFailed});
    if (qEnvironmentVariableIsSet("LSR_SHOT_DIR")) {
        bad.progressBar()->setValue(400);
        bad.grab().save(qEnvironmentVariable("LSR_SHOT_DIR") + "/shori.png");
    }
}
