// Pixels of the painted main window (grabbed off-screen) and the rectangles the paint
// records for mouse handling.

#include "base/Settings.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/CellImage.h"
#include "editor/Fonts.h"
#include "editor/ui/EditorWindow.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"
#include "tests/support/TextInk.h"

#include "tests/editor/RectEdges.h"
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>

#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

/// A 400 x 300 picture of the key colour green with a white square in the middle.
PicturePtr KeyedPicture() {
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    QPainter(&img).fillRect(QRect(150, 100, 100, 100), Qt::white);
    return Picture::fromImage(img);
}

class Paint : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        editor = OpenTestEditor();
        ASSERT_TRUE(editor);
    }
    void TearDown() override {
        editor.reset();
        ResetWorld();
    }
    /// One slide on the page: cell 0 is drawn at (58, 295, 244, 435).
    void OneSlide(PicturePtr picture, KeyColor key) {
        Document& doc = CurrentDocument();
        doc.slides[0] = SlideRecord{};
        doc.slides[0].picture = std::move(picture);
        doc.slides[0].keyColor = key;
        doc.slides[0].switchTime = 5;
        doc.slideCount = 1;
        RecalcPages(*editor);
        editor->m_rebuildCells = true;
    }
    QImage Shot() { return editor->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<EditorWindow> editor;
};

TEST_F(Paint, EmptyDocument) {
    const QImage shot = Shot();
    ASSERT_EQ(shot.size(), QSize(1440, 810));
    // The red mark, 2 pixels wide in the middle of (709, 295, 713, 435).
    const QRgb red = kColumnColors[0];
    EXPECT_EQ(shot.pixel(710, 365), red);
    EXPECT_EQ(shot.pixel(711, 300), red);
    EXPECT_NE(shot.pixel(709, 365), red);
    EXPECT_NE(shot.pixel(712, 365), red);
    EXPECT_EQ(editor->m_markRects[0], FromEdges(709, 295, 713, 435));
    // Highlighted, it is 6 pixels wide.
    editor->m_mark = 0;
    const QImage wide = Shot();
    EXPECT_EQ(wide.pixel(708, 365), red);
    EXPECT_EQ(wide.pixel(713, 365), red);
    EXPECT_NE(wide.pixel(707, 365), red);
    // A black graph with a 2-pixel frame, recorded grown by one pixel.
    EXPECT_EQ(shot.pixel(600, 750), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(17, 750), kGraphFrameColor);
    EXPECT_EQ(shot.pixel(18, 750), kGraphFrameColor);
    EXPECT_EQ(shot.pixel(1233, 750), kGraphFrameColor);
    EXPECT_EQ(shot.pixel(1234, 750), kGraphFrameColor);
    EXPECT_EQ(shot.pixel(19, 750), qRgb(0, 0, 0));
    EXPECT_EQ(editor->m_graphRect, FromEdges(17, 698, 1235, 800));
    // The icon bar is where it belongs.
    EXPECT_EQ(editor->m_iconArea, FromEdges(1252, 732, 1422, 790));
    EXPECT_EQ(editor->m_opacityBar, FromEdges(1252, 790, 1422, 799));
    EXPECT_EQ(editor->m_iconRects[0], FromEdges(1254, 734, 1280, 760));
    const QImage bar = editor->m_iconBarImage.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(1252 + 90, 732 + 20), bar.pixel(90, 20));
    EXPECT_EQ(editor->m_iconBarImage.size(), QSize(170, 67));
    EXPECT_EQ(editor->m_logoImage.size(), QSize(235, 46));
    EXPECT_EQ(editor->m_propMarkImage.size(), QSize(11, 11));
}

TEST_F(Paint, EmptyPageHintSaysTheSizeLimit) {
    // How to add pictures, then what becomes of their size, as the settings say now.
    const QString how = QStringLiteral("画像ファイルをここへドラッグ＆ドロップするか、\n"
                                       "下の「スライド追加…」ボタンで追加してください\n");
    EXPECT_EQ(EditorWindow::EmptyPageHint(),
              how + QStringLiteral("500 × 500 ピクセルを超える画像は、収まるように縮小します\n"
                                   "(設定で変更できます)"));
    WriteSettingInt(Setting::LimitImageSize, 0);
    EXPECT_EQ(EditorWindow::EmptyPageHint(),
              how + QStringLiteral("画像は元の大きさのまま追加します\n(設定で変更できます)"));
    ClearSettings();
}

