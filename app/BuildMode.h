#pragma once
// The command-line build mode: `luserio --build OUT.lsr [--time S] [--key C] [--flip F]
// IMAGE...` makes a document of the images, in order, through the same import as the
// editor (on every core, without a progress display), gives each image the settings
// named before it, and saves the document. It needs no display; messages go to standard
// error.

#include "document/StoredColor.h"
#include "image/ImageImport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

/// One image of the build and the settings the command line gives it; a setting left
/// out keeps what the import gives every new slide.
struct BuildImage {
    QString path;                     ///< as given on the command line
    std::optional<int> switchTime;    ///< seconds on show
    std::optional<KeyColor> keyColor; ///< the transparent colour; an empty KeyColor is none
    std::optional<bool> flipH, flipV; ///< mirrored left to right / top to bottom
};

/// Runs the build mode as the whole program (before any other application object
/// exists) and returns the process exit status.
int RunBuildMode(int argc, char** argv, const QString& out, const QList<BuildImage>& images,
                 std::optional<SizeLimit> limit = std::nullopt);

/// Builds a new document from `images` (appended in order; relative paths are taken
/// from the current folder), gives each slide its image's settings, and saves it to
/// `out`. Writes to `err` one line "IMAGE: reason" for each image left out,
/// "IMAGE: 警告: reason" for each image that became a slide although its file looks
/// damaged, then the count of images left out, then the outcome when an image was left
/// out: that nothing was written (no image became a slide; an existing `out` stays as
/// it was), or how many slides `out` now holds and whether it replaced an earlier file.
/// Exit status: 0 when every image became a slide (damaged ones included) and the
/// document was saved; 1 when the save failed or an image was left out (the document is
/// saved with the others, unless it would hold no slide); 2 for a wrong command line.
/// `limit`, when given, is the size limit of this build instead of the settings'.
int BuildDocumentFromImages(const QString& out, const QList<BuildImage>& images,
                            std::FILE* err = stderr, std::optional<SizeLimit> limit = std::nullopt);
/// The same for images without settings of their own.
int BuildDocumentFromImages(const QString& out, const QStringList& images, std::FILE* err = stderr);
