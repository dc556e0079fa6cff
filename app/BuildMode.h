#pragma once
// The command-line build mode: `luserio --build OUT.lsr IMAGE...` makes a document of
// the images, in order, through the same import as the editor (on every core, without a
// progress display), and saves it. It needs
// no display; messages go to standard error.

#include <QString>
#include <QStringList>
#include <cstdio>

/// True when the command line asks for the build mode (first argument "--build").
bool IsBuildModeRequest(int argc, char** argv);

/// Runs the build mode as the whole program (before any other application object
/// exists) and returns the process exit status.
int RunBuildMode(int argc, char** argv);

/// Builds a new document from `images` (appended in order; relative paths are taken
/// from the current folder) and saves it to `out`. Writes to `err` one line
/// "IMAGE: reason" for each image left out, "IMAGE: 警告: reason" for each image that
/// became a slide although its file looks damaged, then the count of images left out.
/// Exit status: 0 when every image became a slide (damaged ones included) and the
/// document was saved; 1 when the save failed or an image was left out (the document is
/// saved with the others); 2 for a wrong command line.
int BuildDocumentFromImages(const QString& out, const QStringList& images, std::FILE* err = stderr);
