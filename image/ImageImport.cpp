#include "image/ImageImport.h"

#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Screen.h"
#include "base/Settings.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/PngDecoder.h"
#include "image/BitmapKey.h"
#include "image/CutShort.h"
#include "image/JpegOrientation.h"
#include "image/KeyedPicture.h"
#include "image/PngColorKeyReader.h"
#include "packaging/WorkFolder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

/// The messages an import holds back for the interface thread.
using Notices = QList<ImportNotice>;

bool TooLarge(const QSize& size) {
    return size.isValid() && qint64(size.width()) * qint64(size.height()) > kMaxImagePixels;
}

/// Decodes an image file (by its content) into an ARGB32 raster; null when it cannot
/// be decoded or is larger than kMaxImagePixels. Size is checked before decoding.
QImage DecodeRaster(const QString& path) {
    {
        // PNG files go to our own decoder, whose pixels are the same on every build.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && HasPngSignature(file.peek(8))) {
            const PngImage png = DecodePng(file);
            return png.damaged ? QImage() : png.image;
        }
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true); // upright, as an orientation tag asks
    if (TooLarge(reader.size()))
        return {};
    QImage image = reader.read();
    if (image.isNull() || TooLarge(image.size()))
        return {};
    if (image.format() != QImage::Format_ARGB32)
        image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    return image;
}

/// Why DecodeRaster found no picture in a file that exists: it cannot be opened, its
/// header tells a size beyond kMaxImagePixels, or its content is no picture.
ImportFailure WhyNotDecoded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ImportFailure::Unreadable;
    QImageReader reader(&file);
    return TooLarge(reader.size()) ? ImportFailure::TooLarge : ImportFailure::NotAPicture;
}

/// Why a path cannot be imported before anything is decoded: it names nothing, names
/// a folder (or another thing that is no regular file), or the file cannot be opened.
ImportFailure CheckImportPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return ImportFailure::Missing;
    // A folder, pipe or device is no picture file (and opening a pipe would block).
    if (!IsRegularFile(path))
        return ImportFailure::NotAFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ImportFailure::Unreadable;
    return ImportFailure::None;
}

ImportResult ImportFailed(ImportFailure failure) {
    ImportResult r;
    r.failure = failure;
    return r;
}

/// Reads a whole file; false when it cannot be opened or read completely, or is larger
/// than any picture we take could need (a JPEG of 100 megapixels is far smaller).
bool ReadWholeFile(const QString& path, QByteArray& out) {
    constexpr qint64 kMaxFileBytes = qint64(512) << 20;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFileBytes)
        return false;
    try {
        out = f.readAll();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return f.error() == QFileDevice::NoError && out.size() == f.size();
}

enum class RenderStatus { Ok, NoSource, NoEncoder };

/// Draws the picture at w x h and encodes it as `format` into `out`.
RenderStatus RenderToBytes(const Picture* picture, int w, int h, const QString& format, int quality,
                           KeyColor key, QByteArray& out) {
    out.clear();
    const QImage src = picture ? picture->image() : QImage(); // decoded once
    if (src.isNull() || w <= 0 || h <= 0)
        return RenderStatus::NoSource;
    const QString fmt = format.toLower();
    const bool bmp = fmt == QLatin1String("bmp");
    if (!bmp && !QImageWriter::supportedMimeTypes().contains(QByteArray("image/") + fmt.toLatin1()))
        return RenderStatus::NoEncoder;

    QImage drawn;
    if (src.size() == QSize(w, h))
        drawn = src;
    else if (key)
        drawn = ScaleKeyedImage(src, w, h, *key);
    else
        drawn = src.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (drawn.isNull())
        return RenderStatus::NoSource;

    if (bmp) {
        // A 32-bit bitmap, like the surface the picture is drawn into.
        out = EncodeBmp(drawn.format() == QImage::Format_ARGB32
                            ? drawn
                            : drawn.convertToFormat(QImage::Format_ARGB32));
        return out.isEmpty() ? RenderStatus::NoSource : RenderStatus::Ok;
    }
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, fmt.toLatin1());
    writer.setQuality(std::clamp(quality, 0, 100));
    // Huffman tables made for this picture: the same pixels in fewer bytes.
    writer.setOptimizedWrite(true);
    if (!writer.write(drawn)) {
        out.clear();
        return RenderStatus::NoEncoder;
    }
    return RenderStatus::Ok;
}

