// The two readers of the document stream, the Qt program's and the toolkit-free one the
// Windows runtime uses, on one table of documents made byte by byte here; and the
// executable's trailer.

#include "document/StreamLayout.h"
#include "document/Document.h"
#include "document/DocumentStream.h"
#include "document/Picture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

void be32(QByteArray& out, quint32 v) {
    for (int shift : {24, 16, 8, 0})
        out.append(char((v >> shift) & 0xFF));
}
void le32(QByteArray& out, quint32 v) {
    for (int shift : {0, 8, 16, 24})
        out.append(char((v >> shift) & 0xFF));
}

struct SlideSpec {
    quint32 storedKey;
    quint16 seconds;
    quint8 flipH, flipV;
    QByteArray image;
};

/// A stream as the format lays it out: magic, header (show rectangle, loop, timer
/// switching, topmost, fit), count, records, blocks.
QByteArray Stream(const std::vector<SlideSpec>& slides, quint32 count,
                  const char* magic = "LSR001    ") {
    QByteArray s(magic, 10);
    QByteArray h;
    for (int i = 0; i < 4; ++i)
        le32(h, 0x00102030u); // the editor's colours and the property buttons
    for (qint32 v : {100, 120, 500, 420})
        le32(h, quint32(v));
    le32(h, 1);          // loop
    le32(h, 0);          // timer switching off
    le32(h, 0x00FFFFFF); // preview background
    le32(h, 7);          // topmost (any value but 0)
    le32(h, 0);          // fit
    h.append(QByteArray(12, '\x5A'));
    s += h;
    be32(s, count);
    for (const SlideSpec& r : slides) {
        le32(s, 1);
        le32(s, 0);
        le32(s, 0);
        le32(s, r.storedKey);
        s.append(char(r.seconds & 0xFF)).append(char(r.seconds >> 8));
        s.append(char(r.flipH)).append(char(r.flipV));
        le32(s, 0);
        le32(s, 0);
    }
    for (const SlideSpec& r : slides) {
        be32(s, quint32(r.image.size()));
        s += r.image;
    }
    return s;
}

/// What a reader made of a stream.
struct Outcome {
    layout::StreamError error = layout::StreamError::None;
    std::vector<SlideSpec> slides;
};

layout::StreamError ErrorOf(const QList<Msg>& ids) {
    if (ids.contains(Msg::WrongFileFormat))
        return layout::StreamError::WrongFormat;
    if (ids.contains(Msg::WrongVersion))
        return layout::StreamError::WrongVersion;
    if (ids.contains(Msg::TooManySlidesInFile))
        return layout::StreamError::TooManySlides;
    return layout::StreamError::None;
}

Outcome ReadWithQt(const QByteArray& bytes) {
    ResetWorld();
    TestPrompts prompts;
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    const bool ok = ReadDocumentStream(in);
    Outcome o;
    o.error = ErrorOf(prompts.messageIds());
    EXPECT_EQ(ok, o.error == layout::StreamError::None);
    const Document& doc = CurrentDocument();
    for (int i = 0; i < doc.slideCount; ++i) {
        const SlideRecord& r = doc.slides[size_t(i)];
        QByteArray image = r.undecodedImage.bytes();
        if (r.picture) {
            EXPECT_TRUE(SavePictureToStream(r.picture.get(), image));
        }
        o.slides.push_back(
            SlideSpec{StoredFromKeyColor(r.keyColor), r.switchTime, r.flipH, r.flipV, image});
    }
    if (o.error == layout::StreamError::None) {
        const DocumentHeader& h = doc.header;
        EXPECT_EQ(StoredCornersOf(h.slideshowRect), (std::array<qint32, 4>{100, 120, 500, 420}));
        EXPECT_TRUE(h.loop && !h.timerSwitch && h.topMost && !h.fitToWindow);
    }
    return o;
}

Outcome ReadWithLayout(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const layout::ParsedStream p = layout::ParseDocumentStream(data, size_t(bytes.size()));
    Outcome o;
    o.error = p.error;
    for (const layout::StreamSlide& s : p.slides)
        o.slides.push_back(
            SlideSpec{s.storedKey, s.switchTime, s.flipH, s.flipV,
                      QByteArray(bytes.constData() + s.imageOffset, qsizetype(s.imageLength))});
    if (o.error == layout::StreamError::None) {
        const layout::StreamHeader& h = p.header;
        EXPECT_EQ(std::vector<int>(h.rect, h.rect + 4), (std::vector<int>{100, 120, 500, 420}));
        EXPECT_TRUE(h.loop && !h.timerSwitch && h.topMost && !h.fitToWindow);
    }
    return o;
}

