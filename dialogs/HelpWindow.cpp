#include "dialogs/HelpWindow.h"

#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Prompts.h"
#include "dialogs/CommandAction.h"
#include "dialogs/ModalRunner.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfSearchModel>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace {
/// The first entry under `parent` (depth first, in the manual's order) whose title without
/// its number is `title`.
QModelIndex FindEntry(const QAbstractItemModel* model, const QModelIndex& parent,
                      const QString& title) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex entry = model->index(row, 0, parent);
        if (HelpWindow::WithoutNumber(entry.data().toString()) == title)
            return entry;
        const QModelIndex below = FindEntry(model, entry, title);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

QToolButton* ButtonFor(QAction* action, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setDefaultAction(action);
    button->setFocusPolicy(Qt::NoFocus); // the keys stay with the pages
    button->setAutoRaise(true);
    return button;
}
} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    m_programPath = ProgramFilePath();

    m_document = new QPdfDocument(this);
    m_searchModel = new QPdfSearchModel(this);
    m_searchModel->setDocument(m_document);
    m_bookmarks = new QPdfBookmarkModel(this);
    m_bookmarks->setDocument(m_document);

    m_view = new ManualView(this);
    m_view->setDocument(m_document);

    m_outline = new QTreeView(this);
    m_outline->setModel(m_bookmarks);
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_outline, &QTreeView::clicked, this, &HelpWindow::ShowOutlineEntry);
    connect(m_outline, &QTreeView::activated, this, &HelpWindow::ShowOutlineEntry);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("検索 (Ctrl+F)"));
    m_search->setClearButtonEnabled(true);
    m_search->setMinimumWidth(220);
    connect(m_search, &QLineEdit::textChanged, this, &HelpWindow::Search);
    connect(m_search, &QLineEdit::returnPressed, this, &HelpWindow::ShowNextMatch);
    m_matches = new QLabel(this);
    m_matches->setMinimumWidth(90);
    m_pageLabel = new QLabel(this);

    QAction* find = AddCommandAction(this, "find", "検索", {QKeySequence::Find});
    connect(find, &QAction::triggered, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    QAction* next = AddCommandAction(this, "findNext", "次を検索", {Qt::Key_F3});
    next->setText(QStringLiteral("次へ"));
    next->setToolTip(QStringLiteral("次を検索 (Enter, F3)"));
    connect(next, &QAction::triggered, this, &HelpWindow::ShowNextMatch);
    QAction* previous =
        AddCommandAction(this, "findPrevious", "前を検索", {Qt::SHIFT | Qt::Key_F3});
    previous->setText(QStringLiteral("前へ"));
    previous->setToolTip(QStringLiteral("前を検索 (Shift+F3)"));
    connect(previous, &QAction::triggered, this, &HelpWindow::ShowPreviousMatch);
    QAction* zoomIn =
        AddCommandAction(this, "zoomIn", "拡大", {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal});
    zoomIn->setToolTip(QStringLiteral("拡大 (Ctrl++)"));
    connect(zoomIn, &QAction::triggered, m_view, &ManualView::ZoomIn);
    QAction* zoomOut = AddCommandAction(this, "zoomOut", "縮小", {QKeySequence::ZoomOut});
    zoomOut->setToolTip(QStringLiteral("縮小 (Ctrl+-)"));
    connect(zoomOut, &QAction::triggered, m_view, &ManualView::ZoomOut);
    m_fitWidth = AddCommandAction(this, "fitWidth", "幅に合わせる", {Qt::CTRL | Qt::Key_2});
    m_fitWidth->setToolTip(QStringLiteral("幅に合わせる (Ctrl+2)"));
    m_fitWidth->setCheckable(true);
    connect(m_fitWidth, &QAction::triggered, this,
            [this] { m_view->SetFit(ManualView::Fit::Width); });
    m_fitPage = AddCommandAction(this, "fitPage", "ページ全体", {Qt::CTRL | Qt::Key_0});
    m_fitPage->setToolTip(QStringLiteral("ページ全体を表示 (Ctrl+0)"));
    m_fitPage->setCheckable(true);
    connect(m_fitPage, &QAction::triggered, this,
            [this] { m_view->SetFit(ManualView::Fit::Page); });
    // F1 here shows the chapter about this window, in this window.
    QAction* help = AddCommandAction(this, "help", "ヘルプ", {QKeySequence::HelpContents});
    connect(help, &QAction::triggered, this,
            [this] { ShowChapter(QString::fromUtf8(kOwnChapter)); });
    connect(m_view, &ManualView::fitChanged, this, &HelpWindow::UpdateFitActions);
    connect(m_view, &ManualView::pageOnShowChanged, this, &HelpWindow::UpdatePageLabel);
    connect(m_document, &QPdfDocument::statusChanged, this, &HelpWindow::UpdatePageLabel);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(m_search);
    bar->addWidget(ButtonFor(previous, this));
    bar->addWidget(ButtonFor(next, this));
    bar->addWidget(m_matches);
    bar->addStretch();
    bar->addWidget(m_pageLabel);
    bar->addSpacing(12);
    bar->addWidget(ButtonFor(zoomOut, this));
    bar->addWidget(ButtonFor(zoomIn, this));
    bar->addWidget(ButtonFor(m_fitWidth, this));
    bar->addWidget(ButtonFor(m_fitPage, this));

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_outline);
    split->addWidget(m_view);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 660});
    split->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    resize(900, 700);
    UpdateFitActions();
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
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowState(windowState() | Qt::WindowMaximized);
    // The first view shows the title page whole; the keys go to the pages at once.
    m_view->SetFit(ManualView::Fit::Page);
    m_view->setFocus(Qt::OtherFocusReason);
    return true;
}

