#include "dialogs/SlidePropertiesDialog.h"
#include "dialogs/ColorButton.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/DialogMath.h"
#include "editor/ui/EditorWindow.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestPrompts.h"
#include "tests/support/TextInk.h"

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QUndoStack>

namespace {

class SlideProperties : public DialogTest {};

/// A picture whose left half is blue and whose right half is red.
QImage BlueAndRedHalves(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 0));
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            img.setPixel(x, y, qRgb(0, 0, 255));
    return img;
}

TEST_F(SlideProperties, PreviewPlacement) {
    struct Row {
        const char* name;
        QRect frame;
        QSize picture;
        QRect placed;
    };
    const Row rows[] = {
        {"smaller: centred at its size", {0, 0, 800, 600}, {640, 480}, {80, 60, 640, 480}},
        {"odd leftover rounds down", {10, 20, 801, 601}, {100, 100}, {360, 270, 100, 100}},
        {"wide: the width fills", {0, 0, 800, 600}, {1600, 400}, {0, 200, 800, 200}},
        {"single precision: 194, not 195", {0, 0, 780, 600}, {1200, 300}, {0, 203, 780, 194}},
        {"tall: the height fills", {0, 0, 800, 600}, {400, 1600}, {325, 0, 150, 600}},
        {"same size is not smaller", {0, 0, 800, 600}, {800, 600}, {0, 0, 800, 600}},
        {"one side equal, other smaller", {5, 7, 800, 600}, {800, 300}, {5, 157, 800, 300}},
        {"frame offset kept", {30, 40, 800, 600}, {1600, 400}, {30, 240, 800, 200}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PreviewPlacement(r.frame, r.picture), r.placed) << r.name;
}

TEST_F(SlideProperties, TextsAndStepButtons) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 3);
    Document& doc = CurrentDocument();
    doc.slides[0].picture = MakeTestPicture(1920, 1080);
    doc.slides[0].keyColor = qRgb(255, 0, 0);
    doc.slides[2].picture = MakeTestPicture(640, 480);
    doc.header.previewBackground = qRgb(1, 2, 3);

    SlidePropertiesDialog dlg(&editor);
    dlg.m_index = 0;
    dlg.Initialize();
    EXPECT_EQ(dlg.sizeLabel()->text(), "1,920×1,080px");
    EXPECT_EQ(dlg.colorLabel()->text(), "RGB(255, 0, 0)");
    EXPECT_EQ(dlg.colorButton()->color(), qRgb(1, 2, 3));
    auto enabled = [&dlg] {
        return std::vector<bool>{dlg.stepButton(0)->isEnabled(), dlg.stepButton(1)->isEnabled(),
                                 dlg.stepButton(2)->isEnabled(), dlg.stepButton(3)->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true}));

    QTest::mouseClick(dlg.stepButton(2), Qt::LeftButton);
    EXPECT_EQ(dlg.m_index, 1);
    EXPECT_EQ(dlg.colorLabel()->text(), "透過色なし");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));

    QTest::mouseClick(dlg.stepButton(3), Qt::LeftButton);
    EXPECT_EQ(dlg.m_index, 2);
    EXPECT_EQ(dlg.sizeLabel()->text(), "640×480px");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));

    QTest::mouseClick(dlg.stepButton(1), Qt::LeftButton);
    EXPECT_EQ(dlg.m_index, 1);
    QTest::mouseClick(dlg.stepButton(0), Qt::LeftButton);
    EXPECT_EQ(dlg.m_index, 0);
    EXPECT_EQ(editor.m_selectedCell, -1) << "stepping does not touch the editor";

    // One slide: nowhere to step.
    FillSlides(editor, 1);
    SlidePropertiesDialog one(&editor);
    one.m_index = 0;
    one.Initialize();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(one.stepButton(i)->isEnabled()) << i;
}

