#include "document/DocumentStream.h"
#include "base/Messages.h"
#include "base/ProgressSink.h"
#include "document/ByteStore.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class DocStream : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};

QByteArray be32(quint32 v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

QByteArray writeStream() {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteDocumentStream(buf));
    return out;
}

bool readStream(QByteArray bytes) {
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    return ReadDocumentStream(buf);
}

QByteArray jpegBytes() {
    QImage img(16, 8, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", 80);
    return b;
}

/// A header with a value in every field, built by hand.
QByteArray sampleHeader() {
    QByteArray h;
    for (quint32 v : {0x00D7F3F7u, 0x00FFC3ADu, 0x00420000u, 1u, quint32(-5), 7u, 400u, 300u, 0u,
                      1u, 0x00123456u, 1u, 1u, 0xAABBCCDDu, 0x11223344u, 0x55667788u})
        for (int i = 0; i < 4; ++i)
            h.append(char(v >> (8 * i)));
    return h;
}

QByteArray record(quint32 pic, quint32 colour, quint16 time, quint8 fh, quint8 fv, quint32 r1 = 0) {
    QByteArray r;
    for (quint32 v : {pic, r1, 0u, colour})
        for (int i = 0; i < 4; ++i)
            r.append(char(v >> (8 * i)));
    r.append(char(time & 0xFF));
    r.append(char(time >> 8));
    r.append(char(fh));
    r.append(char(fv));
    r.append(QByteArray(8, '\0'));
    return r;
}

} // namespace

TEST(BigEndian, EncodeAndDecode) {
    struct Row {
        quint32 value;
        QByteArray bytes;
    };
    const Row rows[] = {{3, QByteArray::fromHex("00000003")},
                        {70000, QByteArray::fromHex("00011170")},
                        {0, QByteArray::fromHex("00000000")},
                        {0x80000000u, QByteArray::fromHex("80000000")},
                        {0xFFFFFFFFu, QByteArray::fromHex("ffffffff")}};
    for (const Row& r : rows) {
        EXPECT_EQ(EncodeBE32(r.value).toHex(), r.bytes.toHex());
        EXPECT_EQ(DecodeBE32(r.bytes.constData()), r.value);
    }
}

TEST_F(DocStream, EmptyDocumentIsExactly78Bytes) {
    CountingEditState ed;
    NewDocument(ed);
    const QByteArray s = writeStream();
    ASSERT_EQ(s.size(), 78);
    EXPECT_EQ(s.left(10), QByteArray("LSR001    "));
    EXPECT_EQ(s.mid(10, 64), CurrentDocument().header.toBytes());
    EXPECT_EQ(s.mid(74), QByteArray(4, '\0'));
}

