#pragma once
// The open document's content at one moment: its header and its slide table, without
// its path. Taking one is cheap (pictures are shared, not copied), so every change to
// the document can keep the state before and after it for undo.

#include "document/Document.h"

#include <QtGlobal>
#include <array>
#include <vector>

struct DocumentSnapshot {
    DocumentHeader header;
    std::array<SlideRecord, kMaxSlides> slides{};
    int slideCount = 0;

    /// Equal when the header bytes, the slide count and every slide in use are the same
    /// (the same picture object, the same stored fields, the same kept bytes, the same
    /// picture a keyed copy was made from).
    bool operator==(const DocumentSnapshot& o) const;
    bool operator!=(const DocumentSnapshot& o) const { return !(*this == o); }
};

/// The content of `doc` now.
DocumentSnapshot TakeSnapshot(const Document& doc);
/// Puts `snapshot`'s content back into `doc`; its path stays. The slides past the count
/// are emptied, so that no picture is kept alive by them.
void RestoreSnapshot(Document& doc, const DocumentSnapshot& snapshot);

/// The memory the pictures of `snapshots` keep that `doc` does not use itself: what
/// keeping those snapshots costs. A picture counted once however often it appears.
qint64 MemoryHeldBeyond(const std::vector<const DocumentSnapshot*>& snapshots, const Document& doc);
