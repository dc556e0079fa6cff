#include "base/ByteOrder.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"

#include <QBuffer>
#include <QImageReader>
#include <climits>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* s) {
    return QByteArray::fromHex(s);
}

TEST(RecordLayout, SlideRecordFieldsSitAtTheirOffsets) {
    SlideRecord r;
    r.picture = MakeTestPicture(1, 1);
    r.reserved1 = 0x11223344;
    r.reserved2 = 0x55667788;
    r.keyColor = qRgb(0x10, 0x20, 0x30);
    r.switchTime = 64800;
    r.flipH = 1;
    r.flipV = 0;
    r.reserved3 = 0xA1A2A3A4;
    r.reserved4 = 0xB1B2B3B4;
    const QByteArray expect = hex("01000000"
                                  "44332211"
                                  "88776655"
                                  "10203000"
                                  "20fd"
                                  "01"
                                  "00"
                                  "a4a3a2a1"
                                  "b4b3b2b1");
    EXPECT_EQ(r.toBytes(), expect);
    const SlideRecord back = SlideRecord::fromBytes(expect.constData());
    EXPECT_EQ(back.picture, nullptr);
    EXPECT_EQ(back.toBytes().mid(4), expect.mid(4));
    r.picture.reset();
    EXPECT_EQ(r.toBytes().left(4), hex("00000000"));
}

TEST(RecordLayout, DocHeaderFieldsSitAtTheirOffsets) {
    DocumentHeader h;
    h.backgroundLeft = qRgb(0xF7, 0xF3, 0xD7);
    h.backgroundRight = qRgb(0xAD, 0xC3, 0xFF);
    h.backgroundCenter = qRgb(0x00, 0x00, 0x42);
    h.showPropertyButtons = 1;
    h.slideshowRect = RectFromStoredCorners(-5, 0, 400, 300);
    h.loop = 1;
    h.timerSwitch = 0;
    h.previewBackground = qRgb(0x56, 0x34, 0x12);
    h.topMost = 1;
    h.fitToWindow = 7;
    h.reserved[0] = 0xEE;
    h.reserved[11] = 0xFF;
    const QByteArray want = hex("f7f3d700"
                                "adc3ff00"
                                "00004200"
                                "01000000"
                                "fbffffff"
                                "00000000"
                                "90010000"
                                "2c010000"
                                "01000000"
                                "00000000"
                                "56341200"
                                "01000000"
                                "07000000"
                                "ee00000000000000000000ff");
    ASSERT_EQ(want.size(), 64);
    EXPECT_EQ(h.toBytes(), want);
    EXPECT_EQ(DocumentHeader::fromBytes(want.constData()).toBytes(), want);
}

