// Photo-sized slides: documents of 12-megapixel JPEGs (4000 x 3000, stored as the files
// are, as an import with the size limit off stores them).
//   - rebuilding the 20 cell images of a page of keyed 12-MP slides, as a resize of the
//     editor window does (the cell sources made before);
//   - the slideshow's switch to a 12-MP slide in a 1920 x 1080 window (the next slide's
//     frame made beforehand, as the show makes it while the previous slide shows);
//   - the editor opening the 100-slide document at its start: the window painted, the
//     page painted with the document, every cell of the first page painted.
//
//   build/bench_PhotoShowBench --benchmark_repetitions=3 --benchmark_counters_tabular=true
//   build/bench_PhotoShowBench --fixtures-only   # makes the fixtures, prints the documents
//
// The fixtures (bench/support/BenchFixtures.h) are made on first use and kept in
// $TMPDIR/luserio-bench-fixtures: 100 photo JPEGs and the 20- and 100-slide documents
// made of them. bench/photo-show.sh measures the program's peak memory on the same
// documents.

#include "base/Screen.h"
#include "bench/support/BenchFixtures.h"
#include "bench/support/BenchMain.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/PictureCache.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "packaging/CabinetJob.h"
#include "packaging/ui/ProgressDialog.h"
#include "slideshow/ui/SlideshowWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr KeyColor kKey = qRgb(0, 255, 0);
QString g_document20, g_document100;

/// Opens `path` as the document (the remembered last document stays), with every slide
/// keyed `key`, or unkeyed. Ends the program when it does not open.
void OpenPhotoDocument(const QString& path, const KeyColor& key) {
    if (!OpenDocument(path, nullptr, OpenOptions{false}))
        qFatal("cannot open %s", qPrintable(path));
    Document& doc = CurrentDocument();
    for (int i = 0; i < doc.slideCount; ++i)
        doc.slides[size_t(i)].keyColor = key;
}

/// Lets go of the document and of every decoded picture.
void CloseDocument() {
    ReleaseAllPictures();
    CurrentDocument().Clear();
    PictureCache::instance().clear();
}

/// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, e);
    }
};

// A resize of the editor window makes every cell image of the page again from the cell
// sources. Here: a 1440 x 810 window on a 1920 x 1080 screen, a page of 20 12-MP photos
// (keyed green, or without a key), the sources made before timing.
void BM_RebuildPhotoCells(benchmark::State& state) {
    const bool keyed = state.range(0) != 0;
    SetScreenOverride(MakeScreen(1920, 1080));
    {
        EditorWindow editor;
        editor.Initialize();
        OpenPhotoDocument(g_document20, keyed ? kKey : KeyColor());
        editor.m_page = 0;
        RecalcPages(editor);
        editor.resize(1440, 810);
        editor.show();
        PaintCounter counter;
        editor.installEventFilter(&counter);
        // Painting needs the window exposed: the platform says so through an event.
        while (!editor.windowHandle() || !editor.windowHandle()->isExposed())
            QCoreApplication::processEvents();
        editor.m_rebuildCells = true;
        editor.repaint();
        editor.WaitForCellPictures(); // the sources are made, the cells painted
        for (int k = 0; k < kSlidesPerPage; ++k)
            if (editor.m_cellImages[k].isNull())
                state.SkipWithError("a cell has no image after the warm-up");
        counter.paints = 0;
        for (auto _ : state) {
            editor.m_rebuildCells = true;
            editor.repaint();
        }
        // Every paint rebuilt the cells from the sources at hand: none was asked again.
        if (editor.PendingCellPictures() != 0)
            state.SkipWithError("cells were decoded again");
        state.counters["paints"] =
            benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
        state.counters["window_w"] = editor.width();
        state.counters["window_h"] = editor.height();
        state.counters["cell_w"] = editor.m_cellImages[0].width();
        state.counters["cell_h"] = editor.m_cellImages[0].height();
        editor.removeEventFilter(&counter);
    }
    CloseDocument();
}
BENCHMARK(BM_RebuildPhotoCells)->ArgName("keyed")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The slideshow's switch to the next 12-MP slide in a 1920 x 1080 window: the frame was
// made while the previous slide showed (waited for outside the timing); the switch
// swaps it in, sets the mask, shows the window and starts making the next frame; the
// window paints the slide when it is exposed again (included).
void BM_SwitchToPhotoSlide(benchmark::State& state) {
    const bool keyed = state.range(0) != 0;
    SetScreenOverride(MakeScreen(1920, 1080));
    OpenPhotoDocument(g_document20, keyed ? kKey : KeyColor());
    Document& doc = CurrentDocument();
    doc.header.slideshowRect = QRect(0, 0, 1920, 1080);
    doc.header.loop = 1;
    doc.header.timerSwitch = 0; // only the benchmark switches, however long it runs
    {
        SlideshowWindow slideshow;
        slideshow.Initialize();
        for (int i = 0; i < 20; ++i)
            slideshow.OnZoomTimer();
        PaintCounter counter;
        slideshow.installEventFilter(&counter);
        for (auto _ : state) {
            state.PauseTiming();
            slideshow.WaitForFrames();
            const int paints = counter.paints;
            state.ResumeTiming();
            slideshow.SwitchToNext();
            // The window shows again and paints once the platform has exposed it, from
            // the event loop.
            QElapsedTimer waited;
            waited.start();
            while (counter.paints == paints && waited.elapsed() < 5000)
                QCoreApplication::processEvents();
            if (counter.paints == paints) {
                state.SkipWithError("the slide was not painted");
                break;
            }
        }
        slideshow.removeEventFilter(&counter);
        state.counters["window_w"] = slideshow.width();
        state.counters["window_h"] = slideshow.height();
        slideshow.EndShow();
        slideshow.WaitForFrames();
    }
    CloseDocument();
}
// A fixed count: every switch waits (untimed) for a 12-MP decode, which would make the
// default of half a second of timed switches take minutes.
BENCHMARK(BM_SwitchToPhotoSlide)
    ->ArgName("keyed")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);

