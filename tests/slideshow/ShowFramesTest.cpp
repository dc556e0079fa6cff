// The frame maker: frames made in its worker in the order the show needs them, a slide's
// picture decoded once for the size it is drawn at and rescaled while that size stands,
// pictures that do not show refused once.

#include "slideshow/ShowFrames.h"

#include <QBuffer>
#include <QImage>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace {

using namespace show;

/// Slides' pictures held as pixels or as PNG bytes; counts how often each is read, and
/// can hold the worker inside a read until the test lets it go.
class Pictures : public PictureSource {
public:
    void AddPixels(QImage image) {
        m_slides.push_back(Slide{image.convertToFormat(QImage::Format_ARGB32), {}});
    }
    void AddPng(const QImage& image) {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        image.save(&out, "PNG");
        m_slides.push_back(Slide{QImage(), bytes});
    }
    void AddBytes(const QByteArray& bytes) { m_slides.push_back(Slide{QImage(), bytes}); }

    PictureData Picture(int slide) const override {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_reads[slide];
        m_inside.insert(slide);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_held.count(slide); });
        m_inside.erase(slide);
        PictureData d;
        const Slide& s = m_slides[size_t(slide)];
        if (!s.image.isNull()) {
            d.pixels = reinterpret_cast<const std::uint32_t*>(s.image.constBits());
            d.width = s.image.width();
            d.height = s.image.height();
            d.stride = size_t(s.image.bytesPerLine()) / 4;
        } else {
            d.bytes = reinterpret_cast<const std::uint8_t*>(s.bytes.constData());
            d.size = size_t(s.bytes.size());
        }
        return d;
    }
    int Reads(int slide) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads.count(slide) ? m_reads.at(slide) : 0;
    }
    /// Reads of `slide` wait until Release.
    void Hold(int slide) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.insert(slide);
    }
    /// Waits until the worker is inside a read of `slide`.
    void WaitInside(int slide) const {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_inside.count(slide) > 0; });
    }
    void Release(int slide) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.erase(slide);
        m_changed.notify_all();
    }

private:
    struct Slide {
        QImage image;
        QByteArray bytes;
    };
    std::vector<Slide> m_slides;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable std::map<int, int> m_reads;
    mutable std::set<int> m_inside;
    std::set<int> m_held;
};

/// A picture of two halves: red on the left, the key (green) on the right.
QImage Halves(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    return img;
}

FrameRequest Request(int slide, int w, int h, int decodeW, int decodeH, bool ahead = false) {
    FrameRequest r;
    r.spec = FrameSpec{slide, w, h, false, false, false, decodeW, decodeH};
    r.key = 0x00FF00;
    r.keyed = true;
    r.ahead = ahead;
    return r;
}

using Results = std::vector<std::pair<int, bool>>; // slide and made, in order

Results Take(FrameMaker& maker) {
    Results out;
    for (const FrameMaker::Result& r : maker.TakeResults())
        out.emplace_back(r.spec.slide, r.made);
    return out;
}

TEST(ShowFrames, APictureIsDecodedOnceForTheSizeItIsDrawnAtAndRescaledMeanwhile) {
    struct Row {
        const char* name;
        bool png;
    };
    for (const Row& r : {Row{"pixels", false}, Row{"PNG bytes", true}}) {
        auto pictures = std::make_shared<Pictures>();
        r.png ? pictures->AddPng(Halves(800, 600)) : pictures->AddPixels(Halves(800, 600));
        std::atomic<int> notified{0};
        FrameMaker maker(pictures, [&] { ++notified; });
        // Decoded for a 400 x 300 window: reduced to 400 x 300 while it is decoded.
        const FrameRequest first = Request(0, 400, 300, 400, 300);
        maker.Ask(first);
        maker.WaitIdle();
        EXPECT_EQ(Take(maker), (Results{{0, true}})) << r.name;
        EXPECT_EQ(notified, 1) << r.name;
        const FramePtr frame = maker.Made(first.spec);
        ASSERT_TRUE(frame) << r.name;
        EXPECT_EQ(frame->image.width, 400);
        EXPECT_EQ(frame->placed.width, 400);
        // The red half is opaque, the key half see-through.
        ASSERT_FALSE(frame->opaque.empty());
        EXPECT_EQ(frame->opaque.front().left, 0) << r.name;
        EXPECT_EQ(frame->opaque.front().width, 200) << r.name;
        EXPECT_EQ(frame->image.pixels[150 * 400 + 100], 0xFFFF0000u) << r.name;
        EXPECT_EQ(frame->image.pixels[150 * 400 + 300], 0xFF00FF00u) << r.name;
        // Smaller frames for the same decode size (a window opening or being sized) are
        // rescaled from it; another decode size decodes again.
        maker.Ask(Request(0, 200, 150, 400, 300));
        maker.WaitIdle();
        EXPECT_EQ(pictures->Reads(0), 1) << r.name;
        maker.Ask(Request(0, 200, 150, 200, 150));
        maker.WaitIdle();
        EXPECT_EQ(pictures->Reads(0), 2) << r.name;
        // A frame made already is answered at once, without a decode.
        maker.Ask(first);
        EXPECT_EQ(Take(maker), (Results{{0, true}, {0, true}, {0, true}})) << r.name;
        EXPECT_EQ(pictures->Reads(0), 2) << r.name;
        EXPECT_FALSE(maker.Busy()) << r.name;
    }
}

