#include "packaging/ui/ExportDialog.h"

#include "base/Prompts.h"
#include "base/Settings.h"
#include "dialogs/HelpWindow.h"
#include "document/Document.h"
#include "packaging/Executable.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("透過スライドショー実行ファイル作成"));
    // F1: the manual at the chapter of this dialog.
    AddHelpCommand(this, QStringLiteral("実行ファイルの作成"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("保存するファイルを指定してください。"), this), 0, 0,
                    1, 2);
    m_edit = new QLineEdit(this);
    m_edit->setMinimumWidth(360);
    m_browse = new QPushButton(QStringLiteral("参照(&R)"), this);
    grid->addWidget(m_edit, 1, 0);
    grid->addWidget(m_browse, 1, 1);
    // Where the slideshow will run: this system, or Windows (copied to another machine).
    auto* targetRow = new QHBoxLayout;
    auto* targetLabel = new QLabel(QStringLiteral("実行する環境(&T):"), this);
    m_target = new QComboBox(this);
    m_target->addItem(QStringLiteral("このシステム"), int(RuntimeTarget::Native));
    m_target->addItem(QStringLiteral("Windows"), int(RuntimeTarget::Windows));
    m_target->setCurrentIndex(0);
    targetLabel->setBuddy(m_target);
    targetRow->addWidget(targetLabel);
    targetRow->addWidget(m_target);
    targetRow->addStretch();
    grid->addLayout(targetRow, 2, 0, 1, 2);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    grid->addWidget(m_progress, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(QStringLiteral("作成実行(&S)"), this);
    m_cancel = new QPushButton(QStringLiteral("中止(&C)"), this);
    m_ok->setDefault(true);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 4, 0, 1, 2);

    m_targetPath = ReadSettingString(Setting::LastExport, QString());
    m_edit->setText(m_targetPath);
    connect(m_browse, &QPushButton::clicked, this, &ExportDialog::OnBrowse);
    connect(m_ok, &QPushButton::clicked, this, &ExportDialog::OnCreate);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

RuntimeTarget ExportDialog::SelectedTarget() const {
    return RuntimeTarget(m_target->currentData().toInt());
}

void ExportDialog::OnBrowse() {
    FileDialogSpec dialog;
    dialog.title = QStringLiteral("保存するファイルを指定");
    // Programs are known by their ".exe" on Windows; elsewhere they have no suffix.
    dialog.filter = NeedsExeSuffix(SelectedTarget())
                        ? QStringLiteral("実行ファイル(*.exe)|*.exe|すべてのファイル(*.*)|*.*||")
                        : QStringLiteral("すべてのファイル(*)|*||");
    const QString text = m_edit->text();
    QString name = ProposeExecutableName(text, CurrentDocument().filePath, SelectedTarget());
    // Start in the folder the edit box names, when it names one.
    const QFileInfo info(text);
    if (!text.isEmpty() && info.isDir())
        name = QFileInfo(text + QLatin1Char('/') + name).absoluteFilePath();
    else if (!text.isEmpty() && info.dir().exists() && text.contains(QLatin1Char('/')))
        name = info.dir().absoluteFilePath(name);
    dialog.fileName = name;
    const QString chosen = prompts().saveFileName(dialog);
    if (!chosen.isEmpty())
        m_edit->setText(chosen);
}

void ExportDialog::OnCreate() {
    m_targetPath = m_edit->text();
    const RuntimeTarget target = SelectedTarget();
    if (const std::optional<Msg> problem = CheckExecutableTarget(m_targetPath, target)) {
        ShowMessage(*problem, QString(), this);
        return;
    }
    WriteSettingString(Setting::LastExport, m_targetPath);
    if (QFileInfo::exists(m_targetPath) &&
        ShowMessage(Msg::ReplaceFileQuestion, QString(), this, MsgKind::YesNo) != Answer::Yes)
        return;
    if (!CreateExecutable(
            m_targetPath, [this](int v) { m_progress->setValue(v); }, target))
        return;
    if (ShowMessage(Msg::ExportDoneShowFolderQuestion, QString(), this, MsgKind::YesNo) ==
        Answer::Yes)
        OpenFolderInExplorer(m_targetPath);
    accept();
}
