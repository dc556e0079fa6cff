#include "player/x11/PlayDriver.h"

#include "base/NumberRanges.h"
#include "slideshow/ShowPicture.h"

#include <time.h>

#include <algorithm>
#include <new>
#include <vector>

namespace x11show {

namespace {

enum : int {
    kNoSlideCanBeShown = 30343,
    kSlidesSkipped = 30344,
};

/// `frame` scaled to `width` x `height` by taking the nearest pixel: no colour is
/// mixed, so see-through pixels stay exactly the key.
show::Raster NearestScaled(const show::Raster& frame, int width, int height) {
    show::Raster out;
    if (frame.width <= 0 || frame.height <= 0 || width <= 0 || height <= 0)
        return out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * size_t(height));
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[size_t(x)] = int((long long)x * frame.width / width);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* from =
            frame.pixels.data() +
            size_t((long long)y * frame.height / height) * size_t(frame.width);
        std::uint32_t* to = out.pixels.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            to[x] = from[columns[size_t(x)]];
    }
    return out;
}

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

} // namespace

PlayDriver::PlayDriver(Shell& shell, const unsigned char* stream, layout::ParsedStream doc, Say say)
    : m_shell(shell), m_stream(stream), m_doc(std::move(doc)), m_say(std::move(say)),
      m_slides(m_doc.slides.size()) {}

std::uint32_t PlayDriver::KeyPixelOf(int index) const {
    const std::uint32_t stored = index >= 0 && index < int(m_doc.slides.size())
                                     ? m_doc.slides[size_t(index)].storedKey
                                     : layout::kStoredNoKey;
    return show::PixelFromStored(stored == layout::kStoredNoKey ? show::kNoKeyFillStored
                                                                : stored & 0x00FFFFFFu);
}

const show::Raster* PlayDriver::Picture(int index, int alsoKeep) {
    SlideState& state = m_slides[size_t(index)];
    if (state.failed)
        return nullptr;
    const layout::StreamSlide& s = m_doc.slides[size_t(index)];
    if (!state.infoRead) {
        state.infoRead = true;
        if (s.imageLength > 0)
            state.info = codec::ReadInfo(m_stream + s.imageOffset, s.imageLength);
    }
    const bool fit = m_doc.header.fitToWindow != 0;
    const auto held = m_pictures.find(index);
    if (held != m_pictures.end()) {
        const show::Raster& r = held->second;
        const show::Box want =
            show::ShowDecodeBox(state.info, m_target.width, m_target.height, fit);
        if (!r.coverage || (r.width == want.width && r.height == want.height))
            return &r;
    }
    for (auto i = m_pictures.begin(); i != m_pictures.end();)
        i = i->first == alsoKeep ? std::next(i) : m_pictures.erase(i);
    show::Raster picture;
    if (s.imageLength > 0) {
        const bool keyed = s.storedKey != layout::kStoredNoKey;
        try {
            picture = show::DecodeShowPicture(m_stream + s.imageOffset, s.imageLength, state.info,
                                              m_target.width, m_target.height, fit,
                                              KeyPixelOf(index), keyed);
        } catch (const std::bad_alloc&) {
            picture = show::Raster();
        }
    }
    if (picture.pixels.empty()) {
        state.failed = true;
        return nullptr;
    }
    return &(m_pictures[index] = std::move(picture));
}

show::Raster PlayDriver::ComposeFrame(int width, int height) {
    if (!SlideOnShow())
        return show::Raster();
    static const show::Raster kNone;
    const show::Raster* held = Picture(m_index, m_next);
    const codec::Info info = m_slides[size_t(m_index)].info;
    try {
        return show::ComposeShowRaster(
            held ? *held : kNone, info.width, info.height, KeyPixelOf(m_index),
            Slide().storedKey != layout::kStoredNoKey, width, height, m_doc.header.fitToWindow != 0,
            Slide().flipH != 0, Slide().flipV != 0);
    } catch (const std::bad_alloc&) {
        return show::Raster();
    }
}

void PlayDriver::ShowCurrentFrame() {
    const show::Raster frame = ComposeFrame(m_window.width, m_window.height);
    if (!frame.pixels.empty())
        m_shell.ShowFrame(frame, KeyPixelOf(m_index));
}

void PlayDriver::ZoomStep() {
    // The frame is made once, at the size the window grows to; the steps before the
    // last show it scaled down, which costs a fraction of making each anew.
    if (m_zoomFrame.pixels.empty())
        m_zoomFrame = ComposeFrame(m_target.width, m_target.height);
    m_window = show::ZoomStepBox(m_start.x, m_start.y, m_target, m_zoomStep);
    ++m_zoomStep;
    m_shell.Place(m_window);
    if (m_window.width == m_zoomFrame.width && m_window.height == m_zoomFrame.height)
        m_shell.ShowFrame(m_zoomFrame, KeyPixelOf(m_index));
    else
        m_shell.ShowFrame(NearestScaled(m_zoomFrame, m_window.width, m_window.height),
                          KeyPixelOf(m_index));
    if (m_zoomStep >= show::kZoomSteps)
        m_zoomFrame = show::Raster();
}

