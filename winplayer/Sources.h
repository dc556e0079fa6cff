#pragma once
// Where the Windows player runtime finds its slides and how it turns their image bytes
// into pixels, with the platform's own services only.

#include "slideshow/ShowRaster.h"

#include <string>
#include <vector>

namespace winplayer {

/// The whole file at `path` (UTF-16); false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);

/// This program's own file: the part of it from `offset` on, `length` bytes.
bool ReadFilePart(const std::wstring& path, unsigned long long offset, unsigned long long length,
                  std::vector<unsigned char>& bytes);

/// The last member of the cabinet `cabinet` (a .lsr document), extracted into memory by
/// the system's cabinet library; false when it holds none or cannot be read.
bool ExtractLastMember(const std::vector<unsigned char>& cabinet,
                       std::vector<unsigned char>& member);

/// Decodes a BMP, JPEG, PNG, GIF or TIFF file in memory into 0xAARRGGBB pixels with the
/// platform's imaging component; an empty raster when it does not decode or declares
/// more pixels than a slide may have.
show::Raster DecodePicture(const unsigned char* bytes, std::size_t length);

} // namespace winplayer
