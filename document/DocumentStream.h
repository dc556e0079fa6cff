#pragma once
// The document stream: "LSR001    ", the 64-byte header, the big-endian slide count,
// the 28-byte slide records and one big-endian-length image block per slide.

#include <QByteArray>
#include <QtGlobal>

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
/// Msg::WrongVersion (other version) or Msg::TooManySlidesInFile (too many slides); the slide table
/// is empty then. The caller has released the previous pictures.
bool ReadDocumentStream(QIODevice& in);
