#pragma once
// The PNG transparency reader: which colour a PNG file nominates for its transparent
// areas, found by searching the file's bytes for the chunk names it needs.

#include "document/Document.h"

#include <QString>

class PngColorKeyReader {
public:
    /// Reads `path` and finds its colour key. True for every file that starts with the
    /// PNG signature and holds an IHDR name; `key` may still be empty then. False (and
    /// no key) for unreadable files and non-PNG files. Shows nothing.
    static bool ReadPngColorKey(const QString& path, KeyColor& key);

    /// The same search over bytes in memory. Never reads outside [data, data + len).
    static bool ReadPngColorKeyFromBytes(const uchar* data, qint64 len, KeyColor& key);
};
