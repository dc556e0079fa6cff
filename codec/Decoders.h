#pragma once
// The decoders of each format behind codec::Decode and codec::ReadInfo. Each takes the
// whole file in memory; a header is read from the first bytes only.

#include "codec/Codec.h"

namespace codec::detail {

Info ReadBmpInfo(const std::uint8_t* data, std::size_t size);
Result DecodeBmp(const std::uint8_t* data, std::size_t size, RowSink& sink, const Options& options);

Info ReadGifInfo(const std::uint8_t* data, std::size_t size);
Result DecodeGif(const std::uint8_t* data, std::size_t size, RowSink& sink, const Options& options);

Info ReadJpegInfo(const std::uint8_t* data, std::size_t size);
Result DecodeJpeg(const std::uint8_t* data, std::size_t size, RowSink& sink,
                  const Options& options);

Info ReadPngInfo(const std::uint8_t* data, std::size_t size);
Result DecodePng(const std::uint8_t* data, std::size_t size, RowSink& sink, const Options& options);

/// A result that failed for `why`.
inline Result Failure(const char* why) {
    return Result{Outcome::Failed, why};
}

} // namespace codec::detail
