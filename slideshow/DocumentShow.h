#pragma once
// The open document as the show engine reads and changes it, and its pictures as the
// frame maker reads them: the Qt program's side of ShowEngine and ShowFrames.

#include "document/Document.h"
#include "slideshow/ShowEngine.h"
#include "slideshow/ShowFrames.h"

#include <vector>

/// The show's part of `doc`: the header's show fields and every slide's switch time,
/// flips, key, and whether it has a picture that has not turned out not to decode.
show::ShowDocument ShowDocumentOf(const Document& doc);

/// Writes what the show hands back into `doc`.
void StoreInDocument(Document& doc, const show::out::StoreHeader& header);
void StoreInDocument(Document& doc, const show::out::StoreSlide& slide);

/// The pictures of a document's slides, shared with it: the bytes of pictures in a
/// format codec/ decodes (mapped from their store where they can be), the pixels of
/// the others (decoded by Qt's readers when no larger than kWholeDecodePixels) and of
/// pictures made from pixels. Safe to read from any thread.
class DocumentPictures : public show::PictureSource {
public:
    explicit DocumentPictures(const Document& doc);
    show::PictureData Picture(int slide) const override;

private:
    std::vector<PicturePtr> m_pictures;
};
