// PNG files decoded row by row through libpng: the stored sample values as they are (no
// gamma correction), palettes expanded, grey made RGB, 16-bit samples rounded to 8 bits,
// the transparent colour (tRNS) as alpha 0.

#include "codec/Decoders.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace codec::detail {

namespace {

/// Everything libpng's callbacks and the decoding stages share. Plain data only: libpng
/// reports an error by jumping back into the stage that set the jump, over its own
/// frames and our callbacks, and no object with a destructor may lie on that way.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    std::int64_t maxPixels = 0;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int passes = 1;
    bool interlaced = false;
    bool transparent = false;
    // Where the rows have got to: the pass being read and the rows of it done.
    volatile int pass = 0;
    volatile png_uint_32 rowsDone = 0;
    RowSink* sink = nullptr;
    std::uint32_t* row = nullptr;
    char message[200] = {};
};

void SetMessage(ReadState* s, const char* text) {
    std::snprintf(s->message, sizeof s->message, "%s", text ? text : "");
}

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
    SetMessage(static_cast<ReadState*>(png_get_error_ptr(png)), text);
    png_longjmp(png, 1);
}

/// Warnings concern chunks we do not use or are repaired by libpng: nothing to report.
void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
    auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > s->size - s->pos)
        png_error(png, "the file ends early");
    std::memcpy(out, s->data + s->pos, count);
    s->pos += count;
}

/// How many bytes of pixel data libpng reads at a time: a file that breaks off loses at
/// most this much, not the whole chunk it was cut in.
constexpr size_t kPixelDataPiece = 256;

/// Ancillary chunks the pictures never use: libpng skips them unread.
const png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                  "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";

/// Reads the chunks before the pixel data and the header's facts. False (with the
/// message) on failure.
bool ReadChunks(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_compression_buffer_size(s->png, kPixelDataPiece);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Fuzz builds only: mutated inputs seldom keep their checksums; decode them anyway,
    // so the fuzzer reaches the code behind the checks.
    png_set_crc_action(s->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(s->png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                int(sizeof kIgnoredChunks / 5));
    png_read_info(s->png, s->info);
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &s->width, &s->height, &depth, &colourType, &interlace, nullptr,
                 nullptr);
    s->interlaced = interlace != PNG_INTERLACE_NONE;

    // Transparency as the file declares it; a palette whose alpha values are all 255
    // is opaque.
    s->transparent = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_valid(s->png, s->info, PNG_INFO_tRNS)) {
        png_bytep alphas = nullptr;
        int count = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(s->png, s->info, &alphas, &count, &colour);
        if (colourType != PNG_COLOR_TYPE_PALETTE)
            s->transparent = true;
        for (int i = 0; alphas && i < count; ++i)
            s->transparent = s->transparent || alphas[i] != 255;
    }
    return true;
}

/// Sets up the conversion of every row to 32-bit pixels 0xAARRGGBB. False (with the
/// message) when the rows would not come out that way.
bool SetUpRows(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_expand(s->png);      // palette to RGB, grey to 8 bits, tRNS to alpha
    png_set_scale_16(s->png);    // 16-bit samples rounded to 8 bits
    png_set_gray_to_rgb(s->png); // grey to RGB
    // The bytes of one 0xAARRGGBB pixel in memory.
    const std::uint32_t probe = 1;
    std::uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    if (first == 1) {
        png_set_bgr(s->png);
        png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);
    } else {
        png_set_swap_alpha(s->png);
        png_set_filler(s->png, 0xFF, PNG_FILLER_BEFORE);
    }
    s->passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_bit_depth(s->png, s->info) != 8 || png_get_channels(s->png, s->info) != 4 ||
        png_get_rowbytes(s->png, s->info) != size_t(s->width) * 4) {
        SetMessage(s, "the pixels do not convert to 32 bits");
        return false;
    }
    return true;
}

/// Whether row `y` has pixels in pass `pass` of an interlaced picture.
bool RowInPass(png_uint_32 y, int pass) {
    return PNG_ROW_IN_INTERLACE_PASS(y, pass) != 0;
}