/// The editor as the program starts it, noting when it first paints and when it first
/// paints with the document open.
class TimedEditor : public EditorWindow {
public:
    explicit TimedEditor(const QElapsedTimer& clock) : m_clock(clock) {}
    qint64 m_firstPaintNs = -1;
    qint64 m_documentPaintNs = -1;

protected:
    void paintEvent(QPaintEvent* e) override {
        EditorWindow::paintEvent(e);
        if (m_firstPaintNs < 0)
            m_firstPaintNs = m_clock.nsecsElapsed();
        if (m_documentPaintNs < 0 && CurrentDocument().slideCount > 0)
            m_documentPaintNs = m_clock.nsecsElapsed();
    }

private:
    const QElapsedTimer& m_clock;
};

// The editor started with the 100-slide document, as the program starts it (the window
// shows first, the document is read from the event loop under the processing dialog,
// the page's pictures are decoded in worker threads while the event loop runs). Three times from
// the making of the window: its first paint, its first paint with the document (the cells still
// empty), and every cell of the first page painted. The document file is in the
// system's file cache after the first run (warm).
void BM_OpenPhotoDocumentInEditor(benchmark::State& state) {
    SetScreenOverride(MakeScreen(1920, 1080));
    // The extraction shows its processing dialog, which lets the window paint meanwhile.
    ProgressDialogRunner runner;
    SetCabinetJobRunner(&runner);
    double shownMs = 0, documentMs = 0, cellsMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto editor = std::make_unique<TimedEditor>(clock);
        editor->m_startFile = g_document100;
        editor->m_openWhenShown = true;
        if (!editor->Initialize()) {
            state.SkipWithError("the editor did not open");
            break;
        }
        editor->show();
        while (editor->m_documentPaintNs < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        while (editor->PendingCellPictures() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        editor->WaitForCellPictures(); // paints what came in with the last picture
        const qint64 cellsNs = clock.nsecsElapsed();
        state.SetIterationTime(double(cellsNs) / 1e9);
        if (CurrentDocument().slideCount != 100)
            state.SkipWithError("the document did not open");
        for (int k = 0; k < kSlidesPerPage; ++k)
            if (editor->m_cellImages[k].isNull() || editor->m_cellPending[k])
                state.SkipWithError("a cell of the first page is not painted");
        shownMs += double(editor->m_firstPaintNs) / 1e6;
        documentMs += double(editor->m_documentPaintNs) / 1e6;
        cellsMs += double(cellsNs) / 1e6;
        editor.reset();
        CloseDocument();
    }
    SetCabinetJobRunner(nullptr);
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["shown_ms"] = benchmark::Counter(shownMs, perIteration);
    state.counters["document_ms"] = benchmark::Counter(documentMs, perIteration);
    state.counters["cells_ms"] = benchmark::Counter(cellsMs, perIteration);
}
BENCHMARK(BM_OpenPhotoDocumentInEditor)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void MakeFixtures() {
    g_document20 = PhotoDocumentFixture(20);
    g_document100 = PhotoDocumentFixture(100);
}

} // namespace

int main(int argc, char** argv) {
    // `--fixtures-only` makes the fixtures, prints the documents' paths (20, then 100
    // slides) and runs no benchmark: bench/photo-show.sh measures the program with them.
    std::vector<char*> args;
    bool fixturesOnly = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fixtures-only") == 0)
            fixturesOnly = true;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);
    if (fixturesOnly)
        return RunInBenchApplication(count, args.data(), [] {
            MakeFixtures();
            std::printf("%s\n%s\n", qPrintable(g_document20), qPrintable(g_document100));
            return 0;
        });
    return RunBenchmarks(count, args.data(), [] {
        std::fprintf(stderr, "Preparing fixtures...\n");
        MakeFixtures();
    });
}
