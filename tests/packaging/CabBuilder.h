#pragma once
// Builds cabinet files by hand, field by field, for the reader's tests: several folders
// and members, stored or MSZIP data, reserved areas, checksums or none, and damage.

#include <QByteArray>
#include <QString>
#include <vector>
#include <zlib.h>

namespace testcab {

inline void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
inline void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
inline void set32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

/// The checksum as the format describes it, written independently of the product.
inline quint32 checksum(const QByteArray& d, quint32 seed) {
    quint32 c = seed;
    const auto* p = reinterpret_cast<const unsigned char*>(d.constData());
    const int n = int(d.size());
    int i = 0;
    for (; i + 4 <= n; i += 4)
        c ^= quint32(p[i]) | (quint32(p[i + 1]) << 8) | (quint32(p[i + 2]) << 16) |
             (quint32(p[i + 3]) << 24);
    quint32 t = 0;
    for (; i < n; ++i)
        t = (t << 8) | p[i];
    return c ^ t;
}

struct Block {
    QByteArray data; ///< stored bytes (after "CK" for MSZIP they are raw deflate)
    int uncompressed = 0;
    bool withChecksum = true;
};

/// An MSZIP block compressed on its own (no history): "CK" + raw deflate, final bit set.
inline Block mszipBlock(const QByteArray& plain, bool withChecksum = true) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(plain.size()))) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return Block{QByteArray("CK") + out, int(plain.size()), withChecksum};
}

inline Block storedBlock(const QByteArray& plain, bool withChecksum = true) {
    return Block{plain, int(plain.size()), withChecksum};
}

struct FolderSpec {
    int type = 1; ///< 0 none, 1 MSZIP, 3 LZX ...
    std::vector<Block> blocks;
};

struct FileSpec {
    QByteArray name; ///< stored bytes
    quint32 size = 0;
    quint32 offset = 0;
    int folder = 0;
    int date = 0x5A2A; // 2025-01-10
    int time = 0x6000; // 12:00:00
    int attribs = 0x20;
};

struct CabSpec {
    std::vector<FolderSpec> folders;
    std::vector<FileSpec> files;
    int flags = 0;
    int headerReserve = -1; ///< >= 0: reserved areas present (header, folder, data sizes)
    int folderReserve = 0;
    int dataReserve = 0;
};

inline QByteArray build(const CabSpec& s) {
    const bool reserve = s.headerReserve >= 0;
    int headerSize = 36 + (reserve ? 4 + s.headerReserve : 0);
    const int folderSize = 8 + (reserve ? s.folderReserve : 0);
    int filesSize = 0;
    for (const FileSpec& f : s.files)
        filesSize += 16 + int(f.name.size()) + 1;
    const int coffFiles = headerSize + folderSize * int(s.folders.size());
    int dataPos = coffFiles + filesSize;
    QByteArray folders, data;
    for (const FolderSpec& fo : s.folders) {
        put32(folders, quint32(dataPos + data.size()));
        put16(folders, int(fo.blocks.size()));
        put16(folders, fo.type);
        if (reserve)
            folders.append(QByteArray(s.folderReserve, 'F'));
        for (const Block& b : fo.blocks) {
            QByteArray sizes;
            put16(sizes, int(b.data.size()));
            put16(sizes, b.uncompressed);
            put32(data, b.withChecksum ? checksum(sizes, checksum(b.data, 0)) : 0);
            data.append(sizes);
            if (reserve)
                data.append(QByteArray(s.dataReserve, 'D'));
            data.append(b.data);
        }
    }
    QByteArray out("MSCF");
    put32(out, 0);
    put32(out, quint32(coffFiles + filesSize + data.size()));
    put32(out, 0);
    put32(out, quint32(coffFiles));
    put32(out, 0);
    out.append(char(3));
    out.append(char(1));
    put16(out, int(s.folders.size()));
    put16(out, int(s.files.size()));
    put16(out, s.flags | (reserve ? 4 : 0));
    put16(out, 0);
    put16(out, 0);
    if (reserve) {
        put16(out, s.headerReserve);
        out.append(char(s.folderReserve));
        out.append(char(s.dataReserve));
        out.append(QByteArray(s.headerReserve, 'H'));
    }
    out.append(folders);
    for (const FileSpec& f : s.files) {
        put32(out, f.size);
        put32(out, f.offset);
        put16(out, f.folder);
        put16(out, f.date);
        put16(out, f.time);
        put16(out, f.attribs);
        out.append(f.name);
        out.append('\0');
    }
    out.append(data);
    return out;
}

/// Deterministic bytes: a mix of text-like runs and noise.
inline QByteArray sampleBytes(int n, unsigned seed = 1) {
    QByteArray b(n, '\0');
    unsigned x = seed;
    for (int i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = (i / 5000) % 2 ? char(x >> 16) : char('a' + (i % 23));
    }
    return b;
}

} // namespace testcab
