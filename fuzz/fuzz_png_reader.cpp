// libFuzzer target: the PNG transparency reader over arbitrary bytes.
#include "image/PngColorKeyReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A private copy of exactly `size` bytes, so any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    KeyColor key = qRgb(1, 2, 3);
    const bool ok =
        PngColorKeyReader::ReadPngColorKeyFromBytes(bytes.data(), qint64(bytes.size()), key);
    if (!ok && key)
        __builtin_trap(); // a failure always leaves no key
    return 0;
}
