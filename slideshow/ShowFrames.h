#pragma once
// The show's frames made in a worker thread, free of any toolkit: while a slide shows,
// the next one is decoded at the size it will be drawn (ShowPicture, through codec/) and
// composed (ShowRaster), so a switch only hands over a ready frame. Every shell makes its
// frames here; the engine (ShowEngine.h) says which, and nothing here ever makes the
// caller wait, but WaitIdle.

#include "codec/Codec.h"
#include "slideshow/ShowEngine.h"
#include "slideshow/ShowRaster.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace show {

/// A slide's picture as the shell holds it: the bytes of its picture file, or, for a
/// picture the decoders of codec/ do not read (or one made from pixels), its pixels.
/// Either stays valid while `keep` lives.
struct PictureData {
    const std::uint8_t* bytes = nullptr; ///< the picture file
    std::size_t size = 0;
    const std::uint32_t* pixels = nullptr; ///< or 0xAARRGGBB, straight alpha, rows top first
    int width = 0;
    int height = 0;
    std::size_t stride = 0; ///< pixels from one row to the next
    std::shared_ptr<const void> keep;
};

/// Where the frame maker gets the slides' pictures.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    /// Slide `slide`'s picture. Called on the frame maker's thread, at most once for each
    /// decode; empty (no bytes, no pixels) when the slide has nothing to show.
    virtual PictureData Picture(int slide) const = 0;
};

/// A frame: the window's pixels and the parts of them that are not see-through.
struct Frame {
    FrameSpec spec;
    Raster image;            ///< spec's width x height, opaque pixels 0xFFRRGGBB
    std::vector<Box> opaque; ///< the pixels that are not `key`, as banded rectangles
    Box placed;              ///< where the picture was drawn; empty when nothing was
    std::uint32_t key = 0;   ///< the see-through colour, 0xFFRRGGBB
};
using FramePtr = std::shared_ptr<const Frame>;

/// Makes the frames one worker thread at a time, the frame on show first.
///
/// A slide's picture is decoded for the window size a request names (decodeWidth x
/// decodeHeight) and kept while its slide is on show or next: a later frame of the slide
/// is composed from it, rescaled, as long as the request names the same size (the
/// opening window, a window being sized), and decoded again when it names another. A
/// picture decoded whole (no larger than its place) serves every size.
class FrameMaker {
public:
    /// `notify` is called on the worker thread when results wait to be taken (once until
    /// they are taken): the shell wakes its own thread, which calls TakeResults.
    FrameMaker(std::shared_ptr<const PictureSource> source, std::function<void()> notify);
    /// Finishes the frame in hand, then stops the worker.
    ~FrameMaker();
    FrameMaker(const FrameMaker&) = delete;
    FrameMaker& operator=(const FrameMaker&) = delete;

    /// Asks for a frame (out::PrepareFrame). It replaces an ask of the same kind (on show
    /// or ahead) not yet begun; a frame made already, or one of a slide whose picture
    /// does not show, is answered at once.
    void Ask(const FrameRequest& request);

    struct Result {
        FrameSpec spec;
        bool made = false; ///< false: the slide's picture does not show
    };
    /// The results since the last call, in the order they came: feed them to the engine
    /// as FrameReady or FrameFailed.
    std::vector<Result> TakeResults();
    /// The frame made for `spec`, if it is still kept (the last few made are).
    FramePtr Made(const FrameSpec& spec) const;
    /// True while a frame is being made or waits to be.
    bool Busy() const;
    /// Waits until no frame is being made or waits to be (tests, measurements).
    void WaitIdle() const;

private:
    struct Held;
    void Work();
    FramePtr MakeFrame(const FrameRequest& r, bool& failed);
    const Held* PictureFor(const FrameRequest& r, bool& failed);
    void Answer(const FrameSpec& spec, bool made, std::unique_lock<std::mutex>& lock);

    const std::shared_ptr<const PictureSource> m_source;
    const std::function<void()> m_notify;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::optional<FrameRequest> m_onShow; ///< waiting to be made
    std::optional<FrameRequest> m_ahead;  ///< waiting to be made
    bool m_busy = false;
    bool m_stop = false;
    std::deque<FramePtr> m_made; ///< the last frames made, newest last
    std::vector<Result> m_results;
    std::vector<int> m_failed; ///< slides whose pictures do not show
    /// The frames of the last asks are kept until other asks replace them.
    std::optional<FrameSpec> m_lastOnShow;
    std::optional<FrameSpec> m_lastAhead;

    // The worker's own.
    std::map<int, std::shared_ptr<Held>> m_held; ///< decoded pictures by slide
    std::thread m_thread;
};

/// The pixels of `image` (opaque 0xFFRRGGBB) that are not `key`, as rectangles in bands:
/// the rows with the same runs share one band of rectangles, bands top to bottom.
std::vector<Box> OpaqueBands(const Raster& image, std::uint32_t key);
/// The same for `width` x `height` pixels, `stride` pixels from one row to the next.
std::vector<Box> OpaqueBands(const std::uint32_t* pixels, int width, int height, std::size_t stride,
                             std::uint32_t key);

/// The frame of `request` composed from `picture`, the slide's picture decoded at a size
/// of its own (or whole), whose file declares `pictureWidth` x `pictureHeight`; a null
/// picture makes a frame with nothing drawn. Toolkit-free and without threads: the
/// frame maker's composing step.
Frame ComposeFrame(const FrameRequest& request, const Raster* picture, int pictureWidth,
                   int pictureHeight);

} // namespace show