/// Makes the shrunken picture from its encoded `bytes`.
PicturePtr PictureFromConvertedBytes(const QByteArray& bytes, Notices& notices) {
    PicturePtr picture = Picture::fromBytes(bytes);
    if (!picture)
        notices << ImportNotice{Msg::OutOfMemory, QString()};
    return picture;
}

/// The decoded picture turned as the orientation tag asks: mirrored and/or flipped, then
/// a quarter turn clockwise, as the image reader reports it. Its colour profile stays
/// (the reader's own turn forgets it on a quarter turn).
QImage TurnedUpright(QImage image, QImageIOHandler::Transformations turn) {
    if (image.isNull() || turn == QImageIOHandler::TransformationNone)
        return image;
    const QColorSpace colours = image.colorSpace();
    image = std::move(image).mirrored(turn.testFlag(QImageIOHandler::TransformationMirror),
                                      turn.testFlag(QImageIOHandler::TransformationFlip));
    if (turn.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    image.setColorSpace(colours);
    return image;
}

/// ScalePicture, its message held back in `notices`.
PicturePtr ScaleToCopy(PicturePtr picture, int w, int h, bool bmp, KeyColor key, Notices& notices) {
    const QString format = bmp ? QStringLiteral("bmp") : QStringLiteral("jpeg");
    QByteArray bytes;
    if (RenderToBytes(picture.get(), w, h, format, 100, bmp ? key : std::nullopt, bytes) !=
        RenderStatus::Ok)
        return picture;
    picture.reset();
    return PictureFromConvertedBytes(bytes, notices);
}

/// FitPictureToLimit with the limit of `settings`, its message held back in `notices`.
PicturePtr FitToLimit(PicturePtr picture, int& width, int& height, KeyColor key,
                      const ImportSettings& settings, Notices& notices) {
    if (width <= settings.limitWidth && height <= settings.limitHeight)
        return picture;
    const QSize fit = FitSizeToLimit(width, height, settings.limitWidth, settings.limitHeight);
    width = fit.width();
    height = fit.height();
    return ScaleToCopy(std::move(picture), width, height, key != std::nullopt, key, notices);
}

/// A JPEG file's picture. A JPEG larger than the limit is decoded directly at (about)
/// the reduced size, which the JPEG decoder does far faster than a full decode, then
/// smoothed to the exact size and kept as the shrunken copy. `done` false: the bytes
/// are not a usable JPEG and the file takes the general road.
ImportResult ImportJpeg(const QString& path, const ImportSettings& settings, bool& done) {
    ImportResult r;
    done = false;
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes) || bytes.isEmpty())
        return r;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    // Only JPEG bytes are kept as they are; anything else named .jpg is decoded anew.
    if (reader.format() != "jpeg")
        return r;
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || TooLarge(size))
        return r;
    // A camera's orientation tag turns the picture as it was meant; the slide stores it
    // upright, without the tag, so that every reader shows it alike. The decoder scales
    // in the stored orientation and turns afterwards.
    const QImageIOHandler::Transformations turn = reader.transformation();
    const bool upright = turn == QImageIOHandler::TransformationNone;
    const bool swapped = turn.testFlag(QImageIOHandler::TransformationRotate90);
    const QSize shown = swapped ? size.transposed() : size;

    QSize fit = shown;
    if (settings.limitSize)
        fit = FitSizeToLimit(shown.width(), shown.height(), settings.limitWidth,
                             settings.limitHeight);
    if (fit == shown && !upright) {
        // Turned where its compressed blocks allow it, so nothing of the picture is lost;
        // otherwise it is decoded upright and encoded anew, as a shrunken picture is.
        if (const std::optional<QByteArray> turned = RotateJpegUpright(bytes, turn)) {
            PicturePtr picture = Picture::fromBytes(*turned);
            if (picture && picture->size() == shown && !picture->image().isNull()) {
                done = true;
                r.ok = true;
                r.width = shown.width();
                r.height = shown.height();
                r.picture = std::move(picture);
                return r;
            }
        }
    }
    if (fit != shown || !upright) {
        if (fit != shown) {
            reader.setScaledSize(swapped ? fit.transposed() : fit);
            reader.setQuality(100); // accurate DCT and a smooth final step
        }
        QImage small = TurnedUpright(reader.read(), turn);
        if (!small.isNull() && small.size() == fit) {
            auto holder = Picture::fromImage(small);
            QByteArray jpeg;
            if (RenderToBytes(holder.get(), fit.width(), fit.height(), QStringLiteral("jpeg"), 100,
                              std::nullopt, jpeg) == RenderStatus::Ok) {
                done = true;
                r.ok = true;
                r.width = fit.width();
                r.height = fit.height();
                r.picture = PictureFromConvertedBytes(jpeg, r.notices);
                return r;
            }
        }
        // Not decodable at the reduced size: the full road below decides.
    }
    r.picture = Picture::fromBytes(bytes);
    // A header alone proves nothing: the pixels must decode.
    if (!r.picture || r.picture->image().isNull()) {
        r.picture.reset();
        return r;
    }
    done = true;
    r.ok = true;
    r.width = r.picture->size().width();
    r.height = r.picture->size().height();
    if (settings.limitSize)
        r.picture = FitToLimit(r.picture, r.width, r.height, r.key, settings, r.notices);
    return r;
}