void PlayDriver::ReportSkipped(const std::vector<int>& skipped) {
    if (skipped.empty())
        return;
    std::vector<int> numbers;
    for (int index : skipped) {
        m_slides[size_t(index)].reported = true;
        numbers.push_back(index + 1);
    }
    std::sort(numbers.begin(), numbers.end());
    m_say(kSlidesSkipped, "スライド " + NumberRangesText(numbers) + "\n");
}

bool PlayDriver::SwitchToNext() {
    const int count = int(m_doc.slides.size());
    std::vector<int> skipped;
    int next = -1;
    bool atEnd = false;
    for (int step = 1; step <= count && next < 0; ++step) {
        int candidate = m_index + step;
        if (candidate >= count) {
            if (!m_doc.header.loop) {
                atEnd = true;
                break;
            }
            candidate -= count;
        }
        if (Picture(candidate, m_index))
            next = candidate;
        else if (!m_slides[size_t(candidate)].reported)
            skipped.push_back(candidate);
    }
    if (next < 0) {
        ReportSkipped(skipped);
        if (!atEnd) {
            m_exitCode = 1;
            m_say(kNoSlideCanBeShown, std::string());
        }
        return false;
    }
    m_index = next;
    m_next = -1;
    m_lookedAhead = false;
    m_elapsed = 0;
    // Hidden while the new frame is made, then shown: the new slide appears whole.
    m_shell.SetVisible(false);
    ShowCurrentFrame();
    m_shell.SetVisible(true);
    ReportSkipped(skipped);
    return true;
}

void PlayDriver::DecodeNext() {
    const int count = int(m_doc.slides.size());
    if (m_ended || !SlideOnShow() || count < 2 || m_lookedAhead)
        return;
    m_lookedAhead = true;
    for (int step = 1; step < count; ++step) {
        int candidate = m_index + step;
        if (candidate >= count) {
            if (!m_doc.header.loop)
                return;
            candidate -= count;
        }
        if (Picture(candidate, m_index)) {
            m_next = candidate;
            return;
        }
    }
}

std::vector<MenuItem> PlayDriver::Menu() const {
    const layout::StreamHeader& h = m_doc.header;
    const bool slide = SlideOnShow();
    const auto item = [](int id, const char* text, bool checked, bool enabled = true) {
        MenuItem m;
        m.id = id;
        m.text = text;
        m.checked = checked;
        m.enabled = enabled;
        return m;
    };
    MenuItem separator;
    separator.separator = true;
    MenuItem flips;
    flips.text = "反転(&R)";
    flips.items = {item(kCommandFlipHorizontal, "左右反転(&H)\t←,→", slide && Slide().flipH),
                   item(kCommandFlipVertical, "上下反転(&V)\t↑,↓", slide && Slide().flipV)};
    // Size-change mode comes with the show engine; until then it is greyed.
    return {flips,
            item(kCommandResizeMode, "サイズ変更(&S)\tWClick", false, false),
            item(kCommandFitToWindow, "サイズに合せて拡大(&E)", h.fitToWindow != 0),
            separator,
            item(kCommandTopMost, "最前面に表示(&M)", h.topMost != 0),
            separator,
            item(kCommandLoop, "連続に繰り返す(&L)", h.loop != 0),
            item(kCommandTimerSwitch, "タイマー切替え(&A)", h.timerSwitch != 0),
            item(kCommandClickSwitch, "クリック切替え(&C)", h.timerSwitch == 0),
            separator,
            item(kCommandEnd, "スライドショー終了(&X)\tESC", false)};
}

void PlayDriver::RunCommand(int command) {
    layout::StreamHeader& h = m_doc.header;
    switch (command) {
    case kCommandFlipHorizontal:
        if (SlideOnShow())
            Slide().flipH = Slide().flipH ? 0 : 1;
        break;
    case kCommandFlipVertical:
        if (SlideOnShow())
            Slide().flipV = Slide().flipV ? 0 : 1;
        break;
    case kCommandFitToWindow:
        h.fitToWindow = h.fitToWindow ? 0 : 1;
        break;
    case kCommandTopMost:
        h.topMost = h.topMost ? 0 : 1;
        m_shell.SetTopMost(h.topMost != 0);
        return;
    case kCommandLoop:
        h.loop = h.loop ? 0 : 1;
        return;
    case kCommandTimerSwitch:
    case kCommandClickSwitch:
        h.timerSwitch = h.timerSwitch ? 0 : 1;
        return;
    case kCommandEnd:
        End();
        return;
    default:
        return;
    }
    ShowCurrentFrame();
}

