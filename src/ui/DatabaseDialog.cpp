#include "ui/DatabaseDialog.h"

#include "core/OperatorPanel.h"
#include "site/ConnectionCheck.h"
#include "site/SiteService.h"
#include "ui/BackgroundWork.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

DatabaseDialog::DatabaseDialog(SiteService& site, OperatorPanel& panel, QWidget* parent)
    : QDialog(parent), site_(site), panel_(panel)
{
    setObjectName(QStringLiteral("DatabaseDialog"));
    setWindowTitle(QStringLiteral("База данных"));
    const DatabaseSettings& s = site.settings();

    Check1 = new QCheckBox(QStringLiteral("Передавать журнал в базу данных площадки (PostgreSQL)"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(s.enabled);
    Text1 = new QLineEdit(s.connection, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setPlaceholderText(QStringLiteral("host=db.local dbname=weighing user=scale1 password=… sslmode=verify-full"));
    Text2 = new QLineEdit(s.terminal, this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setMaxLength(TerminalNameMaxLength);
    Command2 = new QPushButton(QStringLiteral("Проверить соединение"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Command1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);

    auto* form = new QFormLayout;
    form->addRow(Check1);
    form->addRow(QStringLiteral("Строка соединения:"), Text1);
    form->addRow(QStringLiteral("Имя терминала:"), Text2);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(Command2);
    checkRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(cancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(checkRow);
    all->addWidget(Label1);
    all->addLayout(buttons);
    Text1->setMinimumWidth(Text1->fontMetrics().horizontalAdvance(QString(72, u'0')));

    connect(Command2, &QPushButton::clicked, this, &DatabaseDialog::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &DatabaseDialog::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DatabaseDialog::Command2_Click()
{
    if (checking_)
        return;
    checking_ = true;
    Command2->setEnabled(false);
    Label1->setText(QStringLiteral("Проверка соединения…"));
    auto result = std::make_shared<QString>();
    const QString connection = Text1->text().trimmed();
    RunInBackground(
        this, [result, connection] { *result = CheckDatabaseConnection(connection); },
        [this, result] {
            Label1->setText(*result);
            Command2->setEnabled(true);
            checking_ = false;
        });
}

void DatabaseDialog::Command1_Click()
{
    DatabaseSettings s;
    s.enabled = Check1->isChecked();
    s.connection = Text1->text().trimmed();
    s.terminal = Text2->text().trimmed();
    if (const QString problem = TerminalNameProblem(s.terminal); !problem.isEmpty()) {
        panel_.message(QStringLiteral("Настройки не сохранены: %1.").arg(problem));
        Text2->setFocus();
        return;
    }
    if (s.enabled && s.connection.isEmpty()) {
        panel_.message(QStringLiteral("Настройки не сохранены: строка соединения пуста."));
        Text1->setFocus();
        return;
    }
    const QString saved = SaveDatabaseSettings(site_.dataDir(), s);
    if (!saved.isEmpty()) {
        panel_.message(saved);
        return;
    }
    const QString started = site_.apply(s);
    if (!started.isEmpty())
        panel_.message(started);
    accept();
}