inline int Clamp255(double v) {
    return v < 0 ? 0 : (v > 255 ? 255 : int(v));
}

} // namespace

QSize FitSizeToLimit(int width, int height, int limitW, int limitH) {
    if (width <= limitW && height <= limitH)
        return QSize(width, height);
    // Single-precision scale, double-precision products, truncated: a scale that
    // should give a whole number can land just below it (600 x 300 -> 499 x 249).
    const float sx = float(limitW) / float(width);
    const float sy = float(limitH) / float(height);
    const float s = sy <= sx ? sy : sx;
    const int newH = int(std::trunc(double(height) * double(s)));
    const int newW = int(std::trunc(double(s) * double(width)));
    return QSize(std::max(1, newW), std::max(1, newH));
}

int SubstituteGreen(QRgb key) {
    const int g = qGreen(key);
    return g < 8 ? g + 8 : g - 8;
}

void BlendTowardsKey(QImage& raster, QRgb key) {
    if (raster.format() != QImage::Format_ARGB32)
        raster = std::move(raster).convertToFormat(QImage::Format_ARGB32);
    const int kR = qRed(key), kG = qGreen(key), kB = qBlue(key);
    const int gG = SubstituteGreen(key);
    const int width = raster.width(), height = raster.height();
    for (int y = 0; y < height; ++y) {
        auto* p = reinterpret_cast<QRgb*>(raster.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = p[x];
            const int alpha = qAlpha(c);
            if (alpha == 0) {
                p[x] = qRgba(kR, kG, kB, 0);
            } else if (alpha == 255) {
                if (qRed(c) == kR && qGreen(c) == kG && qBlue(c) == kB)
                    p[x] = qRgba(kR, gG, kB, 255);
            } else {
                const float a = float(double(alpha) / 255.0);
                const double da = double(a);
                const auto mix = [da](int ch, int k) {
                    return Clamp255(std::trunc(double(ch) * da + double(k) * (1.0 - da)));
                };
                p[x] = qRgba(mix(qRed(c), kR), mix(qGreen(c), kG), mix(qBlue(c), kB), alpha);
            }
        }
    }
}

QRgb ApplyLowDepthRules(QImage& raster, QRgb key) {
    if (raster.format() != QImage::Format_ARGB32)
        raster = std::move(raster).convertToFormat(QImage::Format_ARGB32);
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    const int width = raster.width(), height = raster.height();
    for (int y = 0; y < height; ++y) {
        auto* p = reinterpret_cast<QRgb*>(raster.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = p[x];
            const int r = qRed(c), g = qGreen(c), b = qBlue(c), a = qAlpha(c);
            const bool pureWhite = r == 255 && g == 255 && b == 255;
            if (key == white) {
                if (!pureWhite && r >= 240 && g >= 240 && b >= 240)
                    p[x] = qRgba(255, 247, 255, a);
            } else if (key == black) {
                if (!(r == 0 && g == 0 && b == 0) && r < 16 && g < 16 && b < 16)
                    p[x] = qRgba(0, 8, 0, a);
            } else if (a == 0) {
                p[x] = qRgba(255, 255, 255, 0);
            } else if (pureWhite) {
                p[x] = qRgba(255, 247, 255, a);
            }
        }
    }
    return (key == white || key == black) ? key : white;
}

