#include "packaging/Cabinet.h"
#include "tests/packaging/CabBuilder.h"

#include <QBuffer>
#include <QDate>
#include <gtest/gtest.h>
#include <map>

using namespace testcab;

namespace {

/// Collects extracted members in memory.
struct MemorySink : cab::MemberSink {
    std::vector<std::pair<QString, QByteArray>> files;
    quint64 declared = 0;
    bool begin(const cab::Member& m) override {
        files.emplace_back(m.name, QByteArray());
        declared = m.size;
        return true;
    }
    bool write(const char* d, qsizetype n) override {
        files.back().second.append(d, n);
        return quint64(files.back().second.size()) <= declared;
    }
    bool end(const cab::Member&, bool) override { return true; }
};

struct ReadResult {
    cab::Status dir = cab::Status::Ok;
    cab::Status data = cab::Status::Ok;
    std::vector<cab::Member> members;
    std::vector<std::pair<QString, QByteArray>> files;
};

ReadResult readCab(QByteArray bytes) {
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    cab::CabinetReader r(buf);
    ReadResult out;
    out.dir = r.readDirectory();
    if (out.dir != cab::Status::Ok)
        return out;
    out.members = r.members();
    MemorySink sink;
    out.data = r.extract(sink);
    out.files = sink.files;
    return out;
}

QByteArray writeCab(const QByteArray& plain, const QString& name, quint16 date = 0x5A2A,
                    quint16 time = 0x6000, quint16 attribs = 0x20) {
    QByteArray src = plain;
    QBuffer in(&src);
    in.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer outBuf(&out);
    outBuf.open(QIODevice::WriteOnly);
    EXPECT_EQ(cab::WriteCabinet(outBuf, in, plain.size(), name, date, time, attribs),
              cab::Status::Ok);
    return out;
}

quint32 le32(const QByteArray& b, int at) {
    return quint32(uchar(b[at])) | (quint32(uchar(b[at + 1])) << 8) |
           (quint32(uchar(b[at + 2])) << 16) | (quint32(uchar(b[at + 3])) << 24);
}
quint16 le16(const QByteArray& b, int at) {
    return quint16(uchar(b[at]) | (uchar(b[at + 1]) << 8));
}

} // namespace

TEST(CabinetFormat, ChecksumKnownAnswers) {
    const unsigned char bytes[] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    const quint32 expect[] = {0xc0404040, 0x40604060, 0x40307070, 0x40302040, 0x40302010,
                              0x102030,   0x1020,     0x10,       0};
    for (int len = 8; len >= 0; --len)
        EXPECT_EQ(cab::Checksum(bytes, len, 0), expect[8 - len]) << "length " << len;
}

TEST(CabinetFormat, DosDateAndTime) {
    struct Row {
        QDateTime t;
        quint16 date, time;
    };
    const Row rows[] = {
        {QDateTime(QDate(2025, 1, 10), QTime(12, 0, 0)), quint16((45 << 9) | (1 << 5) | 10),
         quint16(12 << 11)},
        {QDateTime(QDate(1980, 1, 1), QTime(0, 0, 1)), quint16((1 << 5) | 1), 0},
        {QDateTime(QDate(2012, 7, 10), QTime(23, 59, 59)), quint16((32 << 9) | (7 << 5) | 10),
         quint16((23 << 11) | (59 << 5) | 29)},
        {QDateTime(QDate(1975, 5, 5), QTime(10, 0, 0)), quint16((1 << 5) | 1), 0}, // clamped
    };
    for (const Row& r : rows) {
        EXPECT_EQ(cab::DosDate(r.t), r.date) << r.t.toString().toStdString();
        EXPECT_EQ(cab::DosTime(r.t), r.time) << r.t.toString().toStdString();
    }
    EXPECT_EQ(cab::FromDosDateTime(quint16((45 << 9) | (1 << 5) | 10), quint16(12 << 11)),
              QDateTime(QDate(2025, 1, 10), QTime(12, 0, 0)));
    EXPECT_FALSE(cab::FromDosDateTime(0, 0).isValid()); // month 0
}

