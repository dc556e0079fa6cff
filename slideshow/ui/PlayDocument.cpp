#include "slideshow/ui/PlayDocument.h"

#include "base/Prompts.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "slideshow/ui/SlideshowWindow.h"

#include <QFileInfo>

int PlayDocument(const QString& path, std::optional<QRect> screenArea) {
    if (!OpenDocument(QFileInfo(path).absoluteFilePath()))
        return 1;
    if (CurrentDocument().slideCount <= 0) {
        ShowMessage(Msg::NoSlidesToPlay, QString(), nullptr, MsgKind::Info);
        return 1;
    }
    SlideshowWindow dlg;
    dlg.m_index = 0;
    dlg.m_screenArea = screenArea;
    dlg.Play();
    return dlg.Failed() ? 1 : 0;
}
