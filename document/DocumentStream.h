#pragma once
// The document stream: "LSR001    ", the 64-byte header, the big-endian slide count,
// the 28-byte slide records and one big-endian-length image block per slide.

#include <QByteArray>
#include <QtGlobal>
#include <memory>

class ByteStore;
class ProgressSink;
class QIODevice;

constexpr int kStreamMagicSize = 10;
/// Length of a stream without slides: magic, header and count.
constexpr int kEmptyStreamSize = kStreamMagicSize + 64 + 4;

/// `value` as four bytes, most significant first.
QByteArray EncodeBE32(quint32 value);
/// Four bytes, most significant first, as a value.
quint32 DecodeBE32(const char* bytes);

/// Writes the open document (CurrentDocument()) to `out`. A slide without a picture gets a block
/// of length 0, or its undecoded stored bytes. False when a write fails or a picture
/// cannot be serialised.
bool WriteDocumentStream(QIODevice& out);

/// Replaces the open document with the one read from `in` (positioned at its start).
/// False after message Msg::WrongFileFormat (not a document, or cut short before the records end),
/// Msg::WrongVersion (other version), Msg::TooManySlidesInFile (too many slides) or
/// Msg::OutOfMemory (the stream's bytes could not be held); the slide table is empty
/// then. The caller has released the previous pictures.
///
/// Only what the slides declare is read: the reading ends after the last slide's block,
/// and a block whose length runs past the stream's end ends it there (the slides from
/// that one on have no picture). No pixels are decoded: a picture's header is read for
/// its size, and the picture is decoded when something shows it. A picture that is no
/// image the readers know, or that declares more than kMaxImagePixels, leaves its slide
/// without a picture; the slide keeps the stored bytes (saving writes them back), and the
/// user is told once about the pictures beyond the limit, with the slides' numbers
/// (Msg::PicturesTooLarge).
///
/// With a `store` that holds the same bytes as `in` at the same offsets, the blocks stay
/// there: of each only the first bytes its picture's header needs are read (PictureHead),
/// and the document holds none of them in memory. Without, each picture holds its bytes.
///
/// `progress` (optional) is told the slides read (of the count) and asked before each
/// slide whether to stop: a reading stopped so is false without a message, the slide
/// table empty.
bool ReadDocumentStream(QIODevice& in, std::shared_ptr<const ByteStore> store = nullptr,
                        ProgressSink* progress = nullptr);
/// Reads the document stream `store` holds from its first byte, as above; the pictures'
/// bytes stay in the store.
bool ReadDocumentStream(std::shared_ptr<const ByteStore> store, ProgressSink* progress = nullptr);
