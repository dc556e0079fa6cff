#include "dialogs/SettingsDialog.h"

#include "dialogs/ButtonArt.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/NumberSpin.h"
#include "editor/DialogMath.h"
#include "image/KeyedPicture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QLabel* SectionLabel(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QWidget* Indented(QLayout* inner, QWidget* parent) {
    auto* w = new QWidget(parent);
    inner->setContentsMargins(24, 0, 0, 0);
    w->setLayout(inner);
    return w;
}
} // namespace

SettingsDialog::SettingsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("システムの環境設定"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("システムの環境設定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // 1: open the last document at start-up; the text stands left of the box.
    m_firstOpenBox = new QCheckBox(QStringLiteral("1 起動時に前回のファイルを開く(&L)"), this);
    m_firstOpenBox->setLayoutDirection(Qt::RightToLeft);
    QFont bold = m_firstOpenBox->font();
    bold.setBold(true);
    m_firstOpenBox->setFont(bold);

    // 2: the main window's title.
    const char* titles[3] = {"なし", "ドキュメントのフルパス", "ドキュメント名"};
    auto* titleRow = new QHBoxLayout;
    auto* titleGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_titleRadios[i] = new QRadioButton(QString::fromUtf8(titles[i]), this);
        titleGroup->addButton(m_titleRadios[i]);
        titleRow->addWidget(m_titleRadios[i]);
    }
    titleRow->addStretch(1);

    // 3: the switch time of new slides.
    auto* cngRow = new QHBoxLayout;
    auto* cngGroup = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        m_secondsRadios[i] = new QRadioButton(QString::asprintf("%d秒", kSecondsChoices[i]), this);
        cngGroup->addButton(m_secondsRadios[i]);
        cngRow->addWidget(m_secondsRadios[i]);
    }
    cngRow->addStretch(1);

    // 4: what happens to large images when slides are added.
    auto* sizeGroup = new QButtonGroup(this);
    m_limitRadios[0] = new QRadioButton(QStringLiteral("そのままの大きさで追加する"), this);
    m_limitRadios[1] = new QRadioButton(QStringLiteral("右の大きさを超えるときは調整する"), this);
    sizeGroup->addButton(m_limitRadios[0]);
    sizeGroup->addButton(m_limitRadios[1]);
    m_widthEdit = new NumberSpin(this);
    m_heightEdit = new NumberSpin(this);
    for (NumberSpin* s : {m_widthEdit, m_heightEdit}) {
        s->setMinimumWidth(s->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 40);
        s->setRange(100, 1000);
    }
    auto* limits = new QGridLayout;
    limits->setHorizontalSpacing(6);
    limits->addWidget(new QLabel(QStringLiteral("幅："), this), 0, 0, Qt::AlignRight);
    limits->addWidget(m_widthEdit, 0, 1);
    limits->addWidget(new QLabel(QStringLiteral("(100～1,000px)"), this), 0, 2);
    limits->addWidget(new QLabel(QStringLiteral("高さ："), this), 1, 0, Qt::AlignRight);
    limits->addWidget(m_heightEdit, 1, 1);
    limits->addWidget(new QLabel(QStringLiteral("(100～1,000px)"), this), 1, 2);
    auto* sizeRadios = new QVBoxLayout;
    sizeRadios->addWidget(m_limitRadios[0]);
    sizeRadios->addWidget(m_limitRadios[1]);
    sizeRadios->addStretch(1);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addLayout(sizeRadios);
    sizeRow->addSpacing(16);
    sizeRow->addLayout(limits);
    sizeRow->addStretch(1);

    // 5: how near a JPEG picture's pixels must lie to a transparent colour given to it.
    m_tolerance = new QSpinBox(this);
    m_tolerance->setRange(0, kMaxKeyTolerance);
    m_tolerance->setToolTip(
        QStringLiteral("JPEG の画像は色が少しずつずれるため、透過色に近い色もまとめて透過します\n"
                       "スライドごとの値はスライドのプロパティで変えられます"));
    auto* toleranceLabel = new QLabel(QStringLiteral("許容差(&T)："), this);
    toleranceLabel->setBuddy(m_tolerance);
    auto* toleranceRow = new QHBoxLayout;
    toleranceRow->addWidget(toleranceLabel);
    toleranceRow->addWidget(m_tolerance);
    toleranceRow->addWidget(new QLabel(
        QStringLiteral("(0～%1。透過色との差がこの値以下の色も透過します)").arg(kMaxKeyTolerance),
        this));
    toleranceRow->addStretch(1);

    m_save = new QPushButton(QStringLiteral("保存して終了(&S)"), this);
    SetButtonArt(m_save, QStringLiteral("IDB_FD32"));
    m_save->setDefault(true);
    m_close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    SetButtonArt(m_close, QStringLiteral("IDB_END32"));
    m_close->setAutoDefault(false);
    connect(m_save, &QPushButton::clicked, this, &SettingsDialog::accept);
    connect(m_close, &QPushButton::clicked, this, &SettingsDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(18, 16, 18, 16);
    main->setSpacing(8);
    main->addWidget(m_firstOpenBox, 0, Qt::AlignAbsolute | Qt::AlignLeft);
    main->addSpacing(6);
    main->addWidget(SectionLabel(QStringLiteral("2 タイトル"), this));
    main->addWidget(Indented(titleRow, this));
    main->addSpacing(6);
    main->addWidget(SectionLabel(QStringLiteral("3 新規作成スライドの自動切替え時間"), this));
    main->addWidget(Indented(cngRow, this));
    main->addSpacing(6);
    main->addWidget(SectionLabel(QStringLiteral("4 スライド追加時の処理"), this));
    main->addWidget(Indented(sizeRow, this));
    main->addSpacing(6);
    main->addWidget(SectionLabel(QStringLiteral("5 JPEG 画像に透過色を指定するとき"), this));
    main->addWidget(Indented(toleranceRow, this));
    main->addSpacing(10);
    main->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void SettingsDialog::Initialize() {
    m_initDone = true;
    m_firstOpenBox->setChecked(m_openLast == 1);
    int cng = 4; // any other value: 20 seconds
    for (int i = 0; i < 5; ++i)
        if (m_newSlideSeconds == kSecondsChoices[i])
            cng = i;
    m_secondsRadios[cng]->setChecked(true);
    m_titleRadios[(m_titleMode == 0 || m_titleMode == 1) ? m_titleMode : 2]->setChecked(true);
    m_limitRadios[m_limitSize == 0 ? 0 : 1]->setChecked(true);
    m_widthEdit->setPosition(m_limitWidth);
    m_heightEdit->setPosition(m_limitHeight);
    m_tolerance->setValue(m_keyTolerance);
}

void SettingsDialog::showEvent(QShowEvent* e) {
    if (!m_initDone)
        Initialize();
    QDialog::showEvent(e);
}

void SettingsDialog::accept() {
    m_openLast = m_firstOpenBox->isChecked() ? 1 : 0;
    for (int i = 0; i < 5; ++i)
        if (m_secondsRadios[i]->isChecked()) {
            m_newSlideSeconds = kSecondsChoices[i];
            break;
        }
    for (int i = 0; i < 3; ++i)
        if (m_titleRadios[i]->isChecked()) {
            m_titleMode = i;
            break;
        }
    m_limitSize = m_limitRadios[1]->isChecked() ? 1 : 0;
    m_limitWidth = SizeLimitFromText(m_widthEdit->text());
    m_limitHeight = SizeLimitFromText(m_heightEdit->text());
    m_keyTolerance = m_tolerance->value();
    QDialog::accept();
}
