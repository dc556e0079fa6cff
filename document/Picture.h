#pragma once
// A slide picture: the image-file bytes it is stored as, decoded only when something
// shows it, at the size it is shown. Saving gives those bytes back unchanged; a picture
// made from pixels keeps its pixels and saves as an uncompressed BMP file.

#include "codec/Reducer.h"
#include "document/ByteStore.h"
#include "document/Document.h"
#include "document/ImageLimits.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <atomic>
#include <functional>
#include <memory>

class QIODevice;

/// The pixel size an image file's header declares, read without decoding any pixels;
/// invalid when the bytes are no image the readers know.
QSize DeclaredPictureSize(const QByteArray& bytes);
/// True when a declared size is larger than kMaxImagePixels.
bool ExceedsPictureLimit(QSize size);
/// True when a picture of `size` is drawn from a reduced decode (ReducedImage), never
/// from one at its full size: more than kWholeDecodePixels.
bool IsDrawnReduced(QSize size);

/// How many of a stored picture's first bytes are looked at for its header at first:
/// enough for the headers of BMP, GIF, PNG and WebP files and of most JPEG files.
constexpr qint64 kPictureHeadBytes = 64 * 1024;

/// The first bytes of stored image-file bytes that hold the picture's header, without
/// reading the rest: kPictureHeadBytes, doubled while they begin an image format the
/// readers know but do not yet tell its size (a JPEG with large metadata before its
/// frame header), up to all of them. Bytes held in memory are given whole. `keepGoing`
/// (optional) is asked before each doubling; when it says false the bytes read so far
/// are given. Empty when the bytes cannot be read.
QByteArray PictureHead(const StoredBytes& stored, const std::function<bool()>& keepGoing = {});

class Picture {
public:
    /// A picture of image-file bytes (any format the image readers know), held in
    /// memory. Only the header is read: null when the bytes are no image the readers
    /// know or declare more than kMaxImagePixels.
    static PicturePtr fromBytes(const QByteArray& bytes);
    /// A picture of `stored` (bytes in memory, or left in their store), whose header is
    /// read from `head`, its first bytes (PictureHead). Null like fromBytes, and when
    /// the size is not found in `head` unless it holds all the bytes.
    static PicturePtr fromStored(const StoredBytes& stored, const QByteArray& head);
    /// A picture made from pixels; it has no source bytes. Null for a null image.
    static PicturePtr fromImage(const QImage& image);

    Picture();
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    /// A number no other picture of this run has: the key of its decoded images.
    quint64 id() const { return m_id; }
    /// The pixel size, as the header declares it.
    QSize size() const { return m_size; }
    /// The file format's name as the image readers know it ("jpeg", "png", "bmp", ...);
    /// empty for a picture made from pixels.
    QByteArray format() const { return m_format; }
    /// True once decoding the bytes has failed: the picture has nothing to show.
    bool failedToDecode() const { return m_failed.load(std::memory_order_relaxed); }
    /// True for a picture made from pixels: it has nothing to decode.
    bool hasPixelsAtHand() const { return !m_pixels.isNull(); }

    /// The whole picture at its pixel size (Format_RGB32, or Format_ARGB32 when it has
    /// an alpha channel), decoded now unless the program's cache holds it. Null when
    /// the bytes do not decode. Safe to call from any thread.
    QImage image() const;
    /// The picture scaled to `size` (smoothly). A JPEG is decoded at a reduced scale on
    /// the way, far faster than at its full size; other formats are decoded whole and
    /// scaled. Not cached. Null when the bytes do not decode or `size` is empty.
    QImage scaledImage(QSize size) const;
    /// The picture reduced to `size` (never enlarged: a picture smaller than `size` on an
    /// axis keeps its length there) while it is decoded, as Format_ARGB32_Premultiplied
    /// whose alpha is the share of each pixel's area the picture covers: its pixels of
    /// exactly `coverage`'s key cover nothing, and their alpha counts when
    /// `coverage.useAlpha`. BMP, GIF, JPEG and PNG pictures are decoded a few rows at a
    /// time, however large they declare themselves; pictures of other formats are decoded
    /// whole (refused, null, above kWholeDecodePixels). Not cached. Null when the bytes do
    /// not decode or `size` is empty. Safe to call from any thread.
    QImage reducedImage(QSize size, const codec::Coverage& coverage) const;

    /// The stored image-file bytes (read from the store when they are there); empty for
    /// a picture made from pixels or when the store cannot be read.
    QByteArray sourceBytes() const;
    /// The same bytes for a decoder that reads them while this picture lives: mapped
    /// from their store without a copy where it can be (StoredBytes::view). Never keep
    /// the result beyond the picture.
    QByteArray viewBytes() const { return m_source.view(); }
    /// The image-file bytes: the source bytes, or a BMP file for a picture made from pixels.
    QByteArray save() const;
    /// The length of what save() gives, without encoding or reading anything.
    qint64 savedSize() const;
    /// The memory the picture itself keeps: its bytes when they are held in memory, its
    /// pixels when it was made from pixels; nothing for bytes left in a store (decoded
    /// images live in the program's cache and are not counted).
    qint64 heldBytes() const { return m_source.heldBytes() + m_pixels.sizeInBytes(); }

private:
    QImage decode(QSize scaled) const;

    quint64 m_id = 0;
    QSize m_size;
    QByteArray m_format;
    QImage m_pixels;      ///< a picture made from pixels
    StoredBytes m_source; ///< or the image-file bytes, in memory or in their store
    mutable std::atomic<bool> m_failed{false};
};

/// Pixel size of a picture; 0 x 0 for a null picture and for one whose bytes turned
/// out not to decode.
QSize GetPictureSize(const Picture* picture);
inline QSize GetPictureSize(const PicturePtr& picture) {
    return GetPictureSize(picture.get());
}

/// Reads exactly `count` bytes from `in` and makes a picture of them (see
/// Picture::fromBytes). Null when the count is impossible (negative, or more than the
/// device still holds: nothing is read then), when the read is short, or when the bytes
/// are no image (they are consumed then).
PicturePtr LoadPictureFromStream(QIODevice& in, qint64 count);

/// The picture's image-file bytes; false (and `out` empty) when there are none.
bool SavePictureToStream(const Picture* picture, QByteArray& out);

/// The length of the BMP file EncodeBmp makes of a `size` picture, with or without an
/// alpha channel.
qint64 EncodedBmpSize(QSize size, bool alpha);

/// `image` mirrored left to right when `flipH`, top to bottom when `flipV`; the image
/// itself (shared, not copied) when neither.
QImage MirroredImage(const QImage& image, bool flipH, bool flipV);

/// Encodes an image as an uncompressed BMP file (32 bits per pixel when it has an
/// alpha channel, else 24).
QByteArray EncodeBmp(const QImage& image);