TEST_F(SlideProperties, PreviewShowsTheMirroredPictureKeyedOverTheBackground) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 2);
    Document& doc = CurrentDocument();
    // 200 x 100: the left half blue, the right half the key colour red; mirrored
    // left-right, so the blue shows on the right.
    doc.slides[1].picture = Picture::fromImage(BlueAndRedHalves(QSize(200, 100)));
    doc.slides[1].keyColor = qRgb(255, 0, 0);
    doc.slides[1].flipH = 1;
    doc.header.previewBackground = qRgb(0, 255, 0);

    SlidePropertiesDialog dlg(&editor);
    dlg.m_index = 1;
    dlg.Initialize();
    dlg.show();
    const QImage shot = dlg.previewFrame()->grab().toImage();
    const QRect place = PreviewPlacement(dlg.PreviewRect(), QSize(200, 100));
    ASSERT_EQ(place.size(), QSize(200, 100)) << "a small picture keeps its size";
    const QPoint keyed = place.topLeft() + QPoint(50, 70);
    const QPoint blue = place.topLeft() + QPoint(150, 70);
    EXPECT_EQ(shot.pixelColor(keyed), QColor(0, 255, 0)) << "key pixels show the background";
    EXPECT_EQ(shot.pixelColor(blue), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(dlg.PreviewRect().bottomRight()), QColor(0, 255, 0));
    // The slide number "2" in qRgb(226, 226, 166) at the top left, over the background:
    // every pixel there is one of the two colours or a mix of them, whatever the font.
    const TextInk number =
        MeasureTextInk(shot, QRect(0, 0, 40, 40), qRgb(226, 226, 166), qRgb(0, 255, 0));
    EXPECT_EQ(number.strays, 0);
    EXPECT_LE(number.nearest, 8); // fully covered pixels have the text colour
    EXPECT_GT(number.ink, 20.0);

    // A photo-sized keyed picture is reduced to the preview with its key left out: no
    // key colour and no mix of it with the picture anywhere in the preview.
    const QImage big = BlueAndRedHalves(QSize(2400, 1200));
    doc.slides[1].picture = Picture::fromImage(big);
    dlg.Initialize();
    const QImage bigShot = dlg.previewFrame()->grab().toImage();
    const QRect bigPlace = PreviewPlacement(dlg.PreviewRect(), big.size());
    ASSERT_EQ(bigPlace.width(), dlg.PreviewRect().width()) << "a large picture fills the width";
    for (int y = bigPlace.top() + 30; y < bigPlace.bottom(); y += 7)
        for (int x = bigPlace.left(); x <= bigPlace.right(); ++x) {
            const QColor c = bigShot.pixelColor(x, y);
            ASSERT_EQ(c.red(), 0) << x << "," << y;
            const QColor side = x < bigPlace.center().x() ? QColor(0, 255, 0) : QColor(0, 0, 255);
            if (std::abs(x - bigPlace.center().x()) > 2) {
                ASSERT_EQ(c, side) << x << "," << y;
            }
        }

    // The swatch is red; stepping to a slide without a key leaves it empty.
    const QImage swatch = dlg.swatch()->grab().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.rect().center()), QColor(255, 0, 0));
    dlg.OnPrev();
    const QImage empty = dlg.swatch()->grab().toImage();
    EXPECT_NE(empty.pixelColor(empty.rect().center()), QColor(255, 0, 0));
}

