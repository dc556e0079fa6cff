#pragma once
// The common start of every benchmark program: the offscreen platform unless another is
// chosen, an application object, default settings in a folder of their own (the user's
// settings stay untouched), the program's fonts and image limits, then the benchmarks.

#include <functional>
#include <memory>

/// Prepares the application, runs `prepare` (when given) and then the benchmarks the
/// command line selects. Returns the program's exit code.
int RunBenchmarks(int argc, char** argv, void (*prepare)() = nullptr);

/// The same start without the benchmarks: prepares the application, then returns what
/// `work` returns (a benchmark program's other modes, such as making its fixtures).
/// `argc` and `argv` lose the options Qt takes, as for QApplication.
int RunInBenchApplication(int& argc, char** argv, const std::function<int()>& work);

/// Has `release` run once the benchmarks are done, while the application object still
/// exists (the latest registered runs first). Windows and other objects that need the
/// application must be gone before it is.
void ReleaseBeforeExit(std::function<void()> release);

/// One object of type T that the benchmarks of a program share: made at its first use,
/// destroyed after the benchmarks, before the application object.
template <typename T> T& SharedBenchObject() {
    static std::unique_ptr<T> object;
    if (!object) {
        object = std::make_unique<T>();
        ReleaseBeforeExit([] { object.reset(); });
    }
    return *object;
}