TEST(ShowFrames, APictureNoLargerThanItsPlaceServesEverySize) {
    auto pictures = std::make_shared<Pictures>();
    pictures->AddPixels(Halves(100, 50));
    FrameMaker maker(pictures, {});
    for (int side : {400, 300, 80, 1000}) {
        maker.Ask(Request(0, side, side, side, side));
        maker.WaitIdle();
    }
    EXPECT_EQ(pictures->Reads(0), 1) << "decoded whole once, it serves every window";
}

TEST(ShowFrames, APictureThatDoesNotShowIsRefusedOnce) {
    auto pictures = std::make_shared<Pictures>();
    pictures->AddBytes(QByteArray("not a picture at all"));
    QImage cut = Halves(60, 40);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    cut.save(&out, "PNG");
    pictures->AddBytes(png.left(png.size() - 30)); // a PNG that breaks off
    FrameMaker maker(pictures, {});
    for (int slide : {0, 1}) {
        maker.Ask(Request(slide, 40, 40, 40, 40));
        maker.WaitIdle();
        maker.Ask(Request(slide, 30, 30, 30, 30));
        EXPECT_EQ(Take(maker), (Results{{slide, false}, {slide, false}})) << slide;
        EXPECT_EQ(pictures->Reads(slide), 1) << slide;
    }
    // No slide: a frame all see-through.
    maker.Ask(Request(-1, 20, 10, 20, 10));
    maker.WaitIdle();
    const FramePtr none = maker.Made(Request(-1, 20, 10, 20, 10).spec);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->opaque.empty());
    EXPECT_EQ(none->image.pixels.size(), 200u);
}

TEST(ShowFrames, TheFrameOnShowComesFirstAndALaterAskReplacesOneNotBegun) {
    auto pictures = std::make_shared<Pictures>();
    for (int i = 0; i < 4; ++i)
        pictures->AddPixels(Halves(40, 20));
    FrameMaker maker(pictures, {});
    pictures->Hold(0);
    maker.Ask(Request(0, 40, 40, 40, 40));
    pictures->WaitInside(0); // the worker is making slide 0's frame
    maker.Ask(Request(3, 40, 40, 40, 40, /*ahead*/ true));
    maker.Ask(Request(1, 40, 40, 40, 40));
    maker.Ask(Request(2, 40, 40, 40, 40)); // replaces slide 1's, not yet begun
    EXPECT_TRUE(maker.Busy());
    pictures->Release(0);
    maker.WaitIdle();
    EXPECT_EQ(Take(maker), (Results{{0, true}, {2, true}, {3, true}}));
    EXPECT_EQ(pictures->Reads(1), 0);
}

} // namespace

TEST(ShowFrames, APausedFrameCarriesAVisibleSignWhateverTheKey) {
    // A window-filling picture of one colour, keyed with the colours a sign might take.
    const std::uint32_t keys[] = {0xFFFFFFFFu, 0xFF303030u, 0xFFF0F0F0u, 0xFF00FF00u};
    for (std::uint32_t key : keys) {
        Raster picture;
        picture.width = 200;
        picture.height = 150;
        picture.pixels.assign(size_t(200 * 150), 0xFF2060A0u);
        FrameRequest r;
        r.spec.slide = 0;
        r.spec.width = r.spec.decodeWidth = 200;
        r.spec.height = r.spec.decodeHeight = 150;
        r.key = key & 0x00FFFFFFu;
        r.keyed = true;
        const Frame plain = ComposeFrame(r, &picture, 200, 150);
        r.spec.paused = true;
        const Frame paused = ComposeFrame(r, &picture, 200, 150);
        const Box sign = PauseSignBox(200, 150);
        ASSERT_GT(sign.width, 0);
        // Clear of the sizing border and inside the window.
        EXPECT_GE(sign.left, kBorderWidth);
        EXPECT_GE(sign.top, kBorderWidth);
        EXPECT_LE(sign.left + sign.width, 200 - kBorderWidth);
        EXPECT_LE(sign.top + sign.height, 150 - kBorderWidth);
        std::set<std::uint32_t> colours;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x) {
                const std::uint32_t p = paused.image.pixels[size_t(y * 200 + x)];
                const bool inSign = x >= sign.left && x < sign.left + sign.width &&
                                    y >= sign.top && y < sign.top + sign.height;
                if (!inSign) {
                    ASSERT_EQ(p, plain.image.pixels[size_t(y * 200 + x)]) << x << "," << y;
                    continue;
                }
                ASSERT_NE(p & 0x00FFFFFFu, key & 0x00FFFFFFu) << "sign pixel see-through";
                colours.insert(p);
            }
        // A light rim and bars on a dark plate: two colours, the bars two runs across
        // the sign's middle row.
        EXPECT_EQ(colours.size(), 2u) << std::hex << key;
        const std::uint32_t* middle =
            paused.image.pixels.data() + size_t(sign.top + sign.height / 2) * 200;
        const std::uint32_t plate = middle[sign.left + 1];
        int runs = 0;
        for (int x = sign.left + 1; x < sign.left + sign.width - 1; ++x)
            if (middle[x] != plate && middle[x - 1] == plate)
                ++runs;
        EXPECT_EQ(runs, 2) << std::hex << key;
        // The sign is part of what is visible and clickable even over a see-through slide.
        picture.pixels.assign(picture.pixels.size(), key);
        const Frame clear = ComposeFrame(r, &picture, 200, 150);
        int visible = 0;
        for (const Box& b : clear.opaque)
            visible += b.width * b.height;
        EXPECT_EQ(visible, sign.width * sign.height) << std::hex << key;
    }
    // A window too small for it shows no sign.
    EXPECT_EQ(PauseSignBox(40, 200).width, 0);
}
