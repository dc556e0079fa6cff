#pragma once
#include <QString>

/// Saves the open document (CurrentDocument()) to `path` as a document file, for the
/// command-line modes; messages go to the prompts in use. False when it fails.
bool SaveDocumentForCli(const QString& path);
