// The slideshow player: plays the document stream stored at the end of its own file
// (a created executable), or the .lsr document named as its argument.

#include "app/ui/Startup.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "document/ByteStore.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "packaging/CabinetJob.h"
#include "packaging/Executable.h"
#include "slideshow/ui/SlideshowWindow.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <memory>

namespace {

/// Loads the stream embedded in this program's file where it lies (the pictures read
/// their bytes from this file when they are shown); false after a message, or when the
/// user stopped the reading.
bool LoadEmbeddedDocument() {
    const QString self = ProgramFilePath();
    qint64 offset = 0;
    qint64 length = 0;
    auto file = std::make_unique<QFile>(self);
    if (!FindEmbeddedStream(self, &offset, &length) || !file->open(QIODevice::ReadOnly)) {
        ShowMessage(Msg::WrongFileFormat);
        return false;
    }
    CabinetJob read;
    read.kind = CabinetJob::Kind::Read;
    read.readFrom = std::make_shared<const ByteStore>(std::move(file), offset, length);
    ReleaseAllPictures();
    return RunCabinetJob(read) && read.readOk;
}

} // namespace

int main(int argc, char** argv) {
    ChooseQtPlatform();
    QApplication qapp(argc, argv);
    // Messages are captioned with the slideshow's own name (its file name without its
    // extension), as every program of the product names itself.
    NameApplicationAfterExecutable();
    PrepareWindowedApplication(qapp);
    const QStringList args = QCoreApplication::arguments().mid(1);

    bool loaded = false;
    if (!args.isEmpty() && args.first().endsWith(QLatin1String(".lsr"), Qt::CaseInsensitive)) {
        // A document named relative to the current folder is opened by its full path.
        loaded = OpenDocument(QFileInfo(args.first()).absoluteFilePath());
    } else {
        qint64 offset = 0;
        qint64 length = 0;
        const QString self = ProgramFilePath();
        if (QFile(self).size() >= 8 && FindEmbeddedStream(self, &offset, &length)) {
            loaded = LoadEmbeddedDocument();
        } else if (args.isEmpty()) {
            ShowMessage(Msg::NothingToPlay, QString(), nullptr, MsgKind::Info);
            return 1;
        } else {
            ShowMessage(Msg::WrongFileFormat, args.first() + QLatin1Char('\n'));
            return 1;
        }
    }
    if (!loaded)
        return 1;
    if (CurrentDocument().slideCount <= 0) {
        ShowMessage(Msg::NoSlidesToPlay, QString(), nullptr, MsgKind::Info);
        return 1;
    }
    SlideshowWindow dlg;
    dlg.m_index = 0;
    dlg.Play();
    return dlg.ShowedNothing() ? 1 : 0;
}
