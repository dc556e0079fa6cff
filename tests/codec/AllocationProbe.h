#pragma once
// The largest single allocation a stretch of code makes: the test program replaces the
// global operator new so that a decoder's holding can be checked without measuring the
// process's memory.

#include <cstddef>

namespace codec_test {

/// Records the largest allocation (any thread) from its construction to its end.
class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    std::size_t largest() const;
};

} // namespace codec_test
