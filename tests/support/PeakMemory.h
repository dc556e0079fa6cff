#pragma once
// The peak of this process's resident memory since a reset, for tests that bound what
// a whole operation holds (a child program's is measured by RunMeasured). Linux only;
// elsewhere the figures are -1 and the checks skip.

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

/// The value of the line `name` ("VmRSS:", "VmHWM:") of this process's status, in bytes;
/// -1 where it cannot be told.
inline qint64 StatusBytes(const QByteArray& name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

/// This process's resident memory now, in bytes; -1 where it cannot be told.
inline qint64 ResidentBytesNow() {
    return StatusBytes("VmRSS:");
}

/// This process's peak resident memory in bytes since it started or since the last
/// ResetPeakResident(); -1 where it cannot be told.
inline qint64 PeakResidentBytes() {
    return StatusBytes("VmHWM:");
}

/// Starts counting this process's peak anew from what it holds now; false where the
/// system cannot.
inline bool ResetPeakResident() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}
