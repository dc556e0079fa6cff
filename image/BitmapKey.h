#pragma once
// The colour key a 32-bit BMP file marks in the fourth byte of its pixels.

#include "document/Document.h"

#include <QString>

enum class BitmapKeyScan {
    Found,    ///< a marked pixel gave the key
    NotFound, ///< a bitmap without a 32-bit marked pixel
    NotBitmap ///< the bytes do not start with "BM"
};

/// Walks the pixels of a BMP file in memory: the first pixel whose fourth byte is 0 or
/// 237 gives the key. Never reads outside [data, data + len).
BitmapKeyScan ScanBitmapColorKey(const uchar* data, qint64 len, KeyColor& key);

/// Reads the BMP file at `path` and scans it, showing nothing: true when a key was found.
/// When the file cannot be read, or does not start with "BM", `failure` tells the kind
/// of failure (the prefix of message Msg::BitmapInfoFailed); else it is empty. Safe on
/// any thread.
bool ScanBitmapFile(const QString& path, KeyColor& key, QString& failure);

/// Reads the BMP file at `path` and scans it. A file that cannot be read, or does not
/// start with "BM", shows message Msg::BitmapInfoFailed with the kind of failure as its prefix.
/// True when a key was found; `key` is empty otherwise.
bool ReadBitmapColorKey(const QString& path, KeyColor& key);
