#include "document/Picture.h"

#include "base/ByteOrder.h"
#include "document/ByteStore.h"
#include "document/PictureCache.h"
#include "document/PngDecoder.h"

#include <QBuffer>
#include <QIODevice>
#include <QImageReader>
#include <QMutex>
#include <QWaitCondition>
#include <algorithm>
#include <optional>

namespace {

std::atomic<quint64> g_nextPictureId{1};

/// The cache's name for a picture decoded whole.
constexpr int kWholePicture = 0;

/// Full-size decodes take turns: together they hold at most kFullDecodeBudgetBytes of
/// pixels, and one that needs more than that runs alone. A turn is taken for what the
/// decode really holds: the picture and the copy its conversion makes.
class DecodeTurn {
public:
    explicit DecodeTurn(QSize size)
        : m_bytes(std::min(qint64(size.width()) * size.height() * 4 * 2, kFullDecodeBudgetBytes)) {
        QMutexLocker lock(&s_mutex);
        while (s_held > 0 && s_held + m_bytes > kFullDecodeBudgetBytes)
            s_free.wait(&s_mutex);
        s_held += m_bytes;
    }
    ~DecodeTurn() {
        QMutexLocker lock(&s_mutex);
        s_held -= m_bytes;
        s_free.wakeAll();
    }
    DecodeTurn(const DecodeTurn&) = delete;
    DecodeTurn& operator=(const DecodeTurn&) = delete;

private:
    qint64 m_bytes;
    static QMutex s_mutex;
    static QWaitCondition s_free;
    static qint64 s_held;
};

QMutex DecodeTurn::s_mutex;
QWaitCondition DecodeTurn::s_free;
qint64 DecodeTurn::s_held = 0;

/// The rows of a picture at hand (Format_RGB32 or Format_ARGB32) handed to a sink.
void FeedRows(const QImage& image, codec::RowSink& sink) {
    if (!sink.Begin(image.width(), image.height()))
        return;
    for (int y = 0; y < image.height(); ++y)
        sink.Row(y, reinterpret_cast<const std::uint32_t*>(image.constScanLine(y)), 0, 1);
}

QImage toStorageFormat(QImage image) {
    if (image.isNull())
        return image;
    const auto fmt = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != fmt)
        image = image.convertToFormat(fmt);
    return image;
}

/// The size and format the header at the start of `bytes` declares; false when they are
/// no image the readers know, declare no pixels, or more than kMaxImagePixels. `whole`
/// says whether `bytes` are all of the picture's bytes, or only its first ones.
bool ReadHeader(const QByteArray& bytes, bool whole, QSize& size, QByteArray& format) {
    if (bytes.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    format = reader.format();
    if (format.isEmpty())
        return false;
    size = reader.size();
    if (!size.isValid()) {
        // A reader that cannot tell its size without decoding: decode once to learn it,
        // which needs all the bytes.
        if (!whole || ExceedsPictureLimit(size))
            return false;
        const QImage image = reader.read();
        size = image.size();
    }
    return size.isValid() && !size.isEmpty() && !ExceedsPictureLimit(size);
}

/// False when `head` begins a JPEG file whose frame header (the size) lies beyond it:
/// its segments are walked by their lengths, so the JPEG reader is not asked, and does
/// not complain about, bytes that end before the frame.
bool JpegFrameWithin(const QByteArray& head) {
    const auto* b = reinterpret_cast<const uchar*>(head.constData());
    const qsizetype n = head.size();
    if (n < 2 || b[0] != 0xFF || b[1] != 0xD8)
        return true; // no JPEG: the readers decide
    qsizetype at = 2;
    for (;;) {
        while (at < n && b[at] == 0xFF && at + 1 < n && b[at + 1] == 0xFF)
            ++at; // fill bytes
        if (at + 4 > n)
            return false;
        if (b[at] != 0xFF)
            return true; // damaged: the reader will say so
        const uchar marker = b[at + 1];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return at + 9 <= n; // the marker, its length, the precision, height and width
        if (marker == 0xD9 || marker == 0xDA)
            return true; // an end or a scan before any frame: the reader will say so
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2; // markers without a length
            continue;
        }
        at += 2 + ((qsizetype(b[at + 2]) << 8) | b[at + 3]);
    }
}

} // namespace

QSize DeclaredPictureSize(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.size();
}

bool ExceedsPictureLimit(QSize size) {
    return size.isValid() && qint64(size.width()) * qint64(size.height()) > kMaxImagePixels;
}

