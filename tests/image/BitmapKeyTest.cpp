#include "image/BitmapKey.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr quint32 Bgrx(int b, int g, int r, int x) {
    return quint32(b) | (quint32(g) << 8) | (quint32(r) << 16) | (quint32(x) << 24);
}

} // namespace

TEST(BitmapKey, FirstMarkedPixelInFileOrderGivesTheKey) {
    struct Case {
        const char* name;
        QByteArray bytes;
        BitmapKeyScan scan;
        KeyColor key;
    } cases[] = {
        // File order is bottom row first: the bottom-left pixel is met first.
        {"fourth byte 0",
         MakeBmp32(2, 2,
                   {Bgrx(1, 1, 1, 255), Bgrx(2, 2, 2, 0), Bgrx(10, 20, 30, 0), Bgrx(3, 3, 3, 255)}),
         BitmapKeyScan::Found, qRgb(0x1E, 0x14, 0x0A)},
        {"fourth byte 237", MakeBmp32(2, 1, {Bgrx(9, 9, 9, 236), Bgrx(40, 50, 60, 237)}),
         BitmapKeyScan::Found, qRgb(60, 50, 40)},
        {"no marked pixel", MakeBmp32(2, 1, {Bgrx(9, 9, 9, 255), Bgrx(4, 5, 6, 1)}),
         BitmapKeyScan::NotFound, std::nullopt},
        {"image size field 0", MakeBmp32(1, 1, {Bgrx(1, 2, 3, 0)}, 0), BitmapKeyScan::NotFound,
         std::nullopt},
        {"image size field 4 looks at one pixel",
         MakeBmp32(2, 1, {Bgrx(1, 2, 3, 255), Bgrx(7, 8, 9, 0)}, 4), BitmapKeyScan::NotFound,
         std::nullopt},
        {"image size field beyond the file", MakeBmp32(1, 1, {Bgrx(1, 2, 3, 255)}, 0x7FFFFFFF),
         BitmapKeyScan::NotFound, std::nullopt},
        {"not a bitmap", QByteArray("\x89PNG\r\n\x1a\n", 8), BitmapKeyScan::NotBitmap,
         std::nullopt},
        {"empty", QByteArray(), BitmapKeyScan::NotBitmap, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyColor key = 0;
        EXPECT_EQ(ScanBitmapColorKey(reinterpret_cast<const uchar*>(c.bytes.constData()),
                                     c.bytes.size(), key),
                  c.scan);
        EXPECT_EQ(key, c.key);
    }

    // A 24-bit bitmap has no key.
    QByteArray bmp24 = MakeBmp32(1, 1, {Bgrx(1, 2, 3, 0)});
    bmp24[28] = 24;
    KeyColor key = 0;
    EXPECT_EQ(
        ScanBitmapColorKey(reinterpret_cast<const uchar*>(bmp24.constData()), bmp24.size(), key),
        BitmapKeyScan::NotFound);

    // A pixel offset past the end, and every prefix of a good file, are read safely.
    QByteArray farOffset = MakeBmp32(1, 1, {Bgrx(1, 2, 3, 0)});
    farOffset[13] = char(0x70);
    EXPECT_EQ(ScanBitmapColorKey(reinterpret_cast<const uchar*>(farOffset.constData()),
                                 farOffset.size(), key),
              BitmapKeyScan::NotFound);
    const QByteArray full = MakeBmp32(
        2, 2, {Bgrx(1, 1, 1, 255), Bgrx(1, 1, 1, 255), Bgrx(1, 1, 1, 255), Bgrx(5, 6, 7, 0)});
    for (int n = 0; n <= full.size(); ++n) {
        const QByteArray cut = full.left(n);
        ScanBitmapColorKey(reinterpret_cast<const uchar*>(cut.constData()), n, key);
    }
}

TEST(BitmapKey, UnreadableOrForeignFilesShowMessage30011WithTheirPrefix) {
    ResetWorld();
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("really-a-png.bmp"));
    ASSERT_TRUE(WriteFile(png, QByteArray("\x89PNG\r\n\x1a\n", 8)));
    const QString good = dir.filePath(QStringLiteral("good.bmp"));
    ASSERT_TRUE(WriteFile(good, MakeBmp32(1, 1, {Bgrx(10, 20, 30, 0)})));
    const QString bmp24 = dir.filePath(QStringLiteral("plain.bmp"));
    QByteArray plain = MakeBmp32(1, 1, {Bgrx(10, 20, 30, 0)});
    plain[28] = 24;
    ASSERT_TRUE(WriteFile(bmp24, plain));

    struct Case {
        QString path;
        bool found;
        KeyColor key;
        QString message; ///< the full text of message Msg::BitmapInfoFailed, empty for none
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.bmp")), false, std::nullopt,
         QStringLiteral("ファイルオープンエラー\nビットマップファイルの情報取得に失敗しました")},
        {png, false, std::nullopt,
         QStringLiteral("形式判別エラー\nビットマップファイルの情報取得に失敗しました")},
        {good, true, qRgb(0x1E, 0x14, 0x0A), QString()},
        {bmp24, false, std::nullopt, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        TestPrompts tp;
        KeyColor key = 0;
        EXPECT_EQ(ReadBitmapColorKey(c.path, key), c.found);
        EXPECT_EQ(key, c.key);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(tp.calls.isEmpty());
        } else {
            ASSERT_EQ(tp.calls.size(), 1);
            EXPECT_EQ(tp.calls[0].id, Msg::BitmapInfoFailed);
            EXPECT_EQ(tp.calls[0].kind, MsgKind::Error);
            EXPECT_EQ(tp.calls[0].text, c.message);
        }
    }
}