TEST(CabinetFormat, MemberNameEncodings) {
    struct Row {
        const char* name;
        QByteArray stored;
        bool utf8;
    };
    const Row rows[] = {
        {"Sample.lsr", "Sample.lsr", false},
        // Katakana in code page 932: ル 83 8B, セ 83 5A, リ 83 8A, オ 83 49.
        {"ルセリオ.lsr", QByteArray::fromHex("838b835a838a83492e6c7372"), false},
        // No code page 932 code for Ü or ✓: UTF-8 with the name flag.
        {"Ü✓.lsr", QByteArray("\xc3\x9c\xe2\x9c\x93.lsr"), true},
    };
    for (const Row& r : rows) {
        bool utf8 = !r.utf8;
        const QString name = QString::fromUtf8(r.name);
        EXPECT_EQ(cab::EncodeName(name, &utf8).toHex(), r.stored.toHex()) << r.name;
        EXPECT_EQ(utf8, r.utf8) << r.name;
        EXPECT_EQ(cab::DecodeName(r.stored, r.utf8), name) << r.name;
    }
}

TEST(CabinetFormat, UnsafeMemberNamesAreRefused) {
    struct Row {
        const char* name;
        const char* expect; // "" = refused
    };
    const Row rows[] = {
        {"doc.lsr", "doc.lsr"},
        {"sub\\doc.lsr", "sub/doc.lsr"},
        {"a/b/c.txt", "a/b/c.txt"},
        {"../escape.txt", ""},
        {"sub\\..\\..\\escape.txt", ""},
        {"/etc/passwd", ""},
        {"\\\\server\\share\\x", ""},
        {"C:\\Windows\\x", ""},
        {"c:x", ""},
        {"a//b", ""},
        {"./a", ""},
        {"dir/", ""},
        {"", ""},
        {"bad\x01name", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(cab::SafeRelativePath(QString::fromUtf8(r.name)), QString::fromUtf8(r.expect))
            << r.name;
}

TEST(CabinetWriter, LayoutOfAOneMemberCabinet) {
    const QByteArray plain = sampleBytes(78);
    const QByteArray c = writeCab(plain, QStringLiteral("Sample.lsr"), 0x5A2A, 0x6000, 0x21);
    ASSERT_GE(c.size(), 70);
    EXPECT_EQ(c.left(4), QByteArray("MSCF"));
    EXPECT_EQ(le32(c, 8), quint32(c.size())); // cbCabinet
    EXPECT_EQ(le32(c, 16), 44u);              // coffFiles
    EXPECT_EQ(uchar(c[24]), 3);               // version 1.3
    EXPECT_EQ(uchar(c[25]), 1);
    EXPECT_EQ(le16(c, 26), 1); // one folder
    EXPECT_EQ(le16(c, 28), 1); // one file
    EXPECT_EQ(le16(c, 30), 0); // no flags
    const int dataAt = 44 + 16 + 10 + 1;
    EXPECT_EQ(le32(c, 36), quint32(dataAt)); // coffCabStart
    EXPECT_EQ(le16(c, 40), 1);               // one data block
    EXPECT_EQ(le16(c, 42), 1);               // MSZIP
    EXPECT_EQ(le32(c, 44), 78u);             // cbFile
    EXPECT_EQ(le32(c, 48), 0u);              // offset in folder
    EXPECT_EQ(le16(c, 52), 0);               // folder 0
    EXPECT_EQ(le16(c, 54), 0x5A2A);
    EXPECT_EQ(le16(c, 56), 0x6000);
    EXPECT_EQ(le16(c, 58), 0x21);
    EXPECT_EQ(c.mid(60, 11), QByteArray("Sample.lsr\0", 11));
    // The data block: checksum over data and sizes, "CK", inflates to the input.
    const quint16 cbData = le16(c, dataAt + 4);
    EXPECT_EQ(le16(c, dataAt + 6), 78);
    const QByteArray data = c.mid(dataAt + 8, cbData);
    ASSERT_EQ(data.size(), cbData);
    QByteArray sizes;
    put16(sizes, cbData);
    put16(sizes, 78);
    EXPECT_EQ(le32(c, dataAt), checksum(sizes, checksum(data, 0)));
    EXPECT_EQ(data.left(2), QByteArray("CK"));
    z_stream z{};
    inflateInit2(&z, -15);
    QByteArray out(200, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()) + 2);
    z.avail_in = uInt(data.size() - 2);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(out.left(int(z.total_out)), plain);
    inflateEnd(&z);
    EXPECT_EQ(c.size(), dataAt + 8 + cbData);
}

TEST(CabinetWriter, RoundTripsAtBlockBoundaries) {
    for (int n : {0, 1, 32767, 32768, 32769, 65536, 200001}) {
        const QByteArray plain = sampleBytes(n, unsigned(n));
        const QByteArray c = writeCab(plain, QStringLiteral("x.bin"));
        EXPECT_EQ(le16(c, 40), (n + 32767) / 32768) << n;
        const ReadResult r = readCab(c);
        ASSERT_EQ(r.dir, cab::Status::Ok) << n;
        ASSERT_EQ(r.data, cab::Status::Ok) << n;
        ASSERT_EQ(r.files.size(), 1u);
        EXPECT_EQ(r.files[0].first, QStringLiteral("x.bin"));
        EXPECT_TRUE(r.files[0].second == plain) << n;
    }
}

TEST(CabinetWriter, BlocksAreTheSameWhicheverThreadCompressesThem) {
    // More than one 4 MiB read (the blocks of a read are shared among threads) and a
    // short last block: every data block is exactly the block a lone deflate stream at
    // the default level makes of that 32 KiB, in order, as one thread would write it.
    const int n = 4 * 1024 * 1024 + 5 * 32768 + 1234;
    QByteArray plain = sampleBytes(n, 7u);
    for (int i = 0; i < n; i += 3)
        plain[i] = char(i / 4096); // compressible, as slide pictures are
    const QByteArray c = writeCab(plain, QStringLiteral("x.bin"));
    const int blocks = (n + 32767) / 32768;
    ASSERT_EQ(le16(c, 40), blocks);
    int at = int(le32(c, 36));
    for (int b = 0; b < blocks; ++b) {
        const QByteArray piece = plain.mid(b * 32768, 32768);
        const Block expect = mszipBlock(piece);
        ASSERT_EQ(le16(c, at + 6), piece.size()) << b;
        ASSERT_EQ(c.mid(at + 8, le16(c, at + 4)), expect.data) << b;
        at += 8 + le16(c, at + 4);
    }
    EXPECT_EQ(at, c.size());
}

TEST(CabinetWriter, NonCp932NameSetsTheUtf8Flag) {
    const QByteArray c = writeCab("abc", QString::fromUtf8("Ü✓.lsr"), 0x5A2A, 0x6000, 0x20);
    EXPECT_EQ(le16(c, 58), 0x20 | 0x80);
    const ReadResult r = readCab(c);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].first, QString::fromUtf8("Ü✓.lsr"));
}

