#pragma once
// Runs a built program as a separate process, without any display unless the caller
// names a platform.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

/// The environment a program under test runs in: this one without any display, with
/// `env` entries ("NAME=value") added to (or replacing) it.
inline QProcessEnvironment ChildEnvironment(const QStringList& env) {
    QProcessEnvironment vars = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        vars.remove(QString::fromLatin1(v));
    for (const QString& entry : env)
        vars.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    return vars;
}

struct ProgramRun {
    int code = -1; ///< the exit status; -2 after a crash, -1 when it did not finish
    QByteArray out, err;
};

/// Runs `program` with `args` to its end; `env` entries ("NAME=value") are added to (or
/// replace) the environment left after taking the display away.
inline ProgramRun RunProgram(const QString& program, const QStringList& args,
                             const QStringList& env = {}, const QString& workingFolder = {}) {
    QProcess p;
    p.setProcessEnvironment(ChildEnvironment(env));
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

/// Runs the built luserio.
inline ProgramRun RunLuserio(const QStringList& args, const QStringList& env = {},
                             const QString& workingFolder = {}) {
    return RunProgram(QStringLiteral(LSR_BINARY_DIR "/luserio"), args, env, workingFolder);
}
