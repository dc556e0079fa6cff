#pragma once
// Everything that differs between Linux, Windows and macOS, each with a branch per
// platform where the platforms differ, so the rest of the program stays portable.

#include <QString>

class QFileDevice;

/// Chooses the Qt platform before the application object exists, on Linux: the one
/// `requested` names (--platform), else the one QT_QPA_PLATFORM names, else X11 (xcb)
/// where an X server is, also beside Wayland through XWayland (KWin and Mutter place an
/// X window where its program asks, keep it above and honour its shapes), except where
/// XWayland's window manager is wlroots' (sway and its kin honour none of that; their
/// Wayland side does what a show needs), else Wayland where only Wayland is.
void ChooseQtPlatform(const QString& requested = QString());

/// Lets a write beyond the process's file size limit (`ulimit -f`) fail like a write
/// onto a full disk, reported with its file and reason, instead of ending the program
/// at once with nothing said (POSIX: SIGXFSZ is ignored). Call first thing in main().
void IgnoreFileSizeSignal();

/// Chooses the windowless (offscreen) platform for a mode that needs the image code of
/// a GUI application but shows no window and must run without a display.
void ChooseWindowlessPlatform();

/// Makes the Windows face names the interface asks for ("Meiryo UI", "メイリオ",
/// "ＭＳ Ｐゴシック") resolve to an installed Japanese font.
void InstallFontSubstitutions();

/// Raises the image readers' allocation limit so pictures of up to 100 megapixels decode.
void InstallImageLimits();

/// The running program's own file, with symbolic links resolved: started through a
/// launcher link, this is the file the link points to. Works before the application
/// object exists on Linux; elsewhere it needs one.
QString ProgramFilePath();

/// The folder of the program's real file (no trailing separator), where its companions
/// (the player runtime and the manual) lie.
QString ProgramFolder();

/// The folder that holds the file `path` really is, following every symbolic link on
/// the way; empty when `path` does not exist.
QString RealFolderOf(const QString& path);

/// Makes sure `path` is a folder only the user can reach, creating it when missing.
/// On POSIX systems: mode 0700, owned by the user, not a symbolic link (repaired when
/// the mode is wider). On Windows the user's temporary folder is already private.
bool MakePrivateFolder(const QString& path);

/// Makes a new folder only the user can reach, named `prefix` followed by six characters
/// that make the name unique (mkdtemp on POSIX systems, so no existing name is ever
/// taken over). Its path; empty when none can be made.
QString MakeUniquePrivateFolder(const QString& prefix);

/// True when no process with the id `pid` runs any more (on POSIX systems, kill(pid, 0)
/// fails with ESRCH). A process of another user still runs; where this cannot be told
/// (Windows), every process counts as running.
bool ProcessIsGone(qint64 pid);

/// Lets the file at `path`, just written, run as a program: on POSIX systems its mode
/// becomes 0777 without the bits the user's umask takes away, like any program a
/// compiler writes.
bool MarkExecutable(const QString& path);

/// The system's reason why writing `file` failed ("No space left on device"). A write
/// cut short leaves none behind, so the rest is tried once more to learn it; call only
/// on a file whose writing has failed and is abandoned.
QString WriteFailureReason(QFileDevice& file);

/// The system's reason ("File name too long") when `path` is too long to name a file: a
/// component beyond the name limit of its file system, or the whole path beyond the
/// system's path limit. Empty when its length is no problem (or cannot be told).
QString NameTooLongReason(const QString& path);

/// The machine's physical memory in bytes; 0 when it cannot be told.
qint64 PhysicalMemoryBytes();

/// True when `path` names a regular file (following symbolic links): not a folder,
/// pipe, socket or device, which could block a reader or never end.
bool IsRegularFile(const QString& path);

/// Shows `folder` in the desktop's file browser; false when none could be started.
bool ShowFolderInFileBrowser(const QString& folder);

/// Position of the last path separator in `path` ('/' everywhere, also '\' on
/// Windows); -1 when there is none.
int LastPathSeparator(const QString& path);
