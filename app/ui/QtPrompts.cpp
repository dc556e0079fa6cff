#include "app/ui/QtPrompts.h"

#include "base/Platform.h"
#include "base/Settings.h"
#include "dialogs/BatchProgressDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

Answer QtPrompts::message(Msg, const QString& text, MsgKind kind, QObject* owner) {
    QWidget* parent = qobject_cast<QWidget*>(owner);
    QMessageBox box(parent);
    // Over a window kept above the others (the show), the message is kept above too.
    if (parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setWindowTitle(ApplicationName());
    box.setText(text);
    switch (kind) {
    case MsgKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgKind::Info:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgKind::YesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MsgKind::YesNoCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    // A busy cursor set around a long command must not cover the question it asks.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    switch (pressed) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Escape or the close box: Cancel where there is one, else the only safe answer.
        return kind == MsgKind::YesNo
                   ? Answer::No
                   : (kind == MsgKind::YesNoCancel ? Answer::Cancel : Answer::Ok);
    }
}

namespace {

/// Puts `note` into `dlg`: a row of its own under the controls of Qt's own dialog, else
/// (the system's dialog, which takes no widgets) the end of the title.
void AddNote(QFileDialog& dlg, const QString& note) {
    if (note.isEmpty())
        return;
    if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
        auto* label = new QLabel(note, &dlg);
        label->setObjectName(QStringLiteral("note"));
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    } else {
        dlg.setWindowTitle(dlg.windowTitle() + QStringLiteral("　※ ") +
                           QString(note).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
}

} // namespace

QStringList QtPrompts::openFileNames(const FileDialogSpec& request, bool multi) {
    QFileDialog dlg(nullptr, request.title, request.fileName, QtFilterFromPipes(request.filter));
    AddNote(dlg, request.note);
    if (!request.folder.isEmpty() && request.fileName.isEmpty())
        dlg.setDirectory(request.folder);
    dlg.setFileMode(multi ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.defaultExt.isEmpty())
        dlg.setDefaultSuffix(request.defaultExt);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return dlg.selectedFiles();
}

QString QtPrompts::saveFileName(const FileDialogSpec& request) {
    QFileDialog dlg(nullptr, request.title, QString(), QtFilterFromPipes(request.filter));
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.defaultExt.isEmpty())
        dlg.setDefaultSuffix(request.defaultExt);
    if (!request.folder.isEmpty())
        dlg.setDirectory(request.folder);
    if (!request.fileName.isEmpty()) {
        const QFileInfo fi(request.fileName);
        if (fi.path() != QLatin1String(".") || request.fileName.contains(QLatin1Char('/')))
            dlg.setDirectory(fi.absolutePath());
        dlg.selectFile(fi.fileName());
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

std::optional<QRgb> QtPrompts::chooseColor(QRgb initial, QObject* owner) {
    const QColor start(qRed(initial), qGreen(initial), qBlue(initial));
    const QColor c = QColorDialog::getColor(start, qobject_cast<QWidget*>(owner));
    if (!c.isValid())
        return std::nullopt;
    return qRgb(c.red(), c.green(), c.blue());
}

bool QtPrompts::showFolder(const QString& folder) {
    return ShowFolderInFileBrowser(folder);
}

std::unique_ptr<ProgressPrompt> QtPrompts::progress(Msg label, int total,
                                                    std::function<void()> changed, QObject* owner) {
    QWidget* parent = qobject_cast<QWidget*>(owner);
    return std::make_unique<BatchProgressDialog>(label, total, std::move(changed),
                                                 parent ? parent : QApplication::activeWindow());
}
