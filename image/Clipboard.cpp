#include "image/Clipboard.h"

#include "base/Settings.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/PngDecoder.h"
#include "document/SlideTable.h"
#include "image/ImageImport.h"
#include "image/KeyedPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryFile>
#include <algorithm>
#include <climits>

namespace {

/// The image formats a paste accepts: Qt's own image and PNG files, which is how other
/// programs on Linux offer copied images.
const QLatin1String kQtImageMime("application/x-qt-image");
const QLatin1String kPngMime("image/png");

/// The private slide data: this first line, the settings text on the second, then a line
/// naming what follows: the picture's image-file bytes, or a PNG file of its pixels.
const QByteArray kSlideFirstLine("luserio-slide 1\n");
const QByteArray kBytesLine("bytes\n");
const QByteArray kPixelsLine("pixels\n");

QByteArray SlidePayload(const Picture& picture, const QString& text) {
    QByteArray out = kSlideFirstLine + text.toUtf8() + '\n';
    if (!picture.sourceBytes().isEmpty())
        return out + kBytesLine + picture.sourceBytes();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.image().save(&buffer, "PNG"))
        return {};
    return out + kPixelsLine + png;
}

/// Reads the private slide data: its settings text and its picture, made again from
/// the same bytes (so it stores the same bytes) or from the same pixels. False when the
/// data is not in that form, or its picture does not decode or exceeds kMaxImagePixels;
/// the data may come from another program, so it is checked like a document's picture.
bool ReadSlidePayload(const QByteArray& payload, QString& text, PicturePtr& picture) {
    if (!payload.startsWith(kSlideFirstLine))
        return false;
    const qsizetype textStart = kSlideFirstLine.size();
    const qsizetype textEnd = payload.indexOf('\n', textStart);
    if (textEnd < 0)
        return false;
    text = QString::fromUtf8(payload.mid(textStart, textEnd - textStart));
    const QByteArray rest = payload.mid(textEnd + 1);
    const bool pixels = rest.startsWith(kPixelsLine);
    if (!pixels && !rest.startsWith(kBytesLine))
        return false;
    const QByteArray bytes = rest.mid((pixels ? kPixelsLine : kBytesLine).size());
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, pixels ? QByteArray("png") : QByteArray());
    reader.setAutoDetectImageFormat(!pixels);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() ||
        qint64(size.width()) * qint64(size.height()) > kMaxImagePixels)
        return false;
    picture = pixels ? Picture::fromImage(reader.read()) : Picture::fromBytes(bytes);
    return picture != nullptr;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

/// Reads a decimal number the way the C library's atol does on a 32-bit long: leading
/// blanks skipped, an optional sign, digits up to the first other character, no digits
/// giving 0. Values beyond the 32-bit range saturate instead of wrapping.
qint32 DecimalValue(const QString& field) {
    int i = 0;
    const int n = int(field.size());
    while (i < n && IsBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < n && (field[i] == QLatin1Char('+') || field[i] == QLatin1Char('-'))) {
        negative = field[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < n && field[i] >= QLatin1Char('0') && field[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (field[i].unicode() - '0');
        if (value > qint64(INT_MAX) + 1)
            value = qint64(INT_MAX) + 1; // stays saturated; the digits are still consumed
    }
    if (negative)
        value = -value;
    return qint32(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

/// Makes the pixels that the copied slide left out see-through: those of exactly the
/// key colour and those already fully transparent, all with the key colour and alpha 0.
/// An image that travelled through another process may have lost the colour of its
/// see-through pixels (PNG writers often store them black); the slide's text says what
/// it was.
void MarkKeyPixels(QImage& image, QRgb key) {
    image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    const QRgb k = key & 0x00FFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(p[x]) == 0 || (p[x] & 0xFFFFFFu) == (k & 0xFFFFFFu))
                p[x] = k;
    }
}

bool HasSeeThroughPixel(const QImage& image) {
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(p[x]) == 0)
                return true;
    }
    return false;
}

/// The image as a PNG work file of its own; null when it cannot be written.
std::unique_ptr<QTemporaryFile> SaveImageToWorkPng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return nullptr;
    return WriteWorkFile(bytes, QStringLiteral(".png"));
}

/// Inserts the pasted slide at `index`, its picture (`width` x `height`) shrunk to the
/// size limit when that is on; the index. A JPEG picture that the slide's text gives a
/// transparent colour is shrunk as a JPEG picture, then keyed with a tolerance
/// (SetSlideKey), as the same picture keyed in the editor is.
int InsertPastedSlide(EditorState& ed, int index, SlideRecord rec, PicturePtr picture, int width,
                      int height) {
    const bool keyLater = rec.keyColor && IsLossyPicture(picture.get());
    if (ReadSettingInt(Setting::LimitImageSize, 1) == 1)
        picture = FitPictureToLimit(picture, width, height, keyLater ? std::nullopt : rec.keyColor);
    rec.picture = std::move(picture);
    if (keyLater)
        SetSlideKey(rec, rec.keyColor);
    InsertSlide(ed, index, rec);
    ed.RedrawRebuilt();
    return index;
}

} // namespace

