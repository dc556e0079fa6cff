#pragma once
// The common start of every benchmark program: the offscreen platform unless another is
// chosen, an application object, default settings in a folder of their own (the user's
// settings stay untouched), the program's fonts and image limits, then the benchmarks.

/// Prepares the application, runs `prepare` (when given) and then the benchmarks the
/// command line selects. Returns the program's exit code.
int RunBenchmarks(int argc, char** argv, void (*prepare)() = nullptr);
