// libFuzzer target: the BMP colour-key scan over arbitrary bytes.
#include "image/BitmapKey.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    KeyColor key = qRgb(1, 2, 3);
    const BitmapKeyScan scan = ScanBitmapColorKey(bytes.data(), qint64(bytes.size()), key);
    if (scan != BitmapKeyScan::Found && key)
        __builtin_trap(); // no key without a marked pixel
    if (scan == BitmapKeyScan::Found && (!key || qAlpha(*key) != 255))
        __builtin_trap(); // a key found is an opaque colour
    return 0;
}
