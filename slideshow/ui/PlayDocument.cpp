#include "slideshow/ui/PlayDocument.h"

#include "app/P20417App.h"
#include "document/DocumentCommands.h"
#include "slideshow/ui/SideDlg.h"

#include <QFileInfo>
#include <cstdio>

int PlayDocument(const QString& path) {
    if (path.isEmpty()) {
        std::fputs("--play needs a FILE.lsr\n", stderr);
        return 2;
    }
    if (!OpenDocument(QFileInfo(path).absoluteFilePath()) || theApp().m_nSlideCount <= 0)
        return 1;
    CSideDlg dlg;
    dlg.m_nIndex = 0;
    dlg.DoModal();
    return 0;
}
