// Cabinets we write open with cabextract and gcab; cabinets gcab writes open with ours.

#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "packaging/CabinetJob.h"
#include "tests/packaging/CabBuilder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int code = -1;
    QString out;
};

ToolRun run(const QString& program, const QStringList& args, const QString& cwd = QString()) {
    QProcess p;
    if (!cwd.isEmpty())
        p.setWorkingDirectory(cwd);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    return r;
}

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& when = {}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.flush();
    if (when.isValid())
        f.setFileTime(when, QFileDevice::FileModificationTime);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        for (const char* tool : {"cabextract", "gcab"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                << tool << " is missing: run scripts/setup.sh";
        base = dir.path() + QLatin1Char('/');
    }
    void TearDown() override { ResetWorld(); }
    QTemporaryDir dir;
    QString base;
};

} // namespace

TEST_F(Interop, OurCabinetsExtractWithCabextractAndGcab) {
    TestPrompts p;
    const QDateTime when(QDate(2024, 3, 15), QTime(9, 41, 26), Qt::LocalTime);
    struct Row {
        const char* name;
        int size;
        QStringList cabextractArgs; // extra arguments for the name's encoding
    };
    const Row rows[] = {
        {"Sample.lsr", 150000, {}},
        {"Ü✓.lsr", 40000, {}},                                                    // UTF-8 name flag
        {"ルセリオ.lsr", 70000, {QStringLiteral("-e"), QStringLiteral("CP932")}}, // code page 932
    };
    for (const Row& r : rows) {
        const QString name = QString::fromUtf8(r.name);
        const QByteArray data = testcab::sampleBytes(r.size, unsigned(r.size));
        QDir().mkpath(base + "out");
        writeFile(base + "stream", data, when);
        ASSERT_TRUE(PackFile(base + "stream", name, base + "out/")) << r.name;
        const QString cab = base + "out/" + name;

        const ToolRun list = run("cabextract", QStringList(r.cabextractArgs) << "-l" << cab);
        EXPECT_EQ(list.code, 0) << r.name;
        EXPECT_TRUE(list.out.contains(QString::number(r.size) + " | 15.03.2024 09:41:26 | " + name))
            << list.out.toStdString();
        ASSERT_EQ(run("cabextract", QStringList(r.cabextractArgs) << "-q"
                                                                  << "-d" << base + "cx" << cab)
                      .code,
                  0)
            << r.name;
        EXPECT_TRUE(readFile(base + "cx/" + name) == data) << r.name;

        if (r.cabextractArgs.isEmpty()) { // gcab shows stored bytes as they are
            const ToolRun glist = run("gcab", {"-l", cab});
            EXPECT_TRUE(
                glist.out.contains(name + " " + QString::number(r.size) + " 2024-03-15 09:41:26"))
                << glist.out.toStdString();
        }
        QDir().mkpath(base + "gx");
        ASSERT_EQ(run("gcab", {"-x", "-C", base + "gx", cab}).code, 0) << r.name;
        // gcab writes a code page 932 name's bytes as they are: look at raw file names.
        std::vector<std::filesystem::path> got;
        for (const auto& e :
             std::filesystem::directory_iterator(QFile::encodeName(base + "gx").toStdString()))
            got.push_back(e.path());
        ASSERT_EQ(got.size(), 1u) << r.name;
        std::ifstream in(got[0], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_TRUE(QByteArray::fromStdString(bytes) == data) << r.name;
        std::filesystem::remove_all(QFile::encodeName(base).toStdString());
    }
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(Interop, GcabCabinetsOpenInOurReader) {
    TestPrompts p;
    const QByteArray a = testcab::sampleBytes(100000, 11), b = testcab::sampleBytes(5000, 12);
    QDir().mkpath(base + "src");
    writeFile(base + "src/a.lsr", a);
    writeFile(base + "src/b.txt", b);
    for (bool zip : {true, false}) {
        QStringList args{"-c"};
        if (zip)
            args << "-z";
        args << base + "g.cab"
             << "a.lsr"
             << "b.txt";
        QFile::remove(base + "g.cab");
        ASSERT_EQ(run("gcab", args, base + "src").code, 0);
        QDir(base + "x").removeRecursively();
        QString last;
        ASSERT_TRUE(ExtractCabinet("g.cab", base, base + "x/", &last)) << zip;
        EXPECT_TRUE(readFile(base + "x/a.lsr") == a) << zip;
        EXPECT_TRUE(readFile(base + "x/b.txt") == b) << zip;
        EXPECT_EQ(last, QStringLiteral("b.txt"));
    }
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(Interop, ASavedDocumentExtractsToItsStreamWithCabextract) {
    TestPrompts p;
    CountingEditState ed;
    FillSlides(ed, 4);
    QByteArray stream;
    QBuffer buf(&stream);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(buf));
    ASSERT_TRUE(WriteDocumentFile(base + "Saved.lsr"));
    QProcess cx;
    cx.start("cabextract", {"-p", base + "Saved.lsr"});
    ASSERT_TRUE(cx.waitForFinished(60000));
    EXPECT_EQ(cx.exitCode(), 0);
    EXPECT_TRUE(cx.readAllStandardOutput() == stream);
    EXPECT_TRUE(p.calls.isEmpty());
}
