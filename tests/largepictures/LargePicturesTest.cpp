// Pictures that declare a great many pixels: the editor's cells, the show's frames and
// the players draw them from decodes reduced to the drawn size, so memory stays small
// whatever a document declares.

#include "document/DocumentCommands.h"
#include "document/DocumentStream.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/CellImage.h"
#include "slideshow/DocumentShow.h"
#include "slideshow/ShowFrame.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/HugePicture.h"
#include "tests/support/MeasuredRun.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/RunProgram.h"
#include "tests/support/VirtualScreen.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kSide = 9999; // just under 100 megapixels: 400 MB decoded whole
constexpr int kSplit = 5000;
constexpr qint64 kMiB = qint64(1) << 20;

const QByteArray& HugePng() {
    static const QByteArray bytes = HalfBlackPng(kSide, kSide, kSplit);
    return bytes;
}

/// Runs `work` and tells how far this process's resident memory rose above what it held
/// before; -1 where the system cannot tell.
template <typename Work> qint64 GrowthDuring(Work&& work) {
    if (!ResetPeakResident())
        return -1;
    const qint64 before = ResidentBytesNow();
    work();
    const qint64 peak = PeakResidentBytes();
    return before < 0 || peak < 0 ? -1 : peak - before;
}

/// Red of the pixel (x, 0) of a premultiplied or opaque picture, and its alpha.
std::pair<int, int> RedAndAlpha(const QImage& img, int x) {
    const QRgb p = img.pixel(x, img.height() / 2);
    return {qRed(p), qAlpha(p)};
}

} // namespace

TEST(LargePictures, AreReducedWhileTheyAreDecodedNeverHeldWhole) {
    const PicturePtr picture = Picture::fromBytes(HugePng());
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->size(), QSize(kSide, kSide));
    ASSERT_TRUE(IsDrawnReduced(picture->size()));

    QImage plain, keyed;
    const qint64 growth = GrowthDuring([&] {
        plain = picture->reducedImage(QSize(100, 100), codec::Coverage{false, false, 0});
        keyed = picture->reducedImage(QSize(100, 100), codec::Coverage{true, true, 0x000000});
    });
    if (growth < 0)
        GTEST_SKIP() << "this system does not tell a process's peak memory";
    EXPECT_LT(growth, 48 * kMiB);
    ASSERT_EQ(plain.size(), QSize(100, 100));
    ASSERT_EQ(keyed.size(), QSize(100, 100));
    // Each reduced column covers 99.99 source columns; column 50 holds half a black one.
    for (int x : {0, 20, 48})
        EXPECT_EQ(RedAndAlpha(plain, x), std::make_pair(0, 255)) << x;
    for (int x : {51, 75, 99})
        EXPECT_EQ(RedAndAlpha(plain, x), std::make_pair(255, 255)) << x;
    // With black as the key the left half covers nothing.
    for (int x : {0, 20, 48})
        EXPECT_EQ(RedAndAlpha(keyed, x), std::make_pair(0, 0)) << x;
    for (int x : {51, 75, 99})
        EXPECT_EQ(RedAndAlpha(keyed, x), std::make_pair(255, 255)) << x;
}

TEST(LargePictures, CellsAndShowFramesAreMadeAtTheirSize) {
    const PicturePtr picture = Picture::fromBytes(HugePng());
    ASSERT_TRUE(picture);
    const KeyColor black = qRgb(0, 0, 0);
    QImage cell;
    ShowFrame frame;
    const qint64 growth = GrowthDuring([&] {
        cell = CellSource(*picture, black, QSize(300, 200));
        // The show's frame for a 400 x 400 window, made as the show makes it.
        Document doc;
        doc.slideCount = 1;
        doc.slides[0].picture = picture;
        doc.slides[0].keyColor = black;
        show::FrameMaker frames(std::make_shared<DocumentPictures>(doc), {});
        show::FrameRequest request;
        request.spec = show::FrameSpec{0, 400, 400, false, false, false, 400, 400};
        request.key = 0;
        request.keyed = true;
        frames.Ask(request);
        frames.WaitIdle();
        frame = ShowFrameOf(frames.Made(request.spec));
    });
    if (growth < 0)
        GTEST_SKIP() << "this system does not tell a process's peak memory";
    EXPECT_LT(growth, 64 * kMiB);
    ASSERT_EQ(cell.size(), QSize(200, 200));
    EXPECT_EQ(qAlpha(cell.pixel(10, 100)), 0); // the key: see-through
    EXPECT_EQ(cell.pixel(190, 100), qRgb(255, 255, 255));
    ASSERT_EQ(frame.image.size(), QSize(400, 400));
    // The frame shows the white half only: the black half is the key.
    EXPECT_EQ(frame.opaque.boundingRect(), QRect(200, 0, 200, 400));
}

