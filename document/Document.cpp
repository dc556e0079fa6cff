#include "document/Document.h"

Document& CurrentDocument() {
    static Document document;
    return document;
}

void Document::Clear() {
    header = DocumentHeader{};
    slides.fill(SlideRecord{});
    slideCount = 0;
    filePath.clear();
}
