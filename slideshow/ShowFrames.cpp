#include "slideshow/ShowFrames.h"

#include "slideshow/ShowPicture.h"

#include <algorithm>
#include <new>
#include <utility>

namespace show {

namespace {

/// Frames kept besides those of the last asks: enough for the results not yet taken.
constexpr size_t kFramesKept = 3;

} // namespace

/// A slide's picture as decoded for the show, and what it was decoded for.
struct FrameMaker::Held {
    Raster picture;
    codec::Info info; ///< the size its file declares: where the frame places it
    Box box;          ///< the size it was decoded at (ShowDecodeBox)
};

FrameMaker::FrameMaker(std::shared_ptr<const PictureSource> source, std::function<void()> notify)
    : m_source(std::move(source)), m_notify(std::move(notify)) {
    m_thread = std::thread([this] { Work(); });
}

FrameMaker::~FrameMaker() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void FrameMaker::Answer(const FrameSpec& spec, bool made, std::unique_lock<std::mutex>& lock) {
    const bool first = m_results.empty();
    m_results.push_back(Result{spec, made});
    if (first && m_notify) {
        // Outside the lock: the shell may take the results at once.
        lock.unlock();
        m_notify();
        lock.lock();
    }
}

void FrameMaker::Ask(const FrameRequest& request) {
    std::unique_lock<std::mutex> lock(m_mutex);
    (request.ahead ? m_lastAhead : m_lastOnShow) = request.spec;
    std::optional<FrameRequest>& waiting = request.ahead ? m_ahead : m_onShow;
    const int slide = request.spec.slide;
    if (std::find(m_failed.begin(), m_failed.end(), slide) != m_failed.end()) {
        waiting.reset();
        Answer(request.spec, false, lock);
        return;
    }
    for (const FramePtr& f : m_made) {
        if (f->spec == request.spec) {
            waiting.reset();
            Answer(request.spec, true, lock);
            return;
        }
    }
    waiting = request;
    m_changed.notify_all();
}

std::vector<FrameMaker::Result> FrameMaker::TakeResults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_results, {});
}

FramePtr FrameMaker::Made(const FrameSpec& spec) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto i = m_made.rbegin(); i != m_made.rend(); ++i)
        if ((*i)->spec == spec)
            return *i;
    return nullptr;
}

bool FrameMaker::Busy() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy || m_onShow || m_ahead;
}

void FrameMaker::WaitIdle() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy && !m_onShow && !m_ahead; });
}

void FrameMaker::Work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || m_onShow || m_ahead; });
        if (m_stop)
            return;
        // The frame on show first.
        std::optional<FrameRequest>& next = m_onShow ? m_onShow : m_ahead;
        const FrameRequest request = *next;
        next.reset();
        m_busy = true;
        // Only the pictures of the slide on show and the next one stay decoded.
        const int keepOnShow = m_lastOnShow ? m_lastOnShow->slide : -1;
        const int keepAhead = m_lastAhead ? m_lastAhead->slide : -1;
        lock.unlock();

        for (auto i = m_held.begin(); i != m_held.end();) {
            if (i->first == keepOnShow || i->first == keepAhead || i->first == request.spec.slide)
                ++i;
            else
                i = m_held.erase(i);
        }
        bool failed = false;
        FramePtr frame;
        try {
            frame = MakeFrame(request, failed);
        } catch (const std::bad_alloc&) {
            frame = nullptr; // perhaps another time, with more memory free
        }

        lock.lock();
        if (frame) {
            m_made.push_back(frame);
            // The oldest go first, but never the frames of the last asks.
            size_t others = 0;
            for (const FramePtr& f : m_made)
                if (!(m_lastOnShow && f->spec == *m_lastOnShow) &&
                    !(m_lastAhead && f->spec == *m_lastAhead))
                    ++others;
            for (auto i = m_made.begin(); others > kFramesKept && i != m_made.end();) {
                if ((m_lastOnShow && (*i)->spec == *m_lastOnShow) ||
                    (m_lastAhead && (*i)->spec == *m_lastAhead)) {
                    ++i;
                } else {
                    i = m_made.erase(i);
                    --others;
                }
            }
        } else if (failed) {
            m_failed.push_back(request.spec.slide);
        }
        m_busy = false;
        Answer(request.spec, frame != nullptr, lock);
        m_changed.notify_all();
    }
}

