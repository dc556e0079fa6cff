// Painting the main window: a 1440 x 810 client area showing a page of 20 slides of
// 500 x 500 pixels (every other one with a transparent colour).
//   full paint rebuilding the cell images / full paint from the cache / one cell's area

#include "bench/support/BenchEditor.h"
#include "bench/support/BenchMain.h"
#include "editor/ui/EditorWindow.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct Window {
    std::unique_ptr<EditorWindow> editor;
    QImage target{1440, 810, QImage::Format_ARGB32_Premultiplied};

    Window() : editor(OpenBenchEditor()) { Paint(QRegion(editor->rect())); }
    void Paint(const QRegion& region) {
        editor->render(&target, region.boundingRect().topLeft(), region,
                       QWidget::RenderFlags(QWidget::DrawWindowBackground));
    }
};

/// The window every benchmark of the program paints; it goes before the application.
Window& TheWindow() {
    return SharedBenchObject<Window>();
}

void BM_FullPaintRebuildingCells(benchmark::State& state) {
    Window& w = TheWindow();
    for (auto _ : state) {
        w.editor->m_rebuildCells = true;
        w.Paint(QRegion(w.editor->rect()));
    }
}
BENCHMARK(BM_FullPaintRebuildingCells)->Unit(benchmark::kMillisecond);

void BM_FullPaintFromCache(benchmark::State& state) {
    Window& w = TheWindow();
    for (auto _ : state)
        w.Paint(QRegion(w.editor->rect()));
}
BENCHMARK(BM_FullPaintFromCache)->Unit(benchmark::kMillisecond);

void BM_RepaintOneCell(benchmark::State& state) {
    Window& w = TheWindow();
    w.editor->m_selectedCell = 7;
    const QRegion area(w.editor->CellArea(7));
    for (auto _ : state)
        w.Paint(area);
    w.editor->m_selectedCell = -1;
}
BENCHMARK(BM_RepaintOneCell)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
