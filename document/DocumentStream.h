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

/// How many bytes of decoded pixels one document may hold: half the machine's memory,
/// at least 1 GiB and at most 32 GiB.
qint64 DefaultPictureBudget();

/// Replaces the open document with the one read from `in` (positioned at its start).
/// False after message Msg::WrongFileFormat (not a document, or cut short before the records end),
/// Msg::WrongVersion (other version), Msg::TooManySlidesInFile (too many slides) or
/// Msg::OutOfMemory (the stream's bytes could not be held); the slide table is empty
/// then. The caller has released the previous pictures.
///
/// A picture is decoded only when its declared size is within kMaxImagePixels and its
/// pixels fit what is left of `pictureBudget` (bytes); a slide whose picture is not
/// decoded keeps its stored bytes (saving writes them back) and the user is told once,
/// with the slides' numbers (Msg::PicturesTooLarge).
///
/// With `decodePictures` false no picture is decoded at all: every slide keeps its
/// stored bytes, and nothing is said.
bool ReadDocumentStream(QIODevice& in, qint64 pictureBudget = DefaultPictureBudget(),
                        bool decodePictures = true);
