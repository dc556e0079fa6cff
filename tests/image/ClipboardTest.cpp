// The clipboard's slide text, its field rules, and pasting an image as a slide (without
// the window: the clipboard contents are built by hand).

#include "image/Clipboard.h"
#include "base/Settings.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};

/// A 6 x 4 opaque image with a different colour in every pixel.
QImage Gradient() {
    QImage img(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            img.setPixel(x, y, qRgba(40 * x, 60 * y, 200 - 30 * x, 255));
    return img;
}

QByteArray PngBytes(const QImage& img) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

} // namespace

TEST(ClipboardText, SlideTextHoldsKeyTimeAndFlips) {
    struct Row {
        const char* name;
        KeyColor key;
        int time, flipH, flipV;
        const char* text;
    };
    const Row rows[] = {
        {"white key, left-right flip", qRgb(255, 255, 255), 5, 1, 0, "16777215,5,1,0"},
        {"no key is written as -1", std::nullopt, 5, 0, 0, "-1,5,0,0"},
        {"red key", qRgb(255, 0, 0), 64800, 0, 1, "255,64800,0,1"},
        {"blue key", qRgb(0, 0, 255), 1, 1, 1, "16711680,1,1,1"},
        {"a high byte read from a file travels", qRgba(0xFE, 0xFF, 0xFF, 0x00), 3, 0, 0,
         "-2,3,0,0"},
    };
    for (const Row& r : rows) {
        SlideRecord s;
        s.keyColor = r.key;
        s.switchTime = quint16(r.time);
        s.flipH = quint8(r.flipH);
        s.flipV = quint8(r.flipV);
        EXPECT_EQ(SlideClipboardText(s), QString::fromLatin1(r.text)) << r.name;
    }
}

