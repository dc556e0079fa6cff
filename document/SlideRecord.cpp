#include "document/SlideRecord.h"

#include "base/ByteOrder.h"

QByteArray SlideRecord::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, picture ? 1u : 0u);
    PutLE32(out, reserved1);
    PutLE32(out, reserved2);
    PutLE32(out, StoredFromKeyColor(keyColor));
    PutLE16(out, switchTime);
    out.append(char(flipH));
    out.append(char(flipV));
    PutLE32(out, reserved3);
    PutLE32(out, reserved4);
    Q_ASSERT(out.size() == kSize);
    return out;
}

SlideRecord SlideRecord::fromBytes(const char* p) {
    SlideRecord r;
    r.reserved1 = GetLE32(p + 4);
    r.reserved2 = GetLE32(p + 8);
    r.keyColor = KeyColorFromStored(GetLE32(p + 12));
    r.switchTime = GetLE16(p + 16);
    r.flipH = quint8(p[18]);
    r.flipV = quint8(p[19]);
    r.reserved3 = GetLE32(p + 20);
    r.reserved4 = GetLE32(p + 24);
    return r;
}

static_assert(4 * 4 + 2 + 1 + 1 + 4 * 2 == SlideRecord::kSize,
              "the record's stored fields add up to 28 bytes");
