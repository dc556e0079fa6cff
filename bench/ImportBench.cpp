// Importing large images: 100 photo-sized JPEGs (4000 x 3000) and 100 keyed PNGs
// (800 x 800) with the default 500 x 500 limit, side by side with ImageMagick doing the
// same resize and re-encode on the same files (one `mogrify` over each batch). The
// batches go through the editor's import, on every core (ImportFilesInParallel); the
// same batches one file after the other on the calling thread are measured for
// comparison.
//
//   build/bench_ImportBench                      # all, fixtures made on first use
//   build/bench_ImportBench --benchmark_filter=Jpeg
// The fixtures are kept in $TMPDIR/luserio-bench-fixtures between runs; each is written
// under a temporary name and renamed into place when complete.

#include "base/Settings.h"
#include "bench/support/BenchFixtures.h"
#include "bench/support/BenchMain.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "image/ParallelImport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

namespace {

QString g_fixtures;
QStringList g_jpegs, g_pngs;

void MakeFixtures() {
    g_fixtures = BenchFixtureFolder();
    g_jpegs = PhotoJpegFixtures();
    g_pngs = KeyedPngFixtures();
}

/// The batch as the editor imports it: on every core, the results in file order.
void ImportBatch(benchmark::State& state, const QStringList& files, const QString& ext) {
    const QStringList exts(files.size(), ext);
    const ImportSettings settings = ReadImportSettings();
    for (auto _ : state) {
        const ParallelImportOutcome out = ImportFilesInParallel(files, exts, settings);
        for (const ImportResult& r : out.results)
            if (!r.ok || !r.picture)
                state.SkipWithError("import failed");
        benchmark::DoNotOptimize(out.results);
    }
    state.counters["threads"] = QThread::idealThreadCount();
    state.SetItemsProcessed(state.iterations() * files.size());
}

/// The batch one file after the other on this thread.
void ImportOneByOne(benchmark::State& state, const QStringList& files, const QString& ext) {
    const ImportSettings settings = ReadImportSettings();
    for (auto _ : state) {
        for (const QString& f : files) {
            const ImportResult r = ImportImageFile(f, ext, settings);
            if (!r.ok || !r.picture)
                state.SkipWithError("import failed");
            benchmark::DoNotOptimize(r.picture);
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}

void MogrifyBatch(benchmark::State& state, const QString& folder, const char* pattern,
                  const char* format, const QStringList& options = {}) {
    const QString mogrify = QStandardPaths::findExecutable(QStringLiteral("mogrify"));
    if (mogrify.isEmpty()) {
        state.SkipWithError("ImageMagick's mogrify is not installed");
        return;
    }
    QTemporaryDir out;
    const QStringList files = QDir(folder).entryList({QString::fromLatin1(pattern)}, QDir::Files);
    QStringList args = options;
    args << QStringList{QStringLiteral("-path"),    out.path(),
                        QStringLiteral("-resize"),  QStringLiteral("500x500"),
                        QStringLiteral("-quality"), QStringLiteral("100"),
                        QStringLiteral("-format"),  QString::fromLatin1(format)};
    for (const QString& f : files)
        args << folder + QLatin1Char('/') + f;
    for (auto _ : state) {
        QProcess p;
        p.start(mogrify, args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            state.SkipWithError("mogrify failed");
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}

void BM_ImportJpegBatch(benchmark::State& s) {
    ImportBatch(s, g_jpegs, QStringLiteral("jpeg"));
}
void BM_ImageMagickJpegBatch(benchmark::State& s) {
    MogrifyBatch(s, g_fixtures + QStringLiteral("/jpeg"), "*.jpg", "jpg");
}
// ImageMagick's fast path: libjpeg decodes at the reduced DCT scale that still covers
// 500 x 375, as our import does.
void BM_ImageMagickJpegBatchScaledDecode(benchmark::State& s) {
    MogrifyBatch(s, g_fixtures + QStringLiteral("/jpeg"), "*.jpg", "jpg",
                 {QStringLiteral("-define"), QStringLiteral("jpeg:size=500x375")});
}
void BM_ImportKeyedPngBatch(benchmark::State& s) {
    ImportBatch(s, g_pngs, QStringLiteral("png"));
}
void BM_ImportJpegBatchOneByOne(benchmark::State& s) {
    ImportOneByOne(s, g_jpegs, QStringLiteral("jpeg"));
}
void BM_ImportKeyedPngBatchOneByOne(benchmark::State& s) {
    ImportOneByOne(s, g_pngs, QStringLiteral("png"));
}
void BM_ImageMagickPngBatch(benchmark::State& s) {
    MogrifyBatch(s, g_fixtures + QStringLiteral("/png"), "*.png", "bmp");
}
void BM_ImportOneJpeg(benchmark::State& s) {
    ImportOneByOne(s, g_jpegs.mid(0, 1), QStringLiteral("jpeg"));
}
void BM_ImportOneKeyedPng(benchmark::State& s) {
    ImportOneByOne(s, g_pngs.mid(0, 1), QStringLiteral("png"));
}

// The keyed shrink alone, and the plain smooth scale it builds on, for reference.
void BM_ScaleKeyedImage(benchmark::State& state) {
    QImage sprite = KeyedSpriteImage(800, 3);
    BlendTowardsKey(sprite, qRgb(255, 255, 255));
    for (auto _ : state)
        benchmark::DoNotOptimize(ScaleKeyedImage(sprite, 500, 500, qRgb(255, 255, 255)));
}

void BM_ScaleSmoothQt(benchmark::State& state) {
    const QImage sprite = KeyedSpriteImage(800, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            sprite.scaled(500, 500, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

BENCHMARK(BM_ImportJpegBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImageMagickJpegBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImageMagickJpegBatchScaledDecode)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ImportKeyedPngBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportJpegBatchOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportKeyedPngBatchOneByOne)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ImageMagickPngBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportOneJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportOneKeyedPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScaleKeyedImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleSmoothQt)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] {
        std::fprintf(stderr, "Preparing fixtures...\n");
        MakeFixtures();
    });
}