TEST(LargePictures, ThePlayersStayWithinTheirMemory) {
    // A show of three such slides, one second each, that ends by itself.
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    Document& doc = CurrentDocument();
    // PNG, keyed PNG and a GIF declaring as much in a few dozen bytes.
    for (int i = 0; i < 3; ++i) {
        const QByteArray bytes = i < 2 ? HugePng() : EmptyGif(kSide, kSide);
        AddSlide(Picture::fromBytes(bytes), i == 1 ? KeyColor(qRgb(0, 0, 0)) : KeyColor());
        ASSERT_TRUE(doc.slides[i].picture) << i;
        doc.slides[i].switchTime = 1;
    }
    RecalcPages(ed);
    doc.header.timerSwitch = 1;
    doc.header.loop = 0;
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/huge.lsr");
    ASSERT_TRUE(WriteDocumentFile(path));
    ResetWorld();

    const QStringList offscreen{QStringLiteral("QT_QPA_PLATFORM=offscreen")};
    const MeasuredRun play = RunMeasured(QStringLiteral(LSR_BINARY_DIR "/luserio"),
                                         {QStringLiteral("--play"), path}, offscreen);
    EXPECT_EQ(play.code, 0) << play.err.toStdString();
    EXPECT_LT(play.peakKiB, 300 * 1024);

    // The exported slideshow: the player runtime draws on an X server of the test's own.
    const QString exe = dir.path() + QStringLiteral("/huge-show");
    const ProgramRun made = RunLuserio({QStringLiteral("--export-exe"), path, exe});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    VirtualScreen screen;
    if (!screen.Start())
        GTEST_SKIP() << "Xvfb is missing (scripts/setup.sh installs it)";
    const MeasuredRun standalone = RunMeasured(
        exe, {},
        {QStringLiteral("DISPLAY=") + screen.Display(), QStringLiteral("LD_LIBRARY_PATH=")});
    EXPECT_EQ(standalone.code, 0) << standalone.err.toStdString();
    EXPECT_LT(standalone.peakKiB, 300 * 1024);
}

TEST_F(EditorTest, APageOfHugePicturesStaysSmall) {
    for (int i = 0; i < 6; ++i)
        AddSlide(Picture::fromBytes(i < 4 ? HugePng() : EmptyGif(kSide, kSide)),
                 i % 2 ? KeyColor(qRgb(0, 0, 0)) : KeyColor());
    RecalcPages(*editor);
    const qint64 growth = GrowthDuring([&] {
        editor->RedrawRebuilt();
        editor->repaint();
        editor->WaitForCellPictures();
    });
    if (growth < 0)
        GTEST_SKIP() << "this system does not tell a process's peak memory";
    EXPECT_EQ(editor->PendingCellPictures(), 0);
    EXPECT_LT(growth, 160 * kMiB);
}

TEST(LargePictures, APictureWhoseBlockRunsOnIsReadNoFurtherThanItsEnd) {
    // A slideshow whose one picture's block is declared to run on over 3 GiB of zeros
    // (a sparse file): drawing the picture reads its bytes up to its own end only.
    ResetWorld();
    TestPrompts prompts;
    CountingEditState ed;
    NewDocument(ed);
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(qRgb(20, 140, 220));
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(photo.save(&out, "JPEG", 90));
    AddSlide(Picture::fromBytes(jpeg), KeyColor());
    RecalcPages(ed);
    QByteArray stream;
    QBuffer streamOut(&stream);
    streamOut.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(streamOut));
    ResetWorld();

    QTemporaryDir dir;
    const QString show = dir.path() + QStringLiteral("/show");
    const QString why = WriteSparseSlideshow(show, "X", stream, qint64(3) << 30, true);
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    ASSERT_TRUE(OpenDocument(show, nullptr, OpenOptions{false}));
    const PicturePtr picture = CurrentDocument().slides[0].picture;
    ASSERT_TRUE(picture);
    QImage whole, cell;
    const qint64 growth = GrowthDuring([&] {
        whole = picture->image();
        cell = CellSource(*picture, qRgb(0, 0, 0), QSize(32, 24));
    });
    if (growth < 0)
        GTEST_SKIP() << "this system does not tell a process's peak memory";
    EXPECT_LT(growth, 64 * kMiB);
    ASSERT_EQ(whole.size(), QSize(64, 48));
    EXPECT_LE(std::abs(qBlue(whole.pixel(30, 20)) - 220), 4);
    EXPECT_EQ(cell.size(), QSize(32, 24));
    ResetWorld();
}
