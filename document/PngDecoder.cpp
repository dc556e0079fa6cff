#include "document/PngDecoder.h"

#include "document/ImageLimits.h"

#include <QIODevice>
#include <QImageReader>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace {

const uchar kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

/// Everything libpng's callbacks and the decoding stages share. Plain data only: libpng
/// reports an error by jumping back into the stage that set the jump, over its own
/// frames and our callbacks, and no object with a destructor may lie on that way.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;

    // The source: bytes in memory, or a device read as libpng asks for them.
    const uchar* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    QIODevice* device = nullptr;

    // The limits, checked against the header before any pixel memory is taken.
    qint64 maxPixels = 0;
    qint64 maxBytes = 0; // 0: no limit

    // The header.
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int passes = 1;
    bool transparent = false;

    // The rows to decode into, and how many of them are complete.
    uchar* bits = nullptr;
    qsizetype bytesPerLine = 0;
    volatile png_uint_32 rowsDone = 0;

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

void ReadFromDevice(png_structp png, png_bytep out, size_t count) {
    auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (s->device->read(reinterpret_cast<char*>(out), qint64(count)) != qint64(count))
        png_error(png, "the file ends early");
}

/// How many bytes of pixel data libpng reads at a time.
constexpr size_t kPixelDataPiece = 256;

/// Ancillary chunks the pictures never use: libpng skips them unread.
const png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                  "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";

/// Reads the chunks before the pixel data, refuses pictures over the limits and sets
/// up the conversion of every row to ARGB32. False (with the message) on failure.
bool ReadHeader(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    // The pixel data is read in small pieces, so a file that breaks off loses at most
    // the last piece, not the whole chunk it was cut in.
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
    const qint64 pixels = qint64(s->width) * qint64(s->height);
    if (pixels > s->maxPixels || (s->maxBytes > 0 && pixels * 4 > s->maxBytes)) {
        SetMessage(s, "the picture is too large");
        return false;
    }

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

    png_set_expand(s->png);      // palette to RGB, grey to 8 bits, tRNS to alpha
    png_set_scale_16(s->png);    // 16-bit samples rounded to 8 bits
    png_set_gray_to_rgb(s->png); // grey to RGB
    // The bytes of one ARGB32 pixel in memory.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(s->png);
    png_set_filler(s->png, 0xFF, PNG_FILLER_AFTER);
#else
    png_set_swap_alpha(s->png);
    png_set_filler(s->png, 0xFF, PNG_FILLER_BEFORE);
#endif
    s->passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_bit_depth(s->png, s->info) != 8 || png_get_channels(s->png, s->info) != 4 ||
        png_get_rowbytes(s->png, s->info) != size_t(s->width) * 4) {
        SetMessage(s, "the pixels do not convert to 32 bits");
        return false;
    }
    return true;
}

/// Decodes the rows, every pass of an interlaced picture. False (with the message)
/// when the pixel data breaks off or is corrupt; `rowsDone` rows are complete then.
bool ReadRows(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    for (int pass = 0; pass < s->passes; ++pass) {
        for (png_uint_32 y = 0; y < s->height; ++y) {
            png_read_row(s->png, s->bits + qsizetype(y) * s->bytesPerLine, nullptr);
            if (pass == s->passes - 1)
                s->rowsDone = y + 1;
        }
    }
    return true;
}

/// Reads the chunks after the pixel data. Their faults (a missing end chunk, say)
/// change no pixel, so they are not reported.
void ReadEnd(ReadState* s) {
    if (setjmp(png_jmpbuf(s->png)))
        return;
    png_read_end(s->png, nullptr);
}

PngImage Decode(ReadState& s) {
    PngImage out;
    s.maxPixels = kMaxImagePixels;
    s.maxBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    if (!s.png) {
        out.error = QStringLiteral("no memory for the PNG reader");
        return out;
    }
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
        png_destroy_read_struct(&s.png, nullptr, nullptr);
        out.error = QStringLiteral("no memory for the PNG reader");
        return out;
    }
    if (s.device)
        png_set_read_fn(s.png, &s, ReadFromDevice);
    else
        png_set_read_fn(s.png, &s, ReadFromMemory);

    if (ReadHeader(&s)) {
        QImage image(int(s.width), int(s.height), QImage::Format_ARGB32);
        if (image.isNull()) {
            SetMessage(&s, "no memory for the picture");
        } else {
            // The passes of an interlaced picture each fill some pixels of every row:
            // start from transparent black, so a break leaves nothing undefined.
            if (s.passes > 1)
                image.fill(0);
            s.bits = image.bits();
            s.bytesPerLine = image.bytesPerLine();
            if (ReadRows(&s)) {
                ReadEnd(&s);
                s.message[0] = '\0';
            } else {
                out.damaged = true;
                for (png_uint_32 y = s.rowsDone; y < s.height && s.passes == 1; ++y)
                    std::memset(s.bits + qsizetype(y) * s.bytesPerLine, 0, size_t(s.bytesPerLine));
            }
            out.image = std::move(image);
            out.transparent = s.transparent;
        }
    }
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    out.error = QString::fromUtf8(s.message);
    return out;
}

} // namespace

bool HasPngSignature(const QByteArray& head) {
    return head.size() >= 8 && std::memcmp(head.constData(), kSignature, 8) == 0;
}

PngImage DecodePng(const QByteArray& bytes) {
    ReadState s;
    s.data = reinterpret_cast<const uchar*>(bytes.constData());
    s.size = size_t(bytes.size());
    return Decode(s);
}

PngImage DecodePng(QIODevice& device) {
    ReadState s;
    s.device = &device;
    return Decode(s);
}

QImage DecodePngImage(const QByteArray& bytes) {
    if (!HasPngSignature(bytes))
        return {};
    PngImage png = DecodePng(bytes);
    if (png.damaged || png.image.isNull())
        return {};
    if (!png.transparent)
        return std::move(png.image).convertToFormat(QImage::Format_RGB32);
    return std::move(png.image);
}
