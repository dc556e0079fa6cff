#include "document/DocumentStream.h"

#include "base/Platform.h"
#include "base/ProgressSink.h"
#include "base/Prompts.h"
#include "document/ByteStore.h"
#include "document/Document.h"
#include "document/Picture.h"

#include <QIODevice>
#include <QStringList>
#include <algorithm>
#include <new>
#include <vector>

namespace {

const char kMagic[] = "LSR001    ";

bool writeAll(QIODevice& out, const QByteArray& bytes) {
    return out.write(bytes) == bytes.size();
}

/// Reads exactly `n` bytes, never reserving more than the device still holds.
bool readBounded(QIODevice& in, qint64 n, QByteArray& out) {
    out.clear();
    if (n == 0)
        return true;
    if (!in.isSequential()) {
        if (n > in.size() - in.pos())
            return false;
        out.resize(n);
        return in.read(out.data(), n) == n;
    }
    // A sequential device tells nothing about its length: grow as the bytes arrive.
    constexpr qint64 kChunk = 1 << 20;
    while (out.size() < n) {
        const qint64 want = std::min(kChunk, n - out.size());
        const QByteArray part = in.read(want);
        if (part.isEmpty())
            return false;
        out.append(part);
    }
    return true;
}

/// Moves past `n` bytes without keeping them; false when the device holds fewer.
bool skipBounded(QIODevice& in, qint64 n) {
    if (!in.isSequential())
        return n <= in.size() - in.pos() && in.seek(in.pos() + n);
    return in.skip(n) == n;
}

void dropSlides() {
    Document& doc = CurrentDocument();
    doc.slideCount = 0;
    for (SlideRecord& slide : doc.slides) {
        slide.picture.reset();
        slide.undecodedImage.clear();
    }
}

bool refuse(Msg id, const QString& prefix = QString()) {
    CurrentDocument().slideCount = 0;
    ShowMessage(id, prefix, nullptr, MsgKind::Error);
    return false;
}

} // namespace

QByteArray EncodeBE32(quint32 value) {
    QByteArray b(4, '\0');
    b[0] = char(value >> 24);
    b[1] = char(value >> 16);
    b[2] = char(value >> 8);
    b[3] = char(value);
    return b;
}

quint32 DecodeBE32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

bool WriteDocumentStream(QIODevice& out) {
    const Document& doc = CurrentDocument();
    const int count = std::clamp(doc.slideCount, 0, kMaxSlides);
    if (!writeAll(out, QByteArray(kMagic, kStreamMagicSize)) ||
        !writeAll(out, doc.header.toBytes()) || !writeAll(out, EncodeBE32(quint32(count))))
        return false;
    for (int i = 0; i < count; ++i)
        if (!writeAll(out, doc.slides[i].toBytes()))
            return false;
    for (int i = 0; i < count; ++i) {
        const SlideRecord& r = doc.slides[i];
        QByteArray bytes;
        if (r.picture) {
            if (!SavePictureToStream(r.picture.get(), bytes))
                return false; // refusing beats a stream whose blocks no longer match
        } else {
            // Empty for a slide that never had image bytes; bytes kept in a store that
            // can no longer be read fail the writing rather than go missing.
            bytes = r.undecodedImage.bytes();
            if (bytes.size() != r.undecodedImage.size())
                return false;
        }
        if (bytes.size() > qsizetype(0xFFFFFFFFu))
            return false;
        if (!writeAll(out, EncodeBE32(quint32(bytes.size()))) || !writeAll(out, bytes))
            return false;
    }
    return true;
}

