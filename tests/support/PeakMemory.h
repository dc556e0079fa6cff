#pragma once
// The peak of a process's resident memory, for tests that bound what a whole operation
// holds: this process's own since a reset, or a child program's over its whole run.
// Linux only; elsewhere the figures are -1 and the checks skip.

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>
#endif

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

struct MeasuredRun {
    int code = -1;         ///< the exit status; -2 after a crash, -1 when it did not end
    qint64 peakBytes = -1; ///< the child's peak resident memory
    QByteArray err;        ///< what it wrote to standard error
};

/// Runs `program` with `args` to its end (at most a minute), without any display unless
/// `env` names a platform ("NAME=value" entries are added to the environment), and tells
/// its exit status and its own peak resident memory.
inline MeasuredRun RunMeasured(const QString& program, const QStringList& args,
                               const QStringList& env = {}) {
    MeasuredRun run;
#if defined(Q_OS_LINUX)
    QProcessEnvironment vars = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        vars.remove(QString::fromLatin1(v));
    for (const QString& entry : env)
        vars.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    std::vector<QByteArray> storage;
    for (const QString& s : QStringList{program} + args)
        storage.push_back(s.toLocal8Bit());
    const size_t argCount = storage.size();
    for (const QString& s : vars.toStringList())
        storage.push_back(s.toLocal8Bit());
    std::vector<char*> argv, envp;
    for (size_t i = 0; i < storage.size(); ++i)
        (i < argCount ? argv : envp).push_back(storage[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    QTemporaryDir dir;
    const QByteArray errPath = (dir.path() + QStringLiteral("/stderr")).toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    // The wait runs beside the test, which gives up on a child that does not end.
    auto waited = std::async(std::launch::async, [pid] {
        int status = 0;
        struct rusage usage {};
        const pid_t got = ::wait4(pid, &status, 0, &usage);
        return std::make_tuple(got, status, qint64(usage.ru_maxrss) * 1024);
    });
    if (waited.wait_for(std::chrono::minutes(1)) != std::future_status::ready)
        ::kill(pid, SIGKILL);
    const auto [got, status, peak] = waited.get();
    if (got == pid) {
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        run.peakBytes = peak;
    }
    QFile err(QString::fromLocal8Bit(errPath));
    if (err.open(QIODevice::ReadOnly))
        run.err = err.readAll();
#else
    Q_UNUSED(program);
    Q_UNUSED(args);
    Q_UNUSED(env);
#endif
    return run;
}
