#include "dialogs/HelpWindow.h"

#include "base/Platform.h"
#include "base/Prompts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    m_programPath = ProgramFilePath();

    m_document = new QPdfDocument(this);
    m_view = new QPdfView(this);
    m_view->setDocument(m_document);
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setPageSpacing(12);
    // A blank light-grey page until the manual is loaded.
    m_view->setStyleSheet(QStringLiteral("QPdfView { background: #e8e8e8; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    resize(900, 700);
}

QString HelpWindow::ManualPath(const QString& exePath, const QString& manual) {
    int cut = -1;
    for (int i = int(exePath.size()) - 1; i >= 0; --i)
        if (exePath.at(i) == QLatin1Char('/') || exePath.at(i) == QLatin1Char('\\')) {
            cut = i;
            break;
        }
    if (cut < 0)
        return QString();
    return exePath.left(cut + 1) + manual + QStringLiteral(".pdf");
}

bool HelpWindow::Initialize() {
    const QString path = ManualPath(m_programPath, m_manualName);
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        ShowMessage(Msg::ManualMissing, QString(), this, MsgKind::Info);
        return false;
    }
    m_document->load(path);
    setWindowTitle(m_manualName);
    setWindowState(windowState() | Qt::WindowMaximized);
    return true;
}
