#pragma once
// The command-line modes that run without a window: `--help`, `--version`,
// `--info FILE.lsr` and `--export-exe`.

#include <QString>
#include <QStringList>
#include <cstdio>

/// Runs a command-line mode when `args` (without the program name) asks for one and
/// returns its exit code; returns -1 when the editor should start instead.
/// Must run before any application object exists: it makes its own windowless one.
int RunCommandLineMode(int argc, char** argv);

/// The first command-line argument that is not an option ("-x", "--xyz"); empty if none.
QString FirstNonOptionArgument(const QStringList& args);

/// Opens `path` through the editor's open path and prints its description as JSON to
/// `out`; messages go to the prompts in use. 0 on success, 1 when the open failed.
int PrintDocumentInfo(const QString& path, FILE* out);

/// The text of `--help`.
QString UsageText(const QString& program);

/// The text of `--version`: the program's name and its newest version.
QString VersionText(const QString& program);

/// Where the program looks for its companions (the player runtime and the manual),
/// each path followed by " (missing)" when the file is not there; ends `--help`.
QString CompanionsText();

/// `--export-exe FILE.lsr OUT.exe` (`rest` holds the two paths): opens the document and
/// writes the standalone executable; messages go to standard error. 0 on success.
int ExportExecutable(int argc, char** argv, const QStringList& rest);
