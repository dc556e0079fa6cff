#pragma once
// Standalone slideshow executables: the player runtime's bytes, the document stream,
// the magic 03 CA 19 3A and the runtime's length, both big-endian.

#include "base/Messages.h"
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class QIODevice;

/// The magic that precedes the runtime's length at the end of a created executable.
constexpr quint32 kExecutableMagic = 63576378; // 0x03CA193A
/// File name of the player runtime installed next to this program.
inline const char* const kRuntimeFileName = "LsrCtrl.dll";

/// File name of the Windows player runtime, built next to this program when the cross
/// compiler was found.
inline const char* const kWindowsRuntimeFileName = "LsrCtrl-windows.exe";

/// The system a created slideshow runs on.
enum class RuntimeTarget {
    Native, ///< the system this program runs on
    Windows ///< Windows
};

/// Full path of the player runtime for `target`: this program's folder followed by
/// "LsrCtrl.dll" (Native) or "LsrCtrl-windows.exe" (Windows).
QString RuntimePath(RuntimeTarget target = RuntimeTarget::Native);
/// Makes RuntimePath() look in `folder` instead (tests); empty restores the default.
void SetRuntimeFolderOverride(const QString& folder);

/// Whether a slideshow for `runtime` must be named "*.exe": on Windows it must, as
/// programs are known there by that suffix; elsewhere programs have no suffix.
bool NeedsExeSuffix(RuntimeTarget runtime = RuntimeTarget::Native);

/// Checks a target path as the create button does: nothing when acceptable, otherwise
/// the message to show (Msg::NoTarget when empty, Msg::ExeExtensionRequired when a
/// slideshow for Windows does not end in ".exe", in any case).
std::optional<Msg> CheckExecutableTarget(const QString& target,
                                         RuntimeTarget runtime = RuntimeTarget::Native);

/// The file name the browse button proposes for the edit box text `editText` and the
/// document path `docPath`: the edit box's file name, else the document's, else
/// "ルセリオ", with its extension replaced by ".exe" (or taken off where programs have
/// no suffix).
QString ProposeExecutableName(const QString& editText, const QString& docPath,
                              RuntimeTarget runtime = RuntimeTarget::Native);

/// Copies `source` to `out` in 1024-byte chunks; the source's length, or 0 after
/// message Msg::OpenFailed (prefixed with the source path) when it cannot be opened.
qint64 AppendFileTo(const QString& source, QIODevice& out);

/// Writes the executable `target`: the runtime, the open document's stream and the
/// trailer. The file is assembled beside the target and replaces it only when
/// complete, so a failure never leaves a half-written target; on POSIX it is made
/// executable (0777 less the umask). A document without slides is refused
/// (Msg::EmptyDocumentExport). `progress` (may be empty) is called with 0 before and
/// after the creation. The failing step shows its message, naming the file and the
/// reason where a write failed. The runtime is the one for `runtime`: a missing Windows runtime (a
/// build without the cross compiler) is refused with Msg::WindowsRuntimeUnavailable, and a Windows
/// executable is not marked executable here.
bool CreateExecutable(const QString& target, const std::function<void(int)>& progress = {},
                      RuntimeTarget runtime = RuntimeTarget::Native);

/// Shows the folder holding `path` in the platform's file browser. When none can be
/// started: false after a message (Msg::FileBrowserFailed on Windows; elsewhere
/// Msg::NoFileManager naming the folder, whose path is put on the clipboard).
bool OpenFolderInExplorer(const QString& path);

/// Finds the document stream inside a created executable `path` from its trailer:
/// true with the stream's offset and length when the trailer is whole and consistent.
bool FindEmbeddedStream(const QString& path, qint64* offset, qint64* length);
