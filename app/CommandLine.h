#pragma once
// The command-line modes that run without a window: `--help` and `--info FILE.lsr`.

#include <QString>
#include <QStringList>
#include <cstdio>

/// Runs a command-line mode when `args` (without the program name) asks for one and
/// returns its exit code; returns -1 when the editor should start instead.
/// Must run before any application object exists: it makes its own windowless one.
int RunCommandLineMode(int argc, char** argv);

/// Opens `path` through the editor's open path and prints its description as JSON to
/// `out`; messages go to the prompts in use. 0 on success, 1 when the open failed.
int PrintDocumentInfo(const QString& path, FILE* out);

/// The text of `--help`.
QString UsageText(const QString& program);

/// `--export-exe FILE.lsr OUT.exe` (`rest` holds the two paths): opens the document and
/// writes the standalone executable; messages go to standard error. 0 on success.
int ExportExecutable(int argc, char** argv, const QStringList& rest);
