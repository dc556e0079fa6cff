#pragma once
// Small text routines shared by the editor, the slideshow and the dialogs.

#include <QString>

/// "%02d:%02d" (minutes, seconds) below 3600 seconds, else "%02d:%02d:%02d" with the
/// hours not limited.
QString FormatSwitchTime(int seconds);

/// A digit string with thousands commas: fewer than 4 or 10 or more characters are
/// returned unchanged; 4 to 6 get one comma, 7 to 9 two. Signs are not looked at.
QString GroupDigits(const QString& digits);

/// The file name after the path's last separator, without the part from its last full
/// stop on (the whole name when it has none).
QString FileTitleOf(const QString& path);