/// Decodes the rows (every pass of an interlaced picture) into the sink. False (with the
/// message) when the pixel data breaks off or is corrupt; `pass` and `rowsDone` tell
/// how far it came.
bool ReadRows(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    for (int pass = 0; pass < s->passes; ++pass) {
        s->pass = pass;
        s->rowsDone = 0;
        const int x0 = s->interlaced ? PNG_PASS_START_COL(pass) : 0;
        const int step = s->interlaced ? (1 << PNG_PASS_COL_SHIFT(pass)) : 1;
        for (png_uint_32 y = 0; y < s->height; ++y) {
            png_read_row(s->png, reinterpret_cast<png_bytep>(s->row), nullptr);
            if (!s->interlaced || RowInPass(y, pass))
                s->sink->Row(int(y), s->row, x0, step);
            s->rowsDone = y + 1;
        }
    }
    s->pass = s->passes;
    return true;
}

/// Hands the pixels the decoding did not reach to the sink as transparent black.
void FillRest(ReadState* s) {
    std::memset(s->row, 0, size_t(s->width) * 4);
    for (int pass = s->pass; pass < s->passes; ++pass) {
        const int x0 = s->interlaced ? PNG_PASS_START_COL(pass) : 0;
        const int step = s->interlaced ? (1 << PNG_PASS_COL_SHIFT(pass)) : 1;
        const png_uint_32 from = pass == s->pass ? s->rowsDone : 0;
        for (png_uint_32 y = from; y < s->height; ++y) {
            if (!s->interlaced || RowInPass(y, pass))
                s->sink->Row(int(y), s->row, x0, step);
        }
    }
}

/// Reads the chunks after the pixel data. Their faults (a missing end chunk, say)
/// change no pixel, so they are not reported.
void ReadEnd(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return;
    png_read_end(s->png, nullptr);
}

struct Reader {
    ReadState s;
    Reader(const std::uint8_t* data, std::size_t size) {
        s.data = data;
        s.size = size;
        s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
        if (s.png)
            s.info = png_create_info_struct(s.png);
        if (s.png && s.info)
            png_set_read_fn(s.png, &s, ReadFromMemory);
    }
    ~Reader() {
        if (s.png)
            png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    bool ok() const { return s.png && s.info; }
};

} // namespace

Info ReadPngInfo(const std::uint8_t* data, std::size_t size) {
    Info info{Format::Png, 0, 0};
    // The header chunk comes first: signature, length, "IHDR", width, height.
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        const auto be32 = [data](std::size_t at) {
            return (std::uint32_t(data[at]) << 24) | (std::uint32_t(data[at + 1]) << 16) |
                   (std::uint32_t(data[at + 2]) << 8) | std::uint32_t(data[at + 3]);
        };
        const std::uint32_t w = be32(16), h = be32(20);
        if (w > 0 && h > 0 && w <= 0x7FFFFFFFu && h <= 0x7FFFFFFFu) {
            info.width = int(w);
            info.height = int(h);
        }
    }
    return info;
}

Result DecodePng(const std::uint8_t* data, std::size_t size, RowSink& sink,
                 const Options& options) {
    Reader reader(data, size);
    if (!reader.ok())
        return Failure("no memory for the PNG reader");
    ReadState& s = reader.s;
    s.maxPixels = options.maxPixels;
    if (!ReadChunks(&s))
        return Failure(s.message[0] ? s.message : "not a PNG file");
    if (std::int64_t(s.width) * std::int64_t(s.height) > s.maxPixels || s.width > 0x7FFFFFFFu ||
        s.height > 0x7FFFFFFFu)
        return Failure("the picture declares more pixels than a slide may have");
    if (!SetUpRows(&s))
        return Failure(s.message);
    // The sink may refuse the size before any memory is taken for it.
    if (!sink.Begin(int(s.width), int(s.height)))
        return Failure("the picture was refused");
    std::vector<std::uint32_t> row;
    try {
        row.assign(size_t(s.width), 0u);
    } catch (const std::bad_alloc&) {
        return Failure("no memory for a row of the picture");
    }
    s.row = row.data();
    s.sink = &sink;
    Result result;
    result.transparent = s.transparent;
    if (ReadRows(&s)) {
        ReadEnd(&s);
        result.outcome = Outcome::Complete;
        return result;
    }
    FillRest(&s);
    result.outcome = Outcome::Damaged;
    result.error = s.message[0] ? s.message : "the pixel data breaks off";
    return result;
}

} // namespace codec::detail
