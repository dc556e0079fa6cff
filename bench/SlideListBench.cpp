// How long the slide list takes to open (fill its rows) for a full document of 100
// slides, with pictures made from pixels (their stored size needs a BMP encoding) and
// with pictures that keep their JPEG bytes.

#include "bench/support/BenchMain.h"
#include "dialogs/SlideListDialog.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

namespace {

void FillDocument(EditorWindow& editor, bool jpeg, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(40, 120, 200));
    PicturePtr pic;
    if (jpeg) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, "jpeg");
        writer.write(img);
        pic = Picture::fromBytes(bytes);
    } else {
        pic = Picture::fromImage(img);
    }
    Document& doc = CurrentDocument();
    for (int i = 0; i < kMaxSlides; ++i) {
        doc.slides[i] = SlideRecord{};
        doc.slides[i].picture = pic;
        doc.slides[i].switchTime = 5;
        doc.slides[i].keyColor = std::nullopt;
    }
    doc.slideCount = kMaxSlides;
    RecalcPages(editor);
}

void BM_OpenList(benchmark::State& state) {
    const bool jpeg = state.range(0) != 0;
    const int w = int(state.range(1));
    const int h = int(state.range(2));
    EditorWindow editor;
    NewDocument(editor);
    FillDocument(editor, jpeg, w, h);
    for (auto _ : state) {
        SlideListDialog dlg(&editor);
        benchmark::DoNotOptimize(dlg.list());
    }
    state.SetLabel(jpeg ? "JPEG pictures" : "pixel pictures (BMP)");
    ReleaseAllPictures();
    CurrentDocument().slideCount = 0;
}
BENCHMARK(BM_OpenList)
    ->Args({0, 500, 500})
    ->Args({0, 1920, 1080})
    ->Args({1, 1920, 1080})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
