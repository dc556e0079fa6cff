#include "dialogs/SwitchTimeDialog.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestPrompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QUndoStack>

namespace {

class SwitchTimes : public DialogTest {
protected:
    /// A dialog for `count` slides with the given times (the rest 5 s), on `page`.
    void Open(SwitchTimeDialog& dlg, std::vector<int> times, int count, int page) {
        for (int i = 0; i < kMaxSlides; ++i)
            dlg.m_times[i] = i < int(times.size()) ? times[i] : 5;
        dlg.m_slideCount = count;
        dlg.m_pageCount = count == 0 ? 1 : (count - 1) / 20 + 1;
        for (int p = 0; p < kMaxPages; ++p)
            dlg.m_pageSlides[p] = std::clamp(count - p * 20, 0, 20);
        dlg.m_page = page;
        dlg.Initialize();
    }
};

TEST_F(SwitchTimes, FortyFiveSlidesOnThreePages) {
    SwitchTimeDialog full;
    Open(full, {}, 45, 0);
    SwitchTimeDialog dlg;
    Open(dlg, {}, 45, 2);
    EXPECT_EQ(dlg.sizeHint(), full.sizeHint()) << "the short page keeps the grid's shape";
    EXPECT_EQ(dlg.pageLabel()->text(), "(3/3)");
    for (int k = 0; k < 20; ++k) {
        if (k < 5) {
            EXPECT_EQ(dlg.numberLabel(k)->text(), QString::number(41 + k)) << k;
            EXPECT_FALSE(dlg.picker(k)->isHidden()) << k;
        } else {
            EXPECT_TRUE(dlg.numberLabel(k)->text().isEmpty()) << k;
            EXPECT_TRUE(dlg.picker(k)->isHidden()) << k;
        }
    }
    EXPECT_TRUE(dlg.nextButton()->isHidden());
    EXPECT_FALSE(dlg.prevButton()->isHidden());

    // Back to page 2: a full page, both paging buttons.
    QTest::mouseClick(dlg.prevButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.m_page, 1);
    EXPECT_EQ(dlg.pageLabel()->text(), "(2/3)");
    EXPECT_EQ(dlg.numberLabel(0)->text(), "21");
    EXPECT_EQ(dlg.numberLabel(19)->text(), "40");
    EXPECT_FALSE(dlg.picker(19)->isHidden());
    EXPECT_FALSE(dlg.nextButton()->isHidden());
    EXPECT_FALSE(dlg.prevButton()->isHidden());
    QTest::mouseClick(dlg.prevButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.pageLabel()->text(), "(1/3)");
    EXPECT_TRUE(dlg.prevButton()->isHidden());
}

TEST_F(SwitchTimes, PickerShowsHoursMinutesSecondsOfTheTime) {
    SwitchTimeDialog dlg;
    Open(dlg, {3725, 59, 64800}, 3, 0);
    EXPECT_EQ(dlg.picker(0)->time(), QTime(1, 2, 5));
    EXPECT_EQ(dlg.picker(1)->time(), QTime(0, 0, 59));
    EXPECT_EQ(dlg.picker(2)->time(), QTime(18, 0, 0));
}

TEST_F(SwitchTimes, EditedTimesAreClampedAndShownAtOnce) {
    struct Row {
        QTime entered;
        int stored;
        QTime shown;
    };
    const Row rows[] = {
        {QTime(0, 0, 0), 1, QTime(0, 0, 1)},           {QTime(20, 0, 0), 64800, QTime(18, 0, 0)},
        {QTime(18, 0, 1), 64800, QTime(18, 0, 0)},     {QTime(0, 1, 30), 90, QTime(0, 1, 30)},
        {QTime(17, 59, 59), 64799, QTime(17, 59, 59)},
    };
    for (const Row& r : rows) {
        SwitchTimeDialog dlg;
        Open(dlg, {}, 25, 1); // second page: picker 3 is slide 24
        dlg.picker(3)->setTime(r.entered);
        EXPECT_EQ(dlg.m_times[23], r.stored) << r.entered.toString().toStdString();
        EXPECT_EQ(dlg.picker(3)->time(), r.shown) << r.entered.toString().toStdString();
        EXPECT_EQ(dlg.m_times[3], 5) << "another page's slide changed";
    }
}

TEST_F(SwitchTimes, ArrowKeysInThePickerAreClampedToo) {
    SwitchTimeDialog dlg;
    Open(dlg, {64800, 1}, 2, 0);
    ShowActive(dlg);
    QTimeEdit* first = dlg.picker(0);
    first->setFocus();
    first->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(first, Qt::Key_Up); // 19:00:00 is too long
    EXPECT_EQ(dlg.m_times[0], 64800);
    EXPECT_EQ(first->time(), QTime(18, 0, 0));
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_EQ(dlg.m_times[0], 61200);
    EXPECT_EQ(dlg.totalLabel()->text(), "Total-17:00:01");

    QTimeEdit* second = dlg.picker(1);
    second->setFocus();
    second->setCurrentSection(QDateTimeEdit::SecondSection);
    QTest::keyClick(second, Qt::Key_Down); // 0:00:00 is too short
    EXPECT_EQ(dlg.m_times[1], 1);
    EXPECT_EQ(second->time(), QTime(0, 0, 1));
    QTest::keyClick(second, Qt::Key_Up);
    EXPECT_EQ(dlg.m_times[1], 2);
}

TEST_F(SwitchTimes, AClickInAFieldSelectsItSoTypingReplacesIt) {
    // Each picker shows "H:mm:ss"; the field clicked is chosen by its characters.
    struct Row {
        const char* name;
        int first, last; // the field's characters in "0:00:05"
        const char* typed;
        int seconds; // the time afterwards
    };
    const Row rows[] = {
        {"seconds", 5, 7, "30", 30},
        {"minutes", 2, 4, "12", 12 * 60 + 5},
        {"hours", 0, 1, "2", 2 * 3600 + 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SwitchTimeDialog dlg;
        Open(dlg, {5, 5}, 2, 0);
        ShowActive(dlg);
        // The focus elsewhere first, as when the dialog has just opened.
        dlg.picker(1)->setFocus();
        QTimeEdit* picker = dlg.picker(0);
        auto* edit = picker->findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        ASSERT_EQ(edit->text(), "0:00:05");
        // The middle of the field's characters, as drawn.
        const auto xOf = [edit](int position) {
            const int keep = edit->cursorPosition();
            edit->setCursorPosition(position);
            const int x = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
            edit->setCursorPosition(keep);
            return x;
        };
        const QPoint at((xOf(r.first) + xOf(r.last)) / 2, edit->height() / 2);
        QTest::mouseClick(edit, Qt::LeftButton, {}, at);
        EXPECT_TRUE(picker->hasFocus());
        QTest::keyClicks(edit, QString::fromLatin1(r.typed));
        EXPECT_EQ(dlg.m_times[0], r.seconds) << edit->text().toStdString();
        // Another field of the same picker, clicked while it has the focus.
        const QPoint secondsAt((xOf(5) + xOf(7)) / 2, edit->height() / 2);
        QTest::mouseClick(edit, Qt::LeftButton, {}, secondsAt);
        QTest::keyClicks(edit, QStringLiteral("9"));
        EXPECT_EQ(dlg.m_times[0] % 60, 9) << edit->text().toStdString();
    }
}

TEST_F(SwitchTimes, TotalCoversAllPagesWithUnlimitedHours) {
    struct Row {
        std::vector<int> times;
        int count;
        const char* total;
    };
    const Row rows[] = {
        {{90, 30, 3600}, 3, "Total-01:02:00"},
        {{30, 29}, 2, "Total-00:59"},
        {std::vector<int>(100, 64800), 100, "Total-1800:00:00"},
        {{10, 20, 30, 999}, 3, "Total-01:00"}, // entries beyond the count are not summed
    };
    for (const Row& r : rows) {
        SwitchTimeDialog dlg;
        Open(dlg, r.times, r.count, 0);
        EXPECT_EQ(dlg.totalLabel()->text(), r.total);
    }
    // The total follows an edit on another page.
    SwitchTimeDialog dlg;
    Open(dlg, std::vector<int>(45, 60), 45, 2);
    EXPECT_EQ(dlg.totalLabel()->text(), "Total-45:00");
    dlg.picker(0)->setTime(QTime(0, 2, 0));
    EXPECT_EQ(dlg.totalLabel()->text(), "Total-46:00");
}

TEST_F(SwitchTimes, AllSameAsksAndCopiesSlideOne) {
    {
        TestPrompts prompts;
        prompts.answer(Answer::No);
        SwitchTimeDialog dlg;
        Open(dlg, {7, 8, 9}, 3, 0);
        QTest::mouseClick(dlg.allSameButton(), Qt::LeftButton);
        EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::SameTimeForAllQuestion});
        EXPECT_EQ(prompts.calls[0].kind, MsgKind::YesNo);
        EXPECT_EQ(dlg.m_times[1], 8);
        EXPECT_EQ(dlg.m_times[2], 9);
    }
    {
        TestPrompts prompts;
        prompts.answer(Answer::Yes);
        SwitchTimeDialog dlg;
        Open(dlg, std::vector<int>{7, 8, 9, 10, 11}, 3, 0);
        dlg.OnAllSame();
        EXPECT_EQ(dlg.m_times[1], 7);
        EXPECT_EQ(dlg.m_times[2], 7);
        EXPECT_EQ(dlg.m_times[3], 10) << "a slot beyond the count changed";
        EXPECT_EQ(dlg.picker(2)->time(), QTime(0, 0, 7));
        EXPECT_EQ(dlg.totalLabel()->text(), "Total-00:21");
    }
    {
        TestPrompts prompts;
        prompts.answer(Answer::Yes);
        SwitchTimeDialog dlg;
        Open(dlg, {7, 8}, 1, 0);
        dlg.OnAllSame();
        EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::SameTimeForAllQuestion});
        EXPECT_EQ(dlg.m_times[0], 7);
        EXPECT_EQ(dlg.m_times[1], 8);
    }
}

