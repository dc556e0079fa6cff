// Feeds arbitrary bytes to the document-stream reader, then writes the result back and
// reads that again: the reader must never crash, hang, leak or reserve more memory than
// the input holds, and whatever it accepts must survive a save. The toolkit-free reader
// of the Windows runtime reads the same bytes and must agree with it.

#include "base/CliPrompts.h"
#include "document/Document.h"
#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "document/StreamLayout.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <cstdint>

namespace {

class SilentPrompts : public CliPrompts {
public:
    Answer message(Msg, const QString&, MsgKind kind, QObject*) override {
        return (kind == MsgKind::Error || kind == MsgKind::Info) ? Answer::Ok : Answer::Yes;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    static SilentPrompts quiet;
    setPrompts(&quiet);
    // Image headers may claim huge sizes; keep the decoders within a fuzzing budget.
    QImageReader::setAllocationLimit(64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const bool ok = ReadDocumentStream(in);
    Document& doc = CurrentDocument();
    const layout::ParsedStream plain = layout::ParseDocumentStream(data, size);
    if ((plain.error == layout::StreamError::None) != ok ||
        plain.slides.size() != size_t(ok ? doc.slideCount : 0))
        __builtin_trap();
    for (const layout::StreamSlide& s : plain.slides)
        if (s.imageOffset > size || s.imageLength > size - s.imageOffset)
            __builtin_trap();
    if (size >= layout::kTrailerSize) {
        const auto span = layout::LocateEmbeddedStream(data + size - layout::kTrailerSize, size);
        if (span && (span->offset + span->length + layout::kTrailerSize != size))
            __builtin_trap();
    }
    if (ok) {
        QByteArray saved;
        QBuffer out(&saved);
        out.open(QIODevice::WriteOnly);
        if (!WriteDocumentStream(out))
            __builtin_trap();
        out.close();
        ReleaseAllPictures();
        QBuffer again(&saved);
        again.open(QIODevice::ReadOnly);
        if (!ReadDocumentStream(again))
            __builtin_trap();
    }
    ReleaseAllPictures();
    doc.Clear();
    return 0;
}
