// Packing and extracting a 100-slide, ~40 MB document stream, side by side with
// `gcab -c -z` (packing) and `cabextract` (extracting) on the same files.
//
//   build/bench_CabinetBench --benchmark_counters_tabular=true
//
// The stream holds 50 colour-keyed 500 x 500 BMP slides and 50 JPEG photos. Packing is
// measured from the stream file to a finished cabinet file; extracting from the cabinet
// to the stream file, for both programs (their process start is included, a few ms).

#include "base/Prompts.h"
#include "bench/support/BenchMain.h"
#include "document/Document.h"
#include "document/DocumentStream.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "packaging/CabinetJob.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

namespace {

QTemporaryDir* g_dir = nullptr;

QString path(const QString& name) {
    return g_dir->path() + QLatin1Char('/') + name;
}

/// A colour-keyed slide: a shaded, slightly noisy object on a magenta key background.
QImage keyedSlide(int i) {
    QImage img(500, 500, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QRandomGenerator rng(quint32(i) * 7919u);
    const double cx = 250 + 60 * std::sin(i), cy = 250 + 60 * std::cos(i);
    for (int y = 0; y < 500; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < 500; ++x) {
            const double dx = (x - cx) / 190.0, dy = (y - cy) / 150.0;
            const double d = dx * dx + dy * dy;
            if (d > 1.0)
                continue;
            const int n = int(rng.bounded(12));
            line[x] = qRgb(std::min(255, int(80 + 150 * (1 - d)) + n),
                           std::min(255, int(40 + (x + i * 13) % 160) + n),
                           std::min(255, int(30 + (y * 3 + i) % 200) + n));
        }
    }
    return img;
}

/// A photo-like picture: smooth gradients, texture and sensor noise, saved as JPEG.
QByteArray photoJpeg(int i) {
    QImage img(720, 540, QImage::Format_RGB32);
    QRandomGenerator rng(quint32(i) * 104729u + 1u);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double t = std::sin(x * 0.02 + i) * std::cos(y * 0.017 - i) * 60;
            const int n = int(rng.bounded(24)) - 12;
            line[x] = qRgb(std::clamp(int(120 + t + x / 8) + n, 0, 255),
                           std::clamp(int(110 - t + y / 6) + n, 0, 255),
                           std::clamp(int(90 + t / 2 + (x + y) / 12) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", 85);
    return bytes;
}

void buildDocument() {
    Document& doc = CurrentDocument();
    EditorState ed;
    NewDocument(ed);
    for (int i = 0; i < 100; ++i) {
        SlideRecord& r = doc.slides[i];
        r = SlideRecord{};
        r.switchTime = 5;
        if (i % 2 == 0) {
            r.picture = Picture::fromBytes(EncodeBmp(keyedSlide(i)));
            r.keyColor = qRgb(255, 0, 255);
        } else {
            r.picture = Picture::fromBytes(photoJpeg(i));
            r.keyColor = std::nullopt;
        }
    }
    doc.slideCount = 100;
    QFile f(path("stream/Bench.lsr"));
    QDir().mkpath(path("stream"));
    if (!f.open(QIODevice::WriteOnly) || !WriteDocumentStream(f))
        qFatal("cannot write the benchmark stream");
    f.close();
    doc.Clear();
}

bool runTool(const QString& program, const QStringList& args, const QString& cwd) {
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

qint64 fileSize(const QString& name) {
    return QFileInfo(path(name)).size();
}

void setCounters(benchmark::State& state, const QString& cab) {
    state.counters["stream_MB"] = double(fileSize("stream/Bench.lsr")) / 1e6;
    state.counters["cab_MB"] = double(fileSize(cab)) / 1e6;
    state.SetBytesProcessed(state.iterations() * fileSize("stream/Bench.lsr"));
}

void BM_Pack_Luserio(benchmark::State& state) {
    QDir().mkpath(path("ours"));
    for (auto _ : state)
        if (!PackFile(path("stream/Bench.lsr"), QStringLiteral("Bench.lsr"), path("ours/")))
            state.SkipWithError("packing failed");
    setCounters(state, "ours/Bench.lsr");
}

void BM_Pack_GcabZ(benchmark::State& state) {
    QDir().mkpath(path("gcab"));
    for (auto _ : state) {
        QFile::remove(path("gcab/Bench.lsr"));
        if (!runTool("gcab", {"-c", "-z", path("gcab/Bench.lsr"), "Bench.lsr"}, path("stream")))
            state.SkipWithError("gcab failed");
    }
    setCounters(state, "gcab/Bench.lsr");
    state.counters["ours_vs_gcab_size_%"] =
        100.0 * double(fileSize("ours/Bench.lsr")) / double(fileSize("gcab/Bench.lsr")) - 100.0;
}

void BM_Extract_Luserio(benchmark::State& state) {
    for (auto _ : state)
        if (!ExtractCabinet(QStringLiteral("Bench.lsr"), path("ours/"), path("x-ours/")))
            state.SkipWithError("extracting failed");
    setCounters(state, "ours/Bench.lsr");
}

void BM_Extract_Cabextract(benchmark::State& state) {
    for (auto _ : state)
        if (!runTool("cabextract", {"-q", "-d", path("x-cabextract"), path("ours/Bench.lsr")},
                     g_dir->path()))
            state.SkipWithError("cabextract failed");
    setCounters(state, "ours/Bench.lsr");
    QFile a(path("x-ours/Bench.lsr")), b(path("x-cabextract/Bench.lsr")),
        s(path("stream/Bench.lsr"));
    a.open(QIODevice::ReadOnly);
    b.open(QIODevice::ReadOnly);
    s.open(QIODevice::ReadOnly);
    const QByteArray original = s.readAll();
    if (a.readAll() != original || b.readAll() != original)
        state.SkipWithError("the extracted streams differ from the original");
}

BENCHMARK(BM_Pack_Luserio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Pack_GcabZ)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Extract_Luserio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Extract_Cabextract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, [] {
        static QTemporaryDir dir;
        g_dir = &dir;
        if (qEnvironmentVariableIsSet("LSR_BENCH_KEEP")) { // keep the files to time to
            dir.setAutoRemove(false);
            std::fprintf(stderr, "files in %s\n", qPrintable(dir.path()));
        }
        buildDocument();
    });
}
