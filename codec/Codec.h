#pragma once
// Picture files decoded row by row, free of any toolkit. A decoder hands its pixels to a
// sink as they come out of the file, so what is kept is the sink's business: a reducer
// keeps only a picture of the size it is drawn at, however large the file declares
// itself. The Qt program, the players without Qt and the tests share this code.

#include <cstddef>
#include <cstdint>
#include <string>

namespace codec {

/// The picture file formats the decoders read.
enum class Format { Unknown, Bmp, Gif, Jpeg, Png };

/// What a picture file's header declares.
struct Info {
    Format format = Format::Unknown;
    int width = 0;  ///< pixels; 0 when the header cannot be read
    int height = 0; ///< pixels; 0 when the header cannot be read
};

/// The format a file starts like ("BM", "GIF87a"/"GIF89a", FF D8 FF, the PNG signature);
/// Unknown for any other start.
Format FormatOf(const std::uint8_t* data, std::size_t size);

/// The format and size the header declares, reading no pixel data. A header cut short,
/// or one that declares no pixels, gives a zero size.
Info ReadInfo(const std::uint8_t* data, std::size_t size);

/// A receiver of decoded pixels.
class RowSink {
public:
    virtual ~RowSink() = default;
    /// Called once, before any pixels, with the size of the picture as it will be
    /// decoded (a JPEG decoded at a reduced scale is smaller than its header says).
    /// Returning false stops the decoding (Outcome::Failed).
    virtual bool Begin(int width, int height) = 0;
    /// Pixels of row `y`: `row[x]` for x = x0, x0 + step, x0 + 2 step, ... below the
    /// width, as 0xAARRGGBB with straight (not premultiplied) alpha; the other entries of
    /// `row` mean nothing. Every pixel of the picture comes exactly once, but rows may
    /// come in any order (bottom-up and interlaced files), and an interlaced file brings
    /// a row in several calls.
    virtual void Row(int y, const std::uint32_t* row, int x0, int step) = 0;
};

/// How a decoding ended.
enum class Outcome {
    Complete, ///< every pixel came from the file
    Damaged,  ///< the file broke off or is corrupt part-way: the pixels not reached came
              ///< as the format's decoders fill them (opaque black for BMP and GIF,
              ///< libjpeg's grey for JPEG, transparent black for PNG); every pixel came
    Failed    ///< not a picture these decoders read, refused, or nothing decoded: the
              ///< sink may have had some rows and must be thrown away
};

struct Result {
    Outcome outcome = Outcome::Failed;
    std::string error; ///< why it failed or is damaged, in English; empty when complete
    /// The file declares transparency: an alpha channel, a transparent colour or index,
    /// or a palette entry that is not fully opaque (set by the PNG and GIF decoders).
    bool transparent = false;
};

struct Options {
    /// A JPEG may be decoded at a reduced scale (1/2, 1/4 or 1/8 of its size) as long as
    /// the decoded size stays at least this on both axes; 0 x 0 decodes the full size.
    /// Other formats always come at their full size.
    int minWidth = 0;
    int minHeight = 0;
    /// Pictures declaring more pixels than this are refused before any pixel is decoded.
    std::int64_t maxPixels = 100'000'000;
};

/// Decodes the picture file in `data` (the first frame of a GIF) into `sink`. The
/// decoders hold at most a few rows of their own, whatever the picture's size.
Result Decode(const std::uint8_t* data, std::size_t size, RowSink& sink,
              const Options& options = {});

/// Whether this build decodes `format` (the players built without libjpeg or libpng
/// leave JPEG and PNG to the platform's own decoders).
bool Decodes(Format format);

} // namespace codec