QImage ScaleKeyedImage(const QImage& source, int w, int h, QRgb key) {
    if (source.isNull() || w <= 0 || h <= 0)
        return {};
    const bool alpha = source.hasAlphaChannel();
    const QImage src = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int sw = src.width(), sh = src.height();
    const QRgb keyRgb = key & 0xFFFFFF;

    // Key pixels become holes (fully transparent) in a premultiplied copy and every
    // other pixel opaque, so the smooth scaler averages only the picture's own colours
    // and its alpha tells how much of each output pixel they cover. The pixels' own
    // alpha, when they have any below 255, travels the same way in a second copy.
    QImage holes(sw, sh, QImage::Format_ARGB32_Premultiplied);
    QImage alphas;
    bool partial = false;
    if (holes.isNull())
        return {};
    for (int y = 0; y < sh; ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* q = reinterpret_cast<QRgb*>(holes.scanLine(y));
        for (int x = 0; x < sw; ++x) {
            const bool hole = (p[x] & 0xFFFFFF) == keyRgb;
            q[x] = hole ? 0u : (p[x] | 0xFF000000u);
            partial = partial || (alpha && !hole && qAlpha(p[x]) != 255);
        }
    }
    if (partial) {
        alphas = QImage(sw, sh, QImage::Format_ARGB32_Premultiplied);
        if (alphas.isNull())
            return {};
        for (int y = 0; y < sh; ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            auto* q = reinterpret_cast<QRgb*>(alphas.scanLine(y));
            for (int x = 0; x < sw; ++x) {
                const int a = qAlpha(p[x]);
                q[x] = (p[x] & 0xFFFFFF) == keyRgb ? 0u : qRgba(a, a, a, 255);
            }
        }
        alphas = alphas.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage scaled = holes.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (partial)
        alphas = alphas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (scaled.isNull() || out.isNull() || (partial && alphas.isNull()))
        return {};

    const int kR = qRed(key), kG = qGreen(key), kB = qBlue(key);
    const int gG = SubstituteGreen(key);
    for (int y = 0; y < h; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
        const auto* sa = partial ? reinterpret_cast<const QRgb*>(alphas.constScanLine(y)) : nullptr;
        auto* q = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int cover = qAlpha(s[x]);
            if (cover * 2 < 255) {
                // Mostly hole: exactly the key, so it stays see-through.
                q[x] = qRgba(kR, kG, kB, alpha ? 0 : 255);
                continue;
            }
            // The average of the covering pixels: the premultiplied sums over the cover.
            const auto unmix = [cover](int v) {
                return std::min(255, (v * 255 + cover / 2) / cover);
            };
            const int r = unmix(qRed(s[x]));
            int g = unmix(qGreen(s[x]));
            const int b = unmix(qBlue(s[x]));
            const int a = !alpha ? 255 : (sa ? unmix(qRed(sa[x])) : 255);
            if (r == kR && g == kG && b == kB)
                g = gG; // an averaged colour must not turn see-through by accident
            q[x] = qRgba(r, g, b, a);
        }
    }
    return out;
}

namespace {

/// The JPEG bytes of the raster at `quality`; false on failure (with Msg::OutOfMemory in
/// `notices` where the raster cannot be drawn).
bool EncodeJpeg(const QImage& raster, int width, int height, int quality, QByteArray& bytes,
                Notices& notices) {
    const PicturePtr wrap = Picture::fromImage(raster); // shares the pixels, no copy
    const RenderStatus st = RenderToBytes(wrap.get(), width, height, QStringLiteral("jpeg"),
                                          quality, std::nullopt, bytes);
    if (st == RenderStatus::NoSource) {
        notices << ImportNotice{Msg::OutOfMemory, QString()};
        return false;
    }
    return st == RenderStatus::Ok;
}

/// Lays every pixel of `raster` over the colour `key`: transparent ones take the key,
/// half-transparent ones are mixed with it, opaque ones stay (those of exactly the key
/// colour become see-through, as the key was named for them).
void LayOverKey(QImage& raster, QRgb key) {
    if (!raster.hasAlphaChannel())
        return;
    for (int y = 0; y < raster.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(raster.scanLine(y));
        for (int x = 0; x < raster.width(); ++x) {
            const int a = qAlpha(p[x]);
            if (a == 255)
                continue;
            const auto mix = [a](int over, int under) {
                return (over * a + under * (255 - a) + 127) / 255;
            };
            p[x] = qRgb(mix(qRed(p[x]), qRed(key)), mix(qGreen(p[x]), qGreen(key)),
                        mix(qBlue(p[x]), qBlue(key)));
        }
    }
}

/// DecodeWithColorKey with `settings`, its messages held back in `notices`.
PicturePtr DecodeWithKey(const QString& path, const QString& ext, PicturePtr fallback, bool bmpMode,
                         KeyColor& key, int& width, int& height, const ImportSettings& settings,
                         Notices& notices, ImportFailure* failure) {
    bool pngKnown = false;
    KeyColor pngKey = std::nullopt;
    if (ext == QLatin1String("png"))
        pngKnown = PngColorKeyReader::ReadPngColorKey(path, pngKey);

    QImage raster = DecodeRaster(path);
    if (raster.isNull()) {
        if (failure)
            *failure = WhyNotDecoded(path);
        return fallback;
    }
    width = raster.width();
    height = raster.height();

    const KeyColor given = bmpMode ? std::nullopt : settings.givenKey;
    if (given) {
        key = given;
        LayOverKey(raster, *given);
    } else if (!bmpMode) {
        // The first fully transparent pixel, in storage order, names the key.
        bool found = false;
        for (int y = 0; y < height && !found; ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(raster.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(p[x]) == 0) {
                    key = qRgb(qRed(p[x]), qGreen(p[x]), qBlue(p[x]));
                    found = true;
                    break;
                }
            }
        }
        if (found) {
            if (pngKnown && pngKey && pngKey != key) {
                // The file's own nomination wins: its transparent pixels take that colour.
                const QRgb k = *pngKey & 0x00FFFFFFu;
                for (int y = 0; y < height; ++y) {
                    auto* p = reinterpret_cast<QRgb*>(raster.scanLine(y));
                    for (int x = 0; x < width; ++x)
                        if (qAlpha(p[x]) == 0)
                            p[x] = k;
                }
                key = pngKey;
            }
            if (settings.screenDepth < 24)
                key = ApplyLowDepthRules(raster, *key);
        }
    }