namespace {

bool readStream(QIODevice& in, const std::shared_ptr<const ByteStore>& store,
                ProgressSink* progress) {
    Document& doc = CurrentDocument();
    char magic[kStreamMagicSize];
    const qint64 got = in.read(magic, kStreamMagicSize);
    if (got < 3 || magic[0] != 'L' || magic[1] != 'S' || magic[2] != 'R')
        return refuse(Msg::WrongFileFormat);
    if (got < 6 || magic[3] != '0' || magic[4] != '0' || magic[5] != '1') {
        // Too short to hold the version is not a document at all.
        return refuse(got < 6 ? Msg::WrongFileFormat : Msg::WrongVersion);
    }
    if (got < kStreamMagicSize)
        return refuse(Msg::WrongFileFormat);

    char header[DocumentHeader::kSize];
    if (in.read(header, DocumentHeader::kSize) != DocumentHeader::kSize)
        return refuse(Msg::WrongFileFormat);
    doc.header = DocumentHeader::fromBytes(header);

    doc.slideCount = 0;
    char countBytes[4];
    if (in.read(countBytes, 4) != 4)
        return refuse(Msg::WrongFileFormat);
    const quint32 n = DecodeBE32(countBytes);
    if (n > quint32(kMaxSlides))
        return refuse(Msg::TooManySlidesInFile,
                      QString::asprintf("%u > %d\n", unsigned(n), kMaxSlides));

    QByteArray records;
    if (!readBounded(in, qint64(n) * SlideRecord::kSize, records))
        return refuse(Msg::WrongFileFormat);
    for (quint32 i = 0; i < n; ++i)
        doc.slides[i] = SlideRecord::fromBytes(records.constData() + i * SlideRecord::kSize);
    doc.slideCount = int(n);

    // The image blocks, and nothing after the last one. Only each picture's header is
    // read here; its pixels are decoded when something shows them. A block that is no
    // picture the readers know keeps its bytes with the slide so that saving writes them
    // back; a length beyond the data ends the reading there.
    const auto stopAsked = [progress] { return progress && progress->cancelled(); };
    const auto keepGoing = [&stopAsked] { return !stopAsked(); };
    std::vector<int> notShown; // slide numbers, counted from 1
    for (quint32 i = 0; i < n; ++i) {
        if (progress)
            progress->progress(i, n);
        if (stopAsked()) {
            dropSlides();
            return false;
        }
        SlideRecord& r = doc.slides[i];
        char lenBytes[4];
        if (in.read(lenBytes, 4) != 4)
            break;
        const quint32 len = DecodeBE32(lenBytes);
        StoredBytes block;
        if (store) {
            // The block stays where it is; its picture's first bytes are read below.
            const qint64 offset = in.pos();
            if (!skipBounded(in, len))
                break;
            block = StoredBytes(store, offset, len);
        } else {
            QByteArray bytes;
            if (!readBounded(in, len, bytes))
                break;
            block = StoredBytes(std::move(bytes));
        }
        if (block.isEmpty())
            continue;
        const QByteArray head = PictureHead(block, keepGoing);
        if (stopAsked()) {
            dropSlides();
            return false;
        }
        // A picture declaring more pixels than the limit is never decoded.
        if (ExceedsPictureLimit(DeclaredPictureSize(head))) {
            r.undecodedImage = block;
            notShown.push_back(int(i) + 1);
            continue;
        }
        r.picture = Picture::fromStored(block, head);
        if (!r.picture)
            r.undecodedImage = block;
    }
    if (progress)
        progress->progress(n, n);
    if (!notShown.empty())
        ShowMessage(Msg::PicturesTooLarge,
                    QStringLiteral("スライド %1\n").arg(NumberRanges(notShown)), nullptr,
                    MsgKind::Info);
    return true;
}

} // namespace

bool ReadDocumentStream(QIODevice& in, std::shared_ptr<const ByteStore> store,
                        ProgressSink* progress) {
    // Whatever cannot be held (a stream of gigabytes on a small machine) ends the
    // reading with a message, never the program.
    try {
        return readStream(in, store, progress);
    } catch (const std::bad_alloc&) {
        dropSlides();
        return refuse(Msg::OutOfMemory);
    }
}

bool ReadDocumentStream(std::shared_ptr<const ByteStore> store, ProgressSink* progress) {
    ByteStoreDevice in(store);
    return ReadDocumentStream(in, std::move(store), progress);
}
