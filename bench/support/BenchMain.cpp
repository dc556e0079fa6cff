#include "bench/support/BenchMain.h"

#include "base/Platform.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

std::vector<std::function<void()>> g_releases;

void ReleaseAll() {
    while (!g_releases.empty()) {
        std::function<void()> release = std::move(g_releases.back());
        g_releases.pop_back();
        release();
    }
}

/// Releases what the benchmarks kept when it goes; made after the application object,
/// so it goes first, however the function is left.
struct ReleaseOnExit {
    ReleaseOnExit() = default;
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;
    ~ReleaseOnExit() { ReleaseAll(); }
};

} // namespace

void ReleaseBeforeExit(std::function<void()> release) {
    g_releases.push_back(std::move(release));
}

int RunInBenchApplication(int& argc, char** argv, const std::function<int()>& work) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const ReleaseOnExit releaseBeforeApp;
    QCoreApplication::setApplicationName(QStringLiteral("luserio-bench"));
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    InstallFontSubstitutions();
    InstallImageLimits();
    return work();
}

int RunBenchmarks(int argc, char** argv, void (*prepare)()) {
    return RunInBenchApplication(argc, argv, [&argc, argv, prepare] {
        benchmark::Initialize(&argc, argv);
        if (prepare)
            prepare();
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    });
}