    if (!key) {
        // Same as ReencodeAsJpeg, with the raster let go before the JPEG is decoded, so
        // a large image is never held twice.
        QByteArray bytes;
        if (!EncodeJpeg(raster, width, height, settings.jpegQuality, bytes, notices))
            return nullptr;
        raster = QImage();
        return Picture::fromBytes(bytes);
    }
    if (!bmpMode && !given)
        BlendTowardsKey(raster, *key);
    return Picture::fromImage(raster);
}

/// Imports a file known to exist and open: the roads by extension, the decoder by content.
ImportResult ImportOpenableFile(const QString& path, const QString& ext,
                                const ImportSettings& settings) {
    ImportResult r;
    bool bmpMode = false;
    if (ext == QLatin1String("bmp")) {
        KeyColor key = std::nullopt;
        QString failurePrefix;
        ScanBitmapFile(path, key, failurePrefix);
        if (!failurePrefix.isEmpty())
            r.notices << ImportNotice{Msg::BitmapInfoFailed, failurePrefix};
        // A key named for the import wins over the bitmap's own; the bitmap stays as it is.
        r.key = settings.givenKey ? settings.givenKey : key;
        bmpMode = true;
    }
    if (ext == QLatin1String("jpeg")) {
        bool done = false;
        ImportResult jpeg = ImportJpeg(path, settings, done);
        if (done) {
            if (settings.givenKey) {
                jpeg.key = settings.givenKey;
                // The JPEG's pixels only come near the colour: those near enough become
                // it, and the picture is kept lossless, so the key stays exact.
                if (jpeg.picture && settings.keyTolerance > 0) {
                    if (PicturePtr keyed =
                            KeyedCopy(*jpeg.picture, *settings.givenKey, settings.keyTolerance))
                        jpeg.picture = std::move(keyed);
                }
            }
            return jpeg;
        }
    }
    // A file that decodes but gives no picture failed in the making of it.
    ImportFailure failure = ImportFailure::NotPrepared;
    PicturePtr picture = DecodeWithKey(path, ext, nullptr, bmpMode, r.key, r.width, r.height,
                                       settings, r.notices, &failure);
    if (!picture) {
        ImportResult failed = ImportFailed(failure);
        failed.notices = std::move(r.notices);
        return failed;
    }
    if (settings.limitSize)
        picture = FitToLimit(picture, r.width, r.height, r.key, settings, r.notices);
    r.ok = true;
    r.picture = picture;
    return r;
}

} // namespace

ImportSettings ReadImportSettings() {
    ImportSettings s;
    s.limitSize = ReadSettingInt(Setting::LimitImageSize, 1) == 1;
    s.limitWidth = ReadSettingPositive(Setting::ImageLimitWidth, 500);
    s.limitHeight = ReadSettingPositive(Setting::ImageLimitHeight, 500);
    s.jpegQuality = ReadSettingInt(Setting::JpegQuality, 70);
    s.keyTolerance = ReadKeyTolerance();
    s.screenDepth = Screen().depth;
    return s;
}