TEST(ClipboardText, ExtractFieldWalksTheSeparators) {
    struct Row {
        const char* text;
        int n;
        const char* field;
    };
    const Row rows[] = {
        {"a,b,c,d", 1, "a"}, {"a,b,c,d", 2, "b"}, {"a,b,c,d", 4, "d"}, {"a,b,c,d", 5, ""},
        {"a,,c", 2, ""},     {"a,,c", 3, "c"},    {"abc", 1, "abc"},   {"abc", 2, ""},
        {"", 1, ""},         {"a,b", 0, ""},      {"a,b,", 3, ""},     {",x", 1, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ExtractField(QString::fromLatin1(r.text), r.n, QLatin1Char(',')),
                  QString::fromLatin1(r.field))
            << r.text << " field " << r.n;
}

TEST_F(Clipboard, FieldRulesOfAPastedText) {
    WriteSettingInt(Setting::NewSlideSeconds, 10);
    struct Row {
        const char* name;
        const char* text;
        KeyColor key;
        int time, flipH, flipV;
    };
    const Row rows[] = {
        {"copied slide", "16777215,5,1,0", qRgb(255, 255, 255), 5, 1, 0},
        {"-1 is no key", "-1,5,0,0", std::nullopt, 5, 0, 0},
        // The colour is the stored 0x00BBGGRR value; a high byte other than 0 is kept in
        // the alpha channel as 255 minus its value.
        {"time 0 gives 1 s", "0,0,0,0", qRgb(0, 0, 0), 1, 0, 0},
        {"time 99999 wraps to 34463", "0,99999,0,0", qRgb(0, 0, 0), 34463, 0, 0},
        {"time 70000 wraps to 4464", "0,70000,0,0", qRgb(0, 0, 0), 4464, 0, 0},
        {"time -5 gives 64800", "0,-5,0,0", qRgb(0, 0, 0), 64800, 0, 0},
        {"time 64801 gives 64800", "0,64801,0,0", qRgb(0, 0, 0), 64800, 0, 0},
        {"blanks, sign and trailing text", " \t+255x, 12s,  1,-0", qRgb(255, 0, 0), 12, 1, 0},
        {"no digits give 0", "abc,7,,", qRgb(0, 0, 0), 7, 0, 0},
        {"flags are taken modulo 256", "1,2,257,256", qRgb(1, 0, 0), 2, 1, 0},
        {"-2 is a number, not no key", "-2,3,0,0", qRgba(0xFE, 0xFF, 0xFF, 0x00), 3, 0, 0},
        {"huge numbers saturate", "99999999999,5,0,0", qRgba(0xFF, 0xFF, 0xFF, 0x80), 5, 0, 0},
        {"four commas: defaults", "1,2,3,4,5", std::nullopt, 10, 0, 0},
        {"two commas: defaults", "1,2,3", std::nullopt, 10, 0, 0},
        {"no commas: defaults", "hello", std::nullopt, 10, 0, 0},
        {"empty: defaults", "", std::nullopt, 10, 0, 0},
    };
    for (const Row& r : rows) {
        const SlideRecord rec = SlideRecordFromText(QString::fromLatin1(r.text));
        EXPECT_EQ(rec.keyColor, r.key) << r.name;
        EXPECT_EQ(rec.switchTime, r.time) << r.name;
        EXPECT_EQ(rec.flipH, r.flipH) << r.name;
        EXPECT_EQ(rec.flipV, r.flipV) << r.name;
    }
    // A default time out of range is kept within the times a slide can have.
    WriteSettingInt(Setting::NewSlideSeconds, 0);
    EXPECT_EQ(SlideRecordFromText(QString()).switchTime, 1);
    WriteSettingInt(Setting::NewSlideSeconds, 70000);
    EXPECT_EQ(SlideRecordFromText(QString()).switchTime, 64800);
}

TEST_F(Clipboard, PastePositionAtTheMarkOrAppended) {
    struct Row {
        const char* name;
        int slides, page, mark;
        int index, pageAfter;
    };
    const Row rows[] = {
        {"mark before the first slide of page 2", 25, 1, 0, 20, 1},
        {"mark after the last slide of page 1", 25, 0, 20, 20, 0},
        {"mark before the third slide", 5, 0, 2, 2, 0},
        {"no mark: appended, view on the last page", 45, 0, -1, 45, 2},
        {"no mark, empty document", 0, 0, -1, 0, 0},
    };
    for (const Row& r : rows) {
        ResetWorld();
        TestPrompts p;
        CountingEditState ed;
        NewDocument(ed);
        FillSlides(ed, r.slides);
        ed.m_page = r.page;
        std::unique_ptr<QMimeData> data(MakeSlideMimeData(Gradient(), "-1,9,0,0"));
        EXPECT_EQ(PasteSlide(ed, r.mark, data.get()), r.index) << r.name;
        EXPECT_EQ(CurrentDocument().slideCount, r.slides + 1) << r.name;
        EXPECT_EQ(CurrentDocument().slides[r.index].switchTime, 9) << r.name;
        EXPECT_EQ(GetPictureSize(CurrentDocument().slides[r.index].picture), QSize(6, 4)) << r.name;
        EXPECT_EQ(ed.m_page, r.pageAfter) << r.name;
        EXPECT_TRUE(ed.m_modified) << r.name;
        EXPECT_GE(ed.redraws, 1) << r.name;
        EXPECT_TRUE(p.calls.isEmpty()) << r.name;
        // The slides before keep their place, the ones from the index move up.
        if (r.index < r.slides) {
            EXPECT_EQ(CurrentDocument().slides[r.index + 1].reserved1, quint32(r.index)) << r.name;
        }
    }
}

TEST_F(Clipboard, PasteStopsWithoutAnImageOrRoom) {
    { // Text only: nothing happens, nothing is said.
        TestPrompts p;
        CountingEditState ed;
        FillSlides(ed, 3);
        QMimeData data;
        data.setText("-1,5,0,0");
        EXPECT_EQ(PasteSlide(ed, -1, &data), -1);
        EXPECT_EQ(PasteSlide(ed, -1, nullptr), -1);
        EXPECT_EQ(CurrentDocument().slideCount, 3);
        EXPECT_TRUE(p.calls.isEmpty());
    }
    { // A full table: message Msg::TooManySlides and no change.
        TestPrompts p;
        CountingEditState ed;
        FillSlides(ed, 100);
        std::unique_ptr<QMimeData> data(MakeSlideMimeData(Gradient(), "-1,5,0,0"));
        EXPECT_EQ(PasteSlide(ed, 0, data.get()), -1);
        EXPECT_EQ(CurrentDocument().slideCount, 100);
        EXPECT_EQ(p.messageIds(), QList<Msg>{Msg::TooManySlides});
        EXPECT_FALSE(ed.m_modified);
    }
}

TEST_F(Clipboard, ImagesOfOtherProgramsPasteWithDefaults) {
    WriteSettingInt(Setting::NewSlideSeconds, 3);
    struct Row {
        const char* name;
        const char* format;
        bool withText;
    };
    const Row rows[] = {
        {"PNG file only", "image/png", false},
        {"PNG file with a text without commas", "image/png", true},
        {"Qt image only", "application/x-qt-image", false},
    };
    for (const Row& r : rows) {
        ResetWorld();
        WriteSettingInt(Setting::NewSlideSeconds, 3);
        TestPrompts p;
        CountingEditState ed;
        QMimeData data;
        if (QByteArray(r.format) == "image/png")
            data.setData(r.format, PngBytes(Gradient()));
        else
            data.setImageData(Gradient());
        if (r.withText)
            data.setText("https://example.org/picture");
        ASSERT_TRUE(HasClipboardBitmap(&data)) << r.name;
        ASSERT_EQ(PasteSlide(ed, -1, &data), 0) << r.name;
        const SlideRecord& s = CurrentDocument().slides[0];
        EXPECT_EQ(s.keyColor, std::nullopt) << r.name;
        EXPECT_EQ(s.switchTime, 3) << r.name;
        EXPECT_EQ(s.flipH + s.flipV, 0) << r.name;
        EXPECT_EQ(GetPictureSize(s.picture), QSize(6, 4)) << r.name;
    }
    QMimeData jpegOnly;
    jpegOnly.setData("image/jpeg", QByteArray("not looked at"));
    EXPECT_FALSE(HasClipboardBitmap(&jpegOnly));
}

TEST_F(Clipboard, KeyedSlidesComeBackPixelForPixel) {
    // A keyed slide as the import leaves it: its see-through pixels are the key colour
    // with alpha 0. Through another process their colour may be lost (black here).
    const KeyColor key = qRgb(0, 255, 0);
    struct Row {
        const char* name;
        QRgb holeColour;
    };
    const Row rows[] = {{"as copied", qRgba(0, 255, 0, 0)},
                        {"hole colour lost", qRgba(0, 0, 0, 0)}};
    for (const Row& r : rows) {
        ResetWorld();
        TestPrompts p;
        CountingEditState ed;
        QImage img = Gradient();
        img.setPixel(0, 0, r.holeColour);
        img.setPixel(5, 3, r.holeColour);
        std::unique_ptr<QMimeData> data(MakeSlideMimeData(img, "65280,7,0,1"));
        ASSERT_EQ(PasteSlide(ed, -1, data.get()), 0) << r.name;
        const SlideRecord& s = CurrentDocument().slides[0];
        EXPECT_EQ(s.keyColor, key) << r.name;
        EXPECT_EQ(s.switchTime, 7) << r.name;
        EXPECT_EQ(s.flipV, 1) << r.name;
        const QImage got = s.picture->image().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(got.size(), QSize(6, 4)) << r.name;
        EXPECT_EQ(got.pixel(0, 0) & 0xFFFFFF, 0x00FF00u) << r.name; // the key colour
        EXPECT_EQ(got.pixel(5, 3) & 0xFFFFFF, 0x00FF00u) << r.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                if ((x != 0 || y != 0) && (x != 5 || y != 3)) {
                    EXPECT_EQ(got.pixel(x, y), Gradient().pixel(x, y))
                        << r.name << " at " << x << "," << y;
                }
    }
}

TEST_F(Clipboard, AJpegSlidePastedWithAKeyLeavesNoFringe) {
    // A JPEG slide keyed white as documents made before held them, copied: its record
    // names white, its picture is the JPEG. Pasted, the key's tolerance takes the JPEG's
    // near-white pixels, as a colour given in the editor does.
    const QImage art = ShapesOn(qRgb(255, 255, 255));
    const PicturePtr jpeg = Picture::fromBytes(Encode(art, "jpeg", 70));
    ASSERT_TRUE(jpeg);
    const int before = BackgroundLeftVisible(art, jpeg->image(), qRgb(255, 255, 255));
    ASSERT_GT(before, 500);
    TestPrompts p;
    CountingEditState ed;
    std::unique_ptr<QMimeData> data(MakeSlideMimeData(jpeg->image(), "16777215,4,0,0", jpeg.get()));
    ASSERT_EQ(PasteSlide(ed, -1, data.get()), 0);
    const SlideRecord& s = CurrentDocument().slides[0];
    EXPECT_EQ(s.keyColor, qRgb(255, 255, 255));
    EXPECT_EQ(s.switchTime, 4);
    const QByteArray stored = s.picture->save();
    ASSERT_TRUE(stored.startsWith("BM"));
    EXPECT_LT(BackgroundLeftVisible(art, QImage::fromData(stored), qRgb(255, 255, 255)) * 100,
              before);
}

TEST_F(Clipboard, SlidesCopiedHereKeepTheirOwnPicture) {
    // A keyed picture as the import leaves it (pixels, half-transparent edges already
    // mixed towards the key) and pictures kept as their files' bytes.
    QImage keyed(6, 4, QImage::Format_ARGB32);
    keyed.fill(qRgba(0, 255, 0, 0));
    keyed.setPixel(1, 1, qRgba(25, 105, 240, 128));
    keyed.setPixel(2, 1, qRgba(200, 40, 90, 255));
    keyed.setPixel(3, 2, qRgba(0, 247, 0, 255));
    QByteArray jpeg;
    {
        QBuffer buf(&jpeg);
        buf.open(QIODevice::WriteOnly);
        Gradient().save(&buf, "jpeg", 75);
    }
    const struct {
        const char* name;
        PicturePtr picture;
        const char* text;
        KeyColor key;
    } rows[] = {
        {"keyed pixels", Picture::fromImage(keyed), "65280,7,1,0", qRgb(0, 255, 0)},
        {"JPEG bytes", Picture::fromBytes(jpeg), "-1,12,0,1", std::nullopt},
        {"BMP bytes", Picture::fromBytes(EncodeBmp(Gradient())), "255,3,1,1", qRgb(255, 0, 0)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        TestPrompts p;
        CountingEditState ed;
        ASSERT_TRUE(r.picture);
        const QImage original = r.picture->image();
        const QByteArray stored = r.picture->save();
        SlideRecord source;
        source.picture = r.picture;
        for (int round = 0; round < 3; ++round) {
            // The bitmap other programs see is deliberately different: a paste here
            // must not use it.
            std::unique_ptr<QMimeData> data(MakeSlideMimeData(QImage(2, 2, QImage::Format_RGB32),
                                                              QString::fromLatin1(r.text),
                                                              source.picture.get()));
            ASSERT_EQ(PasteSlide(ed, -1, data.get()), round);
            const SlideRecord& s = CurrentDocument().slides[round];
            ASSERT_TRUE(s.picture);
            EXPECT_EQ(s.picture->image(), original) << round;
            EXPECT_EQ(s.picture->save(), stored) << round;
            EXPECT_EQ(SlideClipboardText(s), QString::fromLatin1(r.text)) << round;
            EXPECT_EQ(s.keyColor, r.key) << round;
            source = s;
        }
        EXPECT_TRUE(p.calls.isEmpty());
    }
}

TEST_F(Clipboard, CopiedSlidesBeyondTheLimitShrinkLikeOtherImages) {
    QTemporaryDir tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    QImage big(600, 300, QImage::Format_RGB32);
    big.fill(qRgb(30, 60, 90));
    const PicturePtr picture = Picture::fromBytes(EncodeBmp(big));
    const struct {
        const char* name;
        int limit; ///< the LimitImageSize setting
        QSize size;
        bool sameBytes;
    } rows[] = {
        {"limit on: shrunk like an image of another program", 1, {499, 249}, false},
        {"limit off: kept as it is", 0, {600, 300}, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        WriteSettingInt(Setting::LimitImageSize, r.limit);
        TestPrompts p;
        CountingEditState ed;
        std::unique_ptr<QMimeData> data(MakeSlideMimeData(big, "-1,5,0,0", picture.get()));
        ASSERT_EQ(PasteSlide(ed, -1, data.get()), 0);
        const PicturePtr& got = CurrentDocument().slides[0].picture;
        ASSERT_TRUE(got);
        EXPECT_EQ(got->size(), r.size);
        EXPECT_EQ(got->save() == picture->save(), r.sameBytes);
    }
    qputenv("TMPDIR", oldTmp);
}

TEST_F(Clipboard, BrokenSlideDataFallsBackToTheImage) {
    // The private type may come from any program: data that is not a slide of ours, or
    // whose picture does not decode or is too large, is passed over for the image.
    const QByteArray huge = MakePng(10001, 10000, 1, 0, {}, QByteArray(1, '\0'));
    QByteArray validPng;
    {
        QBuffer buf(&validPng);
        buf.open(QIODevice::WriteOnly);
        QImage(3, 3, QImage::Format_RGB32).save(&buf, "png");
    }
    const struct {
        const char* name;
        QByteArray payload;
    } rows[] = {
        {"empty", QByteArray()},
        {"another program's data", QByteArray("hello")},
        {"no kind line", QByteArray("luserio-slide 1\n-1,5,0,0")},
        {"unknown kind", QByteArray("luserio-slide 1\n-1,5,0,0\nother\n") + validPng},
        {"bytes that do not decode", QByteArray("luserio-slide 1\n-1,5,0,0\nbytes\njunk")},
        {"pixels that are not PNG",
         QByteArray("luserio-slide 1\n-1,5,0,0\npixels\n") + EncodeBmp(Gradient())},
        {"over a hundred megapixels", QByteArray("luserio-slide 1\n-1,5,0,0\nbytes\n") + huge},
        {"a later version", QByteArray("luserio-slide 2\n-1,5,0,0\nbytes\n") + validPng},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        TestPrompts p;
        CountingEditState ed;
        std::unique_ptr<QMimeData> data(MakeSlideMimeData(Gradient(), "-1,9,0,0"));
        data->setData(kSlideMimeType, r.payload);
        ASSERT_EQ(PasteSlide(ed, -1, data.get()), 0);
        const SlideRecord& s = CurrentDocument().slides[0];
        EXPECT_EQ(GetPictureSize(s.picture), QSize(6, 4)); // the image's size
        EXPECT_EQ(s.switchTime, 9);                        // the image's text
    }
    // The private type alone counts as an image on the clipboard.
    QMimeData only;
    only.setData(kSlideMimeType, QByteArray("luserio-slide 1\n-1,5,0,0\nbytes\n") + validPng);
    EXPECT_TRUE(HasClipboardBitmap(&only));
    TestPrompts p;
    CountingEditState ed;
    ResetWorld();
    ASSERT_EQ(PasteSlide(ed, -1, &only), 0);
    EXPECT_EQ(GetPictureSize(CurrentDocument().slides[0].picture), QSize(3, 3));
    EXPECT_EQ(CurrentDocument().slides[0].picture->save(), validPng);
}
