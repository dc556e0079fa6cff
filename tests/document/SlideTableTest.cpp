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
    CP20417App& app = theApp();

    /// The original indices (dwReserved1) of the slides in table order.
    std::vector<int> order() const {
        std::vector<int> v;
        for (int i = 0; i < app.m_nSlideCount; ++i)
            v.push_back(int(app.m_slides[i].dwReserved1));
        return v;
    }
};

TEST_F(SlideTable, NewDocumentSetsDefaultsAndKeepsFitToWindow) {
    app.m_header.bFitToWindow = 1;
    app.m_header.byReserved[3] = 9;
    app.m_strFilePath = QStringLiteral("/a/b.lsr");
    FillSlides(ed, 7);
    ed.m_bModified = 1;
    ed.m_nPage = 0;
    NewDocument(ed);
    EXPECT_EQ(app.m_nSlideCount, 0);
    EXPECT_TRUE(app.m_strFilePath.isEmpty());
    EXPECT_EQ(ed.m_bModified, 0);
    EXPECT_EQ(ed.m_nPage, 0);
    EXPECT_EQ(ed.m_nPageCount, 1);
    for (int e : ed.m_nPageSlides)
        EXPECT_EQ(e, 0);
    const DocHeader& h = app.m_header;
    EXPECT_EQ(h.crBackLeft, 0x00D7F3F7u);
    EXPECT_EQ(h.crBackRight, 0x00FFC3ADu);
    EXPECT_EQ(h.crBackCenter, 0x00420000u);
    EXPECT_EQ(h.bShowPropButton, 1);
    EXPECT_EQ(h.rcShowWindow, (RECT32{0, 0, 400, 300}));
    EXPECT_EQ(h.bLoop, 1);
    EXPECT_EQ(h.bTimerSwitch, 1);
    EXPECT_EQ(h.crPreviewBack, 0u);
    EXPECT_EQ(h.bTopMost, 1);
    EXPECT_EQ(h.bFitToWindow, 1);
    EXPECT_EQ(h.byReserved[3], 9);
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
        EXPECT_EQ(ed.m_nPageCount, r.pages) << r.slides << " slides";
        EXPECT_EQ(ed.m_nPageSlides[r.pages - 1], r.lastEntry) << r.slides << " slides";
        for (int p = 0; p < r.pages - 1; ++p)
            EXPECT_EQ(ed.m_nPageSlides[p], 20) << r.slides << " slides, page " << p;
    }
}