QByteArray PictureHead(const StoredBytes& stored, const std::function<bool()>& keepGoing) {
    if (!stored.inStore())
        return stored.bytes();
    qint64 want = std::min(stored.size(), kPictureHeadBytes);
    for (;;) {
        const QByteArray head = stored.head(want);
        if (head.isEmpty() || want >= stored.size())
            return head;
        // The readers know a format by its first bytes: more bytes help only a format
        // they know whose size lies further on.
        if (JpegFrameWithin(head)) {
            QBuffer buffer;
            buffer.setData(head);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            reader.setAutoTransform(false);
            if (reader.format().isEmpty() || reader.size().isValid())
                return head;
        }
        if (keepGoing && !keepGoing())
            return head;
        want = want > stored.size() / 2 ? stored.size() : want * 2;
    }
}

bool IsDrawnReduced(QSize size) {
    return size.isValid() && qint64(size.width()) * qint64(size.height()) > kWholeDecodePixels;
}

Picture::Picture() : m_id(g_nextPictureId.fetch_add(1, std::memory_order_relaxed)) {}

Picture::~Picture() {
    PictureCache::instance().forget(m_id);
}

PicturePtr Picture::fromBytes(const QByteArray& bytes) {
    return fromStored(StoredBytes(bytes), bytes);
}

PicturePtr Picture::fromStored(const StoredBytes& stored, const QByteArray& head) {
    auto picture = std::make_shared<Picture>();
    if (!ReadHeader(head, head.size() >= stored.size(), picture->m_size, picture->m_format))
        return nullptr;
    picture->m_source = stored;
    return picture;
}

PicturePtr Picture::fromImage(const QImage& image) {
    if (image.isNull())
        return nullptr;
    auto picture = std::make_shared<Picture>();
    picture->m_pixels = toStorageFormat(image);
    picture->m_size = picture->m_pixels.size();
    return picture;
}

QByteArray Picture::sourceBytes() const {
    return m_source.bytes();
}

