#pragma once
// The program's version, taken from the version history the version box shows.

#include <QString>
#include <QStringList>

/// The version history, one line per version ("Ver. 1.01 2022.11.14 …"), newest first.
QStringList VersionHistory();

/// The newest version's number ("1.01"); empty when the history names none.
QString ProgramVersion();

/// The system and processor this program was built for ("Linux x86_64").
QString BuildPlatform();
