#include "image/JpegOrientation.h"

#ifdef LSR_HAVE_TURBOJPEG
#include <turbojpeg.h>

#include <QLibrary>
#include <memory>
#include <new>

namespace {

/// The TurboJPEG functions the turn uses. The library is loaded when a photo is first
/// turned, not linked: the program, and the slideshow player built from the same code
/// (which turns no photos), start on a machine without it, where photos are re-encoded.
struct TurboJpeg {
    decltype(&tjInitTransform) initTransform = nullptr;
    decltype(&tjTransform) transform = nullptr;
    decltype(&tjDestroy) destroy = nullptr;
    decltype(&tjFree) free = nullptr;
    bool loaded() const { return initTransform && transform && destroy && free; }
};

const TurboJpeg& Library() {
    static const TurboJpeg functions = [] {
        TurboJpeg f;
        QLibrary library(QStringLiteral("turbojpeg"), 0); // libturbojpeg.so.0
        if (!library.load())
            return f;
        // The library stays loaded for the life of the process.
        f.initTransform =
            reinterpret_cast<decltype(f.initTransform)>(library.resolve("tjInitTransform"));
        f.transform = reinterpret_cast<decltype(f.transform)>(library.resolve("tjTransform"));
        f.destroy = reinterpret_cast<decltype(f.destroy)>(library.resolve("tjDestroy"));
        f.free = reinterpret_cast<decltype(f.free)>(library.resolve("tjFree"));
        return f.loaded() ? f : TurboJpeg();
    }();
    return functions;
}

/// The lossless operation that undoes the stored orientation. The reader's turns are a
/// mirror and/or flip done first, then a quarter turn clockwise: a flip then the quarter
/// turn is the transposition, a mirror then the quarter turn the anti-diagonal one.
std::optional<int> TurnOperation(QImageIOHandler::Transformations turn) {
    using T = QImageIOHandler;
    switch (int(turn)) {
    case T::TransformationMirror:
        return TJXOP_HFLIP;
    case T::TransformationFlip:
        return TJXOP_VFLIP;
    case T::TransformationRotate180:
        return TJXOP_ROT180;
    case T::TransformationRotate90:
        return TJXOP_ROT90;
    case T::TransformationRotate270:
        return TJXOP_ROT270;
    case T::TransformationFlipAndRotate90:
        return TJXOP_TRANSPOSE;
    case T::TransformationMirrorAndRotate90:
        return TJXOP_TRANSVERSE;
    default:
        return std::nullopt;
    }
}

inline int ByteAt(const QByteArray& bytes, qsizetype pos) {
    return quint8(bytes[pos]);
}

/// The segments before the first scan that carry the colour profile (APP2
/// "ICC_PROFILE"), in file order and whole. The walk stops at anything it does not
/// understand: a profile the decoder might not have found is better left behind.
QByteArray ColourProfileSegments(const QByteArray& jpeg) {
    static const QByteArray kIccTag("ICC_PROFILE\0", 12);
    QByteArray segments;
    qsizetype pos = 2; // after the start-of-image marker
    while (pos + 4 <= jpeg.size() && ByteAt(jpeg, pos) == 0xFF) {
        const int marker = ByteAt(jpeg, pos + 1);
        if (marker == 0xFF) { // a fill byte before the marker
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9 || marker == 0x00)
            break; // the first scan, the end of the image, or no marker at all
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2; // markers without a length
            continue;
        }
        const qsizetype length = (ByteAt(jpeg, pos + 2) << 8) | ByteAt(jpeg, pos + 3);
        if (length < 2 || pos + 2 + length > jpeg.size())
            break;
        if (marker == 0xE2 && length >= 2 + kIccTag.size() &&
            jpeg.mid(pos + 4, kIccTag.size()) == kIccTag)
            segments += jpeg.mid(pos, 2 + length);
        pos += 2 + length;
    }
    return segments;
}

/// `segments` put into the JPEG file `jpeg` right after its start-of-image marker and
/// the JFIF segment that follows it, where the colour profile belongs.
QByteArray InsertAfterJfif(const QByteArray& jpeg, const QByteArray& segments) {
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && ByteAt(jpeg, pos) == 0xFF && ByteAt(jpeg, pos + 1) == 0xE0) {
        const qsizetype length = (ByteAt(jpeg, pos + 2) << 8) | ByteAt(jpeg, pos + 3);
        if (length < 2 || pos + 2 + length > jpeg.size())
            break;
        pos += 2 + length;
    }
    QByteArray out;
    out.reserve(jpeg.size() + segments.size());
    out += jpeg.left(pos);
    out += segments;
    out += jpeg.mid(pos);
    return out;
}

struct HandleCloser {
    void operator()(void* handle) const { Library().destroy(handle); }
};

struct BufferFree {
    void operator()(unsigned char* buffer) const { Library().free(buffer); }
};

} // namespace

bool CanTurnJpegLosslessly() {
    return Library().loaded();
}

std::optional<QByteArray> RotateJpegUpright(const QByteArray& jpeg,
                                            QImageIOHandler::Transformations turn) {
    const std::optional<int> op = TurnOperation(turn);
    if (!op || jpeg.isEmpty() || !Library().loaded())
        return std::nullopt;
    const std::unique_ptr<void, HandleCloser> handle(Library().initTransform());
    if (!handle)
        return std::nullopt;

    tjtransform transform{};
    transform.op = *op;
    // PERFECT: fail rather than leave partial edge blocks where they were. COPYNONE: no
    // metadata segment is copied, so no orientation tag (in Exif or elsewhere) survives;
    // the colour profile is put back below.
    transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
#ifdef TJXOPT_OPTIMIZE
    // Huffman tables made for this picture, as the program's own JPEG files have.
    transform.options |= TJXOPT_OPTIMIZE;
#endif
    unsigned char* outBuffer = nullptr;
    unsigned long outSize = 0;
    // STOPONWARNING: damaged data (a file cut short, a corrupt block) is not carried
    // over into a file that looks whole; the caller's decoder deals with it as usual.
    const int status =
        Library().transform(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.constData()),
                            static_cast<unsigned long>(jpeg.size()), 1, &outBuffer, &outSize,
                            &transform, TJFLAG_STOPONWARNING);
    const std::unique_ptr<unsigned char, BufferFree> out(outBuffer);
    if (status != 0 || !out || outSize < 4)
        return std::nullopt;
    try {
        const QByteArray turned(reinterpret_cast<const char*>(out.get()), qsizetype(outSize));
        const QByteArray profile = ColourProfileSegments(jpeg);
        return profile.isEmpty() ? turned : InsertAfterJfif(turned, profile);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

#else // no TurboJPEG: every turned photo is decoded and encoded anew by the caller

bool CanTurnJpegLosslessly() {
    return false;
}

std::optional<QByteArray> RotateJpegUpright(const QByteArray&, QImageIOHandler::Transformations) {
    return std::nullopt;
}

#endif
