// How long the slide list takes to open (fill its rows) for a full document of 100
// slides, with pictures made from pixels (their stored size needs a BMP encoding) and
// with pictures that keep their JPEG bytes.

#include "app/P20417App.h"
#include "bench/support/BenchMain.h"
#include "dialogs/ListDlg.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/ui/P20417Dlg.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

namespace {

void FillDocument(CP20417Dlg& editor, bool jpeg, int w, int h) {
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
    CP20417App& app = theApp();
    for (int i = 0; i < MAX_SLIDES; ++i) {
        app.m_slides[i] = SlideRecord{};
        app.m_slides[i].pPicture = pic;
        app.m_slides[i].wSwitchTime = 5;
        app.m_slides[i].crTransparent = COLOR_NONE;
    }
    app.m_nSlideCount = MAX_SLIDES;
    RecalcPages(editor);
}

void BM_OpenList(benchmark::State& state) {
    const bool jpeg = state.range(0) != 0;
    const int w = int(state.range(1));
    const int h = int(state.range(2));
    CP20417Dlg editor;
    NewDocument(editor);
    FillDocument(editor, jpeg, w, h);
    for (auto _ : state) {
        CListDlg dlg(&editor);
        benchmark::DoNotOptimize(dlg.list());
    }
    state.SetLabel(jpeg ? "JPEG pictures" : "pixel pictures (BMP)");
    ReleaseAllPictures();
    theApp().m_nSlideCount = 0;
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