void PlayDriver::Handle(const Event& e) {
    switch (e.kind) {
    case Event::Kind::Press:
        if (e.button != 1)
            return;
        // In click switching a click brings the next slide; after the last one without
        // looping the show ends at once.
        if (!m_doc.header.timerSwitch && !SwitchToNext()) {
            End();
            return;
        }
        if (m_ended)
            return;
        m_dragging = true;
        m_dragPoint = e.at;
        m_shell.SetCursor(Cursor::Move);
        m_shell.CapturePointer(true);
        return;
    case Event::Kind::Motion:
        if (SlideOnShow())
            m_shell.SetTooltip(show::ShowTooltipUtf8(m_index + 1, Slide().switchTime));
        if (m_dragging && (e.at.x != m_dragPoint.x || e.at.y != m_dragPoint.y)) {
            int x = m_window.left + (e.at.x - m_dragPoint.x);
            int y = m_window.top + (e.at.y - m_dragPoint.y);
            show::ClampPointToArea(x, y, m_window.width, m_window.height, m_shell.WorkArea(e.at));
            m_window.left = x;
            m_window.top = y;
            m_shell.Place(m_window);
            m_dragPoint = e.at;
        }
        return;
    case Event::Kind::Release:
        if (e.button == 1 && m_dragging) {
            m_dragging = false;
            m_shell.SetCursor(Cursor::Arrow);
            m_shell.CapturePointer(false);
        } else if (e.button == 3 && !m_dragging) {
            if (const int chosen = m_shell.OpenMenu(Menu(), e.at))
                RunCommand(chosen);
        }
        return;
    case Event::Kind::KeyDown:
        switch (e.key) {
        case Key::Escape:
            End();
            break;
        case Key::Left:
        case Key::Right:
            RunCommand(kCommandFlipHorizontal);
            break;
        case Key::Up:
        case Key::Down:
            RunCommand(kCommandFlipVertical);
            break;
        case Key::Other:
            break;
        }
        return;
    case Event::Kind::Close:
        End();
        return;
    }
}

int PlayDriver::Run() {
    if (m_doc.slides.empty())
        return 1;
    // The window grows from the pointer to the stored rectangle brought onto the screen.
    m_start = m_shell.Pointer();
    const show::Box area = m_shell.WorkArea(m_start);
    const std::int32_t* r = m_doc.header.rect;
    m_target = show::BringBoxOntoScreen(r[0], r[1], r[2], r[3], area.left, area.top, area);

    // The first slide whose picture decodes; the ones passed over are named once.
    std::vector<int> skipped;
    for (int i = 0; i < int(m_doc.slides.size()) && m_index < 0; ++i) {
        if (Picture(i, -1))
            m_index = i;
        else
            skipped.push_back(i);
    }
    if (m_index < 0) {
        m_say(kNoSlideCanBeShown, std::string());
        return 1;
    }

    m_window = show::Box{m_start.x, m_start.y, show::kStartSize, show::kStartSize};
    m_shell.SetTopMost(m_doc.header.topMost != 0);
    long long nextZoom = NowMs();
    long long nextSecond = nextZoom + show::kSecondPeriodMs;
    bool reported = false;
    while (!m_ended) {
        const long long now = NowMs();
        if (m_zoomStep < show::kZoomSteps && now >= nextZoom) {
            ZoomStep();
            m_shell.SetVisible(true);
            nextZoom += show::kZoomPeriodMs;
            if (!reported) {
                reported = true;
                ReportSkipped(skipped);
            }
            continue;
        }
        if (now >= nextSecond) {
            // A message over the show held it: the count goes on from now, no tick is
            // made up for.
            nextSecond = std::max(nextSecond, now - show::kSecondPeriodMs) + show::kSecondPeriodMs;
            if (m_doc.header.timerSwitch && SlideOnShow() &&
                ++m_elapsed >= int(Slide().switchTime) && !SwitchToNext())
                End();
            continue;
        }
        // Between the ticks: the user's events, and the next slide decoded ahead when
        // nothing else is waiting.
        long long due = nextSecond;
        if (m_zoomStep < show::kZoomSteps)
            due = std::min(due, nextZoom);
        if (m_zoomStep >= show::kZoomSteps && !m_lookedAhead) {
            Event e;
            if (m_shell.WaitEvent(0, e)) {
                Handle(e);
                continue;
            }
            DecodeNext();
            continue;
        }
        Event e;
        if (m_shell.WaitEvent(int(std::max(0LL, due - NowMs())), e))
            Handle(e);
    }
    if (m_dragging)
        m_shell.CapturePointer(false);
    m_shell.SetVisible(false);
    return m_exitCode;
}

} // namespace x11show
