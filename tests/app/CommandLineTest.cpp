// The command line as a script uses it: each mode, each kind of wrong command line and
// the exit codes, run as a separate process.

#include "app/CommandLine.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPrompts.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QJsonArray SlidesOf(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object().value(QStringLiteral("slides")).toArray();
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const auto& [name, colour] :
             {std::pair("a.png", Qt::red), std::pair("b.bmp", Qt::blue),
              std::pair("c.png", Qt::yellow)}) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(colour);
            ASSERT_TRUE(image.save(dir.filePath(QString::fromLatin1(name))));
        }
    }
    /// Runs luserio in the fixture's folder with settings of its own.
    ProgramRun Run(const QStringList& args, QStringList env = {}) {
        env << QStringLiteral("XDG_CONFIG_HOME=") + dir.filePath(QStringLiteral("config"));
        return RunLuserio(args, env, dir.path());
    }
    QTemporaryDir dir;
};

TEST_F(CommandLine, WrongCommandLinesSayWhyOnOneLineThenTheUsageAndExitTwo) {
    struct Row {
        QStringList args;
        const char* error; // the first line on standard error
    };
    const Row rows[] = {
        // The parser's own complaints in the words of the program's other lines.
        {{"--bogus"}, "luserio: unknown option '--bogus'"},
        {{"-x", "a.lsr"}, "luserio: unknown option '-x'"},
        {{"--build", "o.lsr", "--bogus=3", "a.png"}, "luserio: unknown option '--bogus'"},
        {{"--info"}, "luserio: --info needs FILE"},
        {{"--play"}, "luserio: --play needs FILE"},
        {{"--build"}, "luserio: --build needs OUT.lsr"},
        {{"--build", "o.lsr", "a.png", "--time"}, "luserio: --time needs SECONDS"},
        {{"--version=2"}, "luserio: --version takes no value"},
        {{"--build", "out.lsr"}, "luserio: --build needs OUT.lsr and at least one IMAGE"},
        {{"--export-exe", "a.lsr"}, "luserio: --export-exe needs FILE.lsr and OUT"},
        {{"--export-exe", "a.lsr", "b", "c"}, "luserio: unexpected argument 'c'"},
        {{"--info", "a.lsr", "--play", "b.lsr"},
         "luserio: --info and --play cannot be used together: choose one mode"},
        {{"--info", "a.lsr", "--info", "b.lsr"}, "luserio: --info is given more than once"},
        {{"--version", "a.lsr"}, "luserio: unexpected argument 'a.lsr'"},
        {{"a.lsr", "b.lsr"}, "luserio: unexpected argument 'b.lsr'"},
        {{"--screen", "2", "a.lsr"}, "luserio: --screen applies only to --play"},
        // The window system is chosen only where windows open.
        {{"--info", "a.lsr", "--platform", "wayland"},
         "luserio: --platform applies only to the editor and --play"},
        {{"--play", "a.lsr", "--platform", ""}, "luserio: --platform needs xcb or wayland, not ''"},
        {{"--play", "a.lsr", "--screen", "0"},
         "luserio: --screen needs a screen number from 1, not '0'"},
        {{"--time", "5", "a.lsr"}, "luserio: --time applies only to --build"},
        {{"--info", "a.lsr", "--flip", "h"}, "luserio: --flip applies only to --build"},
        {{"--build", "o.lsr", "--time", "0", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '0'"},
        {{"--build", "o.lsr", "--time", "64801", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '64801'"},
        {{"--build", "o.lsr", "--time", "2.5", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '2.5'"},
        {{"--build", "o.lsr", "--key", "red", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not 'red'"},
        {{"--build", "o.lsr", "--key", "#12345", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '#12345'"},
        // A colour is '#' and six hexadecimal digits, nothing else.
        {{"--build", "o.lsr", "--key", "#0x1234", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '#0x1234'"},
        {{"--build", "o.lsr", "--key", "# 12345", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '# 12345'"},
        {{"--build", "o.lsr", "--key", "#+12345", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '#+12345'"},
        {{"--build", "o.lsr", "--key", "#12345g", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '#12345g'"},
        // Numbers are plain decimal digits.
        {{"--build", "o.lsr", "--time", "+5", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '+5'"},
        {{"--build", "o.lsr", "--time", " 5", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not ' 5'"},
        {{"--build", "o.lsr", "--time", "0x10", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '0x10'"},
        {{"--build", "o.lsr", "--time", "99999999999", "a.png"},
         "luserio: --time needs whole seconds from 1 to 64800, not '99999999999'"},
        {{"--play", "a.lsr", "--screen", "+1"},
         "luserio: --screen needs a screen number from 1, not '+1'"},
        {{"--play", "a.lsr", "--screen", "1 "},
         "luserio: --screen needs a screen number from 1, not '1 '"},
        // A value that holds a line break is quoted on the one line.
        {{"--build", "o.lsr", "--key", "#12\n345", "a.png"},
         "luserio: --key needs a colour #RRGGBB or none, not '#12\\n345'"},
        {{"--build", "o.lsr", "--flip", "x", "a.png"},
         "luserio: --flip needs h, v, hv or none, not 'x'"},
        {{"--export-exe", "a.lsr", "b.exe", "--target", "mac"},
         "luserio: --target needs native or windows, not 'mac'"},
        {{"--export-exe", "a.lsr", "b", "--target", ""},
         "luserio: --target needs native or windows, not ''"},
        // Every file is named: neither an empty name nor "-" (standard input or output).
        {{"--export-exe", "a.lsr", ""}, "luserio: --export-exe OUT must name a file, not ''"},
        {{"--export-exe", "", "b"}, "luserio: --export-exe FILE.lsr must name a file, not ''"},
        {{"--build", "", "a.png"}, "luserio: --build OUT.lsr must name a file, not ''"},
        {{"--build", "-", "a.png"},
         "luserio: --build OUT.lsr must name a file, not '-' (for a file named -, write ./-)"},
        {{"--build", "o.lsr", "a.png", ""}, "luserio: --build IMAGE must name a file, not ''"},
        {{"--build", "o.lsr", "-"},
         "luserio: --build IMAGE must name a file, not '-' (for a file named -, write ./-)"},
        {{"--info", ""}, "luserio: --info FILE must name a file, not ''"},
        {{"--play", "-"},
         "luserio: --play FILE must name a file, not '-' (for a file named -, write ./-)"},
        {{""}, "luserio: FILE must name a file, not ''"},
        // What --build writes opens as a document again: it never lands on an IMAGE.
        {{"--build", "a.png", "b.bmp"}, "luserio: --build OUT.lsr must end in .lsr, not 'a.png'"},
        {{"--info", "a.lsr", "--target", "windows"},
         "luserio: --target applies only to --export-exe"},
        {{"--build", "o.lsr", "a.png", "--time", "3"},
         "luserio: --time 3 comes after the last IMAGE: it applies to the images after it"},
        // The size limit: N, NxM or none, in plain digits.
        {{"--build", "o.lsr", "--max-size", "0", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not '0'"},
        {{"--build", "o.lsr", "--max-size", "800x", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not '800x'"},
        {{"--build", "o.lsr", "--max-size", "-5", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not '-5'"},
        {{"--build", "o.lsr", "--max-size", "8x6x5", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not '8x6x5'"},
        {{"--build", "o.lsr", "--max-size", "100000", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not "
         "'100000'"},
        {{"--build", "o.lsr", "--max-size", "800 x 600", "a.png"},
         "luserio: --max-size needs N, NxM (whole pixels from 1 to 99999) or none, not '800 x "
         "600'"},
        {{"--build", "o.lsr", "--max-size", "800", "--max-size", "none", "a.png"},
         "luserio: --max-size is given more than once"},
        {{"--info", "a.lsr", "--max-size", "800"}, "luserio: --max-size applies only to --build"},
    };
    for (const Row& r : rows) {
        const ProgramRun run = Run(r.args);
        const QString what = r.args.join(QLatin1Char(' '));
        EXPECT_EQ(run.code, 2) << what.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << what.toStdString();
        const QString err = QString::fromLocal8Bit(run.err);
        EXPECT_EQ(err.section(QLatin1Char('\n'), 0, 0), QString::fromUtf8(r.error))
            << what.toStdString();
        EXPECT_TRUE(
            err.contains(QStringLiteral("\n\nUsage: luserio [FILE] [--platform xcb|wayland]\n")))
            << what.toStdString();
    }
    // Nothing was written by a refused build, and nothing was read or changed.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("o.lsr"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("-"))));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("a.png"))).pixel(0, 0), QColor(Qt::red).rgb());
}

TEST(CommandLineParse, MaxSizeChoosesTheLimitOfOneBuild) {
    struct Row {
        QStringList args;
        std::optional<SizeLimit> limit; // nothing: the settings' limit
    };
    const Row rows[] = {
        {{"--build", "o.lsr", "a.png"}, std::nullopt},
        {{"--build", "o.lsr", "--max-size", "800", "a.png"}, SizeLimit{true, 800, 800}},
        {{"--build", "o.lsr", "--max-size=1920x1080", "a.png"}, SizeLimit{true, 1920, 1080}},
        {{"--build", "o.lsr", "a.png", "--max-size", "300X200", "b.png"},
         SizeLimit{true, 300, 200}},
        {{"--build", "o.lsr", "--max-size", "None", "a.png"}, SizeLimit{false, 0, 0}},
        {{"--build", "o.lsr", "--max-size", "1", "a.png"}, SizeLimit{true, 1, 1}},
        {{"--build", "o.lsr", "--max-size", "99999x7", "a.png"}, SizeLimit{true, 99999, 7}},
    };
    for (const Row& r : rows) {
        const ParsedCommandLine parsed = ParseCommandLine(r.args);
        const QString what = r.args.join(QLatin1Char(' '));
        EXPECT_TRUE(parsed.error.isEmpty())
            << what.toStdString() << ": " << parsed.error.toStdString();
        EXPECT_EQ(parsed.invocation.maxSize, r.limit) << what.toStdString();
        // The option is no image.
        EXPECT_EQ(parsed.invocation.images.size(), r.args.size() == 6 ? 2 : 1)
            << what.toStdString();
    }
}

TEST_F(CommandLine, HelpNamesEveryModeWithAnExampleAndTheExitCodes) {
    for (const char* help : {"--help", "-h"}) {
        const ProgramRun run = Run({QString::fromLatin1(help)});
        EXPECT_EQ(run.code, 0);
        const QString out = QString::fromLocal8Bit(run.out);
        for (const char* line :
             {"Usage: luserio [FILE] [--platform xcb|wayland]\n",
              "luserio --build OUT.lsr [--max-size N|NxM|none] [--time SECONDS] [--key COLOR]",
              "  --max-size N|NxM|none   ", "  luserio --build album.lsr --max-size 1920x1080",
              "luserio --info FILE\n",
              "luserio --play FILE [--screen N] [--platform xcb|wayland]\n",
              "luserio --export-exe FILE.lsr OUT [--target native|windows]\n",
              "luserio --version\n",
              // an example of each mode
              "  luserio show.lsr\n",
              "  luserio --build show.lsr --time 5 title.png --time 3 photos/*.jpg\n",
              "  luserio --info show.lsr\n", "  luserio --play show.lsr --screen 2\n",
              "  luserio --play show.lsr --platform wayland\n",
              "  luserio --export-exe show.lsr show",
              "  luserio --export-exe show.lsr show.exe --target windows\n",
              "\nExit codes:\n  0  done\n", "\n  1  ", "\n  2  wrong command line"})
            EXPECT_TRUE(out.contains(QString::fromUtf8(line))) << help << ": " << line;
        EXPECT_TRUE(run.err.isEmpty());
    }
    const ProgramRun version = Run({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith("luserio 1.01 (")) << version.out.toStdString();
}

TEST_F(CommandLine, BuildOptionsApplyToTheImagesAfterThem) {
    const ProgramRun build =
        Run({"--build", "show.lsr", "--time", "05",    "a.png", "--time=3", "--key",
             "#0aFf0B", "--flip",   "hv",     "b.bmp", "--key", "None",     "--flip",
             "none",    "c.png",    "-flip",  "v",     "--",    "a.png"});
    ASSERT_EQ(build.code, 0) << build.err.toStdString();
    const ProgramRun info = Run({"--info", "show.lsr"});
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    const QJsonArray slides = SlidesOf(info.out);
    ASSERT_EQ(slides.size(), 4);
    struct Expect {
        int time;
        QJsonValue key; // only checked where an option set it
        int flipH, flipV;
    };
    const Expect expect[] = {
        {5, QJsonValue::Undefined, 0, 0},
        {3, QStringLiteral("#0AFF0B"), 1, 1},
        {3, QJsonValue::Null, 0, 0},
        {3, QJsonValue::Null, 0, 1},
    };
    for (int i = 0; i < 4; ++i) {
        const QJsonObject s = slides[i].toObject();
        EXPECT_EQ(s.value(QStringLiteral("switchTime")).toInt(), expect[i].time) << i;
        if (!expect[i].key.isUndefined()) {
            EXPECT_EQ(s.value(QStringLiteral("transparentColor")), expect[i].key) << i;
        }
        EXPECT_EQ(s.value(QStringLiteral("flipH")).toInt(), expect[i].flipH) << i;
        EXPECT_EQ(s.value(QStringLiteral("flipV")).toInt(), expect[i].flipV) << i;
    }
    EXPECT_EQ(slides[0].toObject().value(QStringLiteral("width")).toInt(), 40);

    // A colour named for a picture that is no JPEG file stays that colour exactly: the
    // picture is not re-encoded.
    QImage halves(40, 30, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            halves.setPixel(x, y, qRgb(0, 255, 0));
    ASSERT_TRUE(halves.save(dir.filePath(QStringLiteral("halves.png"))));
    ASSERT_EQ(Run({"--build", "keyed.lsr", "a.png", "--key", "#00FF00", "halves.png"}).code, 0);
    const QJsonArray keyed = SlidesOf(Run({"--info", "keyed.lsr"}).out);
    ASSERT_EQ(keyed.size(), 2);
    EXPECT_EQ(keyed[1].toObject().value(QStringLiteral("transparentColor")),
              QStringLiteral("#00FF00"));
    {
        TestPrompts quiet;
        ASSERT_TRUE(OpenDocument(dir.filePath(QStringLiteral("keyed.lsr"))));
        const QImage stored = CurrentDocument().slides[1].picture->image();
        EXPECT_EQ(stored.pixel(5, 5) & 0xFFFFFFu, 0x00FF00u);
        EXPECT_EQ(stored.pixel(35, 5) & 0xFFFFFFu, 0xFF0000u);
        ResetWorld();
    }

    // A JPEG named with a colour: its pixels near the colour become it (the key's
    // tolerance), and the picture is stored lossless.
    const QImage shapes = ShapesOn(qRgb(255, 255, 255));
    ASSERT_TRUE(shapes.save(dir.filePath(QStringLiteral("art.jpg")), "JPEG", 70));
    const int before = BackgroundLeftVisible(shapes, QImage(dir.filePath(QStringLiteral("art.jpg"))),
                                             qRgb(255, 255, 255));
    ASSERT_GT(before, 500);
    ASSERT_EQ(Run({"--build", "art.lsr", "--key", "#FFFFFF", "art.jpg"}).code, 0);
    const QJsonArray art = SlidesOf(Run({"--info", "art.lsr"}).out);
    ASSERT_EQ(art.size(), 1);
    EXPECT_EQ(art[0].toObject().value(QStringLiteral("imageFormat")), QStringLiteral("bmp"));
    {
        TestPrompts quiet;
        ASSERT_TRUE(OpenDocument(dir.filePath(QStringLiteral("art.lsr"))));
        const int after = BackgroundLeftVisible(
            shapes, CurrentDocument().slides[0].picture->image(), qRgb(255, 255, 255));
        EXPECT_LT(after * 100, before) << after << " of " << before;
        ResetWorld();
    }

    // The size limit of one build: a 1000 x 800 picture into 300 x 200 is 250 x 200.
    QImage large(1000, 800, QImage::Format_RGB32);
    large.fill(Qt::darkCyan);
    ASSERT_TRUE(large.save(dir.filePath(QStringLiteral("large.png"))));
    ASSERT_EQ(Run({"--build", "fit.lsr", "--max-size", "300x200", "large.png"}).code, 0);
    const QJsonObject fit = SlidesOf(Run({"--info", "fit.lsr"}).out)[0].toObject();
    EXPECT_EQ(fit.value(QStringLiteral("width")).toInt(), 250);
    EXPECT_EQ(fit.value(QStringLiteral("height")).toInt(), 200);

    // An image that cannot be read is named, and the exit code says the work failed.
    const ProgramRun missing = Run({"--build", "part.lsr", "a.png", "gone.png"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(QString::fromUtf8(missing.err)
                    .split(QLatin1Char('\n'))
                    .contains(QStringLiteral(
                        "luserio: file not found: gone.png: ファイルが見つかりません")))
        << missing.err.toStdString();
}

TEST_F(CommandLine, BuildNeverEmptiesADocumentAndSaysWhatItWrote) {
    ASSERT_EQ(Run({"--build", "kept.lsr", "a.png", "b.bmp", "c.png"}).code, 0);
    const auto bytesOf = [this](const char* name) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray kept = bytesOf("kept.lsr");
    ASSERT_FALSE(kept.isEmpty());
    struct Row {
        QStringList args;
        const char* lastLine; // the last line on standard error
        const char* out;      // the document the row writes or keeps
        int slides;           // what it holds afterwards; -1: no file
        bool untouched;       // the document written first is still there byte for byte
    };
    // Run in order: each row starts from what the rows before it left.
    const Row rows[] = {
        {{"--build", "kept.lsr", "gone.png"},
         "luserio: nothing was written: no image became a slide; kept.lsr was left as it was",
         "kept.lsr",
         3,
         true},
        {{"--build", "new.lsr", "gone.png", "gone.txt"},
         "luserio: nothing was written: no image became a slide",
         "new.lsr",
         -1,
         false},
        {{"--build", "new.lsr", "a.png", "gone.png", "b.bmp"},
         "luserio: new.lsr now holds 2 slides",
         "new.lsr",
         2,
         false},
        {{"--build", "kept.lsr", "gone.png", "c.png"},
         "luserio: kept.lsr was replaced and now holds 1 slide",
         "kept.lsr",
         1,
         false},
    };
    for (const Row& r : rows) {
        const QString what = r.args.join(QLatin1Char(' '));
        SCOPED_TRACE(what.toStdString());
        const ProgramRun run = Run(r.args);
        EXPECT_EQ(run.code, 1);
        const QStringList lines =
            QString::fromUtf8(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        EXPECT_EQ(lines.value(lines.size() - 1), QString::fromUtf8(r.lastLine))
            << run.err.toStdString();
        const QString out = QString::fromLatin1(r.out);
        if (r.slides < 0) {
            EXPECT_FALSE(QFile::exists(dir.filePath(out)));
            continue;
        }
        EXPECT_EQ(SlidesOf(Run({"--info", out}).out).size(), r.slides);
        if (r.untouched) {
            EXPECT_EQ(bytesOf(r.out), kept) << "the document was rewritten";
        }
    }
}

TEST_F(CommandLine, ExportedSlideshowsCarryTheirDocumentBack) {
    ASSERT_EQ(Run({"--build", "show.lsr", "--time", "7", "a.png", "b.bmp"}).code, 0);
    const QString exe = dir.filePath(QStringLiteral("show"));
    const ProgramRun exported = Run({"--export-exe", "show.lsr", "show"});
    ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
#if !defined(Q_OS_WIN)
    // A program of this system needs no suffix; it is made executable.
    EXPECT_TRUE(QFileInfo(exe).isExecutable());
#endif
    // The document comes back out of the slideshow, slide for slide.
    const ProgramRun fromLsr = Run({"--info", "show.lsr"});
    const ProgramRun fromExe = Run({"--info", "show"});
    ASSERT_EQ(fromExe.code, 0) << fromExe.err.toStdString();
    EXPECT_EQ(SlidesOf(fromExe.out), SlidesOf(fromLsr.out));
    EXPECT_EQ(SlidesOf(fromExe.out).size(), 2);

    // For Windows: a program of that system, named "*.exe", that carries the same
    // document.
    const ProgramRun noExe = Run({"--export-exe", "show.lsr", "win", "--target", "windows"});
    EXPECT_EQ(noExe.code, 1);
    EXPECT_EQ(QString::fromUtf8(noExe.err),
              QStringLiteral("luserio: a slideshow for Windows must be named *.exe: ") +
                  MessageText(Msg::ExeExtensionRequired) + QLatin1Char('\n'));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("win"))));
    const ProgramRun windows = Run({"--export-exe", "show.lsr", "show.exe", "--target=windows"});
    ASSERT_EQ(windows.code, 0) << windows.err.toStdString();
    QFile pe(dir.filePath(QStringLiteral("show.exe")));
    ASSERT_TRUE(pe.open(QIODevice::ReadOnly));
    EXPECT_EQ(pe.read(2), QByteArray("MZ"));
    pe.close();
    EXPECT_EQ(SlidesOf(Run({"--info", "show.exe"}).out), SlidesOf(fromLsr.out));

    // Without its trailer it is no slideshow of ours: a clear message, exit code 1.
    QFile file(exe);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() - 3));
    file.close();
    const ProgramRun cut = Run({"--info", "show"});
    EXPECT_EQ(cut.code, 1);
    EXPECT_TRUE(QString::fromLocal8Bit(cut.err).contains(
        QStringLiteral("このファイルからスライドショーを読み込めません")))
        << cut.err.toStdString();
}

TEST_F(CommandLine, PlayingFailsWithTheRightCode) {
    const QStringList offscreen{QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    ASSERT_EQ(Run({"--build", "show.lsr", "a.png"}).code, 0);
    // The offscreen platform has one screen.
    const ProgramRun beyond = Run({"--play", "show.lsr", "--screen", "2"}, offscreen);
    EXPECT_EQ(beyond.code, 2);
    EXPECT_TRUE(beyond.err.contains("luserio: --screen 2: this display has 1 screen(s)\n"))
        << beyond.err.toStdString();
    const ProgramRun missing = Run({"--play", "missing.lsr"}, offscreen);
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(
        QString::fromLocal8Bit(missing.err).contains(QStringLiteral("ファイルが見つかりません")))
        << missing.err.toStdString();
}

TEST(CommandLineReadme, ShowsTheUsageAsHelpPrintsIt) {
    QFile readme(QStringLiteral(LSR_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString start = QStringLiteral("<!-- luserio --help -->\n```text\n");
    const qsizetype from = text.indexOf(start);
    ASSERT_GE(from, 0) << "README has no usage block";
    const qsizetype to = text.indexOf(QStringLiteral("```\n"), from + start.size());
    ASSERT_GT(to, from);
#if !defined(Q_OS_WIN)
    EXPECT_EQ(text.mid(from + start.size(), to - from - start.size()),
              UsageText(QStringLiteral("luserio")))
        << "the README's usage block differs from --help";
#endif
}

} // namespace
