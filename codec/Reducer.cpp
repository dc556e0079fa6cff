#include "codec/Reducer.h"

#include <algorithm>
#include <cmath>

namespace codec {

namespace {

/// Above this many source pixels per reduced pixel, single precision would lose the
/// small shares of each one: the sums are kept in double.
constexpr double kFloatShares = 4096;

} // namespace

Reducer::Reducer(int width, int height, Coverage coverage)
    : m_wantW(std::max(width, 1)), m_wantH(std::max(height, 1)), m_coverage(coverage) {}

Reducer::~Reducer() = default;

Reducer::Axis Reducer::AxisOf(int from, int to) {
    // Source pixel s spans [s, s + 1) of the source, [s * to / from, (s + 1) * to / from)
    // of the reduced axis: at most one reduced pixel boundary lies inside it.
    Axis a;
    a.first.resize(size_t(from));
    a.share.resize(size_t(from));
    const double scale = double(to) / double(from);
    for (int s = 0; s < from; ++s) {
        const double lo = s * scale;
        const double hi = (s + 1) * scale;
        int o = std::min(int(std::floor(lo)), to - 1);
        const double boundary = o + 1;
        double inFirst = 1.0;
        if (hi > boundary && o + 1 < to)
            inFirst = (boundary - lo) / scale;
        a.first[size_t(s)] = o;
        // A share is in reduced-pixel units: the part of the reduced pixel this source
        // pixel covers, so that the shares of one reduced pixel add up to 1.
        a.share[size_t(s)] = float(inFirst * scale);
    }
    return a;
}

bool Reducer::Begin(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    m_inW = width;
    m_inH = height;
    m_outW = std::min(m_wantW, width);
    m_outH = std::min(m_wantH, height);
    m_x = AxisOf(m_inW, m_outW);
    m_y = AxisOf(m_inH, m_outH);
    const double perPixel = (double(m_inW) / m_outW) * (double(m_inH) / m_outH);
    m_wide = perPixel > kFloatShares;
    const size_t cells = size_t(m_outW) * size_t(m_outH) * 4;
    try {
        if (m_wide) {
            m_accD.assign(cells, 0.0);
            m_rowD.assign(size_t(m_outW) * 4, 0.0);
        } else {
            m_accF.assign(cells, 0.0f);
            m_rowF.assign(size_t(m_outW) * 4, 0.0f);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

template <typename T>
void Reducer::Accumulate(std::vector<T>& acc, std::vector<T>& across, int y,
                         const std::uint32_t* row, int x0, int step) {
    std::fill(across.begin(), across.end(), T(0));
    const std::uint32_t key = m_coverage.key & 0x00FFFFFFu;
    const T unit = T(1) / T(255);
    int lo = m_outW, hi = -1; // the reduced columns this call touched
    for (int x = x0; x < m_inW; x += step) {
        const std::uint32_t p = row[x];
        if (m_coverage.keyed && (p & 0x00FFFFFFu) == key)
            continue;
        const std::uint32_t alpha = m_coverage.useAlpha ? (p >> 24) : 255u;
        if (alpha == 0)
            continue;
        const T a = T(alpha);
        const T f = a * unit;
        const T r = T((p >> 16) & 0xFF) * f;
        const T g = T((p >> 8) & 0xFF) * f;
        const T b = T(p & 0xFF) * f;
        const int o = m_x.first[size_t(x)];
        const T s = T(m_x.share[size_t(x)]);
        T* d = &across[size_t(o) * 4];
        d[0] += a * s;
        d[1] += r * s;
        d[2] += g * s;
        d[3] += b * s;
        lo = std::min(lo, o);
        hi = std::max(hi, o);
        const T rest = T(double(m_outW) / m_inW) - s;
        if (rest > T(1e-7) && o + 1 < m_outW) {
            d += 4;
            d[0] += a * rest;
            d[1] += r * rest;
            d[2] += g * rest;
            d[3] += b * rest;
            hi = std::max(hi, o + 1);
        }
    }
    if (hi < lo)
        return;
    const int oy = m_y.first[size_t(y)];
    const T sy = T(m_y.share[size_t(y)]);
    const T restY = T(double(m_outH) / m_inH) - sy;
    const auto spread = [&](int toRow, T weight) {
        T* d = &acc[(size_t(toRow) * size_t(m_outW) + size_t(lo)) * 4];
        const T* s = &across[size_t(lo) * 4];
        for (size_t i = 0, n = size_t(hi - lo + 1) * 4; i < n; ++i)
            d[i] += s[i] * weight;
    };
    spread(oy, sy);
    if (restY > T(1e-7) && oy + 1 < m_outH)
        spread(oy + 1, restY);
}

void Reducer::Row(int y, const std::uint32_t* row, int x0, int step) {
    if (y < 0 || y >= m_inH || x0 < 0 || step <= 0 || !row)
        return;
    if (m_wide)
        Accumulate(m_accD, m_rowD, y, row, x0, step);
    else
        Accumulate(m_accF, m_rowF, y, row, x0, step);
}

template <typename T> std::vector<std::uint32_t> Reducer::Result(const std::vector<T>& acc) const {
    std::vector<std::uint32_t> out(size_t(m_outW) * size_t(m_outH), 0u);
    const auto channel = [](T v, int limit) {
        const int c = int(std::lround(double(v)));
        return std::clamp(c, 0, limit);
    };
    for (size_t i = 0; i < out.size(); ++i) {
        const T* c = &acc[i * 4];
        const int a = channel(c[0], 255);
        if (a == 0)
            continue;
        out[i] = (std::uint32_t(a) << 24) | (std::uint32_t(channel(c[1], a)) << 16) |
                 (std::uint32_t(channel(c[2], a)) << 8) | std::uint32_t(channel(c[3], a));
    }
    return out;
}

std::vector<std::uint32_t> Reducer::Take() {
    std::vector<std::uint32_t> out = m_wide ? Result(m_accD) : Result(m_accF);
    m_accD = {};
    m_accF = {};
    return out;
}

} // namespace codec
