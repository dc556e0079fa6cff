// libFuzzer target: the PNG readers over arbitrary bytes. The transparency reader
// searches the bytes for the chunks that nominate a colour key; the decoder turns them
// into pixels through libpng, from memory and from a device alike.
#include "document/ImageLimits.h"
#include "document/PngDecoder.h"
#include "image/PngColorKeyReader.h"

#include <QBuffer>
#include <QImageReader>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Headers may claim huge sizes; keep the decoder within a fuzzing budget.
    QImageReader::setAllocationLimit(64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A private copy of exactly `size` bytes, so any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    KeyColor key = qRgb(1, 2, 3);
    const bool ok =
        PngColorKeyReader::ReadPngColorKeyFromBytes(bytes.data(), qint64(bytes.size()), key);
    if (!ok && key)
        __builtin_trap(); // a failure always leaves no key

    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const PngImage png = DecodePng(file);
    if (png.image.isNull() && (png.damaged || png.error.isEmpty()))
        __builtin_trap(); // a refusal is never damaged and always says why
    if (!png.image.isNull()) {
        if (png.image.format() != QImage::Format_ARGB32)
            __builtin_trap();
        if (qint64(png.image.width()) * png.image.height() > kMaxImagePixels)
            __builtin_trap();
        if (png.damaged == png.error.isEmpty())
            __builtin_trap(); // damaged exactly when there is a complaint
    }

    // The same bytes from a device decode to the same result.
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    const PngImage again = DecodePng(device);
    if (again.image != png.image || again.damaged != png.damaged ||
        again.transparent != png.transparent)
        __builtin_trap();

    // A picture's pixels: only complete files, RGB32 exactly when nothing is transparent.
    const QImage picture = DecodePngImage(file);
    if (picture.isNull() != (png.image.isNull() || png.damaged))
        __builtin_trap();
    if (!picture.isNull() &&
        picture.format() != (png.transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32))
        __builtin_trap();
    return 0;
}
