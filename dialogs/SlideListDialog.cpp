#include "dialogs/SlideListDialog.h"

#include "base/Prompts.h"
#include "dialogs/CommandAction.h"
#include "dialogs/HelpWindow.h"
#include "document/Document.h"
#include "document/Picture.h"
#include "document/SlideTable.h"
#include "editor/DialogMath.h"
#include "editor/Text.h"
#include "editor/ui/EditorWindow.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QResizeEvent>
#include <QTableWidget>

namespace {
struct Column {
    const char* heading;
    int width;
    Qt::Alignment align;
};
const Column kColumns[] = {
    {"No", 45, Qt::AlignCenter},
    {"大きさ", 140, Qt::AlignCenter},
    {"サイズ", 80, Qt::AlignRight | Qt::AlignVCenter},
    {"透過色", 140, Qt::AlignCenter},
    {"切替え時間", 100, Qt::AlignCenter},
    {"延べ時間", 100, Qt::AlignCenter},
};
constexpr int kColumnCount = int(std::size(kColumns));
} // namespace

SlideListDialog::SlideListDialog(EditorWindow* parent) : QDialog(parent), m_editor(parent) {
    setWindowTitle(QStringLiteral("プロパティ"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("スライドの一覧"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(false);
    setMinimumSize(300, 300);

    m_list = new QTableWidget(this);
    m_list->setColumnCount(kColumnCount);
    QStringList headings;
    for (const Column& c : kColumns)
        headings << QString::fromUtf8(c.heading);
    m_list->setHorizontalHeaderLabels(headings);
    for (int i = 0; i < kColumnCount; ++i) {
        m_list->setColumnWidth(i, kColumns[i].width);
        m_list->horizontalHeaderItem(i)->setTextAlignment(kColumns[i].align);
    }
    // The first column also holds the check box.
    m_list->setColumnWidth(0, kColumns[0].width + 22);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 8);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible when the list loses the focus.
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_list->setPalette(pal);

    connect(m_list, &QTableWidget::customContextMenuRequested, this,
            &SlideListDialog::OnContextMenu);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int, int) { OnSelectSlide(); });

    // The commands. Ctrl+A selects every row, Delete deletes the checked slides; the menu
    // shows the keys in its texts.
    m_selectSlide = AddCommandAction(this, "selectSlide", "このスライドを選択(&S)\tWClick");
    connect(m_selectSlide, &QAction::triggered, this, [this] { SelectSlideOfRow(m_menuRow); });
    m_check = AddCommandAction(this, "check", "選択行にチェックする(&C)");
    connect(m_check, &QAction::triggered, this, &SlideListDialog::OnCheck);
    m_uncheck = AddCommandAction(this, "uncheck", "選択行のチェックを外す(&U)");
    connect(m_uncheck, &QAction::triggered, this, &SlideListDialog::OnUncheck);
    m_selectAll = AddCommandAction(this, "selectAll", "すべて選択(&A)\tCtrl+A",
                                   {QKeySequence(Qt::CTRL | Qt::Key_A)});
    connect(m_selectAll, &QAction::triggered, this, &SlideListDialog::OnSelectAll);
    m_deleteChecked =
        AddCommandAction(this, "deleteChecked", "チェックされているスライドを削除(&D)\tDelete",
                         {QKeySequence(Qt::Key_Delete)});
    connect(m_deleteChecked, &QAction::triggered, this, &SlideListDialog::OnDeleteChecked);

    int width = 0;
    for (int i = 0; i < kColumnCount; ++i)
        width += m_list->columnWidth(i);
    m_initialSize = QSize(width + 5 + m_list->frameWidth() * 2 + 24, 460);
    resize(m_initialSize);
    FillList();
}

void SlideListDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    m_list->setGeometry(0, 0, std::max(0, e->size().width() - 5),
                        std::max(0, e->size().height() - 5));
}

