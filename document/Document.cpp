#include "document/Document.h"

#include <cstring>

void PutLE16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void PutLE32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

quint16 GetLE16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return quint16(b[0] | (b[1] << 8));
}

quint32 GetLE32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

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

QByteArray SlideRecord::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, picture ? 1u : 0u);
    PutLE32(out, reserved1);
    PutLE32(out, reserved2);
    PutLE32(out, keyColor);
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
    r.keyColor = GetLE32(p + 12);
    r.switchTime = GetLE16(p + 16);
    r.flipH = quint8(p[18]);
    r.flipV = quint8(p[19]);
    r.reserved3 = GetLE32(p + 20);
    r.reserved4 = GetLE32(p + 24);
    return r;
}

QByteArray DocumentHeader::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, backgroundLeft);
    PutLE32(out, backgroundRight);
    PutLE32(out, backgroundCenter);
    PutLE32(out, quint32(showPropertyButtons));
    PutLE32(out, quint32(slideshowRect.left));
    PutLE32(out, quint32(slideshowRect.top));
    PutLE32(out, quint32(slideshowRect.right));
    PutLE32(out, quint32(slideshowRect.bottom));
    PutLE32(out, quint32(loop));
    PutLE32(out, quint32(timerSwitch));
    PutLE32(out, previewBackground);
    PutLE32(out, quint32(topMost));
    PutLE32(out, quint32(fitToWindow));
    out.append(reinterpret_cast<const char*>(reserved.data()), int(reserved.size()));
    Q_ASSERT(out.size() == kSize);
    return out;
}

DocumentHeader DocumentHeader::fromBytes(const char* p) {
    DocumentHeader h;
    h.backgroundLeft = GetLE32(p + 0x00);
    h.backgroundRight = GetLE32(p + 0x04);
    h.backgroundCenter = GetLE32(p + 0x08);
    h.showPropertyButtons = qint32(GetLE32(p + 0x0C));
    h.slideshowRect.left = qint32(GetLE32(p + 0x10));
    h.slideshowRect.top = qint32(GetLE32(p + 0x14));
    h.slideshowRect.right = qint32(GetLE32(p + 0x18));
    h.slideshowRect.bottom = qint32(GetLE32(p + 0x1C));
    h.loop = qint32(GetLE32(p + 0x20));
    h.timerSwitch = qint32(GetLE32(p + 0x24));
    h.previewBackground = GetLE32(p + 0x28);
    h.topMost = qint32(GetLE32(p + 0x2C));
    h.fitToWindow = qint32(GetLE32(p + 0x30));
    std::memcpy(h.reserved.data(), p + 0x34, h.reserved.size());
    return h;
}

static_assert(sizeof(quint32) * 3 + 4 + 16 + 4 * 5 + 12 == DocumentHeader::kSize,
              "the header's stored fields add up to 64 bytes");
static_assert(4 * 4 + 2 + 1 + 1 + 4 * 2 == SlideRecord::kSize,
              "the record's stored fields add up to 28 bytes");
