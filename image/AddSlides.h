#pragma once
// Adding slides from image files: the extension check, the capacity question and the
// batch that imports each file and puts it at the insertion mark or at the end.

#include "document/EditorState.h"

#include <QString>
#include <QStringList>

class QObject;

/// The accepted extensions; any piece of this text passes the extension check.
constexpr const char* kAcceptedExtensions = "bmp-gif-jpg-jpeg-png-tiff";

/// The normalised extension of `path` (lower case; "jpeg" for "jpg", "tiff" for
/// "tif"), or empty after message Msg::NotAnImage when the path has no folder part, its name no
/// dot, or the extension is not accepted. A name ending in a dot gives an empty
/// extension without a message.
QString CheckImageExtension(QObject* owner, const QString& path);

/// Keeps a selection within the table's capacity: more than 100 paths ask question
/// Msg::TooManyFilesQuestion; No gives false (nothing is to be added), Yes keeps the first 100.
bool LimitPathsToCapacity(QStringList& paths, QObject* owner);

/// Imports each path in order and adds it: with `mark` -1 appended (the view moving to
/// the last page), otherwise inserted at page * 20 + mark, so a batch ends up there in
/// reverse order. Stops with message Msg::TooManySlides when the table is full. Redraws the view
/// and returns the number of slides added.
int AddSlidesFromFiles(EditorState& ed, int mark, const QStringList& paths,
                       QObject* owner = nullptr);

/// The add-slide command: asks for image files (several at once), keeps at most 100
/// (question Msg::TooManyFilesQuestion above that) and adds them. Cancelling changes nothing.
void AddSlidesCommand(EditorState& ed, int mark, QObject* owner = nullptr);

/// Files dropped on the main window: more than 100 ask question Msg::TooManyFilesQuestion (owned by
/// the window); empty names are skipped; the rest are added.
void AddDroppedFiles(EditorState& ed, int mark, const QStringList& paths, QObject* owner);
