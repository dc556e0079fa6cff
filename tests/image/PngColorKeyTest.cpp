#include "image/PngColorKeyReader.h"
#include "tests/image/ImageFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Bkgd16(int r, int g, int b) {
    QByteArray d;
    for (int v : {r, g, b}) {
        d.append(char(0));
        d.append(char(v));
    }
    return d;
}

QByteArray Rows(int width, int height, int bytesPerPixel) {
    QByteArray rows;
    for (int y = 0; y < height; ++y) {
        rows.append(char(0));
        rows.append(QByteArray(width * bytesPerPixel, '\0'));
    }
    return rows;
}

QVector<QRgb> Palette(int n) {
    QVector<QRgb> p;
    for (int i = 0; i < n; ++i)
        p << qRgb(i, 255 - i, (i * 7) & 0xFF);
    return p;
}

struct PngCase {
    const char* name;
    QByteArray bytes;
    bool success;
    KeyColor key;
};

std::vector<PngCase> Cases() {
    std::vector<PngCase> v;
    v.push_back({"rgba with background 0,128,255",
                 MakePng(2, 2, 8, 6, {{"bKGD", Bkgd16(0, 128, 255)}}, Rows(2, 2, 4)), true,
                 qRgb(0x00, 0x80, 0xFF)});
    v.push_back({"rgba without background", MakePng(2, 2, 8, 6, {}, Rows(2, 2, 4)), true,
                 qRgb(0xFF, 0xFF, 0xFF)});
    v.push_back({"grey+alpha with background 64",
                 MakePng(2, 2, 8, 4, {{"bKGD", QByteArray("\x00\x40", 2)}}, Rows(2, 2, 2)), true,
                 qRgb(0x40, 0x40, 0x40)});
    v.push_back({"grey+alpha without background", MakePng(2, 2, 8, 4, {}, Rows(2, 2, 2)), true,
                 qRgb(0xFF, 0xFF, 0xFF)});
    v.push_back({"palette, tRNS 255 255 0",
                 MakePalettePng(2, 2, Palette(4), QByteArray("\xFF\xFF\x00", 3)), true,
                 qRgb(2, 253, 14)});
    v.push_back({"palette, tRNS all opaque",
                 MakePalettePng(2, 2, Palette(4), QByteArray("\xFF\xFF\xFF\xFF", 4)), true,
                 std::nullopt});
    QByteArray trns256(256, char(0xFF));
    trns256[255] = 0;
    v.push_back({"palette of 256, last tRNS entry 0", MakePalettePng(2, 2, Palette(256), trns256),
                 true, qRgb(255, 0, (255 * 7) & 0xFF)});
    v.push_back({"truecolour with tRNS",
                 MakePng(2, 2, 8, 2, {{"tRNS", QByteArray(6, '\0')}}, Rows(2, 2, 3)), true,
                 std::nullopt});
    v.push_back({"truecolour, no tRNS or bKGD", MakePng(2, 2, 8, 2, {}, Rows(2, 2, 3)), true,
                 std::nullopt});
    v.push_back(
        {"gif header", QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14), false, std::nullopt});
    v.push_back({"five bytes", QByteArray("\x89PNG\r", 5), false, std::nullopt});
    v.push_back({"empty", QByteArray(), false, std::nullopt});
    v.push_back({"signature only", QByteArray("\x89PNG\r\n\x1a\n", 8), false, std::nullopt});
    // Hostile files: every read past the end counts as not found.
    const QByteArray rgba = MakePng(2, 2, 8, 6, {{"bKGD", Bkgd16(1, 2, 3)}}, Rows(2, 2, 4));
    const int bkgd = rgba.indexOf("bKGD");
    v.push_back(
        {"cut inside the background samples", rgba.left(bkgd + 9), true, qRgb(0xFF, 0xFF, 0xFF)});
    v.push_back(
        {"cut after the last background sample", rgba.left(bkgd + 10), true, qRgb(1, 2, 3)});
    const QByteArray ihdrCut = MakePng(2, 2, 8, 6, {}, Rows(2, 2, 4)).left(12 + 4 + 9);
    v.push_back({"IHDR cut before its colour type", ihdrCut, false, std::nullopt});
    v.push_back({"tRNS index beyond the palette",
                 MakePalettePng(2, 2, Palette(2), QByteArray("\xFF\xFF\xFF\x00", 4)), true,
                 std::nullopt});
    QByteArray longTrns = MakePalettePng(2, 2, Palette(4), QByteArray("\xFF\xFF", 2));
    const int t = longTrns.indexOf("tRNS");
    longTrns[t - 4] = char(0x7F); // claims two gigabytes of alpha bytes
    v.push_back({"tRNS length far beyond the file", longTrns.left(t + 4 + 2), true, std::nullopt});
    QByteArray noPlte = MakePalettePng(2, 2, Palette(4), QByteArray("\x00", 1));
    noPlte.replace("PLTE", "XXXX");
    v.push_back({"tRNS without PLTE", noPlte, true, std::nullopt});
    return v;
}

} // namespace

TEST(PngColorKey, KeysFromTheFileBytes) {
    for (const PngCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        KeyColor key = 12345;
        const bool ok = PngColorKeyReader::ReadPngColorKeyFromBytes(
            reinterpret_cast<const uchar*>(c.bytes.constData()), c.bytes.size(), key);
        EXPECT_EQ(ok, c.success);
        EXPECT_EQ(key, c.key);
    }
}

TEST(PngColorKey, ReadsFromFilesAndFailsForMissingOnes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(WriteFile(
        path, MakePng(1, 1, 8, 6, {{"bKGD", Bkgd16(0, 128, 255)}}, QByteArray("\0\0\0\0\0", 5))));
    const PngColorKeyReader reader;
    KeyColor key = 0;
    EXPECT_TRUE(reader.ReadPngColorKey(path, key));
    EXPECT_EQ(key, qRgb(0, 128, 255));
    EXPECT_FALSE(reader.ReadPngColorKey(dir.filePath(QStringLiteral("missing.png")), key));
    EXPECT_EQ(key, std::nullopt);
}

TEST(PngColorKey, EveryPrefixOfAFileIsSafe) {
    // Cut a file with all the chunks the reader looks at to every length.
    const QByteArray full = MakePalettePng(3, 3, Palette(8), QByteArray("\xFF\xFF\xFF\x10", 4));
    for (int n = 0; n <= full.size(); ++n) {
        const QByteArray cut = full.left(n); // a separate copy: ASan sees overreads
        KeyColor key = 0;
        PngColorKeyReader::ReadPngColorKeyFromBytes(reinterpret_cast<const uchar*>(cut.constData()),
                                                    n, key);
    }
}
