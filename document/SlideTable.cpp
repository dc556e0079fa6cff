#include "document/SlideTable.h"

#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/Picture.h"

#include <algorithm>

void NewDocument(EditorState& ed) {
    Document& doc = CurrentDocument();
    doc.filePath.clear();
    doc.slideCount = 0;
    DocumentHeader& h = doc.header;
    h.backgroundLeft = qRgb(247, 243, 215);
    h.backgroundRight = qRgb(173, 195, 255);
    h.backgroundCenter = qRgb(0, 0, 66);
    h.showPropertyButtons = 1;
    h.slideshowRect = QRect(0, 0, 400, 300);
    h.loop = 1;
    h.timerSwitch = 1;
    h.previewBackground = qRgb(0, 0, 0);
    h.topMost = 1;
    ed.m_page = 0;
    ed.m_pageCount = 1;
    std::fill(std::begin(ed.m_pageSlides), std::end(ed.m_pageSlides), 0);
    ed.DocumentReplaced();
}

void ReleaseAllPictures() {
    Document& doc = CurrentDocument();
    for (int i = 0; i < doc.slideCount; ++i) {
        doc.slides[i].picture.reset();
        doc.slides[i].keySource.reset();
    }
}

bool CanAddSlide(bool showMessage) {
    if (CurrentDocument().slideCount < kMaxSlides)
        return true;
    if (showMessage)
        ShowMessage(Msg::TooManySlides, QString(), nullptr, MsgKind::Error);
    return false;
}

quint16 NewSlideSwitchTime() {
    return quint16(
        std::clamp(ReadSettingInt(Setting::NewSlideSeconds, 5), kMinSwitchTime, kMaxSwitchTime));
}

void AddSlide(PicturePtr picture, KeyColor keyColor) {
    Document& doc = CurrentDocument();
    if (doc.slideCount >= kMaxSlides)
        return; // the caller checks CanAddSlide; never write past the table
    SlideRecord& r = doc.slides[doc.slideCount];
    r.picture = std::move(picture);
    r.undecodedImage.clear();
    r.keySource.reset();
    r.keyTolerance = 0;
    r.keyColor = keyColor;
    r.switchTime = NewSlideSwitchTime();
    r.flipH = 0;
    r.flipV = 0;
    ++doc.slideCount;
}

void InsertSlide(EditorState& ed, int index, const SlideRecord& rec) {
    Document& doc = CurrentDocument();
    if (doc.slideCount >= kMaxSlides || index < 0 || index > doc.slideCount)
        return;
    for (int i = doc.slideCount; i > index; --i)
        doc.slides[i] = doc.slides[i - 1];
    SlideRecord& r = doc.slides[index];
    r.picture = rec.picture;
    r.undecodedImage = rec.undecodedImage;
    r.keySource = rec.keySource;
    r.keyTolerance = rec.keyTolerance;
    r.keyColor = rec.keyColor;
    r.switchTime = rec.switchTime;
    r.flipH = rec.flipH;
    r.flipV = rec.flipV;
    ++doc.slideCount;
    RecalcPages(ed);
    ed.m_modified = true;
}

void DeleteSlide(EditorState& ed, int index) {
    Document& doc = CurrentDocument();
    const int n = doc.slideCount;
    if (index < 0 || index >= n)
        return;
    doc.slides[index].picture.reset();
    if (n == 1) {
        doc.slideCount = 0;
    } else {
        if (n % kSlidesPerPage == 1 && index == n - 1 && ed.m_page > 0)
            --ed.m_page;
        for (int i = index; i < n - 1; ++i)
            doc.slides[i] = doc.slides[i + 1];
        doc.slideCount = n - 1;
    }
    RecalcPages(ed);
    ed.m_selectedCell = -1;
    ed.m_modified = true;
    ed.RedrawRebuilt();
}

void DeleteSlides(EditorState& ed, const std::set<int>& indices) {
    Document& doc = CurrentDocument();
    int kept = 0;
    for (int i = 0; i < doc.slideCount; ++i) {
        if (indices.count(i)) {
            doc.slides[i].picture.reset();
        } else {
            if (kept != i)
                doc.slides[kept] = doc.slides[i];
            ++kept;
        }
    }
    doc.slideCount = kept;
    ed.m_page = std::min(ed.m_page, (kept - 1) / kSlidesPerPage);
    if (ed.m_page < 0)
        ed.m_page = 0;
    ed.m_selectedCell = -1;
    ed.m_modified = true;
    RecalcPages(ed);
    ed.RedrawRebuilt();
}

void MoveSlide(EditorState& ed, int from, int to) {
    Document& doc = CurrentDocument();
    const int n = doc.slideCount;
    if (from < 0 || from >= n || to < 0 || to > n)
        return;
    const SlideRecord saved = doc.slides[from];
    if (to == 0) {
        for (int i = from; i > 0; --i)
            doc.slides[i] = doc.slides[i - 1];
        doc.slides[0] = saved;
    } else if (from < to) {
        for (int i = from; i < to - 1; ++i)
            doc.slides[i] = doc.slides[i + 1];
        doc.slides[to - 1] = saved;
    } else {
        for (int i = from; i > to; --i)
            doc.slides[i] = doc.slides[i - 1];
        doc.slides[to] = saved;
    }
    ed.RedrawRebuilt();
}

void RecalcPages(EditorState& ed) {
    const int n = CurrentDocument().slideCount;
    if (n <= 0) {
        ed.m_pageCount = 1;
        std::fill(std::begin(ed.m_pageSlides), std::end(ed.m_pageSlides), 0);
        return;
    }
    ed.m_pageCount = (n - 1) / kSlidesPerPage + 1;
    std::fill(std::begin(ed.m_pageSlides), std::end(ed.m_pageSlides), kSlidesPerPage);
    if (n % kSlidesPerPage != 0)
        ed.m_pageSlides[ed.m_pageCount - 1] = n % kSlidesPerPage;
}
