#include "document/DocumentSnapshot.h"

#include "document/Picture.h"

#include <unordered_set>

namespace {

bool SameSlide(const SlideRecord& a, const SlideRecord& b) {
    return a.picture == b.picture && a.toBytes() == b.toBytes() &&
           a.undecodedImage == b.undecodedImage && a.keySource == b.keySource &&
           a.keyTolerance == b.keyTolerance;
}

} // namespace

bool DocumentSnapshot::operator==(const DocumentSnapshot& o) const {
    if (!(header == o.header) || slideCount != o.slideCount)
        return false;
    for (int i = 0; i < slideCount; ++i)
        if (!SameSlide(slides[size_t(i)], o.slides[size_t(i)]))
            return false;
    return true;
}

DocumentSnapshot TakeSnapshot(const Document& doc) {
    DocumentSnapshot s;
    s.header = doc.header;
    s.slideCount = doc.slideCount;
    for (int i = 0; i < doc.slideCount; ++i)
        s.slides[size_t(i)] = doc.slides[size_t(i)];
    return s;
}

void RestoreSnapshot(Document& doc, const DocumentSnapshot& snapshot) {
    doc.header = snapshot.header;
    doc.slideCount = snapshot.slideCount;
    for (int i = 0; i < kMaxSlides; ++i)
        doc.slides[size_t(i)] =
            i < snapshot.slideCount ? snapshot.slides[size_t(i)] : SlideRecord();
}

qint64 MemoryHeldBeyond(const std::vector<const DocumentSnapshot*>& snapshots,
                        const Document& doc) {
    // Pictures, and the kept bytes of pictures that did not decode (shared, not
    // copied, between the document and its snapshots), by identity.
    std::unordered_set<const void*> inUse;
    for (int i = 0; i < doc.slideCount; ++i) {
        inUse.insert(doc.slides[size_t(i)].picture.get());
        inUse.insert(doc.slides[size_t(i)].keySource.get());
        inUse.insert(doc.slides[size_t(i)].undecodedImage.heldData());
    }
    std::unordered_set<const void*> counted;
    qint64 bytes = 0;
    for (const DocumentSnapshot* s : snapshots) {
        for (int i = 0; i < s->slideCount; ++i) {
            const SlideRecord& slide = s->slides[size_t(i)];
            for (const Picture* p : {slide.picture.get(), slide.keySource.get()})
                if (p && !inUse.count(p) && counted.insert(p).second)
                    bytes += p->heldBytes();
            const void* kept = slide.undecodedImage.heldData();
            if (kept && !inUse.count(kept) && counted.insert(kept).second)
                bytes += slide.undecodedImage.heldBytes();
        }
    }
    return bytes;
}
