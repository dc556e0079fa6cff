#pragma once
// A picture reduced to the size it is drawn at while its decoder hands over the rows:
// the reducer keeps one accumulator per pixel of the reduced picture, never the picture
// at its own size.

#include "codec/Codec.h"

#include <cstdint>
#include <vector>

namespace codec {

/// How much of a pixel a source pixel covers.
struct Coverage {
    bool useAlpha = true;  ///< as much as its alpha says; false: every pixel is opaque
    bool keyed = false;    ///< pixels of exactly `key`'s red, green and blue cover nothing
    std::uint32_t key = 0; ///< 0x00RRGGBB (the top byte is ignored)
};

class Reducer : public RowSink {
public:
    /// A reducer to `width` x `height`; a picture smaller than that on an axis keeps its
    /// own length on that axis (it is never enlarged here).
    Reducer(int width, int height, Coverage coverage);
    ~Reducer() override;
    Reducer(const Reducer&) = delete;
    Reducer& operator=(const Reducer&) = delete;

    bool Begin(int width, int height) override;
    void Row(int y, const std::uint32_t* row, int x0, int step) override;

    /// The size of the reduced picture (known after Begin).
    int width() const { return m_outW; }
    int height() const { return m_outH; }

    /// The reduced picture, rows top first: premultiplied 0xAARRGGBB whose alpha is the
    /// share of the pixel's area that source pixels covered, area-weighted (each source
    /// pixel counts with the part of it that falls in the reduced pixel). Pixels no
    /// source pixel reached are transparent. Call once, after the decoding.
    std::vector<std::uint32_t> Take();

private:
    struct Axis {
        std::vector<int> first;   ///< the first reduced pixel a source pixel falls in
        std::vector<float> share; ///< the part of the source pixel that falls in it; the
                                  ///< rest falls in the next one
    };
    static Axis AxisOf(int from, int to);
    template <typename T>
    void Accumulate(std::vector<T>& acc, std::vector<T>& across, int y, const std::uint32_t* row,
                    int x0, int step);
    template <typename T> std::vector<std::uint32_t> Result(const std::vector<T>& acc) const;

    int m_wantW, m_wantH;
    Coverage m_coverage;
    int m_inW = 0, m_inH = 0;
    int m_outW = 0, m_outH = 0;
    Axis m_x, m_y;
    bool m_wide = false;        ///< accumulate in double (a very large reduction)
    std::vector<float> m_accF;  ///< 4 channels per reduced pixel: a, r, g, b premultiplied
    std::vector<double> m_accD; ///< the same in double
    std::vector<float> m_rowF;  ///< one row reduced across, before it is spread down
    std::vector<double> m_rowD;
};

} // namespace codec