TEST_F(Paint, TotalTimeIsWrittenInItsBlue) {
    // On a plain background every pixel of the line is the background, the blue or a
    // mix of the two, whatever font the machine writes it with.
    const QRgb back = qRgb(230, 230, 230);
    DocumentHeader& h = CurrentDocument().header;
    h.backgroundLeft = h.backgroundCenter = h.backgroundRight = back;
    const TextInk total =
        MeasureTextInk(Shot(), FromEdges(1252, 699, 1422, 732), kTotalTimeColor, back);
    EXPECT_EQ(total.strays, 0);
    EXPECT_LE(total.nearest, 8); // fully covered pixels have the text colour
    EXPECT_GT(total.ink, 20.0);
}

TEST_F(Paint, KeyedSlideShowsTheBackgroundWithoutAHalo) {
    const QImage empty = Shot();
    OneSlide(KeyedPicture(), qRgb(0, 255, 0));
    const QImage shot = Shot();
    ASSERT_EQ(editor->m_cellRects[0], FromEdges(58, 295, 244, 435));
    // Key pixels show the background gradient exactly; the white square is drawn.
    EXPECT_EQ(shot.pixel(80, 320), empty.pixel(80, 320));
    EXPECT_EQ(shot.pixel(220, 420), empty.pixel(220, 420));
    EXPECT_EQ(shot.pixel(151, 365), qRgb(255, 255, 255));
    // No pixel inside the frame carries the key's green into its surroundings.
    for (int y = 296; y < 434; ++y)
        for (int x = 59; x < 243; ++x) {
            const QRgb c = shot.pixel(x, y);
            ASSERT_LE(qGreen(c) - std::max(qRed(c), qBlue(c)), 6) << x << "," << y;
        }
    // Without a key the green is drawn.
    OneSlide(KeyedPicture(), std::nullopt);
    EXPECT_EQ(Shot().pixel(80, 320), qRgb(0, 255, 0));
}

TEST_F(Paint, SelectedCellGetsFourHighlightRings) {
    OneSlide(KeyedPicture(), std::nullopt);
    const QImage plain = Shot();
    editor->m_selectedCell = 0;
    const QImage shot = Shot();
    EXPECT_EQ(shot.pixel(58, 365), kColumnColors[0]); // the frame inside the cell
    EXPECT_EQ(shot.pixel(57, 365), qRgb(255, 58, 50));
    EXPECT_EQ(shot.pixel(56, 365), qRgb(255, 108, 100));
    EXPECT_EQ(shot.pixel(55, 365), qRgb(255, 158, 150));
    EXPECT_EQ(shot.pixel(54, 365), qRgb(255, 208, 200));
    EXPECT_EQ(shot.pixel(150, 291), qRgb(255, 208, 200)); // above the cell
    EXPECT_EQ(shot.pixel(53, 365), plain.pixel(53, 365));
    EXPECT_NE(plain.pixel(57, 365), qRgb(255, 58, 50));
    // The marks before and after the only cell, and the graph boundary.
    EXPECT_EQ(editor->m_markRects[0], FromEdges(7, 295, 11, 435));
    EXPECT_EQ(editor->m_markRects[1], FromEdges(291, 295, 295, 435));
    EXPECT_EQ(editor->m_boundaryRects[1], FromEdges(1232, 699, 1236, 799));
    EXPECT_EQ(editor->CellArea(0), QRect(53, 290, 196, 170));
    // The fit of a slide by its index; nothing for an index beyond the table.
    EXPECT_EQ(editor->FitSlideToCell(0, 266, 140), (CellFit{186, 140, 40, 0}));
    EXPECT_EQ(editor->FitSlideToCell(1, 266, 140), CellFit{});
}

TEST_F(Paint, CellImagesAreRebuiltOnlyWhenAsked) {
    OneSlide(KeyedPicture(), std::nullopt);
    Shot();
    EXPECT_FALSE(editor->m_rebuildCells);
    // A changed picture is not seen while the cache stands, also in a partial repaint.
    CurrentDocument().slides[0].picture = MakeTestPicture(400, 300, Qt::blue);
    QPixmap partial(editor->size());
    partial.fill(Qt::black);
    editor->render(&partial, editor->CellArea(0).topLeft(), QRegion(editor->CellArea(0)));
    EXPECT_EQ(partial.toImage().pixel(80, 320), qRgb(0, 255, 0));
    EXPECT_EQ(partial.toImage().pixel(300, 150), qRgb(0, 0, 0)); // outside: untouched
    EXPECT_EQ(Shot().pixel(80, 320), qRgb(0, 255, 0));
    editor->m_rebuildCells = true;
    EXPECT_EQ(Shot().pixel(80, 320), qRgb(0, 0, 255));
    // The colour under a point of the drawn image, for colour picking.
    EXPECT_EQ(editor->CellPixelColor(0, QPoint(80, 320)), qRgb(0, 0, 255));
    EXPECT_EQ(editor->CellPixelColor(0, QPoint(10, 10)), std::nullopt);
}