QString SlideClipboardText(const SlideRecord& slide) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(qint32(StoredFromKeyColor(slide.keyColor)))
        .arg(int(slide.switchTime))
        .arg(int(slide.flipH))
        .arg(int(slide.flipV));
}

QString ExtractField(const QString& text, int n, QChar separator) {
    if (n < 1)
        return {};
    qsizetype start = 0;
    for (int k = 1; k < n; ++k) {
        const qsizetype sep = text.indexOf(separator, start);
        if (sep < 0)
            return {};
        start = sep + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

SlideRecord SlideRecordFromText(const QString& text) {
    SlideRecord rec;
    const QChar comma(QLatin1Char(','));
    if (!text.isEmpty() && text.count(comma) == 3) {
        const QString key = ExtractField(text, 1, comma);
        rec.keyColor = key == QLatin1String("-1") ? std::nullopt
                                                  : KeyColorFromStored(quint32(DecimalValue(key)));
        int time = int(quint32(DecimalValue(ExtractField(text, 2, comma))) % 65536u);
        if (time == 0)
            time = 1;
        rec.switchTime = quint16(std::min(time, kMaxSwitchTime));
        rec.flipH = quint8(quint32(DecimalValue(ExtractField(text, 3, comma))) % 256u);
        rec.flipV = quint8(quint32(DecimalValue(ExtractField(text, 4, comma))) % 256u);
        return rec;
    }
    rec.keyColor = std::nullopt;
    rec.switchTime = NewSlideSwitchTime();
    return rec;
}

QMimeData* MakeSlideMimeData(const QImage& image, const QString& text, const Picture* picture) {
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setText(text);
    if (picture) {
        const QByteArray payload = SlidePayload(*picture, text);
        if (!payload.isEmpty())
            data->setData(QLatin1String(kSlideMimeType), payload);
    }
    return data;
}

bool HasClipboardBitmap(const QMimeData* data) {
    return data && (data->hasFormat(kQtImageMime) || data->hasFormat(kPngMime) ||
                    data->hasFormat(QLatin1String(kSlideMimeType)));
}

QImage ClipboardBitmap(const QMimeData* data) {
    if (!data)
        return {};
    if (data->hasImage()) {
        QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull())
            return image;
    }
    if (data->hasFormat(kPngMime))
        return DecodePngImage(data->data(kPngMime));
    return {};
}

int PasteSlide(EditorState& ed, int mark, const QMimeData* data) {
    Document& doc = CurrentDocument();
    if (!HasClipboardBitmap(data))
        return -1;
    if (!CanAddSlide(true))
        return -1;

    int index;
    if (mark >= 0) {
        index = std::clamp(ed.m_page * kSlidesPerPage + mark, 0, doc.slideCount);
    } else {
        if (ed.m_page < ed.m_pageCount - 1)
            ed.m_page = ed.m_pageCount - 1;
        index = doc.slideCount;
    }

    // A slide copied by this program: its own picture, already prepared for its key, so
    // it is not keyed again (that would mix its half-transparent pixels further towards
    // the key on every round). A picture within the size limit stays as it is.
    QString slideText;
    PicturePtr copied;
    if (data->hasFormat(QLatin1String(kSlideMimeType)) &&
        ReadSlidePayload(data->data(QLatin1String(kSlideMimeType)), slideText, copied)) {
        const QSize size = copied->size();
        return InsertPastedSlide(ed, index, SlideRecordFromText(slideText), std::move(copied),
                                 size.width(), size.height());
    }

    QImage bitmap = ClipboardBitmap(data);
    if (bitmap.isNull())
        return -1;
    const QString text = data->hasText() ? data->text() : QString();
    SlideRecord rec = SlideRecordFromText(text);
    if (rec.keyColor)
        MarkKeyPixels(bitmap, *rec.keyColor);

    // The picture goes the way of an imported BMP file, so a pasted image is prepared
    // for colour keying exactly like an added one: having no see-through pixel, it is
    // kept as JPEG like any opaque image. An image with see-through pixels is written as
    // a PNG work file instead, because a BMP file would lose them; its first see-through
    // pixel then names the key and the picture stays lossless, so a copied keyed slide
    // comes back pixel for pixel. (The file's content decides the decoder; the BMP road
    // keeps a PNG file's own background nomination out of it.)
    int width = bitmap.width();
    int height = bitmap.height();
    const bool seeThrough = HasSeeThroughPixel(bitmap);
    const PicturePtr clipPicture = Picture::fromImage(bitmap);
    const std::unique_ptr<QTemporaryFile> file =
        seeThrough ? SaveImageToWorkPng(bitmap) : SavePictureToWorkBmp(clipPicture.get());
    bitmap = QImage();
    if (!file)
        return -1;
    const QString path = file->fileName();
    KeyColor key = std::nullopt;
    PicturePtr picture =
        DecodeWithColorKey(path, QStringLiteral("bmp"), clipPicture, false, key, width, height);
    if (!picture)
        return -1;

    return InsertPastedSlide(ed, index, rec, std::move(picture), width, height);
}
