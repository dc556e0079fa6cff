#include "app/CliSave.h"

#include <cstdio>

// TEMPORARY: the document writer (document stream and cabinet packing) is not part of
// this branch. This stand-in refuses, so nothing pretends to have been saved; it is to
// be replaced by a call to the real writer when the branches come together.
bool SaveDocumentForCli(const QString& path) {
    std::fprintf(stderr, "%s: saving documents is not available in this build\n",
                 path.toLocal8Bit().constData());
    return false;
}
