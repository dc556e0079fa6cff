#include "slideshow/ui/PlayDocument.h"

#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "slideshow/ui/SlideshowWindow.h"

#include <QFileInfo>
#include <cstdio>

int PlayDocument(const QString& path) {
    if (path.isEmpty()) {
        std::fputs("--play needs a FILE.lsr\n", stderr);
        return 2;
    }
    if (!OpenDocument(QFileInfo(path).absoluteFilePath()) || CurrentDocument().slideCount <= 0)
        return 1;
    SlideshowWindow dlg;
    dlg.m_index = 0;
    dlg.Play();
    return 0;
}
