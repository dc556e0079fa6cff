// The test helper that reads drawn text out of a picture: it must accept every smoothing
// of the right colour and catch text in another colour.

#include "tests/support/TextInk.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kBack = qRgb(123, 158, 247);
constexpr QRgb kText = qRgb(255, 247, 198);

TEST(TextInk, PixelsAreReadAsMixesOfTheTwoColours) {
    struct Row {
        const char* name;
        QRgb pixel; // one pixel on the background
        double ink;
        int nearest; // its largest channel difference from the text colour
        int strays;
    };
    const Row rows[] = {
        {"background", kBack, 0.0, 256, 0},
        {"text colour", kText, 1.0, 0, 0},
        // About half of each: (123 + 255) / 2, (158 + 247) / 2, (247 + 198) / 2, rounded.
        {"even mix", qRgb(189, 202, 222), (66.0 / 132 + 44.0 / 89 + 25.0 / 49) / 3, 66, 0},
        // Subpixel smoothing: red fully covered, green half, blue not at all; the share
        // is the mean of (1, 44/89, 0).
        {"subpixel mix", qRgb(255, 202, 247), (1.0 + 44.0 / 89.0) / 3.0, 49, 0},
        // Near the text colour, within the span: counted, but not as the text colour.
        {"close colour", qRgb(240, 240, 210), (117.0 / 132 + 82.0 / 89 + 37.0 / 49) / 3, 15, 0},
        {"white", qRgb(255, 255, 255), 0.0, 256, 1},
        {"black", qRgb(0, 0, 0), 0.0, 256, 1},
        {"beyond the text colour", qRgb(255, 252, 190), 0.0, 256, 1},
    };
    for (const Row& r : rows) {
        QImage img(4, 3, QImage::Format_RGB32);
        img.fill(kBack);
        img.setPixel(2, 1, r.pixel);
        const TextInk got = MeasureTextInk(img, img.rect(), kText, kBack);
        EXPECT_NEAR(got.ink, r.ink, 0.001) << r.name;
        EXPECT_EQ(got.nearest, r.nearest) << r.name;
        EXPECT_EQ(got.strays, r.strays) << r.name;
    }
}

TEST(TextInk, OnlyTheAreaCountsAndTheBackgroundMayBeAPicture) {
    // A background of four colours, a block of 3 x 2 text pixels and one stray pixel.
    QImage back(8, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            back.setPixel(x, y, qRgb(40 * (x / 2), 30, 200 - 40 * y));
    QImage shot = back;
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 4; ++x)
            shot.setPixel(x, y, kText);
    shot.setPixel(6, 3, qRgb(0, 0, 0));
    const TextInk block = MeasureTextInk(shot, QRect(0, 0, 5, 4), kText, back);
    EXPECT_DOUBLE_EQ(block.ink, 6.0);
    EXPECT_EQ(block.nearest, 0);
    EXPECT_EQ(block.strays, 0);
    EXPECT_EQ(MeasureTextInk(shot, shot.rect(), kText, back).strays, 1);
    // A background picture of another size cannot be compared.
    EXPECT_GT(MeasureTextInk(shot, shot.rect(), kText, back.copy(0, 0, 4, 4)).strays, 0);
}

TEST(TextInk, TextFromAnyFontIsReadAndAnotherColourCaught) {
    // Drawn with whatever font the machine offers for the default family.
    auto draw = [](QRgb colour) {
        QImage img(120, 40, QImage::Format_RGB32);
        img.fill(kBack);
        QPainter p(&img);
        QFont font;
        font.setPixelSize(20);
        p.setFont(font);
        p.setPen(QColor(colour));
        p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("Ink 42"));
        return img;
    };
    const TextInk right = MeasureTextInk(draw(kText), QRect(0, 0, 120, 40), kText, kBack);
    EXPECT_EQ(right.strays, 0);
    EXPECT_LE(right.nearest, 8);
    EXPECT_GT(right.ink, 20.0);
    // White text leaves green and blue outside the span.
    EXPECT_GT(MeasureTextInk(draw(qRgb(255, 255, 255)), QRect(0, 0, 120, 40), kText, kBack).strays,
              0);
    // Colours between the two, dimmer or close to the text colour, never reach it.
    for (const QRgb other : {qRgb(189, 202, 222), qRgb(240, 240, 210)}) {
        const TextInk near = MeasureTextInk(draw(other), QRect(0, 0, 120, 40), kText, kBack);
        EXPECT_EQ(near.strays, 0) << qRed(other);
        EXPECT_GT(near.nearest, 8) << qRed(other);
    }
}

} // namespace
