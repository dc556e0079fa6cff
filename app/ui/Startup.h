#pragma once
// Start-up of the windowed program: the services bound to real dialogs, and the editor's run.

#include <QString>

class QApplication;

/// Prepares a windowed run: translations, fonts, image limits, the real dialogs.
void PrepareWindowedApplication(QApplication& app);

/// Runs the editor: the main window opens with the document `file` (none when empty)
/// and runs modally until it closes.
void RunEditor(const QString& file);