TEST_F(Paint, LargePicturesFillTheirCellsOnceDecodedInWorkers) {
    // A 1200 x 900 JPEG (too large to decode while painting) and a 1000 x 800 PNG cut
    // off in its pixel data, both with headers that read.
    const auto encoded = [](const QImage& img, const char* format) {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        img.save(&out, format);
        return bytes;
    };
    QImage photo(1200, 900, QImage::Format_RGB32);
    photo.fill(qRgb(20, 40, 220));
    QImage noisy(1000, 800, QImage::Format_RGB32);
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x)
            noisy.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, x * y % 256));
    const QByteArray png = encoded(noisy, "PNG");
    Document& doc = CurrentDocument();
    doc.slides[0] = SlideRecord{};
    doc.slides[0].picture = Picture::fromBytes(encoded(photo, "JPEG"));
    doc.slides[1] = SlideRecord{};
    doc.slides[1].picture = Picture::fromBytes(png.left(png.size() / 2));
    ASSERT_TRUE(doc.slides[0].picture && doc.slides[1].picture);
    doc.slideCount = 2;
    RecalcPages(*editor);
    editor->m_rebuildCells = true;

    // The first paint does not wait: both cells show that their pictures are coming.
    const QImage waiting = Shot();
    EXPECT_TRUE(editor->m_cellPending[0]);
    EXPECT_TRUE(editor->m_cellPending[1]);
    EXPECT_FALSE(editor->m_cellRects[1].isEmpty());

    editor->WaitForCellPictures();
    EXPECT_EQ(editor->PendingCellPictures(), 0);
    EXPECT_FALSE(editor->m_cellPending[0]);
    EXPECT_FALSE(editor->m_cellPending[1]);
    const QImage shot = Shot();
    const QPoint centre = editor->m_cellRects[0].center();
    const QRgb c = shot.pixel(centre);
    EXPECT_NEAR(qRed(c), 20, 6);
    EXPECT_NEAR(qGreen(c), 40, 6);
    EXPECT_NEAR(qBlue(c), 220, 6);
    EXPECT_NE(waiting.pixel(centre), c);
    // The damaged picture turned out not to decode: a slide without a picture.
    EXPECT_TRUE(editor->m_cellImages[1].isNull());
    EXPECT_EQ(GetPictureSize(doc.slides[1].picture), QSize(0, 0));
}

TEST_F(Paint, TitleFollowsTheSetting) {
    // The title band of a document without a file: no title, the bare background.
    const QRect band(0, 0, 1440, 58);
    const QImage untitled = Shot();
    CurrentDocument().filePath = QStringLiteral("/home/u/a.b/show.lsr");
    auto title = [&] { return MeasureTextInk(Shot(), band, kTitleColor, untitled); };
    const TextInk file = title(); // default 2: the file title
    EXPECT_EQ(file.strays, 0);
    EXPECT_LE(file.nearest, 8); // fully covered pixels have the text colour
    EXPECT_GT(file.ink, 30.0);
    WriteSettingInt(Setting::TitleMode, 1);
    const TextInk full = title();
    EXPECT_EQ(full.strays, 0);
    EXPECT_GT(full.ink, file.ink); // the whole path is longer
    WriteSettingInt(Setting::TitleMode, 0);
    const TextInk none = title();
    EXPECT_EQ(none.ink, 0.0);
    EXPECT_EQ(none.strays, 0);
}

TEST(PaintOpening, MissingFixedImageEndsTheOpening) {
    ResetWorld();
    struct NoImages : EditorWindow {
        bool LoadFixedImages() override { return false; }
    };
    TestPrompts prompts;
    NoImages editor;
    EXPECT_FALSE(editor.Initialize());
    EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::OutOfMemory});
    EXPECT_EQ(prompts.calls.value(0).kind, MsgKind::Error);
    EXPECT_EQ(editor.result(), int(QDialog::Rejected));
    EXPECT_EQ(editor.m_pageCount, INT_MAX); // no start document was chosen
    ResetWorld();
}

