#pragma once
// The interface a long job reports its progress through and learns that the user asked
// it to stop: packing and extracting cabinets, and reading a document stream.

#include <QtGlobal>

/// Told how far a long job has come. Called often, so it must be cheap.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    /// `done` of `total` units are finished (bytes of a cabinet, slides of a document).
    virtual void progress(qint64 done, qint64 total) = 0;
    /// True when the user asked to stop: an extraction ends at its next block, a
    /// document's reading before its next slide.
    virtual bool cancelled() const { return false; }
};
