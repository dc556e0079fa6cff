#pragma once
// The file commands of the editor: open, save, save as, new, and the question about
// unsaved changes. The main window calls them; they reach the document through CurrentDocument()
// and the editing state through the EditorState they are given.

#include <QString>

class EditorState;

/// How a document is opened.
struct OpenOptions {
    /// Whether the path becomes the remembered last document; the command-line modes
    /// that only look at a document leave it alone.
    bool remember = true;
};

/// Reads the document file `path` (a cabinet holding a document stream, or a standalone
/// slideshow carrying one, read where it lies) into the open document. The extraction
/// and the reading run as jobs of the processing dialog, which shows their progress and
/// can stop them. True when the document was read. `replaced` (optional) tells whether
/// the previous document was given up (it stays untouched when the open failed earlier
/// or the user stopped it).
/// A path that names neither (by its name, or by a slideshow's trailer at its end) is
/// refused: a missing file with Msg::FileNotFound, a program with Msg::NoSlideshowInFile,
/// any other file with Msg::NotADocument after what it looks like (FileKindText).
bool OpenDocument(const QString& path, bool* replaced = nullptr, OpenOptions options = {});
/// What the file `path` looks like, in the words of the message that refuses it as a
/// document (Msg::NotADocument): "JPEG 画像のファイルです", "空のファイルです", a cabinet
/// whose name does not end in .lsr, a program without slideshow data, text, or a file
/// of a kind not known. Reads at most the file's first 4 KiB.
QString FileKindText(const QString& path);
/// Writes the open document to `path`: the stream in a work file of its own, packed
/// into a cabinet that replaces `path` once complete. True when the file was written.
bool WriteDocumentFile(const QString& path);
/// Saves to `path`, or asks for a path first (Save As) when it is empty. True when saved.
bool SaveDocument(const QString& path);

/// The unsaved-changes question (message Msg::SaveChangesQuestion) when the document is modified;
/// Yes saves. False when the user cancelled, or answered Yes and the save failed or was
/// cancelled: the command must stop and the document stays.
bool AskSaveChanges(EditorState& ed);

/// The New command.
void OnNewCommand(EditorState& ed);
/// Opens the document file `path` that the user chose, as the Open command does after
/// its file dialog: the busy cursor while it is read, then the view shows its first page.
void OpenChosenDocument(EditorState& ed, const QString& path);
/// The Open command: the unsaved-changes question, the file dialog, OpenChosenDocument.
void OnOpenCommand(EditorState& ed);
/// Opens `path` like the Open command without its dialog (a document dropped on the
/// window): the unsaved-changes question first.
void OnOpenPathCommand(EditorState& ed, const QString& path);
/// A recent document chosen from the menu: one that no longer exists is taken off the
/// list with message Msg::RecentDocumentMissing; otherwise as OnOpenPathCommand.
void OnOpenRecentCommand(EditorState& ed, const QString& path);
/// The Save command (overwrite, or save as).
void OnSaveCommand(EditorState& ed);
/// Save As: asks for a file name and saves there (a document with slides).
void OnSaveAsCommand(EditorState& ed);
/// Closing the main window: true when it may close. The unsaved-changes question comes
/// first; Yes keeps the window open when the save fails or is cancelled.
bool OnCloseCommand(EditorState& ed);

/// Opens the start document: `cmdFile` when given, else the last file when the setting
/// OpenLastAtStart is 1, else (or when that open fails) a new document.
void OpenStartDocument(EditorState& ed, const QString& cmdFile);

/// The file dialogs' title, filter and defaults.
extern const char* const kOpenDialogTitle;
extern const char* const kSaveDialogTitle;
extern const char* const kDocumentFilter;