TEST_F(SlideProperties, BackgroundColourDecidesTheResult) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 25);
    Document& doc = CurrentDocument();
    doc.header.previewBackground = qRgb(10, 20, 30);

    // Choosing the colour already set changes nothing: Cancel, not modified.
    editor.m_page = 1;
    editor.m_selectedCell = 3;
    Script<SlidePropertiesDialog>([](SlidePropertiesDialog& d) {
        EXPECT_EQ(d.m_index, 23);
        d.colorButton()->choose(qRgb(10, 20, 30));
        EXPECT_FALSE(d.m_changed);
        QTest::mouseClick(d.backButton(), Qt::LeftButton);
        EXPECT_EQ(d.result(), int(QDialog::Rejected));
    });
    editor.OpenSlideProperties(editor.SelectedIndex());
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(editor.m_modified);
    EXPECT_EQ(editor.m_selectedCell, -1);

    // Another colour from the chooser, closed with Escape: OK, modified.
    TestPrompts prompts;
    prompts.answerColor(qRgb(200, 100, 50));
    Script<SlidePropertiesDialog>([](SlidePropertiesDialog& d) {
        d.colorButton()->chooseOther();
        EXPECT_TRUE(d.m_changed);
        EXPECT_EQ(d.colorButton()->color(), qRgb(200, 100, 50));
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    editor.OpenSlideProperties(0);
    EXPECT_TRUE(editor.m_modified);
    EXPECT_EQ(doc.header.previewBackground, qRgb(200, 100, 50));
    ASSERT_EQ(prompts.calls.size(), 1);
    EXPECT_EQ(prompts.calls[0].color, qRgb(10, 20, 30)) << "the chooser starts at the colour";

    // A cancelled chooser changes nothing.
    editor.DocumentSaved(); // as if just saved
    prompts.answerColor(std::nullopt);
    Script<SlidePropertiesDialog>([](SlidePropertiesDialog& d) {
        d.colorButton()->chooseOther();
        d.close();
    });
    editor.OpenSlideProperties(0);
    EXPECT_FALSE(editor.m_modified);
    EXPECT_EQ(doc.header.previewBackground, qRgb(200, 100, 50));
}

TEST_F(SlideProperties, ToleranceKeysTheSlideLiveAsOneStep) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 2);
    Document& doc = CurrentDocument();
    // Slide 1: shapes on white as a JPEG keyed white exactly, as documents made before
    // held them; slide 2 has no transparent colour.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(ShapesOn(qRgb(255, 255, 255)).save(&buffer, "JPEG", 70));
    const PicturePtr jpeg = Picture::fromBytes(bytes);
    doc.slides[0].picture = jpeg;
    doc.slides[0].keyColor = qRgb(255, 255, 255);
    doc.header.previewBackground = qRgb(0, 0, 255);
    const QImage decoded = jpeg->image();
    // The pixels near white but not white: each must show the background once keyed.
    QList<QPoint> near;
    for (int y = 0; y < decoded.height(); ++y)
        for (int x = 0; x < decoded.width(); ++x) {
            const QRgb c = decoded.pixel(x, y);
            if ((c & 0xFFFFFFu) != 0xFFFFFFu && qRed(c) >= 240 && qGreen(c) >= 240 &&
                qBlue(c) >= 240)
                near << QPoint(x, y);
        }
    ASSERT_GT(near.size(), 100);

    Script<SlidePropertiesDialog>([&](SlidePropertiesDialog& d) {
        QSpinBox* spin = d.toleranceSpin();
        EXPECT_TRUE(spin->isEnabled());
        EXPECT_EQ(spin->value(), 0) << "keyed exactly until now";
        const QRect place = PreviewPlacement(d.PreviewRect(), decoded.size());
        ASSERT_EQ(place.size(), decoded.size());
        const auto showingBackground = [&] {
            const QImage shot = d.previewFrame()->grab().toImage();
            int n = 0;
            for (const QPoint& p : near)
                n += shot.pixelColor(place.topLeft() + p) == QColor(0, 0, 255);
            return n;
        };
        EXPECT_LT(showingBackground(), near.size() / 10);
        // Typed, the preview follows at once.
        spin->selectAll();
        QTest::keyClicks(spin, "20");
        EXPECT_EQ(doc.slides[0].keyTolerance, 20);
        EXPECT_EQ(doc.slides[0].keySource, jpeg);
        EXPECT_EQ(showingBackground(), near.size());
        EXPECT_TRUE(d.m_changed);
        // Back to 0: the JPEG itself, keyed exactly.
        spin->setValue(0);
        EXPECT_EQ(doc.slides[0].picture, jpeg);
        spin->setValue(24);
        // A slide without a colour has no tolerance to set.
        d.OnNext();
        EXPECT_FALSE(spin->isEnabled());
        d.OnPrev();
        EXPECT_EQ(spin->value(), 24);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    editor.OpenSlideProperties(0);
    EXPECT_TRUE(editor.m_modified);
    EXPECT_EQ(doc.slides[0].keyTolerance, 24);
    ASSERT_EQ(editor.undoStack()->count(), 1);
    EXPECT_EQ(editor.undoStack()->text(0), QStringLiteral("透過色の許容差の変更"));
    editor.undoStack()->undo();
    EXPECT_EQ(doc.slides[0].picture, jpeg);
    EXPECT_EQ(doc.slides[0].keyTolerance, 0);
    EXPECT_FALSE(editor.m_modified);
}

TEST_F(SlideProperties, PaletteOffersTwentyColoursInFiveColumns) {
    int count = 0;
    const QRgb* palette = ColorButton::Palette(&count);
    EXPECT_EQ(count % 5, 0);
    EXPECT_GE(count, 10);
    std::set<QRgb> distinct(palette, palette + count);
    EXPECT_EQ(int(distinct.size()), count);
}

} // namespace
