#include "dialogs/AboutDialog.h"

#include "base/Version.h"
#include "dialogs/HelpWindow.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QIcon ProgramIcon() {
    const QString path = QStringLiteral(":/art/icon.svg");
    if (QFile::exists(path))
        return QIcon(path);
    if (!QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
}
} // namespace

QString AboutDialog::HistoryText() {
    return VersionHistory().join(QLatin1Char('\n'));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("バージョン情報とヘルプ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("ルセリオ\n（透過スライドショー）"), this);
    name->setAlignment(Qt::AlignCenter);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    name->setFont(big);

    // The system this copy runs on: the history below also names the systems of
    // earlier versions.
    m_platform = new QLabel(QStringLiteral("%1 版").arg(BuildPlatform()), this);
    m_platform->setAlignment(Qt::AlignCenter);

    auto* caption = new QLabel(QStringLiteral("バージョン情報"), this);

    m_history = new QPlainTextEdit(this);
    m_history->setReadOnly(true);
    m_history->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_history->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_history->setPlainText(HistoryText());
    m_history->setFixedHeight(m_history->fontMetrics().lineSpacing() * 4 + 12);

    m_ok = new QPushButton(QStringLiteral("確認 (&Y)"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* head = new QHBoxLayout;
    head->addWidget(icon, 0, Qt::AlignTop);
    head->addWidget(name, 1);
    head->addSpacing(48);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(16, 16, 16, 14);
    main->setSpacing(8);
    main->addLayout(head);
    main->addWidget(m_platform);
    main->addSpacing(6);
    main->addWidget(caption);
    main->addWidget(m_history);
    main->addLayout(buttons);
    setMinimumWidth(400);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
