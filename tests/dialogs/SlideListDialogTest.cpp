#include "dialogs/SlideListDialog.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/DialogMath.h"
#include "editor/ui/EditorWindow.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestPrompts.h"

#include <QAction>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

namespace {

class SlideList : public DialogTest {};

QString Cell(const SlideListDialog& d, int row, int col) {
    return d.list()->item(row, col)->text();
}

TEST_F(SlideList, DataSizeTexts) {
    struct Row {
        qint64 bytes;
        const char* text;
    };
    const Row rows[] = {
        {0, "0.000 KB"},
        {500, "0.488 KB"},
        {1023, "0.999 KB"},
        {1024, "1 KB"},
        {1536, "1 KB"},
        {1024 * 999, "999 KB"},
        {1024 * 1000, "1,000 KB"},
        {5000000, "4,882 KB"},
        {2000000000, "1,953,125 KB"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DataSizeText(r.bytes), QString::fromUtf8(r.text)) << r.bytes;
}

TEST_F(SlideList, ColorTextsArePaddedToThreePlaces) {
    EXPECT_EQ(ListColorText(qRgb(0, 128, 255)), "RGB(  0, 128, 255)");
    EXPECT_EQ(ListColorText(qRgb(7, 42, 0)), "RGB(  7,  42,   0)");
    EXPECT_EQ(ListColorText(std::nullopt), "透過色なし");
}

TEST_F(SlideList, RowsShowEverySlide) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 4);
    Document& doc = CurrentDocument();
    const quint16 times[] = {90, 30, 3600, 5};
    for (int i = 0; i < 4; ++i)
        doc.slides[i].switchTime = times[i];
    doc.slides[0].keyColor = qRgb(0, 128, 255);
    doc.slides[1].picture = MakeTestPicture(1920, 1080);
    doc.slides[3].picture.reset(); // a picture that failed to load

    SlideListDialog dlg(&editor);
    ASSERT_EQ(dlg.list()->rowCount(), 4);
    ASSERT_EQ(dlg.list()->columnCount(), 6);
    const char* headings[] = {"No", "大きさ", "サイズ", "透過色", "切替え時間", "延べ時間"};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(dlg.list()->horizontalHeaderItem(c)->text(), QString::fromUtf8(headings[c]));

    // A 4 x 3 pixel picture saves as a 24-bit BMP: 54 header bytes and three rows of
    // 12 bytes, 90 bytes; 1920 x 1080 is 54 + 1080 * 5760 bytes.
    const char* expect[4][6] = {
        {"1", "4 × 3", "0.088 KB", "RGB(  0, 128, 255)", "01:30", "01:30"},
        {"2", "1920 × 1080", "6,075 KB", "透過色なし", "00:30", "02:00"},
        {"3", "4 × 3", "0.088 KB", "透過色なし", "01:00:00", "01:02:00"},
        {"4", "0 × 0", "0.000 KB", "透過色なし", "00:05", "01:02:05"},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(Cell(dlg, r, c), QString::fromUtf8(expect[r][c])) << r << "," << c;
    EXPECT_EQ(dlg.list()->item(0, 2)->textAlignment() & Qt::AlignHorizontal_Mask,
              int(Qt::AlignRight));
    EXPECT_EQ(dlg.list()->item(0, 4)->textAlignment() & Qt::AlignHorizontal_Mask,
              int(Qt::AlignHCenter));
    EXPECT_EQ(dlg.list()->item(0, 0)->checkState(), Qt::Unchecked);
}

TEST_F(SlideList, DoubleClickSelectsTheSlideAndTurnsThePage) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 45);
    editor.m_rebuildCells = false;
    SlideListDialog dlg(&editor);
    ShowActive(dlg);
    QTableWidget* list = dlg.list();
    list->selectRow(44);
    list->scrollToItem(list->item(44, 1));
    QCoreApplication::processEvents(); // lay the rows out
    const QRect r = list->visualItemRect(list->item(44, 1));
    // A widget double click arrives after the press and release of the first click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(editor.m_page, 2);
    EXPECT_EQ(editor.m_selectedCell, 4);
    EXPECT_TRUE(editor.m_rebuildCells);
    EXPECT_TRUE(dlg.isVisible()) << "the list stays open";

    // A row on the page on show selects without a rebuild.
    editor.m_rebuildCells = false;
    list->clearSelection();
    list->selectRow(41);
    dlg.OnSelectSlide();
    EXPECT_EQ(editor.m_page, 2);
    EXPECT_EQ(editor.m_selectedCell, 1);
    EXPECT_FALSE(editor.m_rebuildCells);
}

