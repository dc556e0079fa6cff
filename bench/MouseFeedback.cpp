// The main window's answer to pointer movement, from the mouse event to the painted
// pixels, on a 1440 x 810 client area showing a page of 20 slides of 500 x 500 pixels:
//   hovering from one slide image to the next (two cells' areas repainted)
//   one step of a slide-image drag (the old and the new drag image areas repainted)
//   a full repaint from the cache, for comparison (what a careless handler would cost)

#include "bench/support/BenchEditor.h"
#include "bench/support/BenchMain.h"
#include "editor/ui/EditorWindow.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

QPoint Center(const QRect& r) {
    return QPoint((r.left() + r.x() + r.width()) / 2, (r.top() + r.y() + r.height()) / 2);
}

struct Window {
    std::unique_ptr<EditorWindow> editor;

    Window() : editor(OpenBenchEditor()) {
        editor->repaint();
        QCoreApplication::processEvents();
    }
    /// A pointer event as the window system delivers it, then the paints it asked for.
    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), QPointF(editor->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(editor.get(), &e);
        QCoreApplication::processEvents();
    }
};

/// The window every benchmark of the program paints; it goes before the application.
Window& TheWindow() {
    return SharedBenchObject<Window>();
}

void BM_HoverFromCellToCell(benchmark::State& state) {
    Window& w = TheWindow();
    const QPoint a = Center(w.editor->m_cellRects[6]);
    const QPoint b = Center(w.editor->m_cellRects[7]);
    bool toB = true;
    for (auto _ : state) {
        w.Send(QEvent::MouseMove, toB ? b : a, Qt::NoButton, Qt::NoButton);
        toB = !toB;
    }
}
BENCHMARK(BM_HoverFromCellToCell)->Unit(benchmark::kMicrosecond);

void BM_SlideImageDragStep(benchmark::State& state) {
    Window& w = TheWindow();
    const QPoint from = Center(w.editor->m_cellRects[6]);
    w.Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    int dx = 0;
    for (auto _ : state) {
        dx = (dx + 7) % 300;
        w.Send(QEvent::MouseMove, from + QPoint(dx, dx / 3), Qt::NoButton, Qt::LeftButton);
    }
    // Released where it started: nothing moves.
    w.Send(QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_SlideImageDragStep)->Unit(benchmark::kMicrosecond);

void BM_FullRepaintForComparison(benchmark::State& state) {
    Window& w = TheWindow();
    for (auto _ : state) {
        w.editor->update();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_FullRepaintForComparison)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
