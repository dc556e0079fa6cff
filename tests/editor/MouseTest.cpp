// The main window worked with the mouse: hover feedback, tips, the icon bar, the drags
// (graph, slide image, opacity, window), the double click and pick mode. The real
// window runs off-screen and gets QTest mouse events; rectangles come from a paint.

#include "base/Screen.h"
#include "base/Settings.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/ModalRunner.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/SlidePropertiesDialog.h"
#include "dialogs/SwitchTimeDialog.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "editor/ui/TipWindow.h"
#include "packaging/ui/ExportDialog.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include "tests/editor/RectEdges.h"
#include <QBuffer>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>
#include <memory>
#include <typeinfo>

namespace {

QPoint Center(const QRect& r) {
    return QPoint((r.left() + r.x() + r.width()) / 2, (r.top() + r.y() + r.height()) / 2);
}

/// Collects the areas the window paints.
struct PaintSpy : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

class Mouse : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        editor = OpenTestEditor();
        ASSERT_TRUE(editor);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        ASSERT_EQ(editor->geometry(), QRect(240, 135, 1440, 810));
        Paint();
    }
    void TearDown() override {
        SetModalRunner({});
        editor.reset();
        ResetWorld();
    }
    /// `n` slides (times 1, 2, 3 ...), page `page` shown and painted.
    void Slides(int n, int page = 0) {
        FillSlides(*editor, n);
        editor->m_page = page;
        editor->m_rebuildCells = true;
        Paint();
    }
    /// A paint, which records the rectangles the mouse handling tests.
    void Paint() {
        QCoreApplication::processEvents();
        editor->grab();
    }
    QImage Shot() { return editor->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    /// The middle of icon `icon` as last painted.
    QPoint IconPoint(Icon icon) const { return Center(editor->m_iconRects[int(icon)]); }
    /// Whether the gesture in progress is a `G`.
    template <class G> bool Runs() const { return std::holds_alternative<G>(editor->m_gesture); }
    /// The switch-time drag in progress; null when none runs.
    const EditorWindow::DraggingSwitchTime* TimeDrag() const {
        return std::get_if<EditorWindow::DraggingSwitchTime>(&editor->m_gesture);
    }
    /// The slide-image drag in progress; null when none runs.
    const EditorWindow::DraggingSlide* SlideDrag() const {
        return std::get_if<EditorWindow::DraggingSlide>(&editor->m_gesture);
    }
    void Move(QPoint p) { QTest::mouseMove(editor.get(), p); }
    void Press(QPoint p) { QTest::mousePress(editor.get(), Qt::LeftButton, {}, p); }
    void Release(QPoint p) { QTest::mouseRelease(editor.get(), Qt::LeftButton, {}, p); }
    void Click(QPoint p) {
        Press(p);
        Release(p);
    }
    /// Records the class of every dialog run modally and closes it with `result`.
    void RecordDialogs(int result = QDialog::Rejected) {
        SetModalRunner([this, result](QDialog& d) {
            dialogs.push_back(typeid(d).name());
            return result;
        });
    }

    std::unique_ptr<EditorWindow> editor;
    std::vector<std::string> dialogs;
};

// ---------------------------------------------------------------------------------------
// Hover

