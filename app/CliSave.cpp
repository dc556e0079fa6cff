#include "app/CliSave.h"

#include "document/DocumentCommands.h"

// The command line saves through the same writer as the editor's Save command.
bool SaveDocumentForCli(const QString& path) { return WriteDocumentFile(path); }
