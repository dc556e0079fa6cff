#pragma once
// One slide of a document: its picture and settings. The record is stored byte-exactly in
// document files, written and read field by field (little-endian), never by copying
// memory; values the program does not interpret travel unchanged.

#include "document/ByteStore.h"
#include "document/StoredColor.h"

#include <QByteArray>
#include <QtGlobal>
#include <memory>

class Picture;
using PicturePtr = std::shared_ptr<Picture>;

/// The shortest and longest switch times, in seconds.
constexpr int kMinSwitchTime = 1;
constexpr int kMaxSwitchTime = 64800;

struct SlideRecord {
    static constexpr int kSize = 28;

    /// The slide's picture; null when the picture failed to load. In files this field
    /// is stored as 1 (a picture) or 0 (none) and ignored when read.
    PicturePtr picture;
    quint32 reserved1 = 0; ///< never interpreted, travels with the record
    quint32 reserved2 = 0;
    KeyColor keyColor = QRgb(0xFF000000u); ///< black until set (a zeroed record)
    quint16 switchTime = 0;                ///< seconds on show
    /// Mirror flags: any value but 0 mirrors. Kept as stored (a byte), so that a value
    /// other than 0 or 1 is written back as it was read.
    quint8 flipH = 0;
    quint8 flipV = 0;
    quint32 reserved3 = 0;
    quint32 reserved4 = 0;
    /// Image bytes read from a document that did not decode; written back unchanged
    /// while picture is null, so opening and saving never loses them. Those of an
    /// opened document stay in its store. Not stored in the record's 28 bytes.
    StoredBytes undecodedImage;
    /// While the picture is a copy made for the transparent colour with a tolerance
    /// (pixels near the key turned into exactly the key), the picture it was made from,
    /// so that another colour, another tolerance or no colour starts from the original
    /// again. Held in memory only, never stored: a document opened again has the copy.
    PicturePtr keySource;
    /// The tolerance the picture was made with (0: the key is exact, the picture is the
    /// slide's own). Held in memory only, like keySource.
    int keyTolerance = 0;

    /// The 28 stored bytes of the record.
    QByteArray toBytes() const;
    /// Reads the fields from 28 bytes; picture is left null. Needs at least kSize bytes.
    static SlideRecord fromBytes(const char* p);
};
