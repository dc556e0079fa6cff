// JPEG files decoded row by row.

#include "codec/Decoders.h"

namespace codec::detail {

Info ReadJpegInfo(const std::uint8_t*, std::size_t) {
    return Info{Format::Jpeg, 0, 0};
}

Result DecodeJpeg(const std::uint8_t*, std::size_t, RowSink&, const Options&) {
    return Failure("JPEG decoding is not built yet");
}

} // namespace codec::detail
