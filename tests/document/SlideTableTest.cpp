#include "document/SlideTable.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class SlideTable : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
    CountingEditState ed;
    Document& doc = CurrentDocument();

    /// The original indices (reserved1) of the slides in table order.
    std::vector<int> order() const {
        std::vector<int> v;
        for (int i = 0; i < doc.slideCount; ++i)
            v.push_back(int(doc.slides[i].reserved1));
        return v;
    }
};

TEST_F(SlideTable, NewDocumentSetsDefaultsAndKeepsFitToWindow) {
    doc.header.fitToWindow = 1;
    doc.header.reserved[3] = 9;
    doc.filePath = QStringLiteral("/a/b.lsr");
    FillSlides(ed, 7);
    ed.m_modified = true;
    ed.m_page = 0;
    NewDocument(ed);
    EXPECT_EQ(doc.slideCount, 0);
    EXPECT_TRUE(doc.filePath.isEmpty());
    EXPECT_FALSE(ed.m_modified);
    EXPECT_EQ(ed.m_page, 0);
    EXPECT_EQ(ed.m_pageCount, 1);
    for (int e : ed.m_pageSlides)
        EXPECT_EQ(e, 0);
    const DocumentHeader& h = doc.header;
    EXPECT_EQ(h.backgroundLeft, qRgb(0xF7, 0xF3, 0xD7));
    EXPECT_EQ(h.backgroundRight, qRgb(0xAD, 0xC3, 0xFF));
    EXPECT_EQ(h.backgroundCenter, qRgb(0x00, 0x00, 0x42));
    EXPECT_EQ(h.showPropertyButtons, 1);
    EXPECT_EQ(h.slideshowRect, RectFromStoredCorners(0, 0, 400, 300));
    EXPECT_EQ(h.loop, 1);
    EXPECT_EQ(h.timerSwitch, 1);
    EXPECT_EQ(h.previewBackground, qRgb(0, 0, 0));
    EXPECT_EQ(h.topMost, 1);
    EXPECT_EQ(h.fitToWindow, 1);
    EXPECT_EQ(h.reserved[3], 9);
}

TEST_F(SlideTable, RecalcPagesForSlideCounts) {
    struct Row {
        int slides, pages, lastEntry;
    };
    const Row rows[] = {{0, 1, 0},   {1, 1, 1},   {20, 1, 20}, {21, 2, 1},
                        {40, 2, 20}, {99, 5, 19}, {100, 5, 20}};
    for (const Row& r : rows) {
        FillSlides(ed, r.slides);
        RecalcPages(ed);
        EXPECT_EQ(ed.m_pageCount, r.pages) << r.slides << " slides";
        EXPECT_EQ(ed.m_pageSlides[r.pages - 1], r.lastEntry) << r.slides << " slides";
        for (int p = 0; p < r.pages - 1; ++p)
            EXPECT_EQ(ed.m_pageSlides[p], 20) << r.slides << " slides, page " << p;
    }
}

TEST_F(SlideTable, InsertKeepsEveryFieldOfTheSlidesThatMove) {
    FillSlides(ed, 3);
    doc.slides[0].flipH = 1;
    doc.slides[2].keyColor = qRgb(1, 2, 3);
    doc.slides[1].reserved4 = 0xCAFEu;
    SlideRecord rec;
    rec.picture = MakeTestPicture(8, 8, Qt::blue);
    rec.keyColor = qRgb(0, 255, 0);
    rec.switchTime = 42;
    rec.flipV = 1;
    rec.reserved1 = 777; // not written by an insertion
    InsertSlide(ed, 0, rec);
    EXPECT_EQ(doc.slideCount, 4);
    EXPECT_TRUE(ed.m_modified);
    EXPECT_EQ(doc.slides[0].switchTime, 42);
    EXPECT_EQ(doc.slides[0].keyColor, qRgb(0, 255, 0));
    EXPECT_EQ(doc.slides[0].flipV, 1);
    EXPECT_EQ(doc.slides[0].picture, rec.picture);
    // The slot keeps the reserved word of the record that was there (slide 0's).
    EXPECT_EQ(doc.slides[0].reserved1, 0u);
    EXPECT_EQ(doc.slides[1].reserved1, 0u);
    EXPECT_EQ(doc.slides[1].flipH, 1);
    EXPECT_EQ(doc.slides[2].reserved4, 0xCAFEu);
    EXPECT_EQ(doc.slides[3].keyColor, qRgb(1, 2, 3));
    EXPECT_EQ(doc.slides[3].switchTime, 3);

    rec.switchTime = 9;
    InsertSlide(ed, 4, rec); // inserting at the count appends
    EXPECT_EQ(doc.slideCount, 5);
    EXPECT_EQ(doc.slides[4].switchTime, 9);
    EXPECT_EQ(doc.slides[3].switchTime, 3);
}

