// BMP files decoded row by row.

#include "codec/Decoders.h"

namespace codec::detail {

Info ReadBmpInfo(const std::uint8_t*, std::size_t) {
    return Info{Format::Bmp, 0, 0};
}

Result DecodeBmp(const std::uint8_t*, std::size_t, RowSink&, const Options&) {
    return Failure("BMP decoding is not built yet");
}

} // namespace codec::detail
