#include "document/PngDecoder.h"

#include "codec/Codec.h"
#include "document/ImageLimits.h"

#include <QIODevice>
#include <QImageReader>
#include <cstring>

namespace {

const uchar kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

/// Collects the decoded rows into an ARGB32 picture. The picture's memory is taken only
/// once the header has passed the image readers' allocation limit.
class ImageSink : public codec::RowSink {
public:
    explicit ImageSink(qint64 maxBytes) : m_maxBytes(maxBytes) {}
    bool Begin(int width, int height) override {
        if (m_maxBytes > 0 && qint64(width) * qint64(height) * 4 > m_maxBytes) {
            refusal = QStringLiteral("the picture is too large");
            return false;
        }
        image = QImage(width, height, QImage::Format_ARGB32);
        if (image.isNull()) {
            refusal = QStringLiteral("no memory for the picture");
            return false;
        }
        return true;
    }
    void Row(int y, const std::uint32_t* row, int x0, int step) override {
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (step == 1) {
            std::memcpy(d + x0, row + x0, size_t(image.width() - x0) * sizeof(QRgb));
            return;
        }
        for (int x = x0; x < image.width(); x += step)
            d[x] = row[x];
    }

    QImage image;
    QString refusal;

private:
    qint64 m_maxBytes;
};

} // namespace

bool HasPngSignature(const QByteArray& head) {
    return head.size() >= 8 && std::memcmp(head.constData(), kSignature, 8) == 0;
}

PngImage DecodePng(const QByteArray& bytes) {
    PngImage out;
    if (!HasPngSignature(bytes)) {
        out.error = QStringLiteral("not a PNG file");
        return out;
    }
    ImageSink sink(qint64(QImageReader::allocationLimit()) * 1024 * 1024);
    codec::Options options;
    options.maxPixels = kMaxImagePixels;
    const codec::Result result =
        codec::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      size_t(bytes.size()), sink, options);
    switch (result.outcome) {
    case codec::Outcome::Complete:
    case codec::Outcome::Damaged:
        out.image = std::move(sink.image);
        out.damaged = result.outcome == codec::Outcome::Damaged;
        out.transparent = result.transparent;
        out.error = QString::fromStdString(result.error);
        break;
    case codec::Outcome::Failed:
        out.error = sink.refusal.isEmpty() ? QString::fromStdString(result.error) : sink.refusal;
        break;
    }
    return out;
}

PngImage DecodePng(QIODevice& device) {
    // The file is read into memory first: no larger than the file itself, and far
    // smaller than the pixels it declares.
    return DecodePng(device.readAll());
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
