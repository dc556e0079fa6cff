#pragma once
// A slideshow's document stream as the players read it, free of any toolkit: the
// stream's show fields as the engine's document, its pictures as the frame maker's
// source (spans of the stream, read where they lie), and what to say when a stream
// cannot be played. Every player runtime (X11, Windows) finds and maps the stream in its
// own way and plays it through this.

#include "document/StreamLayout.h"
#include "slideshow/ShowEngine.h"
#include "slideshow/ShowFrames.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace show {

// Messages, by their number in the message table (base/MessageTable.inc).
constexpr int kMsgOutOfMemory = 30001;     ///< 「メモリの確保に失敗しました」
constexpr int kMsgWrongFileFormat = 30019; ///< the file is no document
constexpr int kMsgWrongVersion = 30020;    ///< a document of another version
constexpr int kMsgTooManySlides = 30043;   ///< more slides than a document may hold
constexpr int kMsgFileNotFound = 30077;    ///< 「ファイルが見つかりません」
constexpr int kMsgNothingToPlay = 30341;   ///< no document at the end of the program
constexpr int kMsgNoSlidesToPlay = 30342;  ///< a document without slides

/// A message of the message table to show after `prefix` (UTF-8).
struct Refusal {
    int id = 0;
    std::string prefix;
};

/// Why the parsed stream `parsed` cannot be played (an error, or no slides); none when
/// it can.
std::optional<Refusal> RefusalOf(const layout::ParsedStream& parsed);

/// The show's part of a parsed stream: the header's show fields and every slide's switch
/// time, flips and key; a slide without picture bytes is passed over from the start.
ShowDocument ShowDocumentOfStream(const layout::ParsedStream& parsed);

/// The pictures of a stream's slides: the bytes of each picture where they lie in the
/// stream, which `keep` holds (a mapping of the file) for as long as a frame is made
/// from them.
class StreamPictures : public PictureSource {
public:
    StreamPictures(const unsigned char* stream, std::vector<layout::StreamSlide> slides,
                   std::shared_ptr<const void> keep);
    PictureData Picture(int slide) const override;

private:
    const unsigned char* m_stream;
    std::vector<layout::StreamSlide> m_slides;
    std::shared_ptr<const void> m_keep;
};

} // namespace show