TEST_F(DocStream, HandBuiltStreamReadsAndWritesBackByteForByte) {
    TestPrompts p;
    const QByteArray bmp = EncodeBmp(MakeTestPicture(3, 2, Qt::blue)->image());
    const QByteArray jpg = jpegBytes();
    const QByteArray junk("not an image at all");
    QByteArray s("LSR001    ");
    s += sampleHeader();
    s += be32(4);
    s += record(0x12345678, 0x00FF00FF, 5, 1, 0, 0xCAFE); // stored pointer is ignored
    s += record(0, 0xFFFFFFFF, 64800, 0, 1);
    s += record(7, 0x00000000, 1, 1, 1);
    s += record(0, 0x000000FF, 10, 0, 0);
    s += be32(quint32(bmp.size())) + bmp;
    s += be32(quint32(jpg.size())) + jpg;
    s += be32(quint32(junk.size())) + junk; // does not decode: kept
    s += be32(0);                           // no picture
    ASSERT_TRUE(readStream(s));
    const Document& doc = CurrentDocument();
    ASSERT_EQ(doc.slideCount, 4);
    EXPECT_EQ(doc.header.toBytes(), sampleHeader());
    EXPECT_EQ(doc.slides[0].keyColor, KeyColor(qRgb(0xFF, 0x00, 0xFF))); // stored 0x00FF00FF
    EXPECT_EQ(doc.slides[0].reserved1, 0xCAFEu);
    EXPECT_EQ(doc.slides[1].switchTime, 64800);
    EXPECT_EQ(doc.slides[1].flipV, 1);
    EXPECT_EQ(GetPictureSize(doc.slides[0].picture), QSize(3, 2));
    EXPECT_EQ(GetPictureSize(doc.slides[1].picture), QSize(16, 8));
    EXPECT_FALSE(doc.slides[2].picture);
    EXPECT_FALSE(doc.slides[3].picture);

    // Written back: the same bytes, except that the stored pointers say 1 (a picture)
    // or 0 (none).
    QByteArray expect = s;
    const int recAt = 78;
    expect.replace(recAt, 4, QByteArray::fromHex("01000000"));
    expect.replace(recAt + 28, 4, QByteArray::fromHex("01000000"));
    expect.replace(recAt + 56, 4, QByteArray::fromHex("00000000"));
    expect.replace(recAt + 84, 4, QByteArray::fromHex("00000000"));
    EXPECT_TRUE(writeStream() == expect);
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(DocStream, PixelPicturesAreWrittenAsBmpAndComeBack) {
    CountingEditState ed;
    NewDocument(ed);
    FillSlides(ed, 2);
    const QByteArray s = writeStream();
    const QByteArray bmp = EncodeBmp(MakeTestPicture(4, 3)->image());
    ASSERT_EQ(s.size(), 78 + 2 * 28 + 2 * (4 + bmp.size()));
    EXPECT_EQ(s.mid(74, 4).toHex(), QByteArray("00000002"));
    EXPECT_EQ(s.mid(78 + 56, 4), be32(quint32(bmp.size())));
    ReleaseAllPictures();
    ASSERT_TRUE(readStream(s));
    EXPECT_EQ(CurrentDocument().slides[1].switchTime, 2);
    EXPECT_EQ(GetPictureSize(CurrentDocument().slides[1].picture), QSize(4, 3));
    EXPECT_TRUE(writeStream() == s);
}

TEST_F(DocStream, ReaderChecksInOrder) {
    const QByteArray head = sampleHeader();
    struct Row {
        const char* name;
        QByteArray bytes;
        bool ok;
        QList<Msg> ids;
        QString prefix;      // expected before the message text
        bool headerReplaced; // m_header holds the stream's header afterwards
        int count;
    };
    const QByteArray good = QByteArray("LSR001    ") + head + be32(0);
    const Row rows[] = {
        {"empty document", good, true, {}, {}, true, 0},
        {"anything in bytes 6 to 9",
         QByteArray("LSR001abcd") + head + be32(0),
         true,
         {},
         {},
         true,
         0},
        {"other letters",
         QByteArray("LSX001    ") + head + be32(0),
         false,
         {Msg::WrongFileFormat},
         {},
         false,
         0},
        {"version 002",
         QByteArray("LSR002    ") + head + be32(0),
         false,
         {Msg::WrongVersion},
         {},
         false,
         0},
        {"101 slides",
         QByteArray("LSR001    ") + head + be32(101),
         false,
         {Msg::TooManySlidesInFile},
         QStringLiteral("101 > 100\n"),
         true,
         0},
        {"count with the top bit",
         QByteArray("LSR001    ") + head + be32(0x80000000u),
         false,
         {Msg::TooManySlidesInFile},
         QStringLiteral("2147483648 > 100\n"),
         true,
         0},
        {"empty file", QByteArray(), false, {Msg::WrongFileFormat}, {}, false, 0},
        {"cut in the magic", QByteArray("LSR00"), false, {Msg::WrongFileFormat}, {}, false, 0},
        {"cut in the header",
         QByteArray("LSR001    ") + head.left(30),
         false,
         {Msg::WrongFileFormat},
         {},
         false,
         0},
        {"cut in the count",
         QByteArray("LSR001    ") + head + QByteArray(2, '\0'),
         false,
         {Msg::WrongFileFormat},
         {},
         true,
         0},
        {"cut in the records",
         QByteArray("LSR001    ") + head + be32(2) + record(1, 0, 5, 0, 0),
         false,
         {Msg::WrongFileFormat},
         {},
         true,
         0},
    };
    for (const Row& r : rows) {
        ResetWorld();
        TestPrompts p;
        CurrentDocument().slideCount = 3; // a table that must end up empty on failure
        EXPECT_EQ(readStream(r.bytes), r.ok) << r.name;
        EXPECT_EQ(p.messageIds(), r.ids) << r.name;
        if (!r.ids.isEmpty()) {
            EXPECT_EQ(p.calls[0].text, r.prefix + MessageText(r.ids[0])) << r.name;
            EXPECT_EQ(p.calls[0].kind, MsgKind::Error) << r.name;
        }
        EXPECT_EQ(CurrentDocument().slideCount, r.count) << r.name;
        EXPECT_EQ(CurrentDocument().header.toBytes() == head, r.headerReplaced) << r.name;
    }
}

TEST_F(DocStream, HundredSlidesAreAccepted) {
    QByteArray s = QByteArray("LSR001    ") + sampleHeader() + be32(100);
    for (int i = 0; i < 100; ++i)
        s += record(0, kStoredNoKey, quint16(i + 1), 0, 0);
    for (int i = 0; i < 100; ++i)
        s += be32(0);
    ASSERT_TRUE(readStream(s));
    EXPECT_EQ(CurrentDocument().slideCount, 100);
    EXPECT_EQ(CurrentDocument().slides[99].switchTime, 100);
}

TEST_F(DocStream, ABlockLongerThanTheDataEndsTheReading) {
    TestPrompts p;
    const QByteArray bmp = EncodeBmp(MakeTestPicture(2, 2)->image());
    QByteArray s = QByteArray("LSR001    ") + sampleHeader() + be32(3);
    for (int i = 0; i < 3; ++i)
        s += record(1, kStoredNoKey, 5, 0, 0);
    s += be32(quint32(bmp.size())) + bmp;
    s += be32(0xFFFFFF00u) + QByteArray("short"); // claims almost 4 GB
    s += be32(quint32(bmp.size())) + bmp;
    ASSERT_TRUE(readStream(s));
    const Document& doc = CurrentDocument();
    EXPECT_EQ(doc.slideCount, 3);
    EXPECT_TRUE(doc.slides[0].picture);
    EXPECT_FALSE(doc.slides[1].picture);
    EXPECT_TRUE(doc.slides[1].undecodedImage.isEmpty());
    EXPECT_FALSE(doc.slides[2].picture);
    EXPECT_TRUE(p.calls.isEmpty());
}

TEST_F(DocStream, WriteErrorsAreReported) {
    CountingEditState ed;
    NewDocument(ed);
    FillSlides(ed, 3);
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no /dev/full here";
    EXPECT_FALSE(WriteDocumentStream(full));
}

namespace {

/// A GIF of 35 bytes whose header and image declare `w` x `h` pixels.
QByteArray hugeGif(quint16 w, quint16 h) {
    QByteArray g("GIF89a");
    const auto le16 = [&g](quint16 v) {
        g.append(char(v & 0xFF));
        g.append(char(v >> 8));
    };
    le16(w);
    le16(h);
    g.append(QByteArray::fromHex("800000"));       // a 2-colour table, background, aspect
    g.append(QByteArray::fromHex("000000FFFFFF")); // black, white
    g.append(char(0x2C));                          // image descriptor
    le16(0);
    le16(0);
    le16(w);
    le16(h);
    g.append(char(0));                           // no local table, not interlaced
    g.append(QByteArray::fromHex("0202440100")); // a few LZW codes, then the block end
    g.append(char(0x3B));                        // trailer
    return g;
}

QByteArray streamOfPictures(const QList<QByteArray>& pictures) {
    QByteArray s("LSR001    ");
    s += sampleHeader();
    s += be32(quint32(pictures.size()));
    for (int i = 0; i < pictures.size(); ++i)
        s += record(1, 0xFFFFFFFF, 5, 0, 0);
    for (const QByteArray& p : pictures)
        s += be32(quint32(p.size())) + p;
    return s;
}

} // namespace

TEST_F(DocStream, PicturesBeyondTheLimitStayUndecodedAndAreToldOnce) {
    const QByteArray huge = hugeGif(11000, 11000); // 121 megapixels declared
    ASSERT_EQ(huge.size(), 35);
    const QByteArray small = EncodeBmp(MakeTestPicture(100, 100, Qt::blue)->image());
    struct Row {
        const char* name;
        QList<QByteArray> pictures;
        QList<bool> decoded;
        QString slidesNamed; // the message's prefix; empty: no message
    };
    const Row rows[] = {
        {"huge gifs among small pictures",
         {huge, small, huge, huge, small, huge},
         {false, true, false, false, true, false},
         QStringLiteral("スライド 1, 3-4, 6\n")}, // runs of numbers shortened
        {"small pictures only", {small, small}, {true, true}, QString()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        TestPrompts p;
        const QByteArray s = streamOfPictures(r.pictures);
        QByteArray in = s;
        QBuffer buf(&in);
        buf.open(QIODevice::ReadOnly);
        ASSERT_TRUE(ReadDocumentStream(buf));
        const Document& doc = CurrentDocument();
        ASSERT_EQ(doc.slideCount, r.pictures.size());
        for (int i = 0; i < r.pictures.size(); ++i) {
            EXPECT_EQ(bool(doc.slides[i].picture), r.decoded[i]) << i;
            if (!r.decoded[i]) {
                EXPECT_EQ(doc.slides[i].undecodedImage.bytes(), r.pictures[i]) << i;
            }
        }
        if (r.slidesNamed.isEmpty()) {
            EXPECT_TRUE(p.calls.isEmpty());
        } else {
            ASSERT_EQ(p.messageIds(), QList<Msg>{Msg::PicturesTooLarge});
            EXPECT_EQ(p.calls[0].text, r.slidesNamed + MessageText(Msg::PicturesTooLarge));
        }
        // Saving gives every picture's bytes back as they were stored.
        const QByteArray out = writeStream();
        int at = 78 + 28 * int(r.pictures.size());
        for (const QByteArray& picture : r.pictures) {
            EXPECT_EQ(out.mid(at + 4, picture.size()), picture);
            at += 4 + int(picture.size());
        }
        EXPECT_EQ(out.size(), at);
    }
}

namespace {

/// A device that hands out its bytes once, in order, and tells nothing of its length.
class SequentialReader : public QIODevice {
public:
    explicit SequentialReader(QByteArray bytes) : m_bytes(std::move(bytes)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min<qint64>(maxSize, m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
};

/// A file that counts the bytes read from it.
class CountingFile : public QFile {
public:
    CountingFile(const QString& path, qint64* count) : QFile(path), m_count(count) {}

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = QFile::readData(data, maxSize);
        if (n > 0)
            *m_count += n;
        return n;
    }

private:
    qint64* m_count;
};

/// A store over a file of `bytes` in `dir`, reading through `count` when given. The
/// file is read unbuffered, so the count is what was asked for.
std::shared_ptr<const ByteStore> storeOf(const QTemporaryDir& dir, const QByteArray& bytes,
                                         qint64* count = nullptr) {
    const QString path = dir.filePath(QStringLiteral("stream"));
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    std::unique_ptr<QFile> file(count ? new CountingFile(path, count) : new QFile(path));
    EXPECT_TRUE(file->open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    return std::make_shared<const ByteStore>(std::move(file));
}

/// What a test looks at of a read document: per slide its picture's size (or -1 x -1)
/// and the bytes it keeps undecoded.
struct Outcome {
    bool ok = false;
    QList<QSize> sizes;
    QList<QByteArray> undecoded;
    bool operator==(const Outcome& o) const {
        return ok == o.ok && sizes == o.sizes && undecoded == o.undecoded;
    }
};

Outcome outcomeOf(bool ok) {
    Outcome o;
    o.ok = ok;
    const Document& doc = CurrentDocument();
    for (int i = 0; i < doc.slideCount; ++i) {
        o.sizes << (doc.slides[i].picture ? doc.slides[i].picture->size() : QSize(-1, -1));
        o.undecoded << doc.slides[i].undecodedImage.bytes();
    }
    return o;
}

/// Stops a reading once `after` slides are read.
struct StopAfter : ProgressSink {
    explicit StopAfter(qint64 n) : after(n) {}
    void progress(qint64 done, qint64) override { seen << done; }
    bool cancelled() const override { return !seen.isEmpty() && seen.last() >= after; }
    qint64 after;
    QList<qint64> seen;
};

/// A JPEG of `w` x `h` noisy pixels (large for its size) with `comments` bytes of
/// comment segments right after its start marker, before its frame header.
QByteArray jpegWithComments(int w, int h, int comments) {
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            img.setPixel(x, y, seed >> 8);
        }
    QByteArray jpg;
    QBuffer buf(&jpg);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPEG", 90);
    QByteArray segments;
    for (int left = comments; left > 0;) {
        const int payload = std::min(left, 60000);
        segments += QByteArray::fromHex("FFFE") + be32(quint32(payload + 2)).right(2);
        segments += QByteArray(payload, 'c');
        left -= payload;
    }
    return jpg.left(2) + segments + jpg.mid(2);
}

} // namespace

TEST_F(DocStream, EverySourceReadsTheSameDocument) {
    // A device with its length, one without (sequential), and a store whose blocks stay
    // where they are; the fourth block claims more than the stream holds and ends the
    // reading there.
    const QByteArray bmp = EncodeBmp(MakeTestPicture(3, 2, Qt::blue)->image());
    const QByteArray jpg = jpegBytes();
    const QByteArray junk("not an image at all");
    QByteArray s = QByteArray("LSR001    ") + sampleHeader() + be32(6);
    for (int i = 0; i < 6; ++i)
        s += record(1, 0xFFFFFFFF, 5, 0, 0);
    s += be32(quint32(bmp.size())) + bmp;
    s += be32(quint32(jpg.size())) + jpg;
    s += be32(quint32(junk.size())) + junk;
    s += be32(0);
    const QByteArray complete = s;
    s += be32(0xFFFFFF00u) + bmp; // claims almost 4 GB
    s += be32(quint32(bmp.size())) + bmp;
    Outcome expected;
    expected.ok = true;
    expected.sizes = {QSize(3, 2),   QSize(16, 8),  QSize(-1, -1),
                      QSize(-1, -1), QSize(-1, -1), QSize(-1, -1)};
    expected.undecoded = {QByteArray(), QByteArray(), junk,
                          QByteArray(), QByteArray(), QByteArray()};
    QTemporaryDir dir;
    enum Source { Buffer, Sequential, Store };
    for (const Source source : {Buffer, Sequential, Store}) {
        SCOPED_TRACE(int(source));
        ResetWorld();
        TestPrompts p;
        bool ok = false;
        if (source == Buffer) {
            ok = readStream(s);
        } else if (source == Sequential) {
            SequentialReader in(s);
            ok = ReadDocumentStream(in);
        } else {
            ok = ReadDocumentStream(storeOf(dir, s));
        }
        EXPECT_TRUE(outcomeOf(ok) == expected);
        EXPECT_TRUE(p.calls.isEmpty());
        // Written back: the blocks read before the cut as they were, then none.
        EXPECT_TRUE(writeStream().mid(78 + 6 * 28) ==
                    complete.mid(78 + 6 * 28) + be32(0) + be32(0));
    }
}

TEST_F(DocStream, StoredBlocksAreReadOnlyAsFarAsTheirPicturesHeaders) {
    const QByteArray bmp = EncodeBmp(MakeTestPicture(600, 600, Qt::green)->image());
    const QByteArray jpg = jpegWithComments(1000, 1000, 100000);
    // What the magic, the header, the count, one record and one block length take.
    constexpr qint64 kFixed = 10 + 64 + 4 + 28 + 4;
    struct Row {
        const char* name;
        QByteArray picture;
        QSize size;     // -1 x -1: no picture
        qint64 maxRead; // bytes of the block looked at
    };
    const Row rows[] = {
        {"a BMP of a megabyte", bmp, QSize(600, 600), kPictureHeadBytes},
        {"two megabytes of zeros", QByteArray(2 << 20, '\0'), QSize(-1, -1), kPictureHeadBytes},
        {"a JPEG whose frame header lies past 64 KiB", jpg, QSize(1000, 1000),
         kPictureHeadBytes + 2 * kPictureHeadBytes},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_GT(r.picture.size(), 4 * r.maxRead) << "a block far larger than what is read";
        ResetWorld();
        TestPrompts p;
        const QByteArray s = streamOfPictures({r.picture});
        QTemporaryDir dir;
        qint64 read = 0;
        ASSERT_TRUE(ReadDocumentStream(storeOf(dir, s, &read)));
        EXPECT_LE(read, kFixed + r.maxRead);
        const SlideRecord& slide = CurrentDocument().slides[0];
        EXPECT_EQ(slide.picture ? slide.picture->size() : QSize(-1, -1), r.size);
        // Nothing of the block is held in memory; saving reads it from the store (the
        // record says 0 for a slide without a picture).
        EXPECT_EQ(slide.picture ? slide.picture->heldBytes() : slide.undecodedImage.heldBytes(), 0);
        EXPECT_TRUE(writeStream().mid(78 + 28) == s.mid(78 + 28));
        EXPECT_TRUE(p.calls.isEmpty());
    }
}

TEST_F(DocStream, AStoppedReadingEndsWithoutAWordAndLeavesNoSlides) {
    const QByteArray bmp = EncodeBmp(MakeTestPicture(2, 2)->image());
    const QByteArray s = streamOfPictures({bmp, bmp, bmp, bmp});
    QTemporaryDir dir;
    struct Row {
        qint64 after;
        bool ok;
        QList<qint64> seen; // the slides read, as reported
    };
    const Row rows[] = {{0, false, {0}}, {2, false, {0, 1, 2}}, {9, true, {0, 1, 2, 3, 4}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.after);
        ResetWorld();
        TestPrompts p;
        StopAfter stop(r.after);
        EXPECT_EQ(ReadDocumentStream(storeOf(dir, s), &stop), r.ok);
        EXPECT_EQ(stop.seen, r.seen);
        EXPECT_EQ(CurrentDocument().slideCount, r.ok ? 4 : 0);
        EXPECT_EQ(bool(CurrentDocument().slides[0].picture), r.ok);
        EXPECT_TRUE(p.calls.isEmpty());
    }
}
