// A slideshow's document stream as the players read it (slideshow/StreamShow): the
// engine's document, the frame maker's pictures, and what a refused stream says.

#include "slideshow/StreamShow.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

layout::StreamSlide Slide(std::uint32_t storedKey, std::uint16_t seconds, std::size_t offset,
                          std::size_t length, std::uint8_t flipH = 0, std::uint8_t flipV = 0) {
    layout::StreamSlide s;
    s.storedKey = storedKey;
    s.switchTime = seconds;
    s.imageOffset = offset;
    s.imageLength = length;
    s.flipH = flipH;
    s.flipV = flipV;
    return s;
}

} // namespace

TEST(StreamShow, TheEnginesDocumentIsTheStreamsShowFields) {
    layout::ParsedStream p;
    const std::int32_t rect[4] = {-20, 10, 620, 490};
    std::memcpy(p.header.rect, rect, sizeof rect);
    p.header.loop = 1;
    p.header.timerSwitch = 0;
    p.header.topMost = 7; // any value but 0 is on, and is kept as stored
    p.header.fitToWindow = 1;
    // Stored colours are 0x00BBGGRR: 0x00332211 is red 0x11, green 0x22, blue 0x33.
    p.slides = {Slide(0x00332211u, 5, 100, 40, 1, 0), Slide(layout::kStoredNoKey, 64800, 140, 0),
                Slide(0x000000FFu, 1, 140, 9, 0, 3)};
    const show::ShowDocument d = show::ShowDocumentOfStream(p);
    EXPECT_EQ(std::vector<std::int32_t>(d.rect, d.rect + 4),
              std::vector<std::int32_t>(rect, rect + 4));
    EXPECT_EQ(d.loop, 1);
    EXPECT_EQ(d.timerSwitch, 0);
    EXPECT_EQ(d.topMost, 7);
    EXPECT_EQ(d.fitToWindow, 1);
    ASSERT_EQ(d.slides.size(), 3u);
    struct Row {
        const char* name;
        bool keyed;
        std::uint32_t key; // 0x00RRGGBB
        int seconds, flipH, flipV;
        bool showable;
    };
    const Row rows[] = {
        {"keyed", true, 0x112233u, 5, 1, 0, true},
        {"no key, no picture bytes: passed over", false, 0, 64800, 0, 0, false},
        {"pure red key", true, 0xFF0000u, 1, 0, 3, true},
    };
    for (size_t i = 0; i < 3; ++i) {
        const Row& r = rows[i];
        const show::ShowSlide& s = d.slides[i];
        EXPECT_EQ(s.keyed, r.keyed) << r.name;
        if (r.keyed) {
            EXPECT_EQ(s.key, r.key) << r.name;
        }
        EXPECT_EQ(int(s.switchTime), r.seconds) << r.name;
        EXPECT_EQ(int(s.flipH), r.flipH) << r.name;
        EXPECT_EQ(int(s.flipV), r.flipV) << r.name;
        EXPECT_EQ(s.showable, r.showable) << r.name;
    }
    // The fill of a slide without a key is the show's: RGB(255, 247, 255).
    EXPECT_EQ(show::SeeThroughColor(d.slides[1]), 0xFFF7FFu);
}

TEST(StreamShow, PicturesAreTheirSpansOfTheStream) {
    const unsigned char stream[200] = {};
    auto keep = std::make_shared<int>(1);
    const show::StreamPictures pictures(
        stream, {Slide(layout::kStoredNoKey, 1, 120, 50), Slide(layout::kStoredNoKey, 1, 170, 0)},
        keep);
    const show::PictureData first = pictures.Picture(0);
    EXPECT_EQ(first.bytes, stream + 120);
    EXPECT_EQ(first.size, 50u);
    EXPECT_EQ(first.keep, keep) << "the mapping is held while a frame is made";
    for (int slide : {1, -1, 2}) {
        const show::PictureData none = pictures.Picture(slide);
        EXPECT_EQ(none.bytes, nullptr) << slide;
        EXPECT_EQ(none.pixels, nullptr) << slide;
    }
}

TEST(StreamShow, ARefusedStreamSaysWhy) {
    struct Row {
        const char* name;
        layout::StreamError error;
        std::uint32_t declared;
        size_t slides;
        int id; // 0: it plays
        std::string prefix;
    };
    const Row rows[] = {
        {"plays", layout::StreamError::None, 1, 1, 0, ""},
        {"not a document", layout::StreamError::WrongFormat, 0, 0, 30019, ""},
        {"another version", layout::StreamError::WrongVersion, 0, 0, 30020, ""},
        {"too many slides", layout::StreamError::TooManySlides, 250, 0, 30043, "250 > 100\n"},
        {"no slides", layout::StreamError::None, 0, 0, 30342, ""},
    };
    for (const Row& r : rows) {
        layout::ParsedStream p;
        p.error = r.error;
        p.declaredCount = r.declared;
        p.slides.resize(r.slides);
        const std::optional<show::Refusal> why = show::RefusalOf(p);
        if (r.id == 0) {
            EXPECT_FALSE(why) << r.name;
            continue;
        }
        ASSERT_TRUE(why) << r.name;
        EXPECT_EQ(why->id, r.id) << r.name;
        EXPECT_EQ(why->prefix, r.prefix) << r.name;
    }
}
