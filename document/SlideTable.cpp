#include "document/SlideTable.h"

#include "app/P20417App.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "document/Picture.h"

#include <algorithm>

void NewDocument(CEditState& ed) {
    CP20417App& app = theApp();
    app.m_strFilePath.clear();
    app.m_nSlideCount = 0;
    ed.m_bModified = 0;
    DocHeader& h = app.m_header;
    h.crBackLeft = RGB(247, 243, 215);
    h.crBackRight = RGB(173, 195, 255);
    h.crBackCenter = RGB(0, 0, 66);
    h.bShowPropButton = 1;
    h.rcShowWindow = RECT32{0, 0, 400, 300};
    h.bLoop = 1;
    h.bTimerSwitch = 1;
    h.crPreviewBack = 0;
    h.bTopMost = 1;
    ed.m_nPage = 0;
    ed.m_nPageCount = 1;
    std::fill(std::begin(ed.m_nPageSlides), std::end(ed.m_nPageSlides), 0);
}

void ReleaseAllPictures() {
    CP20417App& app = theApp();
    for (int i = 0; i < app.m_nSlideCount; ++i)
        app.m_slides[i].pPicture.reset();
}

bool CanAddSlide(bool showMessage) {
    if (theApp().m_nSlideCount < MAX_SLIDES)
        return true;
    if (showMessage)
        ShowMessage(30002, QString(), nullptr, MsgKind::Error);
    return false;
}

quint16 NewSlideSwitchTime() {
    return quint16(
        std::clamp(ReadSettingInt("SYS", "AutoCng", 5), SWITCH_TIME_MIN, SWITCH_TIME_MAX));
}

void AddSlide(PicturePtr picture, COLORREF crTransparent) {
    CP20417App& app = theApp();
    if (app.m_nSlideCount >= MAX_SLIDES)
        return; // the caller checks CanAddSlide; never write past the table
    SlideRecord& r = app.m_slides[app.m_nSlideCount];
    r.pPicture = std::move(picture);
    r.undecodedImage.clear();
    r.crTransparent = crTransparent;
    r.wSwitchTime = NewSlideSwitchTime();
    r.bFlipH = 0;
    r.bFlipV = 0;
    ++app.m_nSlideCount;
}

void InsertSlide(CEditState& ed, int index, const SlideRecord& rec) {
    CP20417App& app = theApp();
    if (app.m_nSlideCount >= MAX_SLIDES || index < 0 || index > app.m_nSlideCount)
        return;
    for (int i = app.m_nSlideCount; i > index; --i)
        app.m_slides[i] = app.m_slides[i - 1];
    SlideRecord& r = app.m_slides[index];
    r.pPicture = rec.pPicture;
    r.undecodedImage = rec.undecodedImage;
    r.crTransparent = rec.crTransparent;
    r.wSwitchTime = rec.wSwitchTime;
    r.bFlipH = rec.bFlipH;
    r.bFlipV = rec.bFlipV;
    ++app.m_nSlideCount;
    RecalcPages(ed);
    ed.m_bModified = 1;
}

void DeleteSlide(CEditState& ed, int index) {
    CP20417App& app = theApp();
    const int n = app.m_nSlideCount;
    if (index < 0 || index >= n)
        return;
    app.m_slides[index].pPicture.reset();
    if (n == 1) {
        app.m_nSlideCount = 0;
    } else {
        if (n % SLIDES_PER_PAGE == 1 && index == n - 1 && ed.m_nPage > 0)
            --ed.m_nPage;
        for (int i = index; i < n - 1; ++i)
            app.m_slides[i] = app.m_slides[i + 1];
        app.m_nSlideCount = n - 1;
    }
    RecalcPages(ed);
    ed.m_nSelect = -1;
    ed.m_bModified = 1;
    ed.RedrawRebuilt();
}

void DeleteSlides(CEditState& ed, const std::set<int>& indices) {
    CP20417App& app = theApp();
    int kept = 0;
    for (int i = 0; i < app.m_nSlideCount; ++i) {
        if (indices.count(i)) {
            app.m_slides[i].pPicture.reset();
        } else {
            if (kept != i)
                app.m_slides[kept] = app.m_slides[i];
            ++kept;
        }
    }
    app.m_nSlideCount = kept;
    ed.m_nPage = std::min(ed.m_nPage, (kept - 1) / SLIDES_PER_PAGE);
    if (ed.m_nPage < 0)
        ed.m_nPage = 0;
    ed.m_nSelect = -1;
    ed.m_bModified = 1;
    RecalcPages(ed);
    ed.RedrawRebuilt();
}

void MoveSlide(CEditState& ed, int from, int to) {
    CP20417App& app = theApp();
    const int n = app.m_nSlideCount;
    if (from < 0 || from >= n || to < 0 || to > n)
        return;
    const SlideRecord saved = app.m_slides[from];
    if (to == 0) {
        for (int i = from; i > 0; --i)
            app.m_slides[i] = app.m_slides[i - 1];
        app.m_slides[0] = saved;
    } else if (from < to) {
        for (int i = from; i < to - 1; ++i)
            app.m_slides[i] = app.m_slides[i + 1];
        app.m_slides[to - 1] = saved;
    } else {
        for (int i = from; i > to; --i)
            app.m_slides[i] = app.m_slides[i - 1];
        app.m_slides[to] = saved;
    }
    ed.RedrawRebuilt();
}

void RecalcPages(CEditState& ed) {
    const int n = theApp().m_nSlideCount;
    if (n <= 0) {
        ed.m_nPageCount = 1;
        std::fill(std::begin(ed.m_nPageSlides), std::end(ed.m_nPageSlides), 0);
        return;
    }
    ed.m_nPageCount = (n - 1) / SLIDES_PER_PAGE + 1;
    std::fill(std::begin(ed.m_nPageSlides), std::end(ed.m_nPageSlides), SLIDES_PER_PAGE);
    if (n % SLIDES_PER_PAGE != 0)
        ed.m_nPageSlides[ed.m_nPageCount - 1] = n % SLIDES_PER_PAGE;
}