TEST(CabinetReader, AcceptsWhatOtherWritersProduce) {
    const QByteArray a = sampleBytes(40000, 7), b = sampleBytes(70000, 8), c = sampleBytes(10, 9);
    // Folder 0: stored, holds a and c back to back; folder 1: MSZIP blocks compressed
    // independently, one without checksum; reserved areas everywhere.
    CabSpec s;
    FolderSpec stored;
    stored.type = 0;
    const QByteArray f0 = a + c;
    stored.blocks.push_back(storedBlock(f0.left(32768)));
    stored.blocks.push_back(storedBlock(f0.mid(32768), false));
    FolderSpec zipped;
    zipped.type = 1;
    zipped.blocks.push_back(mszipBlock(b.left(32768)));
    zipped.blocks.push_back(mszipBlock(b.mid(32768, 32768), false));
    zipped.blocks.push_back(mszipBlock(b.mid(65536)));
    s.folders = {stored, zipped};
    s.files = {{"a.bin", 40000, 0, 0}, {"sub\\b.bin", 70000, 0, 1}, {"c.bin", 10, 40000, 0}};
    s.headerReserve = 6;
    s.folderReserve = 3;
    s.dataReserve = 5;
    const ReadResult r = readCab(build(s));
    ASSERT_EQ(r.dir, cab::Status::Ok);
    ASSERT_EQ(r.data, cab::Status::Ok);
    ASSERT_EQ(r.files.size(), 3u);
    EXPECT_EQ(r.files[0].first, QStringLiteral("a.bin"));
    EXPECT_TRUE(r.files[0].second == a);
    EXPECT_EQ(r.files[1].first, QStringLiteral("c.bin"));
    EXPECT_TRUE(r.files[1].second == c);
    EXPECT_EQ(r.files[2].first, QStringLiteral("sub\\b.bin"));
    EXPECT_TRUE(r.files[2].second == b);
}

