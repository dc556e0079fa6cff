// The decoded-picture cache and the pictures that decode through it: the budget holds,
// the least recently used image goes first, a picture evicted is decoded again, and a
// picture whose bytes do not decode is a slide without a picture.

#include "document/PictureCache.h"
#include "document/ByteStore.h"
#include "document/DocumentStream.h"
#include "document/Picture.h"
#include "editor/CellImage.h"
#include "tests/support/Fixtures.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

QImage Filled(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

PictureCacheKey KeyOf(int n) {
    return PictureCacheKey{quint64(n), 0, QSize(), 0};
}

/// The program's cache with a budget of its own for one test, emptied before and after.
struct CacheBudget {
    explicit CacheBudget(qint64 bytes) : previous(PictureCache::instance().budget()) {
        PictureCache::instance().clear();
        PictureCache::instance().setBudget(bytes);
    }
    ~CacheBudget() {
        PictureCache::instance().clear();
        PictureCache::instance().setBudget(previous);
    }
    qint64 previous;
};

} // namespace

TEST(PictureCache, KeepsWithinItsBudgetDroppingTheLeastRecentlyUsed) {
    const QImage tile = Filled(100, 100, qRgb(1, 2, 3)); // 40 000 bytes
    PictureCache cache(200'000);                         // room for five
    for (int n = 1; n <= 5; ++n)
        cache.insert(KeyOf(n), tile);
    EXPECT_EQ(cache.usedBytes(), 200'000);
    // Image 1 used again: image 2 is now the least recently used and goes first.
    EXPECT_FALSE(cache.find(KeyOf(1)).isNull());
    cache.insert(KeyOf(6), tile);
    EXPECT_LE(cache.usedBytes(), cache.budget());
    EXPECT_FALSE(cache.find(KeyOf(1)).isNull());
    EXPECT_TRUE(cache.find(KeyOf(2)).isNull());
    for (int n = 3; n <= 6; ++n)
        EXPECT_FALSE(cache.find(KeyOf(n)).isNull()) << n;

    // Replacing an image counts it once; an image above a quarter of the budget is not
    // kept (it would push out everything else).
    cache.insert(KeyOf(6), tile);
    EXPECT_EQ(cache.usedBytes(), 200'000);
    cache.insert(KeyOf(7), Filled(200, 100, 0));
    EXPECT_TRUE(cache.find(KeyOf(7)).isNull());
    // A smaller budget evicts at once; forgetting a picture drops all its images.
    cache.insert(PictureCacheKey{3, 1, QSize(10, 10), 0}, Filled(10, 10, 0));
    cache.forget(3);
    EXPECT_TRUE(cache.find(KeyOf(3)).isNull());
    EXPECT_TRUE(cache.find(PictureCacheKey{3, 1, QSize(10, 10), 0}).isNull());
    cache.setBudget(80'000);
    EXPECT_LE(cache.usedBytes(), 80'000);
    EXPECT_EQ(cache.count(), 2);
}

TEST(PictureCache, PicturesDecodeThroughItAndAgainAfterEviction) {
    const CacheBudget budget(4 << 20);
    QImage source = Filled(64, 48, qRgb(200, 10, 30));
    source.setPixel(5, 7, qRgb(1, 2, 3));
    const PicturePtr picture = Picture::fromBytes(EncodeBmp(source));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(64, 48));
    EXPECT_EQ(picture->format(), QByteArray("bmp"));
    EXPECT_EQ(PictureCache::instance().count(), 0) << "nothing is decoded before it is shown";

    const QImage first = picture->image();
    EXPECT_EQ(first.pixel(5, 7), qRgb(1, 2, 3));
    EXPECT_EQ(PictureCache::instance().count(), 1);
    EXPECT_EQ(picture->image().cacheKey(), first.cacheKey()) << "the second look is cached";

    // Evicted (the budget shrank to nothing), the picture is decoded again, the same.
    PictureCache::instance().setBudget(0);
    EXPECT_EQ(PictureCache::instance().count(), 0);
    PictureCache::instance().setBudget(4 << 20);
    const QImage again = picture->image();
    EXPECT_NE(again.cacheKey(), first.cacheKey());
    EXPECT_EQ(again, first);

    // A cell source is cached under the picture, and goes when the picture goes.
    const QImage cell = CellSource(*picture, std::nullopt, QSize(32, 32));
    EXPECT_EQ(cell.size(), QSize(32, 24));
    EXPECT_FALSE(CachedCellSource(*picture, std::nullopt, QSize(32, 32)).isNull());
    EXPECT_TRUE(CachedCellSource(*picture, qRgb(1, 2, 3), QSize(32, 32)).isNull());
    const PicturePtr other = Picture::fromBytes(EncodeBmp(source));
    other->image();
    const int withBoth = PictureCache::instance().count();
    EXPECT_EQ(withBoth, 3);
    const_cast<PicturePtr&>(picture).reset();
    EXPECT_EQ(PictureCache::instance().count(), 1);
}

TEST(PictureCache, TheBudgetHoldsWhateverIsShown) {
    // Thirty pictures of 400 kB each shown through a cache of 2 MB.
    const CacheBudget budget(2 << 20);
    std::vector<PicturePtr> pictures;
    for (int i = 0; i < 30; ++i) {
        pictures.push_back(Picture::fromBytes(EncodeBmp(Filled(320, 320, qRgb(i, 0, 0)))));
        ASSERT_FALSE(pictures.back()->image().isNull());
        ASSERT_LE(PictureCache::instance().usedBytes(), 2 << 20);
    }
    // Every one still shows what it holds, decoded again where it was evicted.
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(pictures[size_t(i)]->image().pixel(0, 0), qRgb(i, 0, 0)) << i;
}

TEST(PictureCache, ADamagedPictureIsASlideWithoutAPicture) {
    ResetWorld();
    const CacheBudget budget(4 << 20);
    // A PNG cut off in its pixel data.
    QByteArray whole;
    {
        QImage noisy(200, 100, QImage::Format_RGB32);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                noisy.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x * y) % 256));
        QBuffer png(&whole);
        png.open(QIODevice::WriteOnly);
        ASSERT_TRUE(noisy.save(&png, "PNG"));
    }
    const QByteArray damaged = whole.left(whole.size() / 2);
    const QByteArray good = EncodeBmp(Filled(20, 10, qRgb(4, 5, 6)));

    // A document stream of the two, read with its pictures' bytes left in a work file.
    QByteArray stream;
    {
        Document& doc = CurrentDocument();
        doc.slides[0].picture = Picture::fromBytes(damaged);
        doc.slides[1].picture = Picture::fromBytes(good);
        ASSERT_TRUE(doc.slides[0].picture && doc.slides[1].picture);
        doc.slideCount = 2;
        QBuffer out(&stream);
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteDocumentStream(out));
    }
    ResetWorld();
    auto file = std::make_unique<QTemporaryFile>();
    ASSERT_TRUE(file->open());
    file->write(stream);
    file->flush();
    QFile reader(file->fileName());
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    const auto store = std::make_shared<const ByteStore>(std::move(file));
    ASSERT_TRUE(ReadDocumentStream(reader, store));

    const Document& doc = CurrentDocument();
    ASSERT_EQ(doc.slideCount, 2);
    const PicturePtr& bad = doc.slides[0].picture;
    ASSERT_TRUE(bad); // its header reads: the size is known before any decoding
    EXPECT_EQ(GetPictureSize(bad), QSize(200, 100));
    EXPECT_TRUE(bad->image().isNull());
    EXPECT_TRUE(bad->failedToDecode());
    EXPECT_EQ(GetPictureSize(bad), QSize(0, 0)) << "a slide without a picture from now on";
    EXPECT_TRUE(CellSource(*bad, std::nullopt, QSize(50, 50)).isNull());
    EXPECT_EQ(doc.slides[1].picture->image().pixel(3, 3), qRgb(4, 5, 6));

    // Saving gives both pictures' bytes back as they were, read from the work file.
    EXPECT_EQ(bad->sourceBytes(), damaged);
    EXPECT_EQ(doc.slides[1].picture->save(), good);
    QByteArray again;
    QBuffer out(&again);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteDocumentStream(out));
    EXPECT_EQ(again, stream);
    ResetWorld();
}