TEST_F(SlideTable, DeleteCases) {
    struct Row {
        const char* name;
        int slides, page, index;
        int expectCount, expectPage, expectPages;
    };
    const Row rows[] = {
        {"only slide", 1, 0, 0, 0, 0, 1},
        {"alone on the last page", 21, 1, 20, 20, 0, 1},
        {"first of two pages", 21, 1, 0, 20, 1, 1},
        {"middle", 5, 0, 2, 4, 0, 1},
        {"last of a full page", 40, 1, 39, 39, 1, 2},
    };
    for (const Row& r : rows) {
        FillSlides(ed, r.slides);
        ed.m_page = r.page;
        ed.m_selectedCell = 3;
        ed.m_modified = false;
        const int before = ed.redraws;
        const Picture* gone = doc.slides[r.index].picture.get();
        std::weak_ptr<Picture> watch = doc.slides[r.index].picture;
        DeleteSlide(ed, r.index);
        EXPECT_EQ(doc.slideCount, r.expectCount) << r.name;
        EXPECT_EQ(ed.m_page, r.expectPage) << r.name;
        EXPECT_EQ(ed.m_pageCount, r.expectPages) << r.name;
        EXPECT_EQ(ed.m_selectedCell, -1) << r.name;
        EXPECT_TRUE(ed.m_modified) << r.name;
        EXPECT_EQ(ed.redraws, before + 1) << r.name;
        EXPECT_TRUE(watch.expired()) << r.name << ": the picture is released";
        for (int i = 0; i < doc.slideCount; ++i) {
            EXPECT_NE(doc.slides[i].picture.get(), gone) << r.name;
            EXPECT_EQ(int(doc.slides[i].reserved1), i < r.index ? i : i + 1) << r.name;
        }
        if (r.expectCount == 0) {
            for (int e : ed.m_pageSlides)
                EXPECT_EQ(e, 0) << r.name;
        }
    }
}

TEST_F(SlideTable, DeleteSlidesKeepsSurvivorOrder) {
    struct Row {
        const char* name;
        int slides, page;
        std::set<int> remove;
        std::vector<int> survivors;
        int expectPage;
    };
    const std::vector<int> firstTwentyOne = [] {
        std::vector<int> v;
        for (int i = 0; i < 21; ++i)
            v.push_back(i);
        return v;
    }();
    const Row rows[] = {
        {"every slide", 5, 0, {0, 1, 2, 3, 4}, {}, 0},
        {"some", 6, 0, {0, 2, 5}, {1, 3, 4}, 0},
        {"page shrinks",
         42,
         2,
         {21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41},
         firstTwentyOne,
         1},
        {"nothing", 3, 0, {}, {0, 1, 2}, 0},
    };
    for (const Row& r : rows) {
        FillSlides(ed, r.slides);
        ed.m_page = r.page;
        DeleteSlides(ed, r.remove);
        EXPECT_EQ(order(), r.survivors) << r.name;
        EXPECT_EQ(ed.m_page, r.expectPage) << r.name;
        EXPECT_EQ(ed.m_selectedCell, -1) << r.name;
        EXPECT_TRUE(ed.m_modified) << r.name;
    }
}

TEST_F(SlideTable, MoveCases) {
    struct Row {
        const char* name;
        int slides, from, to;
        std::vector<int> expect;
    };
    const Row rows[] = {
        {"first to end", 3, 0, 3, {1, 2, 0}},
        {"last to front", 3, 2, 0, {2, 0, 1}},
        {"onto itself", 3, 1, 1, {0, 1, 2}},
        {"gap after itself", 3, 1, 2, {0, 1, 2}},
        {"forward", 6, 1, 4, {0, 2, 3, 1, 4, 5}},
        {"backward", 6, 4, 1, {0, 4, 1, 2, 3, 5}},
        {"across pages", 25, 22, 0, {22, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                     12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 23, 24}},
    };
    for (const Row& r : rows) {
        FillSlides(ed, r.slides);
        MoveSlide(ed, r.from, r.to);
        EXPECT_EQ(order(), r.expect) << r.name;
    }
}

TEST_F(SlideTable, HundredFirstAdditionIsRefusedWithMessage) {
    TestPrompts tp;
    FillSlides(ed, 99);
    EXPECT_TRUE(CanAddSlide(true));
    AddSlide(MakeTestPicture(2, 2), std::nullopt);
    EXPECT_EQ(doc.slideCount, 100);
    EXPECT_FALSE(CanAddSlide(false));
    EXPECT_TRUE(tp.calls.isEmpty());
    EXPECT_FALSE(CanAddSlide(true));
    ASSERT_EQ(tp.messageIds(), QList<Msg>{Msg::TooManySlides});
    EXPECT_EQ(tp.calls[0].kind, MsgKind::Error);
    EXPECT_EQ(doc.slideCount, 100);
}

TEST_F(SlideTable, AddSlideTakesTheSwitchTimeFromSettings) {
    FillSlides(ed, 0);
    doc.slides[0].reserved2 = 5; // reserved words are not written by an addition
    AddSlide(MakeTestPicture(2, 2), qRgb(255, 0, 0));
    WriteSettingInt(Setting::NewSlideSeconds, 20);
    AddSlide(nullptr, std::nullopt);
    ASSERT_EQ(doc.slideCount, 2);
    EXPECT_EQ(doc.slides[0].switchTime, 5);
    EXPECT_EQ(doc.slides[0].keyColor, qRgb(255, 0, 0));
    EXPECT_EQ(doc.slides[0].reserved2, 5u);
    EXPECT_EQ(doc.slides[1].switchTime, 20);
    EXPECT_EQ(doc.slides[1].keyColor, std::nullopt);
    EXPECT_EQ(GetPictureSize(doc.slides[1].picture), QSize(0, 0));
}

TEST_F(SlideTable, ReleaseAllPicturesReleasesEveryPicture) {
    FillSlides(ed, 4);
    std::vector<std::weak_ptr<Picture>> watch;
    for (int i = 0; i < 4; ++i)
        watch.push_back(doc.slides[i].picture);
    ReleaseAllPictures();
    for (auto& w : watch)
        EXPECT_TRUE(w.expired());
    EXPECT_EQ(doc.slideCount, 4);
}

} // namespace
