#include "tests/codec/CodecFixtures.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace codec_test {

namespace {

void Put16(QByteArray& out, std::uint32_t v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

int BitLength(int v) {
    int n = 0;
    while (v >> n)
        ++n;
    return n;
}

/// Bits written least significant first, as GIF codes are.
class BitWriter {
public:
    void Put(int code, int width) {
        m_acc |= std::uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_out.append(char(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    QByteArray Take() {
        if (m_count > 0)
            m_out.append(char(m_acc & 0xFF));
        m_acc = 0;
        m_count = 0;
        return std::move(m_out);
    }

private:
    QByteArray m_out;
    std::uint32_t m_acc = 0;
    int m_count = 0;
};

QByteArray SubBlocks(const QByteArray& data) {
    QByteArray out;
    for (int i = 0; i < data.size(); i += 255) {
        const QByteArray part = data.mid(i, 255);
        out.append(char(part.size()));
        out.append(part);
    }
    out.append(char(0));
    return out;
}

void PutTable(QByteArray& out, const std::vector<std::uint32_t>& colours, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        const std::uint32_t c = i < int(colours.size()) ? colours[std::size_t(i)] : 0;
        out.append(char((c >> 16) & 0xFF));
        out.append(char((c >> 8) & 0xFF));
        out.append(char(c & 0xFF));
    }
}

} // namespace

int BmpPixelsAt(const BmpFile& f) {
    int at = 14 + f.header;
    if (f.header == 40 && f.compression == 3)
        at += 12;
    if (f.header == 40 && f.compression == 6)
        at += 16;
    return at + int(f.palette.size()) * (f.header == 12 ? 3 : 4);
}

QByteArray MakeBmp(const BmpFile& f) {
    QByteArray info;
    if (f.header == 12) {
        Put32(info, 12);
        Put16(info, std::uint32_t(f.width) & 0xFFFF);
        Put16(info, std::uint32_t(f.height) & 0xFFFF);
        Put16(info, 1);
        Put16(info, std::uint32_t(f.bits));
    } else {
        Put32(info, std::uint32_t(f.header));
        Put32(info, std::uint32_t(f.width));
        Put32(info, std::uint32_t(f.height));
        Put16(info, 1);
        Put16(info, std::uint32_t(f.bits));
        Put32(info, f.compression);
        Put32(info, 0);
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, std::uint32_t(f.colours >= 0 ? f.colours : int(f.palette.size())));
        Put32(info, 0);
        for (int i = 0; i < 4 && info.size() < f.header; ++i)
            Put32(info, f.masks[std::size_t(i)]);
        info.append(QByteArray(f.header - info.size(), '\0'));
        if (f.header == 40 && (f.compression == 3 || f.compression == 6))
            for (int i = 0; i < (f.compression == 6 ? 4 : 3); ++i)
                Put32(info, f.masks[std::size_t(i)]);
    }
    for (std::uint32_t c : f.palette) {
        info.append(char(c & 0xFF));
        info.append(char((c >> 8) & 0xFF));
        info.append(char((c >> 16) & 0xFF));
        if (f.header != 12)
            info.append(char(c >> 24));
    }
    info.append(QByteArray(f.gap, '\x01'));

    QByteArray pixels = f.data;
    // Pixels are written only when there are as many as the sizes say (tests of wrong
    // sizes give none).
    if (pixels.isEmpty() && f.width > 0 && f.height > -65536 &&
        f.pixels.size() == std::size_t(f.width) * std::size_t(std::abs(f.height))) {
        const int w = f.width;
        const int h = std::abs(f.height);
        for (int r = 0; r < h; ++r) {
            const int y = f.height < 0 ? r : h - 1 - r;
            const std::uint32_t* src = &f.pixels[std::size_t(y) * w];
            QByteArray row;
            if (f.bits < 8) {
                std::uint32_t acc = 0;
                int n = 0;
                for (int x = 0; x < w; ++x) {
                    acc = (acc << f.bits) | src[x];
                    n += f.bits;
                    if (n == 8) {
                        row.append(char(acc));
                        acc = 0;
                        n = 0;
                    }
                }
                if (n > 0)
                    row.append(char(acc << (8 - n)));
            } else {
                for (int x = 0; x < w; ++x) {
                    if (f.bits == 8)
                        row.append(char(src[x]));
                    else if (f.bits == 16)
                        Put16(row, src[x]);
                    else if (f.bits == 24) {
                        row.append(char(src[x] & 0xFF));
                        row.append(char((src[x] >> 8) & 0xFF));
                        row.append(char((src[x] >> 16) & 0xFF));
                    } else {
                        Put32(row, src[x]);
                    }
                }
            }
            while (row.size() % 4)
                row.append('\0');
            pixels.append(row);
        }
    }
    const int at = 14 + int(info.size());
    QByteArray out("BM");
    Put32(out, std::uint32_t(at + pixels.size()));
    Put32(out, 0);
    Put32(out, std::uint32_t(f.offset >= 0 ? f.offset : at));
    out.append(info);
    out.append(pixels);
    return out;
}

QByteArray EncodeRle(const std::vector<int>& indices, int w, int h, bool four, bool topDown,
                     bool literal) {
    QByteArray out;
    const auto put = [&](int a, int b) {
        out.append(char(a));
        out.append(char(b));
    };
    const auto at = [&](int x, int r) {
        const int y = topDown ? r : h - 1 - r;
        return indices[std::size_t(y) * w + x];
    };
    int cx = 0, cr = 0; // where the next pixel goes: column and row in file order
    const auto moveTo = [&](int x, int r) {
        while (cr < r) {
            if (x >= cx && x - cx <= 255 && r - cr <= 255) {
                put(0, 2);
                put(x - cx, r - cr);
                cx = x;
                cr = r;
                return;
            }
            put(0, 0); // end of line
            cx = 0;
            ++cr;
        }
        while (cx < x) {
            const int d = std::min(255, x - cx);
            put(0, 2);
            put(d, 0);
            cx += d;
        }
    };
    const auto colour = [&](int v) { return four ? (v << 4) | v : v; };
    for (int r = 0; r < h; ++r) {
        int x = 0;
        while (x < w) {
            if (at(x, r) < 0) {
                ++x;
                continue;
            }
            int e = x;
            while (e < w && at(e, r) >= 0)
                ++e;
            moveTo(x, r);
            while (x < e) {
                int n = 1;
                while (x + n < e && n < 255 && at(x + n, r) == at(x, r))
                    ++n;
                int m = 1;
                while (x + m < e && m < 255 && !(x + m + 1 < e && at(x + m, r) == at(x + m + 1, r)))
                    ++m;
                if (n >= 2 || !literal || m < 3) {
                    put(n, colour(at(x, r)));
                    x += n;
                    continue;
                }
                put(0, m);
                QByteArray bytes;
                for (int i = 0; i < m; ++i) {
                    if (!four)
                        bytes.append(char(at(x + i, r)));
                    else if (i % 2 == 0)
                        bytes.append(char(at(x + i, r) << 4));
                    else
                        bytes[bytes.size() - 1] = char(bytes.back() | at(x + i, r));
                }
                if (bytes.size() % 2)
                    bytes.append('\0');
                out.append(bytes);
                x += m;
            }
            cx = e;
        }
    }
    put(0, 1); // end of the picture
    return out;
}

QByteArray EncodeLzw(const std::vector<int>& indices, int codeSize, bool clearWhenFull) {
    const int clear = 1 << codeSize;
    const int end = clear + 1;
    BitWriter bits;
    // The decoder's next free code decides the width of each code it reads: it adds an
    // entry after every code but the first after a clear.
    int decoderNext = end + 1;
    bool firstAfterClear = true;
    const auto emitCode = [&](int code) {
        bits.Put(code, std::min(12, BitLength(decoderNext)));
        if (!firstAfterClear && decoderNext < 4096)
            ++decoderNext;
        firstAfterClear = false;
    };
    const auto emitClear = [&]() {
        bits.Put(clear, std::min(12, BitLength(decoderNext)));
        decoderNext = end + 1;
        firstAfterClear = true;
    };
    emitClear();
    std::map<std::pair<int, int>, int> table;
    int next = end + 1;
    int prefix = -1;
    for (int k : indices) {
        if (prefix < 0) {
            prefix = k;
            continue;
        }
        const auto it = table.find({prefix, k});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        emitCode(prefix);
        if (next < 4096)
            table[{prefix, k}] = next++;
        prefix = k;
        if (clearWhenFull && next == 4096) {
            emitClear();
            table.clear();
            next = end + 1;
        }
    }
    if (prefix >= 0)
        emitCode(prefix);
    bits.Put(end, std::min(12, BitLength(decoderNext)));
    return bits.Take();
}

QByteArray PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
    BitWriter bits;
    for (const auto& [code, width] : codesAndWidths)
        bits.Put(code, width);
    return bits.Take();
}

QByteArray MakeGif(const GifFile& f) {
    QByteArray out("GIF");
    out.append(f.version);
    Put16(out, std::uint32_t(f.width));
    Put16(out, std::uint32_t(f.height));
    std::uint8_t flags = 0;
    if (!f.global.empty())
        flags = std::uint8_t(0x80 | ((f.globalBits - 1) << 4) | (f.globalBits - 1));
    out.append(char(flags));
    out.append(char(f.background));
    out.append('\0');
    if (!f.global.empty())
        PutTable(out, f.global, f.globalBits);
    out.append(f.beforeImages);
    for (const GifImage& im : f.images) {
        if (im.transparent >= 0 || im.control) {
            const char packed = im.transparent >= 0 ? 1 : 0;
            out.append(QByteArray("\x21\xF9\x04", 3));
            out.append(packed);
            out.append(QByteArray(2, '\0'));
            out.append(char(std::max(im.transparent, 0)));
            out.append('\0');
        }
        out.append('\x2C');
        Put16(out, std::uint32_t(im.left));
        Put16(out, std::uint32_t(im.top));
        Put16(out, std::uint32_t(im.width));
        Put16(out, std::uint32_t(im.height));
        std::uint8_t imageFlags = im.interlaced ? 0x40 : 0;
        if (!im.local.empty())
            imageFlags |= std::uint8_t(0x80 | (im.localBits - 1));
        out.append(char(imageFlags));
        if (!im.local.empty())
            PutTable(out, im.local, im.localBits);
        out.append(char(im.codeSize));
        QByteArray data = im.data;
        if (!im.hasData && data.isEmpty()) {
            std::vector<int> order;
            if (im.interlaced) {
                static const int kStart[4] = {0, 4, 2, 1};
                static const int kStep[4] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; ++pass)
                    for (int y = kStart[pass]; y < im.height; y += kStep[pass])
                        order.insert(order.end(), im.pixels.begin() + std::ptrdiff_t(y) * im.width,
                                     im.pixels.begin() + std::ptrdiff_t(y + 1) * im.width);
            } else {
                order = im.pixels;
            }
            data = EncodeLzw(order, im.codeSize, !im.keepFullTable);
        }
        out.append(SubBlocks(data));
    }
    if (f.trailer)
        out.append('\x3B');
    return out;
}

