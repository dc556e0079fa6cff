// The slideshow as separate processes: `luserio --play`, and the player runtime's
// refusals, which it says on standard error where there is no display. (The runtime
// playing slideshows, exported ones among them, is tested on an X server of its own in
// tests/x11player.)

#include "base/Messages.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPrompts.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Result {
    int code = -1;
    QByteArray err;
};

/// Runs `program` to its end. `headless` removes every display, so only modes that need
/// no window can run; otherwise the offscreen platform stands in for the screen.
Result run(const QString& program, const QStringList& args, bool headless) {
    const ProgramRun r = RunProgram(
        program, args,
        headless ? QStringList() : QStringList{QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    return {r.code, r.err};
}

const QString kLuserio = QStringLiteral(LSR_BINARY_DIR "/luserio");

class PlayProcess : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }

    /// Makes the open document one slide that switches by timer after one second and
    /// does not loop, so a show of it ends by itself.
    static void makeShortShow() {
        CountingEditState ed;
        NewDocument(ed);
        FillSlides(ed, 1);
        Document& doc = CurrentDocument();
        doc.slides[0].switchTime = 1;
        doc.header.timerSwitch = 1;
        doc.header.loop = 0;
    }
    /// The short show saved in `folder`.
    QString writeShortShow(const QString& folder) {
        makeShortShow();
        const QString path = folder + QStringLiteral("/short.lsr");
        TestPrompts prompts;
        EXPECT_TRUE(WriteDocumentFile(path));
        return path;
    }
};

} // namespace

TEST_F(PlayProcess, PlayOptionShowsTheDocumentAndEnds) {
    QTemporaryDir dir;
    const QString doc = writeShortShow(dir.path());
    const Result r = run(kLuserio, {QStringLiteral("--play"), doc}, false);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

TEST_F(PlayProcess, PlayerWithoutADocumentSaysSoAndEnds) {
    // The bare runtime has no document at its end; a damaged copy of a created
    // executable has a trailer pointing nowhere.
    QTemporaryDir dir;
    const QString runtime = QStringLiteral(LSR_BINARY_DIR "/LsrCtrl.dll");
    QByteArray bytes;
    {
        QFile in(runtime);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        bytes = in.readAll();
    }
    const auto writeVariant = [&](const QString& name, const QByteArray& tail) {
        const QString path = dir.path() + name;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes + tail);
        out.close();
        QFile::setPermissions(path, QFile::permissions(runtime));
        return path;
    };
    QByteArray runtimeLength(4, 0);
    for (int i = 0; i < 4; ++i)
        runtimeLength[i] = char(quint32(bytes.size()) >> (24 - 8 * i));
    // The trailer points past the end of the file.
    const QString pastEnd = writeVariant("/past-end.exe", QByteArray::fromHex("03CA193A7FFFFFF0"));
    // The trailer is sound but the stream is not a document.
    const QString garbage = writeVariant(
        "/garbage.exe", QByteArray(200, 'x') + QByteArray::fromHex("03CA193A") + runtimeLength);
    const QString noSlides = QStringLiteral("再生するスライドがありません。");
    struct Row {
        const char* name;
        QString program;
        QStringList args;
        QString message; // printed on standard error, as there is no screen to show it
    };
    const Row rows[] = {
        {"bare runtime", runtime, {}, noSlides},
        {"trailer past the end", pastEnd, {}, noSlides},
        {"stream that does not read", garbage, {}, MessageText(Msg::WrongFileFormat)},
        {"missing document",
         runtime,
         {dir.path() + QStringLiteral("/none.lsr")},
         dir.path() + QStringLiteral("/none.lsr\n") + MessageText(Msg::FileNotFound)},
    };
    for (const Row& row : rows) {
        const Result r = run(row.program, row.args, true);
        EXPECT_EQ(r.code, 1) << row.name << ": " << r.err.toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(row.message))
            << row.name << ": " << r.err.toStdString();
    }
}

TEST_F(PlayProcess, ADocumentWithNothingToShowIsRefusedWithAMessage) {
    QTemporaryDir dir;
    TestPrompts prompts;
    const auto write = [&](const QString& name, int slides) {
        CountingEditState ed;
        NewDocument(ed);
        FillSlides(ed, slides);
        // Bytes that are no picture: the slides open without one.
        for (int i = 0; i < slides; ++i) {
            SlideRecord& s = CurrentDocument().slides[size_t(i)];
            s.picture.reset();
            s.undecodedImage = QByteArray("not a picture at all");
        }
        const QString path = dir.path() + name;
        EXPECT_TRUE(WriteDocumentFile(path));
        return path;
    };
    struct Row {
        const char* name;
        QString document;
        Msg message;
    };
    const Row rows[] = {
        {"no slides", write(QStringLiteral("/empty.lsr"), 0), Msg::NoSlidesToPlay},
        {"no picture that shows", write(QStringLiteral("/broken.lsr"), 3), Msg::NoSlideCanBeShown},
    };
    // Played with --play, and a document without slides also as a standalone slideshow:
    // the export refuses such a document, so that one is put together by hand (the
    // runtime, the 78 bytes of a stream without slides, the trailer). (A slideshow none
    // of whose pictures shows needs a display to find out: see tests/x11player.)
    const QString runtime = QStringLiteral(LSR_BINARY_DIR "/LsrCtrl.dll");
    for (const Row& row : rows) {
        const QString exe = row.document + QStringLiteral(".show");
        std::vector<Result> results{run(kLuserio, {QStringLiteral("--play"), row.document}, false)};
        if (row.message == Msg::NoSlidesToPlay) {
            const QByteArray program = ReadFileBytes(runtime);
            QByteArray stream("LSR001    ");
            stream += QByteArray(64 + 4, '\0');
            const quint32 r = quint32(program.size());
            const char trailer[8] = {'\x03',        '\xCA',        '\x19',       '\x3A',
                                     char(r >> 24), char(r >> 16), char(r >> 8), char(r)};
            ASSERT_TRUE(WriteFileBytes(exe, program + stream + QByteArray(trailer, 8)));
            QFile::setPermissions(exe, QFile::permissions(runtime));
            results.push_back(run(exe, {}, true));
        }
        const QString expected = MessageText(row.message).section('\n', 0, 0);
        for (const Result& r : results) {
            EXPECT_EQ(r.code, 1) << row.name << ": " << r.err.toStdString();
            EXPECT_TRUE(QString::fromUtf8(r.err).contains(expected))
                << row.name << ": " << r.err.toStdString();
        }
    }
}