void ShowImportNotices(const QList<ImportNotice>& notices) {
    for (const ImportNotice& n : notices)
        ShowMessage(n.id, n.prefix, nullptr, MsgKind::Error);
}

Msg ImportFailureMessage(ImportFailure failure) {
    switch (failure) {
    case ImportFailure::None:
        break;
    case ImportFailure::NotImageFileName:
        return Msg::NotImageFileName;
    case ImportFailure::Missing:
        return Msg::FileNotFound;
    case ImportFailure::NotAFile:
        return Msg::NotAFile;
    case ImportFailure::Unreadable:
        return Msg::FileUnreadable;
    case ImportFailure::NotAPicture:
        return Msg::NotAPicture;
    case ImportFailure::TooLarge:
        return Msg::PictureTooLarge;
    case ImportFailure::NotPrepared:
        return Msg::PictureNotPrepared;
    }
    return Msg::Unlisted;
}

ImportResult ImportImageFile(const QString& path, const QString& ext,
                             const ImportSettings& settings) {
    // A missing file, a folder or an unreadable file is named as such, and never reaches
    // the bitmap reader's own messages.
    if (const ImportFailure failure = CheckImportPath(path); failure != ImportFailure::None)
        return ImportFailed(failure);
    ImportResult r = ImportOpenableFile(path, ext, settings);
    if (r.ok)
        r.cutShort = ImageFileCutShort(path);
    return r;
}

ImportResult ImportImageFile(const QString& path, const QString& ext) {
    ImportResult r = ImportImageFile(path, ext, ReadImportSettings());
    ShowImportNotices(r.notices);
    return r;
}

PicturePtr DecodeWithColorKey(const QString& path, const QString& ext, PicturePtr fallback,
                              bool bmpMode, KeyColor& key, int& width, int& height,
                              ImportFailure* failure) {
    Notices notices;
    PicturePtr picture = DecodeWithKey(path, ext, std::move(fallback), bmpMode, key, width, height,
                                       ReadImportSettings(), notices, failure);
    ShowImportNotices(notices);
    return picture;
}

PicturePtr ReencodeAsJpeg(const QImage& raster, int width, int height) {
    QByteArray bytes;
    Notices notices;
    const bool ok =
        EncodeJpeg(raster, width, height, ReadSettingInt(Setting::JpegQuality, 70), bytes, notices);
    ShowImportNotices(notices);
    return ok ? Picture::fromBytes(bytes) : nullptr;
}

bool RenderToImageFile(const Picture* picture, int w, int h, const QString& format, int quality,
                       const QString& path, KeyColor key) {
    QByteArray bytes;
    if (RenderToBytes(picture, w, h, format, quality, key, bytes) != RenderStatus::Ok)
        return false;
    QFile::remove(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() &&
           f.flush();
}

PicturePtr FitPictureToLimit(PicturePtr picture, int& width, int& height, KeyColor key) {
    Notices notices;
    picture = FitToLimit(std::move(picture), width, height, key, ReadImportSettings(), notices);
    ShowImportNotices(notices);
    return picture;
}

PicturePtr ScalePicture(PicturePtr picture, int w, int h, bool bmp, KeyColor key) {
    Notices notices;
    picture = ScaleToCopy(std::move(picture), w, h, bmp, key, notices);
    ShowImportNotices(notices);
    return picture;
}

std::unique_ptr<QTemporaryFile> SavePictureToWorkBmp(const Picture* picture) {
    const QByteArray bytes = picture ? EncodeBmp(picture->image()) : QByteArray();
    if (bytes.isEmpty())
        return nullptr;
    return WriteWorkFile(bytes, QStringLiteral(".bmp"));
}

std::unique_ptr<QTemporaryFile> WriteWorkFile(const QByteArray& bytes, const QString& suffix) {
    std::unique_ptr<QTemporaryFile> file = NewWorkFile(suffix);
    if (!file)
        return nullptr;
    if (file->write(bytes) != bytes.size() || !file->flush()) {
        ShowMessage(Msg::SaveFailed, FileAndReason(file->fileName(), WriteFailureReason(*file)),
                    nullptr, MsgKind::Error);
        return nullptr;
    }
    file->close(); // the name stays taken until the object goes
    return file;
}