TEST(StoredColors, ColoursAndKeysConvertBothWays) {
    // Stored as 0x00BBGGRR; a high byte other than 0 lives in the alpha channel as
    // 255 minus its value.
    struct Row {
        const char* name;
        quint32 stored;
        KeyColor key;
    };
    const Row rows[] = {
        {"ordinary colour", 0x00D7F3F7u, qRgb(0xF7, 0xF3, 0xD7)},
        {"black", 0x00000000u, qRgb(0, 0, 0)},
        {"white", 0x00FFFFFFu, qRgb(255, 255, 255)},
        {"no key", 0xFFFFFFFFu, std::nullopt},
        {"high byte FF is still a key", 0xFF000000u, qRgba(0, 0, 0, 0)},
        {"any high byte", 0x12345678u, qRgba(0x78, 0x56, 0x34, 0xED)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(KeyColorFromStored(r.stored), r.key) << r.name;
        EXPECT_EQ(StoredFromKeyColor(r.key), r.stored) << r.name;
        if (r.key) {
            EXPECT_EQ(ColorFromStored(r.stored), *r.key) << r.name;
            EXPECT_EQ(StoredFromColor(*r.key), r.stored) << r.name;
        }
    }
}

TEST(RecordLayout, EveryStoredValueReadsBackUnchanged) {
    // Values a damaged or foreign file may hold: keys and colours with a high byte,
    // flags other than 0 and 1, corners at the ends of their range.
    const QByteArray record = hex("00000000"
                                  "01020304"
                                  "05060708"
                                  "78563412"
                                  "0100"
                                  "02"
                                  "ff"
                                  "090a0b0c"
                                  "0d0e0f10");
    for (const char* key : {"78563412", "000000ff", "ffffffff", "00000000", "feffffff"}) {
        QByteArray r = record;
        r.replace(12, 4, hex(key));
        EXPECT_EQ(SlideRecord::fromBytes(r.constData()).toBytes(), r) << key;
    }
    const QByteArray header = hex("78563412"
                                  "000000ff"
                                  "ffffffff"
                                  "05000000"
                                  "00000080"
                                  "ffffff7f"
                                  "00000080"
                                  "ffffff7f"
                                  "ffffffff"
                                  "02000000"
                                  "01000001"
                                  "00000080"
                                  "07000000"
                                  "0102030405060708090a0b0c");
    ASSERT_EQ(header.size(), DocumentHeader::kSize);
    EXPECT_EQ(DocumentHeader::fromBytes(header.constData()).toBytes(), header);
    // The corners: left and top as stored, right and bottom one past the rectangle.
    const DocumentHeader h = DocumentHeader::fromBytes(header.constData());
    EXPECT_EQ(h.slideshowRect.left(), INT_MIN);
    EXPECT_EQ(h.slideshowRect.top(), INT_MAX);
    EXPECT_EQ(h.backgroundLeft, qRgba(0x78, 0x56, 0x34, 0xED));
}

TEST(PictureObject, BytesComeBackUnchangedAndPixelsSaveAsBmp) {
    QImage img(5, 3, QImage::Format_RGB32);
    img.fill(QColor(10, 20, 30));
    img.setPixel(4, 2, qRgb(200, 100, 50));
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&b, "PNG"));
    }
    const PicturePtr fromFile = Picture::fromBytes(png);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(GetPictureSize(fromFile), QSize(5, 3));
    QByteArray saved;
    ASSERT_TRUE(SavePictureToStream(fromFile.get(), saved));
    EXPECT_EQ(saved, png);

    const PicturePtr fromPixels = Picture::fromImage(img);
    ASSERT_TRUE(SavePictureToStream(fromPixels.get(), saved));
    ASSERT_GE(saved.size(), 54);
    EXPECT_EQ(saved.left(2), QByteArray("BM"));
    EXPECT_EQ(GetLE32(saved.constData() + 2), quint32(saved.size()));
    EXPECT_EQ(GetLE16(saved.constData() + 28), 24) << "24 bits per pixel";
    EXPECT_EQ(GetLE32(saved.constData() + 30), 0u) << "uncompressed";
    // Independent decoder check: the BMP decodes to the same pixels.
    QImage back = QImage::fromData(saved, "BMP");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(5, 3));
    EXPECT_EQ(back.pixel(4, 2) & 0xFFFFFF, qRgb(200, 100, 50) & 0xFFFFFF);
    EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, qRgb(10, 20, 30) & 0xFFFFFF);
}

TEST(PictureObject, NullPictureHasNoSizeAndDoesNotSave) {
    EXPECT_EQ(GetPictureSize(PicturePtr()), QSize(0, 0));
    QByteArray out("x");
    EXPECT_FALSE(SavePictureToStream(nullptr, out));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(Picture::fromBytes(QByteArray("not an image")), nullptr);
}

TEST(PictureObject, LoadFromStreamReadsExactlyTheCount) {
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::green);
    QByteArray bmp = EncodeBmp(img);
    QByteArray file = bmp + QByteArray("TAIL");
    QBuffer buf(&file);
    buf.open(QIODevice::ReadOnly);
    PicturePtr p = LoadPictureFromStream(buf, bmp.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(buf.pos(), bmp.size());
    EXPECT_EQ(p->sourceBytes(), bmp);

    // More than the file holds: nothing is read.
    buf.seek(0);
    EXPECT_EQ(LoadPictureFromStream(buf, file.size() + 1), nullptr);
    EXPECT_EQ(buf.pos(), 0);
    EXPECT_EQ(LoadPictureFromStream(buf, -3), nullptr);

    // Bytes that do not decode are still consumed.
    QByteArray junk("0123456789");
    QBuffer jb(&junk);
    jb.open(QIODevice::ReadOnly);
    EXPECT_EQ(LoadPictureFromStream(jb, 6), nullptr);
    EXPECT_EQ(jb.pos(), 6);
}

} // namespace

TEST(PictureObject, SavedSizeIsWhatSavingWritesWithoutEncoding) {
    // Widths whose rows need padding at 24 bits, with and without alpha, and a picture
    // that keeps its file's bytes.
    for (const QSize size : {QSize(5, 3), QSize(1, 1), QSize(7, 2), QSize(640, 480)}) {
        for (const bool alpha : {false, true}) {
            QImage img(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            img.fill(qRgba(10, 20, 30, alpha ? 128 : 255));
            const PicturePtr picture = Picture::fromImage(img);
            EXPECT_EQ(picture->savedSize(), picture->save().size())
                << size.width() << "x" << size.height() << (alpha ? " alpha" : "");
        }
    }
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImage(9, 9, QImage::Format_RGB32).save(&b, "PNG"));
    }
    EXPECT_EQ(Picture::fromBytes(png)->savedSize(), png.size());
}
