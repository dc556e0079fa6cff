// JPEG files decoded row by row through libjpeg, at a reduced scale when the sink asks
// for less than the whole size.

#include "codec/Decoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace codec::detail {

namespace {

/// libjpeg reports a fatal error by jumping back into the stage that set the jump, over
/// its own frames: no object with a destructor may be made between the jump's setting
/// and its target, so the stages below keep their state in this plain structure.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool warned;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

/// Warnings (corrupt data, a file that ends early) mean libjpeg made up the missing
/// pixels: the picture is damaged. Nothing is printed.
void OnMessage(j_common_ptr cinfo, int level) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && !e->warned) {
        e->warned = true;
        (*cinfo->err->format_message)(cinfo, e->message);
    }
}

struct Job {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    const std::uint8_t* data;
    std::size_t size;
    bool created;
    bool started;
};

void Create(Job& job) {
    std::memset(&job.cinfo, 0, sizeof job.cinfo);
    job.cinfo.err = jpeg_std_error(&job.err.base);
    job.err.base.error_exit = OnError;
    job.err.base.emit_message = OnMessage;
    job.err.warned = false;
    job.err.message[0] = '\0';
    job.created = false;
    job.started = false;
}

/// Reads the header; false when the file is no JPEG libjpeg reads.
bool ReadHeader(Job& job) {
    if (setjmp(job.err.jump))
        return false;
    jpeg_create_decompress(&job.cinfo);
    job.created = true;
    jpeg_mem_src(&job.cinfo, job.data, static_cast<unsigned long>(job.size));
    return jpeg_read_header(&job.cinfo, TRUE) == JPEG_HEADER_OK;
}

/// Starts the decompression with the output set up: 32-bit pixels, blue, green, red,
/// alpha in memory (0xAARRGGBB), at the scale chosen. False on a fatal error.
bool Start(Job& job, unsigned denom, bool cmyk) {
    if (setjmp(job.err.jump))
        return false;
    job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    job.cinfo.scale_num = 1;
    job.cinfo.scale_denom = denom;
    jpeg_start_decompress(&job.cinfo);
    job.started = true;
    return true;
}

/// Reads one scanline into `line`; false on a fatal error.
bool ReadLine(Job& job, JSAMPROW line) {
    if (setjmp(job.err.jump))
        return false;
    return jpeg_read_scanlines(&job.cinfo, &line, 1) == 1;
}

void Finish(Job& job) {
    if (!job.created)
        return;
    if (job.started && !setjmp(job.err.jump))
        jpeg_abort_decompress(&job.cinfo);
    jpeg_destroy_decompress(&job.cinfo);
    job.created = false;
}

} // namespace

Info ReadJpegInfo(const std::uint8_t* data, std::size_t size) {
    Info info{Format::Jpeg, 0, 0};
    Job job;
    Create(job);
    job.data = data;
    job.size = size;
    if (ReadHeader(job)) {
        info.width = int(std::min<JDIMENSION>(job.cinfo.image_width, 0x7FFFFFFF));
        info.height = int(std::min<JDIMENSION>(job.cinfo.image_height, 0x7FFFFFFF));
    }
    Finish(job);
    return info;
}

Result DecodeJpeg(const std::uint8_t* data, std::size_t size, RowSink& sink,
                  const Options& options) {
    Job job;
    Create(job);
    job.data = data;
    job.size = size;
    if (!ReadHeader(job)) {
        Finish(job);
        return Failure("not a JPEG file libjpeg reads");
    }
    const std::int64_t w = job.cinfo.image_width;
    const std::int64_t h = job.cinfo.image_height;
    if (w <= 0 || h <= 0 || w * h > options.maxPixels) {
        Finish(job);
        return Failure("the picture declares more pixels than a slide may have");
    }
    // The smallest of the decoder's own scales (1/8, 1/4, 1/2) that still gives at
    // least the size asked for.
    unsigned denom = 1;
    for (unsigned d : {8u, 4u, 2u}) {
        if ((w + d - 1) / d >= options.minWidth && (h + d - 1) / d >= options.minHeight &&
            (options.minWidth > 0 || options.minHeight > 0)) {
            denom = d;
            break;
        }
    }
    // CMYK pictures are stored inverted, as the programs that write them do.
    const bool cmyk =
        job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
    if (!Start(job, denom, cmyk)) {
        Finish(job);
        return Failure("the JPEG file cannot be decoded");
    }
    const int outW = int(job.cinfo.output_width);
    const int outH = int(job.cinfo.output_height);
    // The sink may refuse the size before any memory is taken for it.
    if (!sink.Begin(outW, outH)) {
        Finish(job);
        return Failure("the picture was refused");
    }
    std::vector<std::uint32_t> row;
    std::vector<std::uint8_t> cmykRow;
    try {
        row.resize(size_t(outW));
        if (cmyk)
            cmykRow.resize(size_t(outW) * 4);
    } catch (const std::bad_alloc&) {
        Finish(job);
        return Failure("no memory for a row of the picture");
    }
    for (int y = 0; y < outH; ++y) {
        JSAMPROW line = cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(row.data());
        if (!ReadLine(job, line)) {
            Finish(job);
            return Failure("the JPEG file cannot be decoded");
        }
        if (cmyk) {
            for (int x = 0; x < outW; ++x) {
                const std::uint8_t* p = &cmykRow[size_t(x) * 4];
                const unsigned k = p[3];
                row[size_t(x)] = 0xFF000000u | ((p[0] * k / 255u) << 16) |
                                 ((p[1] * k / 255u) << 8) | (p[2] * k / 255u);
            }
        }
        sink.Row(y, row.data(), 0, 1);
    }
    const bool damaged = job.err.warned;
    Result result;
    if (damaged)
        result = Result{Outcome::Damaged, job.err.message};
    else
        result = Result{Outcome::Complete, std::string()};
    Finish(job);
    return result;
}

} // namespace codec::detail
