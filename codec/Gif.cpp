// GIF files (the first frame) decoded row by row.

#include "codec/Decoders.h"

namespace codec::detail {

Info ReadGifInfo(const std::uint8_t*, std::size_t) {
    return Info{Format::Gif, 0, 0};
}

Result DecodeGif(const std::uint8_t*, std::size_t, RowSink&, const Options&) {
    return Failure("GIF decoding is not built yet");
}

} // namespace codec::detail
