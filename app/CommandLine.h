#pragma once
// The command line: what it asks for, understood in one place, and the modes that run
// without a window (`--help`, `--version`, `--info FILE` and `--export-exe`).

#include "app/BuildMode.h"
#include "packaging/Executable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

/// What the program was started to do.
enum class CliMode {
    Editor,    ///< the editor, with a document when one is named
    Build,     ///< --build: a document made of images
    Info,      ///< --info: a document described as JSON
    Play,      ///< --play: a document played without the editor
    ExportExe, ///< --export-exe: a standalone slideshow written
    Version,   ///< --version
    Help       ///< --help
};

/// The command line, understood.
struct Invocation {
    CliMode mode = CliMode::Editor;
    /// The document: the editor's (may be empty), --info's, --play's, the source of
    /// --export-exe, or what --build writes.
    QString file;
    QString output;           ///< the executable --export-exe writes
    QList<BuildImage> images; ///< --build's images with their settings
    /// --build's size limit (--max-size); the settings' when not given.
    std::optional<SizeLimit> maxSize;
    int screen = 0; ///< --play's screen, counted from 1; 0 when not given
    RuntimeTarget target = RuntimeTarget::Native; ///< the system --export-exe writes for
    QString platform; ///< the window system asked for (Qt's platform name); empty: chosen
};

/// The command line `args` (without the program's name) understood, or the one-line
/// reason it is wrong in `error`.
struct ParsedCommandLine {
    Invocation invocation;
    QString error;
};
ParsedCommandLine ParseCommandLine(const QStringList& args);

/// The text of `--help`: every mode with its arguments, the options, examples and the
/// exit codes.
QString UsageText(const QString& program);

/// The text of `--version`: the program's name, its newest version and the system it
/// was built for.
QString VersionText(const QString& program);

/// Where the program looks for its companions (the player runtime and the manual),
/// each path followed by " (missing)" when the file is not there; ends `--help`.
QString CompanionsText();

/// Opens `path` through the editor's open path and prints its description as JSON to
/// `out`; messages go to the prompts in use. 0 on success, 1 when the open failed.
int PrintDocumentInfo(const QString& path, FILE* out);

/// Runs a mode that needs no window (`--help`, `--version`, `--info`, `--export-exe`,
/// `--build`) as the whole program and returns its exit status; -1 for the modes that
/// open a window. Must run before any application object exists.
int RunWindowlessMode(int argc, char** argv, const Invocation& invocation);

/// Prints "program: error" and the usage to standard error; returns 2, the exit status
/// of a wrong command line.
int ReportWrongCommandLine(const char* argv0, const QString& error);