QImage Picture::decode(QSize scaled) const {
    if (m_failed.load(std::memory_order_relaxed))
        return QImage();
    QImage image;
    // A decode at the full size waits its turn; a reduced one holds little.
    std::optional<DecodeTurn> turn;
    if (!scaled.isValid())
        turn.emplace(m_size);
    try {
        // Mapped from the store where it can be: the decoder reads no further than the
        // picture's end, however long the block declares itself.
        const QByteArray bytes = m_source.view();
        if (HasPngSignature(bytes)) {
            // PNG pixels come from our own decoder, the same on every build.
            image = DecodePngImage(bytes);
        } else if (!bytes.isEmpty()) {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            reader.setAutoTransform(false);
            // A few bytes may declare gigabytes of pixels: the header is checked first.
            if (!ExceedsPictureLimit(reader.size())) {
                // The JPEG decoder scales by powers of two while decoding, then smooths
                // to the exact size.
                if (scaled.isValid() && m_format == "jpeg")
                    reader.setScaledSize(scaled);
                image = toStorageFormat(reader.read());
                if (ExceedsPictureLimit(image.size()))
                    image = QImage();
            }
        }
    } catch (const std::bad_alloc&) {
        return QImage(); // perhaps another time, with more memory free
    }
    if (image.isNull()) {
        m_failed.store(true, std::memory_order_relaxed);
        return image;
    }
    if (scaled.isValid() && image.size() != scaled)
        image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage Picture::image() const {
    if (!m_pixels.isNull())
        return m_pixels;
    PictureCache& cache = PictureCache::instance();
    const PictureCacheKey key{m_id, kWholePicture, QSize(), 0};
    QImage image = cache.find(key);
    if (image.isNull()) {
        image = decode(QSize());
        cache.insert(key, image);
    }
    return image;
}

QImage Picture::scaledImage(QSize size) const {
    if (size.isEmpty())
        return QImage();
    if (size == m_size)
        return image();
    if (!m_pixels.isNull())
        return m_pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return decode(size);
}

QImage Picture::reducedImage(QSize size, const codec::Coverage& coverage) const {
    if (size.isEmpty() || m_failed.load(std::memory_order_relaxed))
        return QImage();
    codec::Reducer reducer(size.width(), size.height(), coverage);
    try {
        if (!m_pixels.isNull()) {
            FeedRows(m_pixels, reducer);
        } else {
            const QByteArray bytes = m_source.view();
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
            const codec::Format format = codec::FormatOf(data, size_t(bytes.size()));
            if (codec::Decodes(format)) {
                codec::Options options;
                options.maxPixels = kMaxImagePixels;
                // The decoder's own reduced scales mix neighbouring pixels: a key must
                // meet the picture's own pixels.
                if (!coverage.keyed) {
                    options.minWidth = size.width();
                    options.minHeight = size.height();
                }
                const codec::Result result =
                    codec::Decode(data, size_t(bytes.size()), reducer, options);
                // A PNG that breaks off is no picture, as when it is decoded whole.
                if (result.outcome == codec::Outcome::Failed ||
                    (format == codec::Format::Png && result.outcome == codec::Outcome::Damaged)) {
                    if (!bytes.isEmpty())
                        m_failed.store(true, std::memory_order_relaxed);
                    return QImage();
                }
            } else {
                // Other formats are decoded whole, which only pictures of a size that
                // may be decoded whole are.
                if (IsDrawnReduced(m_size)) {
                    m_failed.store(true, std::memory_order_relaxed);
                    return QImage();
                }
                const QImage whole = image();
                if (whole.isNull())
                    return QImage();
                FeedRows(whole, reducer);
            }
        }
        if (reducer.width() <= 0 || reducer.height() <= 0)
            return QImage();
        const std::vector<std::uint32_t> pixels = reducer.Take();
        QImage out(reducer.width(), reducer.height(), QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return out;
        for (int y = 0; y < out.height(); ++y)
            std::copy_n(pixels.data() + size_t(y) * size_t(out.width()), out.width(),
                        reinterpret_cast<QRgb*>(out.scanLine(y)));
        return out;
    } catch (const std::bad_alloc&) {
        return QImage(); // perhaps another time, with more memory free
    }
}

QByteArray Picture::save() const {
    if (!m_pixels.isNull())
        return EncodeBmp(m_pixels);
    return sourceBytes();
}

qint64 Picture::savedSize() const {
    if (!m_pixels.isNull())
        return EncodedBmpSize(m_pixels.size(), m_pixels.hasAlphaChannel());
    return m_source.size();
}

qint64 EncodedBmpSize(QSize size, bool alpha) {
    const qint64 stride = ((qint64(size.width()) * (alpha ? 32 : 24) + 31) / 32) * 4;
    const qint64 fileSize = 54 + stride * size.height();
    return fileSize > 0x7FFFFFFF ? 0 : fileSize; // EncodeBmp refuses larger ones
}

QSize GetPictureSize(const Picture* picture) {
    if (!picture || picture->failedToDecode())
        return QSize(0, 0);
    return picture->size();
}

PicturePtr LoadPictureFromStream(QIODevice& in, qint64 count) {
    if (count <= 0)
        return nullptr;
    if (!in.isSequential() && count > in.size() - in.pos())
        return nullptr; // more than the file holds: reserve nothing, read nothing
    QByteArray bytes;
    try {
        bytes.resize(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (bytes.size() != count)
        return nullptr;
    if (in.read(bytes.data(), count) != count)
        return nullptr;
    return Picture::fromBytes(bytes);
}

bool SavePictureToStream(const Picture* picture, QByteArray& out) {
    out.clear();
    if (!picture)
        return false;
    out = picture->save();
    return !out.isEmpty();
}
QImage MirroredImage(const QImage& image, bool flipH, bool flipV) {
    if (!flipH && !flipV)
        return image;
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    Qt::Orientations o;
    if (flipH)
        o |= Qt::Horizontal;
    if (flipV)
        o |= Qt::Vertical;
    return image.flipped(o);
#else
    return image.mirrored(flipH, flipV);
#endif
}

QByteArray EncodeBmp(const QImage& source) {
    if (source.isNull())
        return {};
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const int bpp = alpha ? 32 : 24;
    const qint64 stride = ((qint64(w) * bpp + 31) / 32) * 4;
    const qint64 pixelBytes = stride * h;
    const qint64 fileSize = EncodedBmpSize(image.size(), alpha);
    if (fileSize == 0)
        return {};
    QByteArray out;
    out.reserve(int(fileSize));
    out.append("BM", 2);
    PutLE32(out, quint32(fileSize));
    PutLE32(out, 0);
    PutLE32(out, 54);
    PutLE32(out, 40); // BITMAPINFOHEADER
    PutLE32(out, quint32(w));
    PutLE32(out, quint32(h));
    PutLE16(out, 1);
    PutLE16(out, quint16(bpp));
    PutLE32(out, 0); // BI_RGB, uncompressed
    PutLE32(out, quint32(pixelBytes));
    PutLE32(out, 2835); // 72 dpi
    PutLE32(out, 2835);
    PutLE32(out, 0);
    PutLE32(out, 0);
    QByteArray row(int(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        char* d = row.data();
        for (int x = 0; x < w; ++x) {
            const QRgb p = src[x];
            *d++ = char(qBlue(p));
            *d++ = char(qGreen(p));
            *d++ = char(qRed(p));
            if (alpha)
                *d++ = char(qAlpha(p));
        }
        out.append(row);
    }
    return out;
}
