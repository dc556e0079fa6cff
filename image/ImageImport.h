#pragma once
// Turning image files into slide pictures: decoding, finding the transparent colour
// (colour key), preparing the pixels for colour keying, re-encoding and shrinking.

#include "base/Messages.h"
#include "document/Document.h"
#include "document/ImageLimits.h"
#include "document/Picture.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <memory>

class QTemporaryFile;

/// Why a file did not become a slide.
enum class ImportFailure {
    None,
    NotImageFileName, ///< the name's extension is none of the image types (checked by the caller)
    Missing,          ///< there is no such file
    NotAFile,         ///< a folder, or another thing that is no regular file
    Unreadable,       ///< the file cannot be opened
    NotAPicture,      ///< the content decodes as no picture
    TooLarge,         ///< the picture has more than kMaxImagePixels
    NotPrepared       ///< decoded, but the slide's picture could not be made
};

/// The message that names the reason (Msg::FileNotFound, Msg::NotAFile, ...).
Msg ImportFailureMessage(ImportFailure failure);

/// What an import works with, read once on the interface thread: the settings store and
/// the screen are not touched while files are imported on other threads.
struct ImportSettings {
    bool limitSize = true; ///< shrink pictures larger than the limit
    int limitWidth = 500;  ///< the size limit (above zero)
    int limitHeight = 500;
    int jpegQuality = 70; ///< quality of pictures re-encoded as JPEG
    int screenDepth = 32; ///< the display's colour depth, for the low-depth key rules
    /// A colour key named for every file of the import (the command line's --key): it
    /// wins over a file's own, pixels of that colour become see-through, and pictures
    /// that are not JPEG files keep their pixels exactly (they are not re-encoded). A
    /// JPEG file's picture is keyed with `keyTolerance` (KeyWithTolerance) and kept
    /// lossless.
    KeyColor givenKey = std::nullopt;
    int keyTolerance = 24; ///< see Setting::KeyTolerance and kDefaultKeyTolerance
};

/// A size limit chosen for one run instead of the settings' (the command line's
/// --max-size).
struct SizeLimit {
    bool on = true; ///< false: pictures keep their size
    int width = 500;
    int height = 500;
    bool operator==(const SizeLimit& o) const {
        return on == o.on && (!on || (width == o.width && height == o.height));
    }
};

/// The settings in the store and the screen's colour depth, now. Interface thread only.
ImportSettings ReadImportSettings();

/// A message an import held back: ShowMessage(id, prefix), an error, no owner.
struct ImportNotice {
    Msg id = Msg::Unlisted;
    QString prefix;
};

/// Shows the held-back messages in the order they arose. Interface thread only.
void ShowImportNotices(const QList<ImportNotice>& notices);

/// What an import yields. `ok` false: the file did not become a picture, `failure` says
/// why (no message of its own). `ok` true with a null picture: the shrunken copy could
/// not be made (its message is in `notices`); the slide is still made, without a
/// picture. `cutShort`: the file ends before its picture does, and the decoder filled in
/// the rest; the slide is made, the caller warns. `notices`: the messages the import
/// met on its way (a bitmap whose colour key could not be read, no memory for a copy),
/// for the caller to show before anything else about the file.
struct ImportResult {
    bool ok = false;
    ImportFailure failure = ImportFailure::None;
    bool cutShort = false;
    PicturePtr picture;
    KeyColor key = std::nullopt;
    int width = 0;
    int height = 0;
    QList<ImportNotice> notices;
};

/// Imports one image file with `settings`. `ext` is the normalised extension (lower
/// case, "jpeg" for "jpg", "tiff" for "tif"); it chooses the road, the file's content
/// chooses the decoder. Safe on any thread: it reads no settings, shows nothing and
/// touches no document; its messages are in the result's `notices`.
ImportResult ImportImageFile(const QString& path, const QString& ext,
                             const ImportSettings& settings);

/// Imports one image file with the stored settings and shows its messages at once.
/// Interface thread only.
ImportResult ImportImageFile(const QString& path, const QString& ext);

/// Decodes `path` into a 32-bit raster, finds its colour key (for "png" with the
/// help of the file's own nomination), prepares the pixels and makes the picture.
/// `key` comes in as set by the caller (empty, or the BMP key in BMP mode).
/// Returns `fallback` when the file cannot be decoded; `failure`, when given, then tells
/// why (Unreadable, TooLarge or NotAPicture). Reads the settings and shows its messages
/// (interface thread only).
PicturePtr DecodeWithColorKey(const QString& path, const QString& ext, PicturePtr fallback,
                              bool bmpMode, KeyColor& key, int& width, int& height,
                              ImportFailure* failure = nullptr);

/// Encodes the raster as JPEG at the Quality setting and makes
/// a picture of those bytes. Null on failure.
PicturePtr ReencodeAsJpeg(const QImage& raster, int width, int height);

/// Draws the picture stretched to w x h and writes it to `path` as `format` ("jpeg"
/// or "bmp") at `quality`. With a colour key, the key-coloured pixels are treated as
/// holes so they never bleed into their neighbours. False when the picture is empty,
/// the size is empty, there is no encoder for the format, or the file cannot be written.
bool RenderToImageFile(const Picture* picture, int w, int h, const QString& format, int quality,
                       const QString& path, KeyColor key = std::nullopt);

/// Shrinks the picture into the ImageLimitWidth x ImageLimitHeight limit when it exceeds it; the
/// new size replaces `width` and `height`. Keyed pictures stay lossless (BMP). Reads the
/// settings and shows its messages (interface thread only).
PicturePtr FitPictureToLimit(PicturePtr picture, int& width, int& height, KeyColor key);

/// A copy of the picture at w x h, as BMP (`bmp`) or JPEG at quality 100. Returns the
/// old picture when it cannot be drawn, null (after message Msg::OutOfMemory) when the
/// copy cannot be read back.
PicturePtr ScalePicture(PicturePtr picture, int w, int h, bool bmp, KeyColor key = std::nullopt);

/// Writes `bytes` to a new work file of its own (see NewWorkFile), closed and removed
/// when the returned object goes; null after a message when it cannot be written.
std::unique_ptr<QTemporaryFile> WriteWorkFile(const QByteArray& bytes, const QString& suffix);

/// The picture's pixels as a BMP work file of its own; null when it cannot be written.
std::unique_ptr<QTemporaryFile> SavePictureToWorkBmp(const Picture* picture);

// The pixel rules, on ARGB32 rasters (exposed for tests).

/// The size an image of `width` x `height` is shrunk to for the limit (computed in
/// single precision, truncated); the size itself when it fits. Never below 1 x 1.
QSize FitSizeToLimit(int width, int height, int limitW, int limitH);

/// The green that replaces the key's green in opaque pixels of exactly the key colour.
int SubstituteGreen(QRgb key);

/// Fully transparent pixels take the key colour, opaque pixels of the key colour move
/// their green away from it, half-transparent pixels are mixed towards the key.
void BlendTowardsKey(QImage& raster, QRgb key);

/// Moves colours that a display of fewer than 24 bits could not tell from the key
/// away from it. Returns the key to use (white for keys other than white and black).
QRgb ApplyLowDepthRules(QImage& raster, QRgb key);

/// Smooth scaling that treats pixels of exactly the key colour as holes: covered
/// output pixels average only the non-key pixels, the rest are exactly the key colour.
QImage ScaleKeyedImage(const QImage& source, int w, int h, QRgb key);
