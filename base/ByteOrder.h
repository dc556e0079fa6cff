#pragma once
// Little-endian helpers for byte-exact formats: values are written and read byte by
// byte, never by copying memory.

#include <QByteArray>
#include <QtGlobal>

void PutLE16(QByteArray& out, quint16 v);
void PutLE32(QByteArray& out, quint32 v);
quint16 GetLE16(const char* p);
quint32 GetLE32(const char* p);
