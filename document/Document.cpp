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

QByteArray SlideRecord::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, pPicture ? 1u : 0u);
    PutLE32(out, dwReserved1);
    PutLE32(out, dwReserved2);
    PutLE32(out, crTransparent);
    PutLE16(out, wSwitchTime);
    out.append(char(bFlipH));
    out.append(char(bFlipV));
    PutLE32(out, dwReserved3);
    PutLE32(out, dwReserved4);
    Q_ASSERT(out.size() == kSize);
    return out;
}

SlideRecord SlideRecord::fromBytes(const char* p) {
    SlideRecord r;
    r.dwReserved1 = GetLE32(p + 4);
    r.dwReserved2 = GetLE32(p + 8);
    r.crTransparent = GetLE32(p + 12);
    r.wSwitchTime = GetLE16(p + 16);
    r.bFlipH = quint8(p[18]);
    r.bFlipV = quint8(p[19]);
    r.dwReserved3 = GetLE32(p + 20);
    r.dwReserved4 = GetLE32(p + 24);
    return r;
}

QByteArray DocHeader::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    PutLE32(out, crBackLeft);
    PutLE32(out, crBackRight);
    PutLE32(out, crBackCenter);
    PutLE32(out, quint32(bShowPropButton));
    PutLE32(out, quint32(rcShowWindow.left));
    PutLE32(out, quint32(rcShowWindow.top));
    PutLE32(out, quint32(rcShowWindow.right));
    PutLE32(out, quint32(rcShowWindow.bottom));
    PutLE32(out, quint32(bLoop));
    PutLE32(out, quint32(bTimerSwitch));
    PutLE32(out, crPreviewBack);
    PutLE32(out, quint32(bTopMost));
    PutLE32(out, quint32(bFitToWindow));
    out.append(reinterpret_cast<const char*>(byReserved.data()), int(byReserved.size()));
    Q_ASSERT(out.size() == kSize);
    return out;
}

DocHeader DocHeader::fromBytes(const char* p) {
    DocHeader h;
    h.crBackLeft = GetLE32(p + 0x00);
    h.crBackRight = GetLE32(p + 0x04);
    h.crBackCenter = GetLE32(p + 0x08);
    h.bShowPropButton = qint32(GetLE32(p + 0x0C));
    h.rcShowWindow.left = qint32(GetLE32(p + 0x10));
    h.rcShowWindow.top = qint32(GetLE32(p + 0x14));
    h.rcShowWindow.right = qint32(GetLE32(p + 0x18));
    h.rcShowWindow.bottom = qint32(GetLE32(p + 0x1C));
    h.bLoop = qint32(GetLE32(p + 0x20));
    h.bTimerSwitch = qint32(GetLE32(p + 0x24));
    h.crPreviewBack = GetLE32(p + 0x28);
    h.bTopMost = qint32(GetLE32(p + 0x2C));
    h.bFitToWindow = qint32(GetLE32(p + 0x30));
    std::memcpy(h.byReserved.data(), p + 0x34, h.byReserved.size());
    return h;
}

static_assert(sizeof(quint32) * 3 + 4 + 16 + 4 * 5 + 12 == DocHeader::kSize,
              "the header's stored fields add up to 64 bytes");
static_assert(4 * 4 + 2 + 1 + 1 + 4 * 2 == SlideRecord::kSize,
              "the record's stored fields add up to 28 bytes");