/// A 2 x 1 BMP: one red and one green pixel.
QByteArray TinyBmp() {
    QByteArray b("BM");
    le32(b, 14 + 40 + 8);
    le32(b, 0);
    le32(b, 14 + 40);
    le32(b, 40);
    le32(b, 2);
    le32(b, 1);
    b.append(char(1)).append(char(0)).append(char(24)).append(char(0));
    for (int i = 0; i < 6; ++i)
        le32(b, i == 1 ? 8 : 0);
    b.append("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8); // red, green (blue first), padding
    return b;
}

TEST(StreamReaders, BothReadTheSameTableOfDocumentsAlike) {
    const SlideSpec keyed{0x0000FF00u, 3, 0, 1, TinyBmp()};
    const SlideSpec plain{layout::kStoredNoKey, 64800, 1, 0, QByteArray("not a picture")};
    const SlideSpec empty{0x00FFFFFFu, 1, 2, 0, QByteArray()};
    const QByteArray two = Stream({keyed, plain}, 2);
    QByteArray oneBlockMissing = Stream({keyed, plain}, 2);
    oneBlockMissing.chop(plain.image.size() + 4);
    QByteArray blockCut = two;
    blockCut.chop(3);

    struct Row {
        const char* name;
        QByteArray bytes;
        layout::StreamError error;
        std::vector<SlideSpec> slides;
    };
    const SlideSpec keyedNoImage{keyed.storedKey, keyed.seconds, keyed.flipH, keyed.flipV, {}};
    const SlideSpec plainNoImage{plain.storedKey, plain.seconds, plain.flipH, plain.flipV, {}};
    const Row rows[] = {
        {"two slides", two, layout::StreamError::None, {keyed, plain}},
        {"no slides", Stream({}, 0), layout::StreamError::None, {}},
        {"an empty block", Stream({empty, keyed}, 2), layout::StreamError::None, {empty, keyed}},
        {"version digits 6-9 free",
         Stream({keyed}, 1, "LSR001xyzw"),
         layout::StreamError::None,
         {keyed}},
        {"other letters", Stream({keyed}, 1, "LSX001    "), layout::StreamError::WrongFormat, {}},
        {"other version", Stream({keyed}, 1, "LSR002    "), layout::StreamError::WrongVersion, {}},
        {"two bytes", QByteArray("LS"), layout::StreamError::WrongFormat, {}},
        {"cut in the version", QByteArray("LSR00"), layout::StreamError::WrongFormat, {}},
        {"cut in the header", two.left(40), layout::StreamError::WrongFormat, {}},
        {"cut in the count", two.left(76), layout::StreamError::WrongFormat, {}},
        {"cut in the records", two.left(78 + 30), layout::StreamError::WrongFormat, {}},
        {"101 slides", Stream({}, 101), layout::StreamError::TooManySlides, {}},
        {"a count with the high bit",
         Stream({}, 0x80000001u),
         layout::StreamError::TooManySlides,
         {}},
        {"last block missing", oneBlockMissing, layout::StreamError::None, {keyed, plainNoImage}},
        {"last block cut", blockCut, layout::StreamError::None, {keyed, plainNoImage}},
        {"records without blocks",
         two.left(78 + 56),
         layout::StreamError::None,
         {keyedNoImage, plainNoImage}},
    };
    for (const Row& row : rows) {
        for (const auto& [reader, outcome] : {std::pair{"Qt", ReadWithQt(row.bytes)},
                                              std::pair{"layout", ReadWithLayout(row.bytes)}}) {
            SCOPED_TRACE(std::string(row.name) + ", " + reader);
            EXPECT_EQ(outcome.error, row.error);
            ASSERT_EQ(outcome.slides.size(), row.slides.size());
            for (size_t i = 0; i < row.slides.size(); ++i) {
                const SlideSpec& got = outcome.slides[i];
                const SlideSpec& want = row.slides[i];
                EXPECT_EQ(got.storedKey, want.storedKey) << i;
                EXPECT_EQ(got.seconds, want.seconds) << i;
                EXPECT_EQ(got.flipH, want.flipH) << i;
                EXPECT_EQ(got.flipV, want.flipV) << i;
                EXPECT_EQ(got.image, want.image) << i;
            }
        }
    }
    // The refusal names the count it found (the message's first line).
    const QByteArray many = Stream({}, 101);
    EXPECT_EQ(layout::ParseDocumentStream(reinterpret_cast<const unsigned char*>(many.constData()),
                                          size_t(many.size()))
                  .declaredCount,
              101u);
    ResetWorld();
}

TEST(StreamReaders, TrailerGivesTheStreamAfterTheRuntime) {
    // 1000 runtime bytes, a 78-byte stream, then 03 CA 19 3A and 1000 (00 00 03 E8).
    const unsigned char good[8] = {0x03, 0xCA, 0x19, 0x3A, 0x00, 0x00, 0x03, 0xE8};
    const unsigned char badMagic[8] = {0x03, 0xCA, 0x19, 0x3B, 0x00, 0x00, 0x03, 0xE8};
    const unsigned char noRuntime[8] = {0x03, 0xCA, 0x19, 0x3A, 0x00, 0x00, 0x00, 0x00};
    struct Row {
        const char* name;
        const unsigned char* trailer;
        quint64 fileSize;
        std::optional<std::pair<quint64, quint64>> span;
    };
    const Row rows[] = {
        {"smallest whole file", good, 1000 + 78 + 8, std::pair<quint64, quint64>{1000, 78}},
        {"a larger stream", good, 5000, std::pair<quint64, quint64>{1000, 3992}},
        {"stream shorter than its fixed part", good, 1000 + 77 + 8, std::nullopt},
        {"runtime longer than the file", good, 900, std::nullopt},
        {"other magic", badMagic, 5000, std::nullopt},
        {"runtime of length 0", noRuntime, 5000, std::nullopt},
        {"shorter than a trailer", good, 7, std::nullopt},
    };
    for (const Row& r : rows) {
        const auto got = layout::LocateEmbeddedStream(r.trailer, r.fileSize);
        ASSERT_EQ(got.has_value(), r.span.has_value()) << r.name;
        if (got) {
            EXPECT_EQ(got->offset, r.span->first) << r.name;
            EXPECT_EQ(got->length, r.span->second) << r.name;
        }
    }
}

} // namespace
