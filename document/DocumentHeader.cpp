#include "document/DocumentHeader.h"

#include "base/ByteOrder.h"
#include "document/StoredColor.h"

#include <cstring>

namespace {
/// `v` - 1 and `v` + 1 with wrap-around: a damaged file's corner may be INT_MIN.
qint32 wrappingDecrement(qint32 v) {
    return qint32(quint32(v) - 1u);
}
qint32 wrappingIncrement(qint32 v) {
    return qint32(quint32(v) + 1u);
}
} // namespace

QRect RectFromStoredCorners(qint32 left, qint32 top, qint32 right, qint32 bottom) {
    return QRect(QPoint(left, top), QPoint(wrappingDecrement(right), wrappingDecrement(bottom)));
}

std::array<qint32, 4> StoredCornersOf(const QRect& r) {
    return {r.left(), r.top(), wrappingIncrement(r.right()), wrappingIncrement(r.bottom())};
}

QByteArray DocumentHeader::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, StoredFromColor(backgroundLeft));
    PutLE32(out, StoredFromColor(backgroundRight));
    PutLE32(out, StoredFromColor(backgroundCenter));
    PutLE32(out, quint32(showPropertyButtons));
    for (qint32 corner : StoredCornersOf(slideshowRect))
        PutLE32(out, quint32(corner));
    PutLE32(out, quint32(loop));
    PutLE32(out, quint32(timerSwitch));
    PutLE32(out, StoredFromColor(previewBackground));
    PutLE32(out, quint32(topMost));
    PutLE32(out, quint32(fitToWindow));
    out.append(reinterpret_cast<const char*>(reserved.data()), int(reserved.size()));
    Q_ASSERT(out.size() == kSize);
    return out;
}

DocumentHeader DocumentHeader::fromBytes(const char* p) {
    DocumentHeader h;
    h.backgroundLeft = ColorFromStored(GetLE32(p + 0x00));
    h.backgroundRight = ColorFromStored(GetLE32(p + 0x04));
    h.backgroundCenter = ColorFromStored(GetLE32(p + 0x08));
    h.showPropertyButtons = qint32(GetLE32(p + 0x0C));
    h.slideshowRect = RectFromStoredCorners(qint32(GetLE32(p + 0x10)), qint32(GetLE32(p + 0x14)),
                                            qint32(GetLE32(p + 0x18)), qint32(GetLE32(p + 0x1C)));
    h.loop = qint32(GetLE32(p + 0x20));
    h.timerSwitch = qint32(GetLE32(p + 0x24));
    h.previewBackground = ColorFromStored(GetLE32(p + 0x28));
    h.topMost = qint32(GetLE32(p + 0x2C));
    h.fitToWindow = qint32(GetLE32(p + 0x30));
    std::memcpy(h.reserved.data(), p + 0x34, h.reserved.size());
    return h;
}

static_assert(4 * 3 + 4 + 16 + 4 * 5 + 12 == DocumentHeader::kSize,
              "the header's stored fields add up to 64 bytes");