TEST_F(Mouse, HoverRingsFollowThePointerAndRepaintOnlyTheirAreas) {
    Slides(3);
    const QRect c0 = editor->m_cellRects[0], c1 = editor->m_cellRects[1];
    PaintSpy spy;
    editor->installEventFilter(&spy);

    Move(Center(c0));
    EXPECT_EQ(editor->m_selectedCell, 0);
    // Straight from one image to the next: both areas, and nothing else, are painted.
    QCoreApplication::processEvents();
    spy.painted = QRegion();
    Move(Center(c1));
    EXPECT_EQ(editor->m_selectedCell, 1);
    QCoreApplication::processEvents();
    const QRegion both = QRegion(editor->CellArea(0)) + QRegion(editor->CellArea(1));
    EXPECT_FALSE(spy.painted.isEmpty());
    EXPECT_TRUE((spy.painted - both).isEmpty());
    EXPECT_TRUE((both - spy.painted).isEmpty());
    editor->removeEventFilter(&spy);

    // The rings: the first one pixel outside the cell in its column colour + 50.
    const QImage shot = Shot();
    const int midY = (c1.top() + Bottom(c1)) / 2;
    EXPECT_EQ(shot.pixel(c1.left() - 1, midY), qRgb(255, 180, 50));
    EXPECT_NE(shot.pixel(c0.left() - 1, midY), qRgb(255, 58, 50));

    // Onto the mark between them: no ring, the mark is highlighted.
    Move(Center(editor->m_markRects[1]));
    EXPECT_EQ(editor->m_selectedCell, -1);
    EXPECT_EQ(editor->m_mark, 1);
    EXPECT_EQ(editor->cursor().shape(), Qt::PointingHandCursor);
    // Away from the page: neither.
    Move(QPoint(700, 30));
    EXPECT_EQ(editor->m_selectedCell, -1);
    EXPECT_EQ(editor->m_mark, -1);
    EXPECT_EQ(editor->cursor().shape(), Qt::ArrowCursor);

    // Leaving the window takes the highlight and the tip away.
    Move(Center(c0));
    ASSERT_EQ(editor->m_selectedCell, 0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(editor.get(), &leave);
    EXPECT_EQ(editor->m_selectedCell, -1);
    EXPECT_FALSE(editor->m_tip->IsShown());
}

TEST_F(Mouse, EmptyPageMarkHighlightsAndInvites) {
    const QRect mark = editor->m_markRects[0];
    Move(Center(mark));
    EXPECT_EQ(editor->m_mark, 0);
    EXPECT_EQ(editor->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(editor->m_tip->IsActive());
    EXPECT_EQ(editor->m_tip->Text(),
              QString::fromUtf8(
                  "ここへイメージファイルをドラッグ＆ドロップして最初のスライドを追加してください\n"
                  "※ 右クリックメニューの「スライド追加」でも追加することができます"));
    // Beside the mark (in its widened hit area but not on the mark itself): no highlight.
    Move(QPoint(Right(mark) + 3, (mark.top() + Bottom(mark)) / 2));
    EXPECT_EQ(editor->m_mark, -1);
    EXPECT_FALSE(editor->m_tip->IsActive());
    // A press on the empty page moves the window.
    Press(Center(mark) + QPoint(100, 0));
    EXPECT_TRUE(Runs<EditorWindow::MovingWindow>());
    Release(Center(mark) + QPoint(100, 0));
    EXPECT_FALSE(Runs<EditorWindow::MovingWindow>());
}

TEST_F(Mouse, TipTextsAndCursorsPerRegion) {
    Slides(3);
    const char* const iconTips[12] = {
        "【次頁へ】\n次の頁を表示します",
        "【前頁へ】\n前の頁を表示します",
        "【時間セット】\n一覧表を表示して時間をセットします\n※ "
        "スライド数が多く、ドラッグ＆ドロップでは\nセットできないときに使用できます",
        "【新規】\n新規ドキュメントを開きます",
        "【開く】\n保存されているドキュメントを開きます",
        "【保存】\n現在のドキュメントを保存します",
        "【設定】\n環境設定のウィンドウを表示します",
        "【スライドショー】\nスライドショーを実行します",
        "【実行ファイル作成】\n透過スライドショー実行ファイルを作成します",
        "【バージョン情報】\nバージョン情報を表示します",
        "【ヘルプ】\n取扱い説明書を表示します",
        "【終了】\nこのアプリケーションを終了します",
    };
    struct Row {
        std::string name;
        QPoint at;
        const char* tip; // nullptr: no tip
        Qt::CursorShape cursor;
    };
    std::vector<Row> rows;
    for (int k = 0; k < 12; ++k)
        rows.push_back({"icon " + std::to_string(k), Center(editor->m_iconRects[k]), iconTips[k],
                        Qt::PointingHandCursor});
    const QRect g = editor->m_graphRect;
    const QRect b1 = editor->m_boundaryRects[1];
    rows.push_back({"transparency bar", Center(editor->m_opacityBar),
                    "【透過変更】\nここを左右にドラッグ＆ドロップすると\nこのウィンドウの透過率を変"
                    "更することができます",
                    Qt::SizeHorCursor});
    rows.push_back({"graph away from a boundary", QPoint(g.left() + 5, (g.top() + Bottom(g)) / 2),
                    "※ "
                    "グラフ内の境界線をドラッグ＆ドロップして各スライドの時間を変更し、自動切替え時"
                    "間として保存できます\n"
                    "※ "
                    "スライド数が多いときは右下のメニューで【時間セット】をクリックし、一覧表を表示"
                    "して時間をセットすることができます",
                    Qt::ArrowCursor});
    rows.push_back({"graph boundary", Center(b1), nullptr, Qt::SizeHorCursor});
    rows.push_back({"gap between two icons",
                    QPoint(Right(editor->m_iconRects[0]), Center(editor->m_iconRects[0]).y()),
                    nullptr, Qt::ArrowCursor});
    rows.push_back(
        {"slide image", Center(editor->m_cellRects[1]), nullptr, Qt::PointingHandCursor});
    rows.push_back({"title band", QPoint(700, 30), nullptr, Qt::ArrowCursor});

    for (const Row& r : rows) {
        // From a place without a tip, so every row starts hidden.
        Move(QPoint(700, 30));
        Move(r.at);
        EXPECT_EQ(editor->cursor().shape(), r.cursor) << r.name;
        EXPECT_EQ(editor->m_tip->IsActive(), r.tip != nullptr) << r.name;
        if (!r.tip)
            continue;
        EXPECT_EQ(editor->m_tip->Text(), QString::fromUtf8(r.tip)) << r.name;
        // The tip appears after its initial delay, at the pointer.
        EXPECT_EQ(editor->m_tip->PendingDelay(), 50) << r.name;
        editor->m_tip->OnShowTimer();
        EXPECT_TRUE(editor->m_tip->IsShown()) << r.name;
        EXPECT_LE(editor->m_tip->width(), 512) << r.name;
        const QPoint global = editor->mapToGlobal(r.at);
        EXPECT_LE(std::abs(editor->m_tip->x() - global.x()), 512) << r.name;
        EXPECT_LE(std::abs(editor->m_tip->y() - global.y()), 40 + editor->m_tip->height())
            << r.name;
    }
}

TEST_F(Mouse, PropertyButtonAndPickCursors) {
    Slides(2);
    CurrentDocument().header.showPropertyButtons = 1;
    Paint();
    const QRect c = editor->m_cellRects[0];
    Move(QPoint(Right(c) - 3, Bottom(c) - 3));
    EXPECT_EQ(editor->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(editor->cursor().hotSpot(), editor->m_propCursor.hotSpot());
    // Its press opens the slide's properties.
    RecordDialogs();
    Press(QPoint(Right(c) - 3, Bottom(c) - 3));
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], typeid(SlidePropertiesDialog).name());
    EXPECT_FALSE(SlideDrag());
    Release(QPoint(Right(c) - 3, Bottom(c) - 3));

    CurrentDocument().header.showPropertyButtons = 0;
    editor->m_gesture = EditorWindow::PickingColor{};
    Move(Center(c));
    EXPECT_EQ(editor->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(editor->cursor().hotSpot(), editor->m_pickCursor.hotSpot());
    Move(QPoint(700, 30));
    EXPECT_EQ(editor->cursor().shape(), Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------------------
// Graph drag

TEST_F(Mouse, GraphDragChangesOneSwitchTime) {
    struct Row {
        const char* name;
        std::vector<int> times;
        int boundary; // b: the right edge of slide b - 1
        int dx;       // pointer movement after the press
        int expect;   // the time shown and stored
    };
    const Row rows[] = {
        // 100 s in all over a 1002-pixel graph: 10 + trunc(0.0998004 * 50) = 14.
        {"50 px to the right", {10, 20, 30, 40}, 1, 50, 14},
        {"50 px to the left", {10, 20, 30, 40}, 1, -50, 6},
        {"far left stops at 1 s", {10, 20, 30, 40}, 1, -900, 1},
        {"far right stops at 18:00:00", {30000, 30000}, 1, 900, 64800},
        {"a later slide", {10, 20, 30, 40}, 3, 100, 39},
        {"times summing to 0 keep their place", {0, 0}, 1, 200, 1},
    };
    for (const Row& r : rows) {
        FillSlides(*editor, int(r.times.size()));
        for (size_t i = 0; i < r.times.size(); ++i)
            CurrentDocument().slides[i].switchTime = quint16(r.times[i]);
        editor->DocumentSaved(); // as if just saved
        Paint();
        // A graph exactly 1002 pixels wide (as recorded), with the boundary at x = 400.
        const QRect g = editor->m_graphRect;
        editor->m_graphRect = FromEdges(17, g.top(), 1019, Bottom(g));
        editor->m_boundaryRects[r.boundary] = FromEdges(398, g.top() + 1, 402, Bottom(g) - 1);
        const QPoint at(400, (g.top() + Bottom(g)) / 2);
        Move(at);
        Press(at);
        ASSERT_TRUE(TimeDrag()) << r.name;
        ASSERT_EQ(TimeDrag()->slide, r.boundary - 1) << r.name;
        Move(at + QPoint(r.dx, 0));
        EXPECT_EQ(TimeDrag()->shownTime, r.expect) << r.name;
        char text[16];
        std::snprintf(text, sizeof text, r.expect >= 3600 ? "%02d:%02d:%02d" : "%02d:%02d",
                      r.expect >= 3600 ? r.expect / 3600 : r.expect % 3600 / 60,
                      r.expect >= 3600 ? r.expect % 3600 / 60 : r.expect % 60, r.expect % 60);
        EXPECT_EQ(editor->m_tip->Text(), QString::fromLatin1(text)) << r.name;
        EXPECT_TRUE(editor->m_tip->IsActive()) << r.name;
        // Nothing changes before the release.
        EXPECT_EQ(CurrentDocument().slides[r.boundary - 1].switchTime, r.times[r.boundary - 1])
            << r.name;
        Release(at + QPoint(r.dx, 0));
        EXPECT_FALSE(TimeDrag()) << r.name;
        // The time is not shown any longer, not even at the next movement.
        EXPECT_FALSE(editor->m_tip->IsShown()) << r.name;
        EXPECT_FALSE(editor->m_tip->IsActive()) << r.name;
        EXPECT_TRUE(editor->m_modified) << r.name;
        for (size_t i = 0; i < r.times.size(); ++i)
            EXPECT_EQ(CurrentDocument().slides[i].switchTime,
                      int(i) == r.boundary - 1 ? r.expect : r.times[i])
                << r.name << " slide " << i;
    }
}

TEST_F(Mouse, GraphPressWithoutMovementChangesNothing) {
    Slides(4);
    const QPoint at = Center(editor->m_boundaryRects[2]);
    Press(at);
    ASSERT_TRUE(TimeDrag());
    ASSERT_EQ(TimeDrag()->slide, 1);
    Release(at);
    EXPECT_EQ(CurrentDocument().slides[1].switchTime, 2);
    EXPECT_FALSE(editor->m_modified);
    // A press in the graph away from a boundary starts nothing.
    Press(QPoint(editor->m_graphRect.left() + 3, at.y()));
    EXPECT_FALSE(TimeDrag());
    EXPECT_FALSE(Runs<EditorWindow::MovingWindow>());
    Release(QPoint(editor->m_graphRect.left() + 3, at.y()));
}

TEST_F(Mouse, GraphDragWithoutAGraphWidthDoesNotDivideByZero) {
    Slides(2);
    const QPoint at = Center(editor->m_boundaryRects[1]);
    Press(at);
    ASSERT_TRUE(TimeDrag());
    ASSERT_EQ(TimeDrag()->slide, 0);
    editor->m_graphRect = QRect();
    Move(at + QPoint(40, 0));
    EXPECT_EQ(TimeDrag()->shownTime, 1); // no scale: the time stays
    Release(at + QPoint(40, 0));
    EXPECT_EQ(CurrentDocument().slides[0].switchTime, 1);
}

// ---------------------------------------------------------------------------------------
// Slide-image drag

TEST_F(Mouse, SlideImageDropOnPageTwo) {
    struct Row {
        const char* name;
        int mark;               // -1: drop on the title band
        std::vector<int> order; // original indices of slides 20 to 24 afterwards
        int modified;
    };
    const Row rows[] = {
        {"mark 0 makes slide 24 the first of the page", 0, {23, 20, 21, 22, 24}, 1},
        {"mark 1", 1, {20, 23, 21, 22, 24}, 1},
        {"mark 5 (after the last)", 5, {20, 21, 22, 24, 23}, 1},
        {"mark 3, just before it: nothing", 3, {20, 21, 22, 23, 24}, 0},
        {"mark 4, just after it: nothing", 4, {20, 21, 22, 23, 24}, 0},
        {"no mark: nothing", -1, {20, 21, 22, 23, 24}, 0},
    };
    for (const Row& r : rows) {
        Slides(25, 1);
        editor->DocumentSaved(); // as if just saved
        const QRect cell = editor->m_cellRects[3];
        const QPoint from = Center(cell);
        Move(from);
        Press(from);
        ASSERT_TRUE(SlideDrag()) << r.name;
        ASSERT_EQ(SlideDrag()->cell, 3) << r.name;
        EXPECT_EQ(editor->cursor().shape(), Qt::SizeAllCursor) << r.name;
        EXPECT_EQ(SlideDrag()->grab, from - QPoint(cell.left(), cell.top())) << r.name;
        const QPoint to = r.mark >= 0 ? Center(editor->m_markRects[r.mark]) : QPoint(700, 30);
        Move(to + QPoint(1, 0));
        Move(to);
        EXPECT_EQ(SlideDrag()->mark, r.mark) << r.name;
        // The drag image: over a mark a 5-pixel frame in the mark's colour, else a thin
        // one in the slide's column colour.
        const QImage shot = Shot();
        // (Checked along the image's left edge, or its right one where the left lies
        // outside the window.)
        const QPoint corner = to - SlideDrag()->grab;
        const bool leftEdge = corner.x() >= 5;
        const int edge = leftEdge ? corner.x() : corner.x() + (Right(cell) - cell.left()) - 1;
        const int out = leftEdge ? -1 : 1; // outwards
        const int midY = corner.y() + (Bottom(cell) - cell.top()) / 2;
        if (r.mark >= 0) {
            const QRgb frame = kColumnColors[r.mark % 5];
            for (int n = 0; n < 5; ++n)
                EXPECT_EQ(shot.pixel(edge + out * n, midY), frame) << r.name << " ring " << n;
        } else {
            EXPECT_EQ(shot.pixel(edge, midY), kColumnColors[3]) << r.name;
            EXPECT_NE(shot.pixel(edge + out, midY), kColumnColors[3]) << r.name;
        }
        // Nothing changes before the release.
        EXPECT_EQ(CurrentDocument().slides[23].reserved1, 23u) << r.name;
        Release(to);
        EXPECT_FALSE(SlideDrag()) << r.name << ": the drag and its image are gone";
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(int(CurrentDocument().slides[20 + i].reserved1), r.order[size_t(i)])
                << r.name << " slide " << 20 + i;
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(int(CurrentDocument().slides[i].reserved1), i) << r.name;
        EXPECT_EQ(editor->m_modified, r.modified) << r.name;
        // After a move no ring is left on the cell the drag began on: it shows another
        // slide now.
        if (r.modified) {
            EXPECT_EQ(editor->m_selectedCell, -1) << r.name;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Transparency drag

TEST_F(Mouse, TransparencyDragMapsTheBarTo105To255) {
    const QRect bar = editor->m_opacityBar;
    ASSERT_EQ(Right(bar) - bar.left(), 170);
    const int y = (bar.top() + Bottom(bar)) / 2;
    struct Row {
        const char* name;
        int x;
        int alpha;
    };
    const Row rows[] = {
        {"left edge", bar.left(), 105},
        {"middle", bar.left() + 85, 180},
        {"right edge", Right(bar), 255},
        {"far beyond the left", bar.left() - 900, 105},
        {"far beyond the right", Right(bar) + 900, 255},
        {"a tenth", bar.left() + 17, 120},
    };
    for (const Row& r : rows) {
        ClearSettings();
        editor->DocumentSaved(); // as if just saved
        Press(QPoint(bar.left() + 40, y));
        ASSERT_TRUE(Runs<EditorWindow::DraggingOpacity>()) << r.name;
        Move(QPoint(r.x, y));
        EXPECT_EQ(ReadSettingInt(Setting::EditorOpacity, -1), r.alpha) << r.name;
        EXPECT_NEAR(editor->windowOpacity(), r.alpha / 255.0, 0.004) << r.name;
        // The opacity is the editor's setting, not part of the document.
        EXPECT_FALSE(editor->m_modified) << r.name;
        Release(QPoint(r.x, y));
        EXPECT_FALSE(Runs<EditorWindow::DraggingOpacity>()) << r.name;
    }
    // Press and release without movement: nothing written, nothing modified.
    ClearSettings();
    editor->DocumentSaved(); // as if just saved
    const double before = editor->windowOpacity();
    Click(QPoint(bar.left() + 40, y));
    EXPECT_EQ(ReadSettingInt(Setting::EditorOpacity, -1), -1);
    EXPECT_FALSE(editor->m_modified);
    EXPECT_EQ(editor->windowOpacity(), before);
}

// ---------------------------------------------------------------------------------------
// Window move and double click

TEST_F(Mouse, WindowMoveStaysOnTheDesktop) {
    struct Row {
        const char* name;
        QPoint by;
        QPoint topLeft;
    };
    // A 1920 x 1080 desktop and a 1440 x 810 window at (240, 135).
    const Row rows[] = {
        {"a little", QPoint(50, 20), QPoint(290, 155)},
        {"beyond the top left", QPoint(-1000, -1000), QPoint(0, 0)},
        {"beyond the bottom right", QPoint(1000, 1000), QPoint(480, 270)},
        {"beyond the right only", QPoint(400, -50), QPoint(480, 85)},
    };
    for (const Row& r : rows) {
        editor->move(240, 135);
        const QPoint from(700, 30);
        Press(from);
        ASSERT_TRUE(Runs<EditorWindow::MovingWindow>()) << r.name;
        EXPECT_EQ(editor->cursor().shape(), Qt::SizeAllCursor) << r.name;
        Move(from + r.by);
        EXPECT_EQ(editor->frameGeometry().topLeft(), r.topLeft) << r.name;
        EXPECT_EQ(editor->size(), QSize(1440, 810)) << r.name;
        Release(editor->mapFromGlobal(QPoint(240, 135) + from + r.by));
        EXPECT_FALSE(Runs<EditorWindow::MovingWindow>()) << r.name;
    }
}

TEST_F(Mouse, DoubleClickTogglesMaximisedAwayFromCellsAndIcons) {
    Slides(3);
    RecordDialogs();
    QTest::mouseDClick(editor->windowHandle(), Qt::LeftButton, {}, QPoint(700, 30));
    EXPECT_TRUE(editor->isMaximized());
    EXPECT_FALSE(Runs<EditorWindow::MovingWindow>());
    QTest::mouseDClick(editor->windowHandle(), Qt::LeftButton, {}, QPoint(700, 30));
    EXPECT_FALSE(editor->isMaximized());
    Paint();
    // On an icon: only the click's own action (the previous page on page 1 does nothing).
    QTest::mouseDClick(editor->windowHandle(), Qt::LeftButton, {}, IconPoint(Icon::PreviousPage));
    EXPECT_FALSE(editor->isMaximized());
    // On a slide image: its properties.
    const QPoint cell = Center(editor->m_cellRects[2]);
    Move(cell);
    QTest::mouseDClick(editor->windowHandle(), Qt::LeftButton, {}, cell);
    EXPECT_FALSE(editor->isMaximized());
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], typeid(SlidePropertiesDialog).name());
    EXPECT_FALSE(SlideDrag());
}

TEST_F(Mouse, DoubleClickOnTheNextPageIconTurnsOnePage) {
    Slides(65);
    QTest::mouseDClick(editor->windowHandle(), Qt::LeftButton, {}, IconPoint(Icon::NextPage));
    EXPECT_EQ(editor->m_page, 1);
}

// ---------------------------------------------------------------------------------------
// Pick mode

TEST_F(Mouse, PickModeTakesThePixelUnderThePointer) {
    // A picture red on the left half and blue on the right, with a green pixel in the
    // middle of each half: a pick takes the colour around the pointer, not one pixel.
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    QPainter(&img).fillRect(QRect(0, 0, 200, 300), qRgb(255, 0, 0));
    img.setPixel(100, 150, qRgb(0, 255, 0));
    img.setPixel(300, 150, qRgb(0, 255, 0));
    struct Row {
        const char* name;
        double fx; // place inside the drawn cell, as a fraction of its width
        bool onCell;
        bool flipH;
        KeyColor expect;
    };
    const Row rows[] = {
        {"left half", 0.25, true, false, qRgb(255, 0, 0)},
        {"right half", 0.75, true, false, qRgb(0, 0, 255)},
        {"left half shown mirrored", 0.25, true, true, qRgb(0, 0, 255)},
        {"off the slide", 0, false, false, std::nullopt},
    };
    for (const Row& r : rows) {
        FillSlides(*editor, 1);
        CurrentDocument().slides[0].picture = Picture::fromImage(img);
        CurrentDocument().slides[0].flipH = r.flipH ? 1 : 0;
        editor->m_rebuildCells = true;
        editor->DocumentSaved(); // as if just saved
        Paint();
        const QRect c = editor->m_cellRects[0];
        const QPoint at = r.onCell ? QPoint(c.left() + int((Right(c) - c.left()) * r.fx),
                                            (c.top() + Bottom(c)) / 2)
                                   : QPoint(700, 30);
        editor->m_gesture = EditorWindow::PickingColor{};
        Click(at);
        EXPECT_FALSE(Runs<EditorWindow::PickingColor>()) << r.name;
        EXPECT_EQ(CurrentDocument().slides[0].keyColor, r.expect) << r.name;
        EXPECT_EQ(editor->m_modified, r.onCell) << r.name;
        EXPECT_FALSE(Runs<EditorWindow::MovingWindow>())
            << r.name; // the click was pick mode's only
    }
}

TEST_F(Mouse, PickOnAJpegTakesTheBackgroundAndKeysItWithoutAFringe) {
    // Shapes on pure green stored as JPEG, as an imported PNG without transparency is:
    // no pixel of its background is exactly green, few are more than a few levels off.
    const QImage art = ShapesOn(qRgb(0, 255, 0), QSize(300, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(art.save(&buffer, "JPEG", 70));
    const PicturePtr jpeg = Picture::fromBytes(bytes);
    ASSERT_TRUE(jpeg);
    // Keyed exactly, the JPEG showed most of its background.
    const int before = BackgroundLeftVisible(art, jpeg->image(), qRgb(0, 255, 0));
    ASSERT_GT(before, 1000);

    struct Row {
        const char* name;
        double fx, fy; // the click, as a fraction of the drawn cell: on the background
    };
    const Row rows[] = {{"top left", 0.03, 0.05}, {"between the shapes", 0.33, 0.5}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FillSlides(*editor, 1);
        CurrentDocument().slides[0].picture = jpeg;
        editor->m_rebuildCells = true;
        editor->DocumentSaved();
        editor->undoStack()->clear();
        Paint();
        const QRect c = editor->m_cellRects[0];
        const QPoint at(c.left() + int((Right(c) - c.left()) * r.fx),
                        c.top() + int((Bottom(c) - c.top()) * r.fy));
        editor->m_gesture = EditorWindow::PickingColor{};
        Click(at);
        const SlideRecord& slide = CurrentDocument().slides[0];
        EXPECT_EQ(slide.keyColor, qRgb(0, 255, 0));
        ASSERT_TRUE(slide.picture);
        EXPECT_TRUE(slide.picture->save().startsWith("BM"));
        const int after =
            BackgroundLeftVisible(art, QImage::fromData(slide.picture->save()), qRgb(0, 255, 0));
        EXPECT_LT(after * 100, before) << after << " of " << before;
        // One step takes the colour and the keyed copy back: the JPEG is the slide's again.
        EXPECT_EQ(editor->undoStack()->count(), 1);
        editor->undoStack()->undo();
        EXPECT_EQ(CurrentDocument().slides[0].picture, jpeg);
        EXPECT_FALSE(CurrentDocument().slides[0].keyColor.has_value());
        EXPECT_FALSE(editor->m_modified);
    }
}

// ---------------------------------------------------------------------------------------
// Icons

TEST_F(Mouse, IconsThatNeedSlidesDoNothingWithoutThem) {
    TestPrompts p;
    RecordDialogs();
    struct Row {
        Icon icon;
        const char* dialog; // the dialog it runs, nullptr: none
        int prompt;         // -1: no prompt; else a PromptCall type
    };
    const Row rows[] = {
        {Icon::NextPage, nullptr, -1},
        {Icon::PreviousPage, nullptr, -1},
        {Icon::SwitchTimes, nullptr, -1},
        {Icon::NewDocument, nullptr, -1},
        {Icon::OpenDocument, nullptr, PromptCall::OpenFiles},
        {Icon::SaveDocument, nullptr, -1},
        {Icon::Settings, typeid(SettingsDialog).name(), -1},
        {Icon::Slideshow, nullptr, -1},
        {Icon::Export, nullptr, -1},
        {Icon::VersionInfo, typeid(AboutDialog).name(), -1},
    };
    for (const Row& r : rows) {
        p.calls.clear();
        dialogs.clear();
        if (r.prompt == PromptCall::OpenFiles)
            p.answerFiles({});
        Click(IconPoint(r.icon));
        EXPECT_EQ(dialogs.size(), r.dialog ? 1u : 0u) << "icon " << int(r.icon);
        if (r.dialog && !dialogs.empty()) {
            EXPECT_EQ(dialogs[0], r.dialog) << "icon " << int(r.icon);
        }
        ASSERT_EQ(p.calls.size(), r.prompt < 0 ? 0 : 1) << "icon " << int(r.icon);
        if (r.prompt >= 0) {
            EXPECT_EQ(int(p.calls[0].type), r.prompt) << "icon " << int(r.icon);
        }
        EXPECT_EQ(CurrentDocument().slideCount, 0);
        EXPECT_TRUE(editor->isVisible());
    }
}

TEST_F(Mouse, IconsWithSlidesRunTheirActions) {
    Slides(45);
    RecordDialogs();
    struct Row {
        Icon icon;
        const char* dialog;
    };
    const Row rows[] = {
        {Icon::SwitchTimes, typeid(SwitchTimeDialog).name()},
        {Icon::Settings, typeid(SettingsDialog).name()},
        {Icon::Export, typeid(ExportDialog).name()},
        {Icon::VersionInfo, typeid(AboutDialog).name()},
    };
    for (const Row& r : rows) {
        dialogs.clear();
        Click(IconPoint(r.icon));
        ASSERT_EQ(dialogs.size(), 1u) << "icon " << int(r.icon);
        EXPECT_EQ(dialogs[0], r.dialog) << "icon " << int(r.icon);
    }
    // Help: the manual in its window, or the notice that it is missing.
    {
        TestPrompts p;
        dialogs.clear();
        Click(IconPoint(Icon::Help));
        EXPECT_TRUE((dialogs.size() == 1 && dialogs[0] == typeid(HelpWindow).name()) ||
                    p.messageIds() == QList<Msg>{Msg::ManualMissing});
    }
    // Paging: forward to the last page and no further, back to the first and no further.
    const int pages[] = {1, 2, 2};
    for (int expect : pages) {
        Click(IconPoint(Icon::NextPage));
        EXPECT_EQ(editor->m_page, expect);
        Paint();
    }
    const int back[] = {1, 0, 0};
    for (int expect : back) {
        Click(IconPoint(Icon::PreviousPage));
        EXPECT_EQ(editor->m_page, expect);
        Paint();
    }
}

TEST_F(Mouse, NewOpenSaveAndExitIconsAskFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.lsr");
    struct Row {
        const char* name;
        Icon icon;
        int modified;
        bool titled;
        std::vector<Answer> answers;    // to the questions, in order
        std::vector<QStringList> files; // answer to the open dialog (when asked)
        bool saveDialog;                // a save dialog is asked (answered "cancel")
        QList<Msg> messages;            // the messages shown
        int slidesAfter;
        int modifiedAfter;
        bool visibleAfter;
    };
    const Row rows[] = {
        {"new, unmodified", Icon::NewDocument, 0, false, {}, {}, false, {}, 0, 0, true},
        {"new, modified, Cancel",
         Icon::NewDocument,
         1,
         false,
         {Answer::Cancel},
         {},
         false,
         {Msg::SaveChangesQuestion},
         3,
         1,
         true},
        {"new, modified, No",
         Icon::NewDocument,
         1,
         false,
         {Answer::No},
         {},
         false,
         {Msg::SaveChangesQuestion},
         0,
         0,
         true},
        {"new, modified, Yes, save cancelled: the document stays",
         Icon::NewDocument,
         1,
         false,
         {Answer::Yes},
         {},
         true,
         {Msg::SaveChangesQuestion},
         3,
         1,
         true},
        {"open, modified, Cancel",
         Icon::OpenDocument,
         1,
         false,
         {Answer::Cancel},
         {},
         false,
         {Msg::SaveChangesQuestion},
         3,
         1,
         true},
        {"open, dialog cancelled",
         Icon::OpenDocument,
         0,
         false,
         {},
         {QStringList()},
         false,
         {},
         3,
         0,
         true},
        {"save titled, Cancel",
         Icon::SaveDocument,
         1,
         true,
         {Answer::Cancel},
         {},
         false,
         {Msg::OverwriteQuestion},
         3,
         1,
         true},
        {"save titled, Yes",
         Icon::SaveDocument,
         1,
         true,
         {Answer::Yes},
         {},
         false,
         {Msg::OverwriteQuestion, Msg::Saved},
         3,
         0,
         true},
        {"save titled, No: save as, cancelled",
         Icon::SaveDocument,
         1,
         true,
         {Answer::No},
         {},
         true,
         {Msg::OverwriteQuestion},
         3,
         1,
         true},
        {"save untitled: save as, cancelled",
         Icon::SaveDocument,
         1,
         false,
         {},
         {},
         true,
         {},
         3,
         1,
         true},
        {"exit, modified, Cancel",
         Icon::Exit,
         1,
         false,
         {Answer::Cancel},
         {},
         false,
         {Msg::SaveChangesQuestion},
         3,
         1,
         true},
        {"exit, modified, No",
         Icon::Exit,
         1,
         false,
         {Answer::No},
         {},
         false,
         {Msg::SaveChangesQuestion},
         3,
         1,
         false},
        {"exit, unmodified", Icon::Exit, 0, false, {}, {}, false, {}, 3, 0, false},
    };
    for (const Row& r : rows) {
        TestPrompts p;
        editor->show();
        Slides(3);
        CurrentDocument().filePath = r.titled ? path : QString();
        editor->m_modified = r.modified;
        for (Answer a : r.answers)
            p.answer(a);
        for (const QStringList& f : r.files)
            p.answerFiles(f);
        if (r.saveDialog)
            p.answerSave(QString());
        Click(IconPoint(r.icon));
        EXPECT_EQ(p.messageIds(), r.messages) << r.name;
        bool asked = false;
        for (const PromptCall& c : p.calls)
            asked = asked || c.type == PromptCall::SaveFile;
        EXPECT_EQ(asked, r.saveDialog) << r.name;
        EXPECT_EQ(CurrentDocument().slideCount, r.slidesAfter) << r.name;
        EXPECT_EQ(editor->m_modified, r.modifiedAfter) << r.name;
        EXPECT_EQ(editor->isVisible(), r.visibleAfter) << r.name;
        if (r.icon == Icon::SaveDocument && r.messages.contains(Msg::Saved)) {
            EXPECT_TRUE(QFileInfo::exists(path)) << r.name;
        }
    }
}

} // namespace
