#pragma once
// Runs a built program as a process of its own and measures its peak memory (POSIX):
// an intermediate process starts it and waits for it, so that the getrusage of its
// children (RUSAGE_CHILDREN) counts that one program alone, whatever else the test
// program started before.

#if defined(Q_OS_UNIX)

#include "tests/support/RunProgram.h"

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryFile>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct MeasuredRun {
    int code = -1;     ///< the exit status; -2 after a signal, -1 when it could not run
    long peakKiB = -1; ///< the largest resident set it had, in KiB
    QByteArray out;    ///< standard output
    QByteArray err;    ///< standard error
};

/// Runs `program` with `args` to its end, without any display unless `env` names one;
/// `env` entries ("NAME=value") are added to (or replace) the environment. A program
/// still running after two minutes is ended (SIGALRM).
inline MeasuredRun RunMeasured(const QString& program, const QStringList& args,
                               const QStringList& env = {}) {
    MeasuredRun run;
    const QProcessEnvironment vars = ChildEnvironment(env);
    // Everything the processes use after fork() is made before it.
    std::vector<QByteArray> argBytes{QFile::encodeName(program)};
    for (const QString& a : args)
        argBytes.push_back(a.toLocal8Bit());
    std::vector<QByteArray> envBytes;
    for (const QString& e : vars.toStringList())
        envBytes.push_back(e.toLocal8Bit());
    std::vector<char*> argv, envp;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QTemporaryFile out, err;
    int report[2];
    if (!out.open() || !err.open() || ::pipe(report) != 0)
        return run;

    const pid_t middle = ::fork();
    if (middle < 0)
        return run;
    if (middle == 0) {
        ::close(report[0]);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out.handle(), 1);
            ::dup2(err.handle(), 2);
            ::alarm(120);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        int status = 0;
        long result[2] = {-1, -1};
        if (child > 0 && ::waitpid(child, &status, 0) == child) {
            struct rusage usage {};
            ::getrusage(RUSAGE_CHILDREN, &usage);
            result[0] = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            result[1] = usage.ru_maxrss;
        }
        const ssize_t written = ::write(report[1], result, sizeof result);
        ::_exit(written == ssize_t(sizeof result) ? 0 : 1);
    }
    ::close(report[1]);
    long result[2] = {-1, -1};
    const ssize_t got = ::read(report[0], result, sizeof result);
    ::close(report[0]);
    int status = 0;
    ::waitpid(middle, &status, 0);
    if (got == ssize_t(sizeof result)) {
        run.code = int(result[0]);
        run.peakKiB = result[1];
    }
    out.seek(0);
    err.seek(0);
    run.out = out.readAll();
    run.err = err.readAll();
    return run;
}

#endif