void SlideListDialog::FillList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Document& doc = CurrentDocument();
    m_list->clearContents();
    m_list->setRowCount(0);
    const int count = std::clamp(doc.slideCount, 0, kMaxSlides);
    m_list->setRowCount(count);
    long long total = 0;
    for (int i = 0; i < count; ++i) {
        const SlideRecord& s = doc.slides[i];
        const QSize size = GetPictureSize(s.picture);
        // What saving writes for the slide, measured without encoding anything.
        const qint64 stored = s.picture ? s.picture->savedSize() : s.undecodedImage.size();
        total += s.switchTime;
        const QString texts[kColumnCount] = {
            QString::asprintf("%d", i + 1),
            QString::asprintf("%d × %d", size.width(), size.height()),
            DataSizeText(stored),
            ListColorText(s.keyColor),
            FormatSwitchTime(s.switchTime),
            FormatSwitchTime(int(total)),
        };
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(kColumns[c].align);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (c == 0) {
                flags |= Qt::ItemIsUserCheckable;
                item->setCheckState(Qt::Unchecked);
            }
            item->setFlags(flags);
            m_list->setItem(i, c, item);
        }
    }
    QApplication::restoreOverrideCursor();
}

std::set<int> SlideListDialog::CheckedRows() const {
    std::set<int> rows;
    for (int r = 0; r < m_list->rowCount(); ++r)
        if (m_list->item(r, 0) && m_list->item(r, 0)->checkState() == Qt::Checked)
            rows.insert(r);
    return rows;
}

int SlideListDialog::FirstSelectedRow() const {
    for (int r = 0; r < m_list->rowCount(); ++r)
        if (m_list->item(r, 0) && m_list->item(r, 0)->isSelected())
            return r;
    return -1;
}

void SlideListDialog::SelectSlideOfRow(int row) {
    if (row < 0 || !m_editor)
        return;
    m_editor->m_selectedCell = row % kSlidesPerPage;
    if (row / kSlidesPerPage != m_editor->m_page) {
        m_editor->m_page = row / kSlidesPerPage;
        m_editor->m_rebuildCells = true;
    }
    m_editor->update();
}

void SlideListDialog::OnSelectSlide() {
    SelectSlideOfRow(FirstSelectedRow());
}

void SlideListDialog::SetCheckOfSelected(bool checked) {
    for (int r = 0; r < m_list->rowCount(); ++r) {
        QTableWidgetItem* item = m_list->item(r, 0);
        if (item && item->isSelected())
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void SlideListDialog::OnCheck() {
    SetCheckOfSelected(true);
}

void SlideListDialog::OnUncheck() {
    SetCheckOfSelected(false);
}

void SlideListDialog::OnSelectAll() {
    m_list->selectAll();
}

void SlideListDialog::OnDeleteChecked() {
    const std::set<int> rows = CheckedRows();
    if (rows.empty()) {
        ShowMessage(Msg::NothingChecked, QString(), this, MsgKind::Info);
        return;
    }
    if (ShowMessage(Msg::DeleteCheckedQuestion, QString(), this, MsgKind::YesNo) != Answer::Yes)
        return;
    if (m_editor)
        DeleteSlides(*m_editor, rows);
    FillList();
}

std::unique_ptr<QMenu> SlideListDialog::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    // The menu acts on the row that was first selected when it opened.
    m_menuRow = FirstSelectedRow();
    menu->addAction(m_selectSlide);
    menu->addSeparator();
    menu->addAction(m_check);
    menu->addAction(m_uncheck);
    menu->addSeparator();
    menu->addAction(m_selectAll);
    menu->addSeparator();
    menu->addAction(m_deleteChecked);
    m_deleteChecked->setEnabled(!CheckedRows().empty());
    // The state belongs to the menu: the Delete key always answers, with a message when
    // nothing is checked.
    QAction* deleteChecked = m_deleteChecked;
    connect(menu.get(), &QObject::destroyed, deleteChecked,
            [deleteChecked] { deleteChecked->setEnabled(true); });
    return menu;
}

void SlideListDialog::OnContextMenu(const QPoint& pos) {
    if (FirstSelectedRow() < 0)
        return;
    const std::unique_ptr<QMenu> menu = BuildContextMenu();
    const QPoint global = m_list->viewport()->mapToGlobal(pos);
    menu->exec(QPoint(global.x() - menu->sizeHint().width() / 2, global.y()));
    m_menuRow = -1;
}
