#pragma once
#include <QString>

/// The application's working folder in the system's temporary folder (or its subfolder
/// `sub` when not empty), created when missing, without a trailing separator. On POSIX
/// systems each folder is made private to the user (mode 0700, owned by the user, not a
/// symbolic link). Empty after showing a message when that cannot be had.
QString GetWorkFolder(const QString& sub = QString());