bool CollectSink::Begin(int w, int h) {
    ++begins;
    width = w;
    height = h;
    if (std::int64_t(w) * h > 4'000'000) {
        ADD_FAILURE() << "CollectSink is for small pictures, not " << w << " x " << h;
        return false;
    }
    pixels.assign(std::size_t(w) * std::size_t(h), 0xDEADBEEFu);
    counts.assign(std::size_t(w) * std::size_t(h), 0);
    return m_accept;
}

void CollectSink::Row(int y, const std::uint32_t* row, int x0, int step) {
    ++rowCalls;
    if (begins != 1 || y < 0 || y >= height || x0 < 0 || step < 1) {
        badCall = true;
        return;
    }
    int n = 0;
    for (int x = x0; x < width; x += step, ++n) {
        pixels[std::size_t(y) * width + x] = row[x];
        ++counts[std::size_t(y) * width + x];
    }
    widestCall = std::max(widestCall, n);
}

bool CollectSink::EveryPixelOnce() const {
    return begins == 1 && !badCall && !counts.empty() &&
           std::all_of(counts.begin(), counts.end(), [](int c) { return c == 1; });
}

Decoded Decode(const QByteArray& bytes, const codec::Options& options) {
    Decoded d;
    d.result = codec::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size()), d.sink, options);
    return d;
}

QImage QtDecode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

QSize QtSize(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

} // namespace codec_test
