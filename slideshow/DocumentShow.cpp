#include "slideshow/DocumentShow.h"

#include "codec/Codec.h"
#include "document/DocumentHeader.h"
#include "document/Picture.h"

#include <memory>

show::ShowDocument ShowDocumentOf(const Document& doc) {
    show::ShowDocument d;
    const DocumentHeader& h = doc.header;
    const std::array<qint32, 4> corners = StoredCornersOf(h.slideshowRect);
    std::copy(corners.begin(), corners.end(), d.rect);
    d.loop = h.loop;
    d.timerSwitch = h.timerSwitch;
    d.topMost = h.topMost;
    d.fitToWindow = h.fitToWindow;
    for (int i = 0; i < doc.slideCount; ++i) {
        const SlideRecord& s = doc.slides[size_t(i)];
        show::ShowSlide slide;
        slide.switchTime = s.switchTime;
        slide.flipH = s.flipH;
        slide.flipV = s.flipV;
        slide.keyed = s.keyColor.has_value();
        slide.key = s.keyColor ? (*s.keyColor & 0x00FFFFFFu) : 0;
        slide.showable = s.picture && !s.picture->failedToDecode();
        d.slides.push_back(slide);
    }
    return d;
}

void StoreInDocument(Document& doc, const show::out::StoreHeader& s) {
    DocumentHeader& h = doc.header;
    h.slideshowRect = RectFromStoredCorners(s.rect[0], s.rect[1], s.rect[2], s.rect[3]);
    h.loop = s.loop;
    h.timerSwitch = s.timerSwitch;
    h.topMost = s.topMost;
    h.fitToWindow = s.fitToWindow;
}

void StoreInDocument(Document& doc, const show::out::StoreSlide& s) {
    if (s.slide < 0 || s.slide >= doc.slideCount)
        return;
    doc.slides[size_t(s.slide)].flipH = s.flipH;
    doc.slides[size_t(s.slide)].flipV = s.flipV;
}

DocumentPictures::DocumentPictures(const Document& doc) {
    for (int i = 0; i < doc.slideCount; ++i)
        m_pictures.push_back(doc.slides[size_t(i)].picture);
}

show::PictureData DocumentPictures::Picture(int slide) const {
    show::PictureData data;
    if (slide < 0 || size_t(slide) >= m_pictures.size() || !m_pictures[size_t(slide)])
        return data;
    const PicturePtr& picture = m_pictures[size_t(slide)];
    if (!picture->hasPixelsAtHand()) {
        struct Held {
            PicturePtr picture; // keeps the store the bytes are mapped from
            QByteArray bytes;
        };
        auto held = std::make_shared<Held>(Held{picture, picture->viewBytes()});
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(held->bytes.constData());
        const size_t size = size_t(held->bytes.size());
        if (codec::Decodes(codec::FormatOf(bytes, size))) {
            data.bytes = bytes;
            data.size = size;
            data.keep = std::move(held);
            return data;
        }
        // Other formats are decoded whole by Qt's readers, which only pictures of a
        // size that may be decoded whole are.
        if (IsDrawnReduced(picture->size()))
            return data;
    }
    // 0xAARRGGBB as it is: RGB32 pixels are opaque ARGB32 ones.
    QImage whole = picture->image();
    if (whole.format() != QImage::Format_RGB32 && whole.format() != QImage::Format_ARGB32)
        whole = whole.convertToFormat(QImage::Format_ARGB32);
    auto image = std::make_shared<const QImage>(std::move(whole));
    if (image->isNull())
        return data;
    data.pixels = reinterpret_cast<const std::uint32_t*>(image->constBits());
    data.width = image->width();
    data.height = image->height();
    data.stride = size_t(image->bytesPerLine()) / sizeof(std::uint32_t);
    data.keep = std::move(image);
    return data;
}