TEST(CellImage, KeyPixelsAreLeftOutBeforeScaling) {
    // Columns alternate key green and white: halving the width averages each pair.
    QImage img(8, 2, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            img.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 255, 0));
    const QImage same = ScaleSlideForCell(img, qRgb(0, 255, 0), QSize(8, 2));
    EXPECT_EQ(qAlpha(same.pixel(0, 0)), 0);
    EXPECT_EQ(same.pixel(1, 0), qRgb(255, 255, 255));
    const QImage half = ScaleSlideForCell(img, qRgb(0, 255, 0), QSize(4, 1));
    ASSERT_EQ(half.size(), QSize(4, 1));
    for (int x = 0; x < 4; ++x) {
        const QRgb c = qUnpremultiply(half.pixel(x, 0)); // the white alone
        EXPECT_NEAR(qAlpha(c), 128, 2);
        EXPECT_GE(qRed(c), 250);
        EXPECT_GE(qBlue(c), 250);
    }
    // A near-key colour stays.
    img.fill(qRgb(0, 254, 0));
    EXPECT_EQ(ScaleSlideForCell(img, qRgb(0, 255, 0), QSize(8, 2)).pixel(0, 0), qRgb(0, 254, 0));
    // Colours read back for picking: the key where see-through.
    EXPECT_EQ(CellImageColor(same, qRgb(0, 255, 0), QPoint(0, 0)), qRgb(0, 255, 0));
    EXPECT_EQ(CellImageColor(same, qRgb(0, 255, 0), QPoint(1, 0)), qRgb(255, 255, 255));
    EXPECT_EQ(CellImageColor(same, qRgb(0, 255, 0), QPoint(9, 0)), std::nullopt);
    EXPECT_TRUE(ScaleSlideForCell(QImage(), std::nullopt, QSize(4, 4)).isNull());
}

TEST(Fonts, SelectUiFontAndJapaneseFaces) {
    QImage surface(10, 10, QImage::Format_RGB32);
    surface.setDotsPerMeterY(3780); // 96 dpi
    QPainter p(&surface);
    const QFont before = p.font();
    QFont font;
    const QFont previous = SelectUiFont(QString(), 18, true, true, false, true, 0, font, &p);
    EXPECT_EQ(previous, before);
    EXPECT_EQ(p.font(), font);
    EXPECT_EQ(font.family(), QStringLiteral("Meiryo UI"));
    EXPECT_EQ(font.pixelSize(), 24);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.strikeOut());
    SelectUiFont(QStringLiteral("ＭＳ Ｐゴシック"), 1, false, false, true, false, 0, font, &p);
    EXPECT_EQ(font.pixelSize(), 3); // at least 2 points
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(PointsToPixels(11, 96), 15);
    EXPECT_EQ(PointsToPixels(9, 96), 12);
    // Both faces the window asks for resolve to a font with Japanese glyphs.
    for (const QString& face : {QStringLiteral("Meiryo UI"), QStringLiteral("ＭＳ Ｐゴシック")}) {
        QFont f(face);
        const QString real = QFontInfo(f).family();
        EXPECT_TRUE(QFontDatabase::writingSystems(real).contains(QFontDatabase::Japanese))
            << face.toStdString() << " -> " << real.toStdString();
    }
}

} // namespace

namespace {

/// WCAG 2 relative luminance of an sRGB colour.
double Luminance(QRgb c) {
    const auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(Paint, GraphLabelsReachAContrastOfFourAndAHalfOnEveryBar) {
    FillSlides(*editor, 5);
    for (int i = 0; i < 5; ++i)
        CurrentDocument().slides[i].switchTime = 3600; // equal bars, wide enough for a time
    editor->m_rebuildCells = true;
    const QImage shot = Shot();
    const QRect g = editor->m_graphRect;
    for (int i = 0; i < 5; ++i) {
        // Bar i lies between the boundaries of the bars before and after it.
        const int left = i == 0 ? g.left() + 2 : editor->m_boundaryRects[i].right() + 2;
        const int right = editor->m_boundaryRects[i + 1].left() - 2;
        const QRgb bar = shot.pixel(left + 1, g.top() + 3);
        // The ink of the labels: the pixel farthest in contrast from the bar.
        double best = 1.0;
        int inked = 0;
        for (int y = g.top() + 2; y < g.bottom() - 2; ++y)
            for (int x = left; x < right; ++x) {
                const double c = Contrast(shot.pixel(x, y), bar);
                best = std::max(best, c);
                inked += c > 1.5;
            }
        EXPECT_GT(inked, 30) << "bar " << i << " has its number and time";
        EXPECT_GE(best, 4.5) << "bar " << i;
    }
}

} // namespace
