// libFuzzer target: the BMP colour-key scan over arbitrary bytes.
#include "image/BitmapKey.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    COLORREF key = 0;
    const BitmapKeyScan scan = ScanBitmapColorKey(bytes.data(), qint64(bytes.size()), key);
    if (scan != BitmapKeyScan::Found && key != COLOR_NONE)
        __builtin_trap(); // no key without a marked pixel
    if (scan == BitmapKeyScan::Found && (key & 0xFF000000u) != 0)
        __builtin_trap(); // a key is a colour reference, top byte zero
    return 0;
}