TEST_F(SwitchTimes, EditorWritesBackOnlyOnSave) {
    EditorWindow editor;
    NewDocument(editor);
    FillSlides(editor, 45); // times 1, 2, 3, ...
    editor.m_page = 1;
    Document& doc = CurrentDocument();

    // Cancel after the all-same button: nothing changes.
    {
        TestPrompts prompts;
        prompts.answer(Answer::Yes);
        Script<SwitchTimeDialog>([](SwitchTimeDialog& d) {
            EXPECT_EQ(d.m_page, 1) << "opens on the editor's page";
            EXPECT_EQ(d.pageLabel()->text(), "(2/3)");
            d.OnAllSame();
            QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
        });
        editor.OpenTimeSet();
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(editor.m_modified);
        for (int i = 0; i < 45; ++i)
            EXPECT_EQ(doc.slides[i].switchTime, i + 1);
    }
    // Save without an edit changes nothing, and the document stays unmodified.
    Script<SwitchTimeDialog>(
        [](SwitchTimeDialog& d) { QTest::mouseClick(d.saveButton(), Qt::LeftButton); });
    editor.OpenTimeSet();
    EXPECT_FALSE(editor.m_modified);
    EXPECT_EQ(editor.undoStack()->count(), 0);
    EXPECT_EQ(doc.slides[44].switchTime, 45);

    // An edit on another page is written back; the editor's page stays.
    editor.DocumentSaved(); // as if just saved
    Script<SwitchTimeDialog>([](SwitchTimeDialog& d) {
        d.OnNextPage();
        d.picker(4)->setTime(QTime(10, 0, 0));
        QTest::keyClick(&d, Qt::Key_Return); // the default button saves
    });
    editor.OpenTimeSet();
    EXPECT_TRUE(editor.m_modified);
    EXPECT_EQ(doc.slides[44].switchTime, 36000);
    EXPECT_EQ(editor.m_page, 1);

    // Escape discards.
    Script<SwitchTimeDialog>([](SwitchTimeDialog& d) {
        d.picker(0)->setTime(QTime(1, 0, 0));
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    editor.DocumentSaved(); // as if just saved
    editor.OpenTimeSet();
    EXPECT_FALSE(editor.m_modified);
    EXPECT_EQ(doc.slides[20].switchTime, 21);
}

TEST_F(SwitchTimes, NothingOpensWithoutSlides) {
    EditorWindow editor;
    NewDocument(editor);
    Script<SwitchTimeDialog>([](SwitchTimeDialog& d) { d.accept(); });
    editor.OpenTimeSet();
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(editor.m_modified);
}

} // namespace
