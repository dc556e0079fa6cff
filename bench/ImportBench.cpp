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
#include "bench/support/BenchMain.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "image/ParallelImport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kFiles = 100;
QString g_fixtures;
QStringList g_jpegs, g_pngs;

/// A photo-like picture: smooth light and colour with fine grain, different per seed.
QImage Photo(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGB32);
    quint32 rnd = 2654435761u * quint32(seed + 1);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            rnd = rnd * 1664525u + 1013904223u;
            const int grain = int((rnd >> 24) & 15) - 8;
            const double s = std::sin((x + seed * 37) / 211.0) * std::cos((y - seed * 11) / 157.0);
            const int r = 120 + int(90 * s) + grain;
            const int g = 100 + int(70 * std::sin((x + y) / 97.0 + seed)) + grain;
            const int b = 90 + (y * 120) / h + grain;
            p[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return img;
}

/// A keyed picture: shapes on a transparent background, anti-aliased edges.
QImage Sprite(int size, int seed) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 20, 20), 6));
    p.setBrush(QColor::fromHsv((seed * 37) % 360, 200, 230));
    p.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.4, size * 0.3);
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(size * 0.3, size * 0.35, size * 0.4, size * 0.3), 20, 20);
    return img;
}

/// Whether `path` holds a whole fixture: a JPEG ends with its end-of-image marker, a
/// PNG with its IEND chunk. A file cut short is made again.
bool IsWholeFixture(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 12 || !f.seek(f.size() - 12))
        return false;
    const QByteArray tail = f.read(12);
    if (path.endsWith(QLatin1String(".jpg")))
        return tail.endsWith(QByteArray("\xFF\xD9", 2));
    return tail.endsWith(QByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

/// Writes `image` to `path` under a temporary name and renames it into place once
/// complete, so that a stopped run never leaves a partial file under the fixture's name.
void WriteFixture(const QImage& image, const QString& path, const char* format, int quality) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the fixture %s", qPrintable(path));
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(image) || !file.commit())
        qFatal("cannot write the fixture %s", qPrintable(path));
}

/// Removes what is not a fixture from `folder`: temporary files a stopped run left.
void RemoveStrays(const QString& folder, const QStringList& fixtures) {
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (!fixtures.contains(dir.filePath(name)))
            dir.remove(name);
}

void MakeFixtures() {
    g_fixtures = QDir::tempPath() + QStringLiteral("/luserio-bench-fixtures");
    QDir().mkpath(g_fixtures + QStringLiteral("/jpeg"));
    QDir().mkpath(g_fixtures + QStringLiteral("/png"));
    for (int i = 0; i < kFiles; ++i) {
        g_jpegs << g_fixtures + QStringLiteral("/jpeg/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        g_pngs << g_fixtures + QStringLiteral("/png/sprite%1.png").arg(i, 3, 10, QLatin1Char('0'));
    }
    RemoveStrays(g_fixtures + QStringLiteral("/jpeg"), g_jpegs);
    RemoveStrays(g_fixtures + QStringLiteral("/png"), g_pngs);
    for (int i = 0; i < kFiles; ++i) {
        if (!IsWholeFixture(g_jpegs[i]))
            WriteFixture(Photo(4000, 3000, i), g_jpegs[i], "jpeg", 90);
        if (!IsWholeFixture(g_pngs[i]))
            WriteFixture(Sprite(800, i), g_pngs[i], "png", -1);
    }
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
                  const char* format) {
    const QString mogrify = QStandardPaths::findExecutable(QStringLiteral("mogrify"));
    if (mogrify.isEmpty()) {
        state.SkipWithError("ImageMagick's mogrify is not installed");
        return;
    }
    QTemporaryDir out;
    const QStringList files = QDir(folder).entryList({QString::fromLatin1(pattern)}, QDir::Files);
    QStringList args = {QStringLiteral("-path"),    out.path(),
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
    QImage sprite = Sprite(800, 3);
    BlendTowardsKey(sprite, qRgb(255, 255, 255));
    for (auto _ : state)
        benchmark::DoNotOptimize(ScaleKeyedImage(sprite, 500, 500, qRgb(255, 255, 255)));
}

void BM_ScaleSmoothQt(benchmark::State& state) {
    const QImage sprite = Sprite(800, 3);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            sprite.scaled(500, 500, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

BENCHMARK(BM_ImportJpegBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImageMagickJpegBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
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
