// Switching the slideshow to a 1920 x 1080 keyed slide: composing the frame (placing the
// slide, filling the window with the key colour, drawing, finding the visible pixels),
// which the frame maker does while the slide before shows, and the switch in the window.
// The show has a frame budget of 16 ms per switch.
//
//   ./build/bench_SlideshowSwitch

#include "base/Screen.h"
#include "bench/support/BenchMain.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "slideshow/ShowFrame.h"
#include "slideshow/ui/SlideshowWindow.h"

#include <QBitmap>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

constexpr KeyColor kKey = qRgb(0, 255, 0);

// A keyed slide like a cut-out photo: a shaded ellipse with holes and text on the key.
QImage KeyedSlide(int seed) {
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QRadialGradient g(QPointF(900, 500), 900);
    g.setColorAt(0, QColor(250, 220, 120));
    g.setColorAt(1, QColor(120, 40, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRect(80, 40, 1760, 1000));
    QRandomGenerator rng{quint32(seed)};
    p.setBrush(QColor(0, 255, 0));
    for (int i = 0; i < 150; ++i) {
        const int r = 5 + int(rng.bounded(40));
        p.drawEllipse(QPoint(300 + int(rng.bounded(1320)), 150 + int(rng.bounded(780))), r, r);
    }
    p.setPen(Qt::white);
    p.setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 60));
    p.drawText(QRect(200, 400, 1520, 300), Qt::AlignCenter, QStringLiteral("透過スライドショー"));
    return img;
}

const QImage& Slide() {
    static const QImage img = KeyedSlide(1);
    return img;
}

// The frame as the frame maker composes it in its worker from the slide decoded whole:
// mirrored, placed, filled, drawn, and its visible pixels found, for a window of the
// given size.
void BM_ComposeFrame(benchmark::State& state) {
    const QImage& image = Slide();
    show::Raster picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&picture.pixels[size_t(y) * size_t(picture.width)], image.constScanLine(y),
                    size_t(picture.width) * 4);
    show::FrameRequest request;
    const int w = int(state.range(0)), h = int(state.range(1));
    request.spec = show::FrameSpec{0, w, h, false, state.range(2) != 0, false, w, h};
    request.key = 0x00FF00;
    request.keyed = true;
    for (auto _ : state) {
        show::Frame f = show::ComposeFrame(request, &picture, picture.width, picture.height);
        benchmark::DoNotOptimize(f.opaque);
    }
}
BENCHMARK(BM_ComposeFrame)
    ->ArgNames({"w", "h", "flip"})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({1280, 720, 1})
    ->Args({400, 300, 0})
    ->Args({400, 300, 1})
    ->Unit(benchmark::kMillisecond);

// The whole switch in the window: the next slide's frame was made while the slide before
// it showed (waited for outside the timing); the switch hides the window, takes the frame
// and its mask, shows the window and repaints it.
void BM_SwitchWindow(benchmark::State& state) {
    Document& doc = CurrentDocument();
    doc.slideCount = 2;
    for (int i = 0; i < 2; ++i) {
        doc.slides[size_t(i)] = SlideRecord{};
        doc.slides[size_t(i)].picture = Picture::fromImage(KeyedSlide(i + 1));
        doc.slides[size_t(i)].keyColor = kKey;
        doc.slides[size_t(i)].switchTime = 1;
    }
    doc.header.slideshowRect = QRect(0, 0, int(state.range(0)), int(state.range(1)));
    doc.header.loop = 1;
    doc.header.timerSwitch = 1;
    SlideshowWindow slideshow;
    slideshow.Initialize();
    for (int i = 0; i < 20; ++i)
        slideshow.OnZoomTimer();
    for (auto _ : state) {
        state.PauseTiming();
        slideshow.WaitForFrames();
        state.ResumeTiming();
        slideshow.SwitchToNext();
    }
    slideshow.EndShow();
}
BENCHMARK(BM_SwitchWindow)->Args({1920, 1080})->Args({400, 300})->Unit(benchmark::kMillisecond);

// The window mask alone, three ways: our banded region, Qt's region of a 1-bit bitmap
// (which needs the bitmap made first), and uniting the runs one rectangle at a time.
QImage Frame() {
    return ComposeShowFrame(Slide(), kKey, QSize(1920, 1080), false).image;
}

void BM_MaskBanded(benchmark::State& state) {
    const QImage frame = Frame();
    for (auto _ : state)
        benchmark::DoNotOptimize(OpaqueRegion(frame, qRgb(0, 255, 0)));
}
BENCHMARK(BM_MaskBanded)->Unit(benchmark::kMillisecond);

void BM_MaskFromBitmap(benchmark::State& state) {
    const QImage frame = Frame();
    for (auto _ : state) {
        QImage mono(frame.size(), QImage::Format_Mono);
        mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        mono.fill(0);
        for (int y = 0; y < frame.height(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            uchar* d = mono.scanLine(y);
            for (int x = 0; x < frame.width(); ++x)
                if ((s[x] & 0xFFFFFF) != 0x00FF00)
                    d[x >> 3] |= uchar(0x80 >> (x & 7));
        }
        benchmark::DoNotOptimize(QRegion(QBitmap::fromImage(mono)));
    }
}
BENCHMARK(BM_MaskFromBitmap)->Unit(benchmark::kMillisecond);

void BM_MaskRunUnion(benchmark::State& state) {
    const QImage frame = Frame();
    for (auto _ : state) {
        QRegion r;
        for (int y = 0; y < frame.height(); ++y) {
            const QRgb* s = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            int x = 0;
            while (x < frame.width()) {
                while (x < frame.width() && (s[x] & 0xFFFFFF) == 0x00FF00)
                    ++x;
                const int x0 = x;
                while (x < frame.width() && (s[x] & 0xFFFFFF) != 0x00FF00)
                    ++x;
                if (x > x0)
                    r += QRect(x0, y, x - x0, 1);
            }
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_MaskRunUnion)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] { SetScreenOverride(MakeScreen(1920, 1080)); });
}
