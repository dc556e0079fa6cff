#pragma once
// The user's private working folder and the uniquely named work files inside it.
// Several copies of the program, run by one user or by several, each get files of
// their own: nothing in the folder is ever shared by name. Work files carry the id of
// the process that made them ("work-4242-AbCdEf.stream"), so what a copy that was
// killed left behind can be told apart from what a running copy still uses.

#include <QString>
#include <memory>

class QTemporaryFile;

/// The folder name of this user's working folder: the application's name followed by
/// the user's id on POSIX systems ("luserio-1000"), the name alone on Windows, where
/// the temporary folder already belongs to the user.
QString WorkFolderName();

/// The working folder of this process, without a trailing separator: this user's
/// working folder in the system's temporary folder, created when missing. On POSIX
/// systems it is private to the user (mode 0700, owned by the user, not a symbolic
/// link). When something else stands there (another user's folder, a link, a file), a
/// new private folder of this process is made beside it instead, without a word
/// ("luserio-1000-4242-AbC123"), and removed when the process ends normally. The
/// process keeps the folder it got. Empty after a message naming the folder when none
/// can be had.
QString GetWorkFolder();

/// A new, empty work file with a unique name in the working folder, open for reading
/// and writing (private to the user) and removed when the object goes. `suffix` ends
/// the name (".stream", ".png"). Null after a message when none can be made.
std::unique_ptr<QTemporaryFile> NewWorkFile(const QString& suffix);

/// Removes what copies of the program that are gone left in the system's temporary
/// folder: this user's work files and the folders made in place of the working
/// folder, untouched for more than a day, whose process no longer runs. Only names
/// of the program's own patterns are looked at, a bounded number of entries per
/// folder, so a crowded folder never holds the program up. POSIX systems only.
void RemoveStaleWorkFiles();

/// RemoveStaleWorkFiles, the first time it is called in the process; called when a
/// mode that uses the working folder starts.
void RemoveStaleWorkFilesOnce();
