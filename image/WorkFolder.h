#pragma once
// The folder the image conversions keep their work files in: the application's
// working folder inside the system's temporary folder.

#include <QString>

/// The working folder without a trailing separator, created when missing (private to
/// the user on POSIX). Empty after a message when it cannot be made or is not safe.
QString ImageWorkFolder();