TEST_F(SlideTable, InsertKeepsEveryFieldOfTheSlidesThatMove) {
    FillSlides(ed, 3);
    app.m_slides[0].bFlipH = 1;
    app.m_slides[2].crTransparent = RGB(1, 2, 3);
    app.m_slides[1].dwReserved4 = 0xCAFEu;
    SlideRecord rec;
    rec.pPicture = MakeTestPicture(8, 8, Qt::blue);
    rec.crTransparent = RGB(0, 255, 0);
    rec.wSwitchTime = 42;
    rec.bFlipV = 1;
    rec.dwReserved1 = 777; // not written by an insertion
    InsertSlide(ed, 0, rec);
    EXPECT_EQ(app.m_nSlideCount, 4);
    EXPECT_EQ(ed.m_bModified, 1);
    EXPECT_EQ(app.m_slides[0].wSwitchTime, 42);
    EXPECT_EQ(app.m_slides[0].crTransparent, RGB(0, 255, 0));
    EXPECT_EQ(app.m_slides[0].bFlipV, 1);
    EXPECT_EQ(app.m_slides[0].pPicture, rec.pPicture);
    // The slot keeps the reserved word of the record that was there (slide 0's).
    EXPECT_EQ(app.m_slides[0].dwReserved1, 0u);
    EXPECT_EQ(app.m_slides[1].dwReserved1, 0u);
    EXPECT_EQ(app.m_slides[1].bFlipH, 1);
    EXPECT_EQ(app.m_slides[2].dwReserved4, 0xCAFEu);
    EXPECT_EQ(app.m_slides[3].crTransparent, RGB(1, 2, 3));
    EXPECT_EQ(app.m_slides[3].wSwitchTime, 3);

    rec.wSwitchTime = 9;
    InsertSlide(ed, 4, rec); // inserting at the count appends
    EXPECT_EQ(app.m_nSlideCount, 5);
    EXPECT_EQ(app.m_slides[4].wSwitchTime, 9);
    EXPECT_EQ(app.m_slides[3].wSwitchTime, 3);
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
        ed.m_nPage = r.page;
        ed.m_nSelect = 3;
        ed.m_bModified = 0;
        const int before = ed.redraws;
        const Picture* gone = app.m_slides[r.index].pPicture.get();
        std::weak_ptr<Picture> watch = app.m_slides[r.index].pPicture;
        DeleteSlide(ed, r.index);
        EXPECT_EQ(app.m_nSlideCount, r.expectCount) << r.name;
        EXPECT_EQ(ed.m_nPage, r.expectPage) << r.name;
        EXPECT_EQ(ed.m_nPageCount, r.expectPages) << r.name;
        EXPECT_EQ(ed.m_nSelect, -1) << r.name;
        EXPECT_EQ(ed.m_bModified, 1) << r.name;
        EXPECT_EQ(ed.redraws, before + 1) << r.name;
        EXPECT_TRUE(watch.expired()) << r.name << ": the picture is released";
        for (int i = 0; i < app.m_nSlideCount; ++i) {
            EXPECT_NE(app.m_slides[i].pPicture.get(), gone) << r.name;
            EXPECT_EQ(int(app.m_slides[i].dwReserved1), i < r.index ? i : i + 1) << r.name;
        }
        if (r.expectCount == 0) {
            for (int e : ed.m_nPageSlides)
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
        ed.m_nPage = r.page;
        DeleteSlides(ed, r.remove);
        EXPECT_EQ(order(), r.survivors) << r.name;
        EXPECT_EQ(ed.m_nPage, r.expectPage) << r.name;
        EXPECT_EQ(ed.m_nSelect, -1) << r.name;
        EXPECT_EQ(ed.m_bModified, 1) << r.name;
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
    AddSlide(MakeTestPicture(2, 2), COLOR_NONE);
    EXPECT_EQ(app.m_nSlideCount, 100);
    EXPECT_FALSE(CanAddSlide(false));
    EXPECT_TRUE(tp.calls.isEmpty());
    EXPECT_FALSE(CanAddSlide(true));
    ASSERT_EQ(tp.messageIds(), QList<int>{30002});
    EXPECT_EQ(tp.calls[0].kind, MsgKind::Error);
    EXPECT_EQ(app.m_nSlideCount, 100);
}

TEST_F(SlideTable, AddSlideTakesTheSwitchTimeFromSettings) {
    FillSlides(ed, 0);
    app.m_slides[0].dwReserved2 = 5; // reserved words are not written by an addition
    AddSlide(MakeTestPicture(2, 2), RGB(255, 0, 0));
    WriteSettingInt("SYS", "AutoCng", 20);
    AddSlide(nullptr, COLOR_NONE);
    ASSERT_EQ(app.m_nSlideCount, 2);
    EXPECT_EQ(app.m_slides[0].wSwitchTime, 5);
    EXPECT_EQ(app.m_slides[0].crTransparent, RGB(255, 0, 0));
    EXPECT_EQ(app.m_slides[0].dwReserved2, 5u);
    EXPECT_EQ(app.m_slides[1].wSwitchTime, 20);
    EXPECT_EQ(app.m_slides[1].crTransparent, COLOR_NONE);
    EXPECT_EQ(GetPictureSize(app.m_slides[1].pPicture), QSize(0, 0));
}

TEST_F(SlideTable, ReleaseAllPicturesReleasesEveryPicture) {
    FillSlides(ed, 4);
    std::vector<std::weak_ptr<Picture>> watch;
    for (int i = 0; i < 4; ++i)
        watch.push_back(app.m_slides[i].pPicture);
    ReleaseAllPictures();
    for (auto& w : watch)
        EXPECT_TRUE(w.expired());
    EXPECT_EQ(app.m_nSlideCount, 4);
}

} // namespace