TEST(CabinetReader, RefusesWhatItCannotReadSafely) {
    const QByteArray plain = sampleBytes(50000, 3);
    auto good = [&] {
        CabSpec s;
        FolderSpec fo;
        fo.blocks = {mszipBlock(plain.left(32768)), mszipBlock(plain.mid(32768))};
        s.folders = {fo};
        s.files = {{"m.bin", 50000, 0, 0}};
        return s;
    };
    struct Row {
        const char* name;
        QByteArray bytes;
        cab::Status expect; // from readDirectory, or from extract when the directory is fine
    };
    std::vector<Row> rows;
    rows.push_back({"good", build(good()), cab::Status::Ok});
    rows.push_back({"not a cabinet", QByteArray("PK\x03\x04 not a cabinet at all, no"),
                    cab::Status::NotCabinet});
    {
        CabSpec s = good();
        s.folders[0].type = 3; // LZX
        rows.push_back({"LZX folder", build(s), cab::Status::Unsupported});
    }
    {
        CabSpec s = good();
        s.folders[0].type = 2; // Quantum
        rows.push_back({"Quantum folder", build(s), cab::Status::Unsupported});
    }
    {
        QByteArray b = build(good());
        b[30] = char(b[30] | 2); // next cabinet: a spanned set
        rows.push_back({"spanned", b, cab::Status::Unsupported});
    }
    {
        CabSpec s = good();
        s.files[0].folder = 0xFFFD; // continued from the previous cabinet
        rows.push_back({"continued member", build(s), cab::Status::Unsupported});
    }
    {
        CabSpec s = good();
        s.files[0].folder = 1;
        rows.push_back({"missing folder", build(s), cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.files[0].size = 70000; // beyond two blocks' worth
        rows.push_back({"size beyond the folder", build(s), cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.files[0].size = 60000; // fits two blocks but the data holds 50000
        rows.push_back({"size beyond the data", build(s), cab::Status::Damaged});
    }
    {
        QByteArray b = build(good());
        b[b.size() - 10] = char(b[b.size() - 10] ^ 0x55);
        rows.push_back({"bad checksum", b, cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.folders[0].blocks[0].uncompressed = 40000; // larger than a block can be
        rows.push_back({"cbUncomp too large", build(s), cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.folders[0].blocks[1].uncompressed -= 1; // inflates to more than declared
        rows.push_back({"more data than declared", build(s), cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.folders[0].blocks[0].data = "XY" + s.folders[0].blocks[0].data.mid(2);
        rows.push_back({"no CK", build(s), cab::Status::Damaged});
    }
    {
        QByteArray b = build(good());
        b.chop(1);
        rows.push_back({"one byte short", b, cab::Status::Damaged});
    }
    {
        CabSpec s = good();
        s.files.push_back({"n.bin", 100, 49950, 0}); // overlaps m.bin
        rows.push_back({"overlapping members", build(s), cab::Status::Damaged});
    }
    {
        QByteArray b = build(good());
        const int nameAt = 36 + 8 + 16;
        b[nameAt + 5] = 'X';    // the name's NUL is overwritten: "m.binX" + folder data ...
        b.truncate(nameAt + 6); // ... and the cabinet ends inside the name
        set32(b, 8, quint32(b.size()));
        rows.push_back({"name without NUL", b, cab::Status::Damaged});
    }
    for (const Row& r : rows) {
        const ReadResult res = readCab(r.bytes);
        const cab::Status got = res.dir != cab::Status::Ok ? res.dir : res.data;
        EXPECT_EQ(int(got), int(r.expect)) << r.name;
        for (const auto& f : res.files) // never more than a member declares
            EXPECT_LE(f.second.size(), 70000) << r.name;
    }
}

TEST(CabinetReader, EveryTruncationFails) {
    const QByteArray c = writeCab(sampleBytes(40000, 5), QStringLiteral("t.bin"));
    for (int len = 0; len < c.size(); ++len) {
        const ReadResult r = readCab(c.left(len));
        EXPECT_TRUE(r.dir != cab::Status::Ok || r.data != cab::Status::Ok) << "cut at " << len;
    }
}
