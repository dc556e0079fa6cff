#pragma once
// Turning a JPEG photo upright without decoding its pixels: the turn its orientation tag
// asks for is applied to the compressed 8 x 8 blocks themselves, so nothing of the
// picture is lost, and the result carries no orientation tag.

#include <QByteArray>
#include <QImageIOHandler>
#include <optional>

/// True when JPEG pictures can be turned without encoding them anew: the program was
/// built with TurboJPEG and its library is there; false: RotateJpegUpright declines.
bool CanTurnJpegLosslessly();

/// The JPEG file `jpeg` turned by `turn` (the turn that shows it upright, as
/// QImageReader::transformation() reports it for the file's orientation tag), as a new
/// JPEG file with the same compressed blocks rearranged. It keeps the file's colour
/// profile and drops every other metadata segment, the orientation tag among them.
/// Empty when there is nothing to turn, when the turn cannot be made without loss (a
/// picture whose edge blocks are partial would have to move them to the opposite edge),
/// when the bytes are damaged in any way the decoder notices, and when memory runs out:
/// the caller then decodes, turns and encodes the picture itself.
std::optional<QByteArray> RotateJpegUpright(const QByteArray& jpeg,
                                            QImageIOHandler::Transformations turn);
