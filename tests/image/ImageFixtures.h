#pragma once
// Image files made at run time for the image tests: PNG chunk streams built byte by
// byte (so the transparency chunks are exactly what a case needs), BMP files with a
// chosen fourth byte, and GIF files with a transparent palette entry.

#include "document/Document.h"
#include "tests/support/Fixtures.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <gtest/gtest.h>

/// One PNG chunk: four-letter name and data.
struct PngChunk {
    QByteArray name;
    QByteArray data;
};

/// A complete PNG file: signature, IHDR (width, height, bit depth, colour type), the
/// given chunks, IDAT holding `rows` (unfiltered scanlines, each prefixed with filter
/// byte 0 here) and IEND. CRCs are correct so image readers accept the file.
QByteArray MakePng(int width, int height, int bitDepth, int colourType,
                   const QList<PngChunk>& chunks, const QByteArray& rawRows);

/// A palette PNG of 8 bits per pixel whose pixels are all index `fill`.
QByteArray MakePalettePng(int width, int height, const QVector<QRgb>& palette,
                          const QByteArray& trns, int fill = 0);

/// An RGBA PNG (colour type 6, 8 bits) of the image's pixels, with an optional bKGD.
QByteArray MakeRgbaPng(const QImage& image, const QList<PngChunk>& extra = {});

/// A bottom-up BMP file of 32 bits per pixel whose pixels are given top row first as
/// blue, green, red and fourth byte.
QByteArray MakeBmp32(int width, int height, const QVector<quint32>& bgrxTopFirst,
                     int imageSizeField = -1);

/// A GIF89a file of one or more frames of `width` x `height` palette indices, with
/// palette entry `transparent` marked transparent (-1: none).
QByteArray MakeGif(int width, int height, const QVector<QRgb>& palette,
                   const QList<QByteArray>& frames, int transparent);

/// The image encoded in `format` with Qt's writer (quality -1: the writer's default;
/// `optimized`: Huffman tables made for the picture; `progressive`: a progressive JPEG).
QByteArray Encode(const QImage& img, const char* format, int quality = -1, bool optimized = false,
                  bool progressive = false);

/// Writes bytes to a file; false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

/// ARGB value of a pixel as 0xAARRGGBB after conversion to ARGB32.
QRgb PixelAt(const QImage& image, int x, int y);

/// A test with a folder for its input files and a temporary folder of its own (its
/// work files are its alone); the document and settings are reset around it.
class ImageFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
    /// Writes `bytes` as the input file `name`; its path.
    QString file(const QString& name, const QByteArray& bytes);

    QTemporaryDir m_dir;
    TempFolderOverride m_tmp;
};