QString HelpWindow::WithoutNumber(const QString& title) {
    const QString t = title.trimmed();
    qsizetype i = 0;
    while (i < t.size() && t.at(i).isDigit())
        ++i;
    // A number is a chapter's when a space (the ideographic one too) follows it.
    if (i == 0 || i == t.size() || !t.at(i).isSpace())
        return t;
    return t.mid(i).trimmed();
}

bool HelpWindow::ShowChapter(const QString& title) {
    const QModelIndex entry = FindEntry(m_bookmarks, QModelIndex(), title);
    if (!entry.isValid())
        return false;
    if (!isVisible())
        m_chapterWhenShown = title; // the place depends on the view's size
    if (entry.parent().isValid())
        m_outline->expand(entry.parent());
    m_outline->setCurrentIndex(entry);
    m_outline->scrollTo(entry);
    ShowOutlineEntry(entry);
    return true;
}

void HelpWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_chapterWhenShown.isEmpty())
        ShowChapter(std::exchange(m_chapterWhenShown, QString()));
}

void HelpWindow::Search(const QString& text) {
    m_searchModel->setSearchString(text);
    QList<ManualView::Mark> marks;
    if (!text.isEmpty())
        // Every page now: the model would otherwise search them later, a few at a time.
        for (int page = 0; page < m_document->pageCount(); ++page)
            for (const QPdfLink& link : m_searchModel->resultsOnPage(page))
                marks.append({page, link.rectangles()});
    int first = marks.isEmpty() ? -1 : 0;
    const int here = m_view->PageOnShow();
    for (int i = 0; i < marks.size(); ++i)
        if (marks[i].page >= here) {
            first = i;
            break;
        }
    m_view->SetMarks(marks, -1);
    ShowMatch(first);
}

void HelpWindow::ShowNextMatch() {
    const int n = int(m_view->marks().size());
    if (n > 0)
        ShowMatch((m_current + 1) % n);
}

void HelpWindow::ShowPreviousMatch() {
    const int n = int(m_view->marks().size());
    if (n > 0)
        ShowMatch((m_current - 1 + n) % n);
}

void HelpWindow::ShowMatch(int index) {
    const QList<ManualView::Mark> marks = m_view->marks();
    m_current = index;
    m_view->SetMarks(marks, index);
    if (index >= 0) {
        m_view->Show(marks[index]);
        m_matches->setText(QStringLiteral("%1 / %2 件").arg(index + 1).arg(marks.size()));
    } else {
        m_matches->setText(m_search->text().isEmpty() ? QString()
                                                      : QStringLiteral("見つかりません"));
    }
}

void HelpWindow::ShowOutlineEntry(const QModelIndex& index) {
    const int page = index.data(int(QPdfBookmarkModel::Role::Page)).toInt();
    const QPointF location = index.data(int(QPdfBookmarkModel::Role::Location)).toPointF();
    m_view->ShowPlace(page, location);
}

void HelpWindow::UpdatePageLabel() {
    const int pages = m_document->pageCount();
    m_pageLabel->setText(
        pages > 0 ? QStringLiteral("%1 / %2 ページ").arg(m_view->PageOnShow() + 1).arg(pages)
                  : QString());
}

void HelpWindow::UpdateFitActions() {
    m_fitWidth->setChecked(m_view->fit() == ManualView::Fit::Width);
    m_fitPage->setChecked(m_view->fit() == ManualView::Fit::Page);
}

void ShowHelp(QWidget* parent, const QString& chapter) {
    HelpWindow dlg(parent);
    dlg.m_manualName = MessageText(Msg::ManualName);
    if (!dlg.Initialize())
        return;
    if (!chapter.isEmpty())
        dlg.ShowChapter(chapter);
    RunModal(dlg);
}

QAction* AddHelpCommand(QWidget* window, const QString& chapter) {
    QAction* help = AddCommandAction(window, "help", "ヘルプ", {QKeySequence::HelpContents});
    QObject::connect(help, &QAction::triggered, window,
                     [window, chapter] { ShowHelp(window, chapter); });
    return help;
}