const FrameMaker::Held* FrameMaker::PictureFor(const FrameRequest& r, bool& failed) {
    const FrameSpec& spec = r.spec;
    const auto held = m_held.find(spec.slide);
    if (held != m_held.end()) {
        // A whole picture serves any size; a reduced one the size it was decoded for.
        const Held& h = *held->second;
        const Box want = ShowDecodeBox(h.info, spec.decodeWidth, spec.decodeHeight, spec.fit);
        if (!h.picture.coverage || (want.width == h.box.width && want.height == h.box.height))
            return &h;
        m_held.erase(held); // gone before the new one is made
    }
    const PictureData data = m_source->Picture(spec.slide);
    auto h = std::make_shared<Held>();
    const std::uint32_t key = r.key & 0x00FFFFFFu;
    if (data.bytes && data.size > 0) {
        h->info = codec::ReadInfo(data.bytes, data.size);
        h->picture = DecodeShowPicture(data.bytes, data.size, h->info, spec.decodeWidth,
                                       spec.decodeHeight, spec.fit, key, r.keyed);
    } else if (data.pixels) {
        h->info = codec::Info{codec::Format::Unknown, data.width, data.height};
        h->picture = ReduceShowPicture(data.pixels, data.width, data.height, data.stride,
                                       spec.decodeWidth, spec.decodeHeight, spec.fit, key);
    }
    if (h->picture.pixels.empty()) {
        failed = true;
        return nullptr;
    }
    h->box = Box{0, 0, h->picture.width, h->picture.height};
    return (m_held[spec.slide] = std::move(h)).get();
}

FramePtr FrameMaker::MakeFrame(const FrameRequest& r, bool& failed) {
    if (r.spec.slide < 0)
        return std::make_shared<const Frame>(ComposeFrame(r, nullptr, 0, 0));
    const Held* held = PictureFor(r, failed);
    if (!held)
        return nullptr;
    return std::make_shared<const Frame>(
        ComposeFrame(r, &held->picture, held->info.width, held->info.height));
}

Frame ComposeFrame(const FrameRequest& r, const Raster* picture, int pictureWidth,
                   int pictureHeight) {
    static const Raster kNone;
    Frame f;
    f.spec = r.spec;
    f.key = 0xFF000000u | (r.key & 0x00FFFFFFu);
    // The see-through colour is left out of every picture, keyed or not: a slide without
    // a key of its own shows the fill colour's pixels see-through too, and scaling never
    // blends it into the picture's edges.
    f.image = ComposeShowRaster(picture ? *picture : kNone, pictureWidth, pictureHeight, f.key,
                                true, r.spec.width, r.spec.height, r.spec.fit, r.spec.flipH,
                                r.spec.flipV, &f.placed);
    if (!picture || picture->pixels.empty())
        f.placed = Box{};
    if (r.spec.paused && r.spec.slide >= 0)
        DrawPauseSign(f.image, f.key);
    f.opaque = OpaqueBands(f.image, f.key);
    return f;
}

std::vector<Box> OpaqueBands(const Raster& image, std::uint32_t key) {
    if (image.pixels.size() < size_t(std::max(image.width, 0)) * size_t(std::max(image.height, 0)))
        return {};
    return OpaqueBands(image.pixels.data(), image.width, image.height, size_t(image.width), key);
}

std::vector<Box> OpaqueBands(const std::uint32_t* pixels, int w, int height, std::size_t stride,
                             std::uint32_t key) {
    std::vector<Box> boxes;
    const std::uint32_t key24 = key & 0x00FFFFFFu;
    if (!pixels || w <= 0 || height <= 0 || stride < size_t(w))
        return boxes;
    std::vector<int> band, row; // runs as x0, x1 pairs (x1 exclusive)
    int bandTop = 0;
    const auto flush = [&](int bottom) {
        for (size_t i = 0; i < band.size(); i += 2)
            boxes.push_back(Box{band[i], bandTop, band[i + 1] - band[i], bottom - bandTop});
    };
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* s = pixels + size_t(y) * stride;
        row.clear();
        int x = 0;
        while (x < w) {
            while (x < w && (s[x] & 0x00FFFFFFu) == key24)
                ++x;
            if (x == w)
                break;
            const int x0 = x;
            while (x < w && (s[x] & 0x00FFFFFFu) != key24)
                ++x;
            row.push_back(x0);
            row.push_back(x);
        }
        if (row != band) {
            flush(y);
            band.swap(row);
            bandTop = y;
        }
    }
    flush(height);
    return boxes;
}

} // namespace show
