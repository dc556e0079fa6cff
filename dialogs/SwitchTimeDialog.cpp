#include "dialogs/SwitchTimeDialog.h"

#include "base/Prompts.h"
#include "dialogs/ButtonArt.h"
#include "dialogs/HelpWindow.h"
#include "editor/DialogMath.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

SwitchTimeDialog::SwitchTimeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("自動切替え時間セット"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("時間セットで一覧表から変える"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(10);
    for (int k = 0; k < kSlidesPerPage; ++k) {
        auto* label = new QLabel(QStringLiteral("1"), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("100")) + 4);
        auto* picker = new QTimeEdit(this);
        picker->setDisplayFormat(QStringLiteral("H:mm:ss"));
        picker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        picker->setMinimumWidth(
            picker->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 48);
        connect(picker, &QTimeEdit::timeChanged, this, [this, k](QTime) { OnTimeChanged(k); });
        if (auto* edit = picker->findChild<QLineEdit*>())
            edit->installEventFilter(this);
        // A short last page keeps the grid's shape: hidden pickers keep their place.
        QSizePolicy keep = picker->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        picker->setSizePolicy(keep);
        m_labels[k] = label;
        m_pickers[k] = picker;
        const int row = k / 5;
        const int col = k % 5;
        grid->addWidget(label, row, col * 2);
        grid->addWidget(picker, row, col * 2 + 1);
        if (col > 0)
            grid->setColumnMinimumWidth(col * 2, 40);
    }

    m_pageLabel = new QLabel(QStringLiteral("(1/999)"), this);
    m_pageLabel->setAlignment(Qt::AlignCenter);
    m_totalLabel = new QLabel(QStringLiteral("Total-23:59:59"), this);
    m_totalLabel->setAlignment(Qt::AlignCenter);
    QFont bold = m_totalLabel->font();
    bold.setBold(true);
    m_totalLabel->setFont(bold);
    m_totalLabel->setMinimumWidth(
        m_totalLabel->fontMetrics().horizontalAdvance(QStringLiteral("Total-1800:00:00")) + 16);

    m_allSame = new QPushButton(QStringLiteral("すべて 1 と同じ時間にする(&A)"), this);
    m_prev = new QPushButton(QStringLiteral("前頁(&P)"), this);
    SetButtonArt(m_prev, QStringLiteral("IDB_PREV32"));
    m_next = new QPushButton(QStringLiteral("次頁(&N)"), this);
    SetButtonArt(m_next, QStringLiteral("IDB_NEXT32"));
    m_next->setLayoutDirection(Qt::RightToLeft); // the image to the right of the text
    m_save = new QPushButton(QStringLiteral("保存して終了(&S)"), this);
    SetButtonArt(m_save, QStringLiteral("IDB_FD32"));
    m_save->setDefault(true);
    m_save->setAutoDefault(true);
    m_cancel = new QPushButton(QStringLiteral("中止(&C)"), this);
    SetButtonArt(m_cancel, QStringLiteral("IDB_END32"));
    m_cancel->setAutoDefault(false);
    for (QPushButton* b : {m_allSame, m_prev, m_next})
        b->setAutoDefault(false);

    connect(m_next, &QPushButton::clicked, this, &SwitchTimeDialog::OnNextPage);
    connect(m_prev, &QPushButton::clicked, this, &SwitchTimeDialog::OnPrevPage);
    connect(m_allSame, &QPushButton::clicked, this, &SwitchTimeDialog::OnAllSame);
    connect(m_save, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Page row: previous page, the indicator, next page; both paging buttons keep
    // their place when hidden so that the indicator does not jump.
    auto* pageRow = new QHBoxLayout;
    for (QPushButton* b : {m_prev, m_next}) {
        QSizePolicy sp = b->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        b->setSizePolicy(sp);
    }
    pageRow->addWidget(m_prev);
    pageRow->addStretch(1);
    pageRow->addWidget(m_pageLabel);
    pageRow->addStretch(1);
    pageRow->addWidget(m_next);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_allSame);
    bottom->addSpacing(12);
    bottom->addWidget(m_totalLabel, 1);
    bottom->addSpacing(12);
    bottom->addWidget(m_save);
    bottom->addWidget(m_cancel);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(16, 14, 16, 14);
    top->setSpacing(12);
    top->addLayout(pageRow);
    top->addLayout(grid);
    top->addSpacing(4);
    top->addLayout(bottom);
    setSizeGripEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void SwitchTimeDialog::Initialize() {
    m_initDone = true;
    SetPagingButtons();
    FillPage();
}

void SwitchTimeDialog::showEvent(QShowEvent* e) {
    if (!m_initDone)
        Initialize();
    QDialog::showEvent(e);
}

bool SwitchTimeDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        auto* picker = edit ? qobject_cast<QTimeEdit*>(edit->parentWidget()) : nullptr;
        // A drag that selected characters keeps its selection.
        if (picker && !edit->hasSelectedText())
            picker->setSelectedSection(picker->currentSection());
    }
    return QDialog::eventFilter(watched, e);
}

void SwitchTimeDialog::SetPagingButtons() {
    m_next->setVisible(m_page < m_pageCount - 1);
    m_prev->setVisible(m_page > 0);
}

void SwitchTimeDialog::FillPage() {
    m_filling = true;
    m_pageLabel->setText(QString::asprintf("(%d/%d)", m_page + 1, m_pageCount));
    m_totalLabel->setText(TotalTimeText(m_times.data(), std::min(m_slideCount, kMaxSlides)));
    const int onPage = (m_page >= 0 && m_page < kMaxPages) ? m_pageSlides[m_page] : 0;
    for (int k = 0; k < kSlidesPerPage; ++k) {
        const int n = m_page * kSlidesPerPage + k;
        if (k < onPage && n < kMaxSlides) {
            m_labels[k]->setText(QString::asprintf("%d", n + 1));
            // A stored time beyond one day cannot be shown as a time of day; such a
            // time (from a damaged document) is shown at its largest valid value.
            const int t = std::clamp(m_times[n], 0, 86399);
            m_pickers[k]->setTime(QTime(t / 3600, (t % 3600) / 60, t % 60));
            m_pickers[k]->show();
        } else {
            m_labels[k]->clear();
            m_pickers[k]->hide();
        }
    }
    m_filling = false;
}

void SwitchTimeDialog::OnTimeChanged(int k) {
    if (m_filling)
        return;
    const int n = m_page * kSlidesPerPage + k;
    if (n < 0 || n >= kMaxSlides)
        return;
    const QTime t = m_pickers[k]->time();
    m_times[n] = ClampSwitchTime(t.hour() * 3600LL + t.minute() * 60 + t.second());
    FillPage();
}

void SwitchTimeDialog::OnNextPage() {
    if (m_page >= m_pageCount - 1)
        return;
    ++m_page;
    SetPagingButtons();
    FillPage();
}

void SwitchTimeDialog::OnPrevPage() {
    if (m_page <= 0)
        return;
    --m_page;
    SetPagingButtons();
    FillPage();
}

void SwitchTimeDialog::OnAllSame() {
    if (ShowMessage(Msg::SameTimeForAllQuestion, QString(), this, MsgKind::YesNo) != Answer::Yes)
        return;
    for (int i = 1; i < std::min(m_slideCount, kMaxSlides); ++i)
        m_times[i] = m_times[0];
    FillPage();
}
