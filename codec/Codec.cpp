#include "codec/Codec.h"

#include "codec/Decoders.h"

#include <cstring>

namespace codec {

Format FormatOf(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kPng[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0)
        return Format::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return Format::Jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return Format::Gif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return Format::Bmp;
    return Format::Unknown;
}

bool Decodes(Format format) {
    switch (format) {
    case Format::Bmp:
    case Format::Gif:
        return true;
    case Format::Jpeg:
#ifdef CODEC_NO_JPEG
        return false;
#else
        return true;
#endif
    case Format::Png:
#ifdef CODEC_NO_PNG
        return false;
#else
        return true;
#endif
    case Format::Unknown:
        break;
    }
    return false;
}

Info ReadInfo(const std::uint8_t* data, std::size_t size) {
    Info info;
    switch (FormatOf(data, size)) {
    case Format::Bmp:
        info = detail::ReadBmpInfo(data, size);
        break;
    case Format::Gif:
        info = detail::ReadGifInfo(data, size);
        break;
    case Format::Jpeg:
#ifndef CODEC_NO_JPEG
        info = detail::ReadJpegInfo(data, size);
#else
        info.format = Format::Jpeg;
#endif
        break;
    case Format::Png:
#ifndef CODEC_NO_PNG
        info = detail::ReadPngInfo(data, size);
#else
        info.format = Format::Png;
#endif
        break;
    case Format::Unknown:
        break;
    }
    if (info.width <= 0 || info.height <= 0)
        info.width = info.height = 0;
    return info;
}

Result Decode(const std::uint8_t* data, std::size_t size, RowSink& sink, const Options& options) {
    switch (FormatOf(data, size)) {
    case Format::Bmp:
        return detail::DecodeBmp(data, size, sink, options);
    case Format::Gif:
        return detail::DecodeGif(data, size, sink, options);
    case Format::Jpeg:
#ifndef CODEC_NO_JPEG
        return detail::DecodeJpeg(data, size, sink, options);
#else
        break;
#endif
    case Format::Png:
#ifndef CODEC_NO_PNG
        return detail::DecodePng(data, size, sink, options);
#else
        break;
#endif
    case Format::Unknown:
        break;
    }
    return detail::Failure("not a picture these decoders read");
}

} // namespace codec