TEST_F(SlideList, MenuActsOnSelectedRowsAndGreysDeleteWithoutChecks) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 5);
    SlideListDialog dlg(&editor);
    dlg.list()->selectRow(3);
    const auto menu = dlg.BuildContextMenu();
    ASSERT_TRUE(menu->actions().contains(dlg.deleteCheckedAction()));
    EXPECT_FALSE(dlg.deleteCheckedAction()->isEnabled());
    EXPECT_EQ(dlg.m_menuRow, 3);
    // Selecting the slide takes the row noted when the menu opened.
    dlg.list()->clearSelection();
    dlg.list()->selectRow(0);
    ASSERT_TRUE(menu->actions().contains(dlg.selectSlideAction()));
    dlg.selectSlideAction()->trigger();
    EXPECT_EQ(editor.m_selectedCell, 3);
    dlg.list()->selectRow(3);

    QTest::keyClick(dlg.list(), Qt::Key_A, Qt::ControlModifier); // select all
    dlg.OnCheck();
    EXPECT_EQ(dlg.CheckedRows(), (std::set<int>{0, 1, 2, 3, 4}));
    dlg.list()->clearSelection();
    dlg.list()->selectRow(2);
    dlg.OnUncheck();
    EXPECT_EQ(dlg.CheckedRows(), (std::set<int>{0, 1, 3, 4}));
    {
        const auto again = dlg.BuildContextMenu();
        EXPECT_TRUE(dlg.deleteCheckedAction()->isEnabled());
    }
}

TEST_F(SlideList, DeletingWithoutCheckedRowsOnlyTells) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 3);
    TestPrompts prompts;
    SlideListDialog dlg(&editor);
    ShowActive(dlg);
    dlg.list()->selectAll();
    dlg.BuildContextMenu(); // greys deleting while it exists, and is gone at once
    QTest::keyClick(dlg.list(), Qt::Key_Delete);
    dlg.OnDeleteChecked();
    EXPECT_EQ(prompts.messageIds(), (QList<Msg>{Msg::NothingChecked, Msg::NothingChecked}));
    EXPECT_EQ(prompts.calls[0].kind, MsgKind::Info);
    EXPECT_EQ(CurrentDocument().slideCount, 3);
    EXPECT_FALSE(editor.m_modified);
}

TEST_F(SlideList, DeletingCheckedSlides) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 45);
    editor.m_page = 2;
    Document& doc = CurrentDocument();
    TestPrompts prompts;
    SlideListDialog dlg(&editor);
    for (int r : {1, 20, 44})
        dlg.list()->item(r, 0)->setCheckState(Qt::Checked);

    prompts.answer(Answer::No);
    dlg.OnDeleteChecked();
    EXPECT_EQ(doc.slideCount, 45);
    EXPECT_EQ(dlg.CheckedRows().size(), 3u);

    prompts.answer(Answer::Yes);
    dlg.OnDeleteChecked();
    EXPECT_EQ(prompts.messageIds(),
              (QList<Msg>{Msg::DeleteCheckedQuestion, Msg::DeleteCheckedQuestion}));
    EXPECT_EQ(prompts.calls[1].kind, MsgKind::YesNo);
    ASSERT_EQ(doc.slideCount, 42);
    int expect = 0;
    for (int i = 0; i < 42; ++i, ++expect) {
        while (expect == 1 || expect == 20 || expect == 44)
            ++expect;
        EXPECT_EQ(int(doc.slides[i].reserved1), expect) << i;
    }
    EXPECT_TRUE(editor.m_modified);
    EXPECT_EQ(editor.m_pageCount, 3);
    EXPECT_EQ(dlg.list()->rowCount(), 42);
    EXPECT_TRUE(dlg.CheckedRows().empty());
    EXPECT_EQ(Cell(dlg, 1, 0), "2");
    EXPECT_EQ(Cell(dlg, 1, 4), "00:03") << "the row shows the former third slide";
}

TEST_F(SlideList, DeletingAllSlides) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 45);
    editor.m_page = 2;
    TestPrompts prompts;
    prompts.answer(Answer::Yes);
    SlideListDialog dlg(&editor);
    ShowActive(dlg);
    dlg.OnSelectAll();
    dlg.OnCheck();
    QTest::keyClick(dlg.list(), Qt::Key_Delete);
    EXPECT_EQ(CurrentDocument().slideCount, 0);
    EXPECT_EQ(editor.m_page, 0);
    EXPECT_EQ(editor.m_pageCount, 1);
    EXPECT_EQ(dlg.list()->rowCount(), 0);
}

TEST_F(SlideList, EditorClearsItsSelectionAfterTheList) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 30);
    Script<SlideListDialog>([](SlideListDialog& d) {
        EXPECT_EQ(d.list()->rowCount(), 30);
        d.list()->item(0, 0)->setCheckState(Qt::Checked);
        d.list()->selectRow(25);
        d.OnSelectSlide();
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    editor.OpenSlideList();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(editor.m_page, 1) << "the row's page stays";
    EXPECT_EQ(editor.m_selectedCell, -1);
    EXPECT_FALSE(editor.m_modified) << "checking rows changes nothing";
    EXPECT_EQ(CurrentDocument().slideCount, 30);
}

TEST_F(SlideList, ListFollowsTheWindowSize) {
    EditorWindow editor;
    NewDocument(editor);
    SlideListDialog dlg(&editor);
    dlg.show();
    dlg.resize(500, 400);
    EXPECT_EQ(dlg.list()->geometry(), QRect(0, 0, 495, 395));
    dlg.resize(100, 100);
    EXPECT_GE(dlg.width(), 300);
    EXPECT_GE(dlg.height(), 300);
}

} // namespace
