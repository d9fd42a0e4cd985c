#include "ui/LinkDialog.h"

#include "core/OperatorPanel.h"
#include "link/LinkService.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LinkDialog::LinkDialog(LinkService& link, OperatorPanel& panel, QWidget* parent)
    : QDialog(parent), link_(link), panel_(panel)
{
    setObjectName(QStringLiteral("LinkDialog"));
    setWindowTitle(QStringLiteral("Обмен данными"));
    const LinkSettings& s = link.settings();

    Check1 = new QCheckBox(QStringLiteral("Включить обмен данными (HTTP)"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(s.enabled);
    Text1 = new QLineEdit(QString::number(s.port), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Check2 = new QCheckBox(QStringLiteral("Доступ из сети (только с ключом)"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setChecked(s.network);
    Text2 = new QLineEdit(s.key, this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);  // selectable, to copy into the other program
    Command2 = new QPushButton(QStringLiteral("Новый ключ"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Text3 = new QLineEdit(s.origins.join(QStringLiteral(", ")), this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setPlaceholderText(QStringLiteral("http://kassa.local:8080, https://sklad.example"));
    Command1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);

    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(Text2, 1);
    keyRow->addWidget(Command2);
    auto* form = new QFormLayout;
    form->addRow(Check1);
    form->addRow(QStringLiteral("Порт (1024–65535):"), Text1);
    form->addRow(Check2);
    form->addRow(QStringLiteral("Ключ доступа:"), keyRow);
    form->addRow(QStringLiteral("Разрешённые веб-источники:"), Text3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(cancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(buttons);
    Text2->setMinimumWidth(Text2->fontMetrics().horizontalAdvance(QString(34, u'0')));

    connect(Check2, &QCheckBox::clicked, this, &LinkDialog::Check2_Click);
    connect(Command2, &QPushButton::clicked, this, &LinkDialog::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &LinkDialog::Command1_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void LinkDialog::Check2_Click()
{
    // The first time the network is opened the key is made, so there is
    // never a moment the service listens beyond this machine without one.
    if (Check2->isChecked() && Text2->text().isEmpty())
        Text2->setText(NewLinkKey());
}

void LinkDialog::Command2_Click()
{
    Text2->setText(NewLinkKey());
}

void LinkDialog::Command1_Click()
{
    bool ok = false;
    const int port = Text1->text().trimmed().toInt(&ok);
    if (!ok || port < LinkPortMin || port > LinkPortMax) {
        panel_.message(QStringLiteral("Номер порта должен быть целым числом от 1024 до 65535."));
        Text1->setFocus();
        return;
    }
    LinkSettings s;
    s.enabled = Check1->isChecked();
    s.port = port;
    s.network = Check2->isChecked();
    if (s.network && Text2->text().isEmpty())
        Text2->setText(NewLinkKey());
    s.key = Text2->text();
    for (const QString& part : Text3->text().split(u',', Qt::SkipEmptyParts)) {
        const QString origin = part.trimmed();
        if (origin.isEmpty())
            continue;
        if (!IsWebOrigin(origin)) {
            panel_.message(QStringLiteral("«%1» — не веб-источник. Пишите так: http://имя[:порт] или https://имя[:порт], "
                                          "через запятую.")
                               .arg(origin));
            Text3->setFocus();
            return;
        }
        s.origins << origin;
    }
    const QString saved = SaveLinkSettings(link_.dataDir(), s);
    if (!saved.isEmpty()) {
        panel_.message(saved);
        return;
    }
    const QString started = link_.apply(s);
    if (!started.isEmpty())
        panel_.message(started);
    accept();
}
