#pragma once
// The per-user settings store: sections of named values under the maker's key
// "Varnholt" and the application's name. Nothing is cached: every read goes to the
// store, every write is made at once.

#include <QString>

/// The application's name: the executable's file name without its extension.
QString ApplicationName();
/// Names the running application after its executable file (without the extension).
void NameApplicationAfterExecutable();

/// The stored integer, or `def` when the value is absent or unreadable.
int ReadSettingInt(const char* section, const char* name, int def);
void WriteSettingInt(const char* section, const char* name, int value);
/// The stored string, or `def` when the value is absent or unreadable.
QString ReadSettingString(const char* section, const char* name, const QString& def);
void WriteSettingString(const char* section, const char* name, const QString& value);
