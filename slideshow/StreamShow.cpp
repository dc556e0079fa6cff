#include "slideshow/StreamShow.h"

#include "slideshow/ShowRaster.h"

#include <string>
#include <utility>

namespace show {

std::optional<Refusal> RefusalOf(const layout::ParsedStream& parsed) {
    switch (parsed.error) {
    case layout::StreamError::None:
        break;
    case layout::StreamError::WrongFormat:
        return Refusal{kMsgWrongFileFormat, {}};
    case layout::StreamError::WrongVersion:
        return Refusal{kMsgWrongVersion, {}};
    case layout::StreamError::TooManySlides:
        return Refusal{kMsgTooManySlides, std::to_string(parsed.declaredCount) + " > " +
                                              std::to_string(layout::kMaxSlides) + "\n"};
    }
    if (parsed.slides.empty())
        return Refusal{kMsgNoSlidesToPlay, {}};
    return std::nullopt;
}

ShowDocument ShowDocumentOfStream(const layout::ParsedStream& parsed) {
    ShowDocument d;
    const layout::StreamHeader& h = parsed.header;
    for (int i = 0; i < 4; ++i)
        d.rect[i] = h.rect[i];
    d.loop = h.loop;
    d.timerSwitch = h.timerSwitch;
    d.topMost = h.topMost;
    d.fitToWindow = h.fitToWindow;
    for (const layout::StreamSlide& s : parsed.slides) {
        ShowSlide slide;
        slide.switchTime = s.switchTime;
        slide.flipH = s.flipH;
        slide.flipV = s.flipV;
        slide.keyed = s.storedKey != layout::kStoredNoKey;
        // Stored 0x00BBGGRR; the engine counts in 0x00RRGGBB.
        slide.key = slide.keyed ? PixelFromStored(s.storedKey & 0x00FFFFFFu) & 0x00FFFFFFu : 0;
        slide.showable = s.imageLength > 0;
        d.slides.push_back(slide);
    }
    return d;
}

StreamPictures::StreamPictures(const unsigned char* stream, std::vector<layout::StreamSlide> slides,
                               std::shared_ptr<const void> keep)
    : m_stream(stream), m_slides(std::move(slides)), m_keep(std::move(keep)) {}

PictureData StreamPictures::Picture(int slide) const {
    PictureData data;
    if (slide < 0 || size_t(slide) >= m_slides.size())
        return data;
    const layout::StreamSlide& s = m_slides[size_t(slide)];
    if (s.imageLength == 0)
        return data;
    data.bytes = m_stream + s.imageOffset;
    data.size = s.imageLength;
    data.keep = m_keep;
    return data;
}

} // namespace show
