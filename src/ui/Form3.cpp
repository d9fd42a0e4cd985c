#include "ui/Form3.h"

#include "ui/Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>


namespace {

}  // namespace

Form3::Form3(Terminal& terminal, QWidget* parent)
    : SettingsDialog(parent, "Form3", QStringLiteral("Настройка весов")), terminal_(terminal)
{

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(TwipsRect(240, 240, 825, 315));

    Label1 = new QLabel(QStringLiteral("минимальный фиксируемый вес, грамм"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(TwipsRect(1140, 300, 3375, 285));

    Command1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(TwipsRect(1440, 2640, 1395, 375));

    Check1 = new QCheckBox(QStringLiteral("Автоматическое взвешивание"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(TwipsRect(300, 750, 4215, 315));

    Frame1 = new QGroupBox(QStringLiteral("Тип весов"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(TwipsRect(270, 1290, 4245, 1245));

    Option1 = new QRadioButton(QStringLiteral("Вельтарские весы"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(TwipsRect(150, 270, 3105, 255));

    Option2 = new QRadioButton(QStringLiteral("AED 9101B"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(TwipsRect(150, 570, 3525, 345));

    QWidget* order[] = {Text1, Label1, Command1, Check1, Frame1, Option1, Option2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    setTexts(ScaleDialogInitialTexts());

    connect(Option1, &QRadioButton::clicked, this, &Form3::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form3::Option2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
}

void Form3::preset()
{
    const TerminalState& s = terminal_.state;
    Check1->setChecked(s.AutoWeighOn == 1);
    // Selecting a button from the program runs its click handler, as a click
    // by the operator would.
    if (s.ScaleKind == ScaleKindVeltar) {
        Option1->setChecked(true);
        Option1_Click();
    } else if (s.ScaleKind == ScaleKindAed) {
        Option2->setChecked(true);
        Option2_Click();
    }
}

ScaleDialogTexts Form3::texts() const
{
    return {Text1->text(), Check1->isChecked(), Option1->isChecked(), Option2->isChecked()};
}

void Form3::setTexts(const ScaleDialogTexts& texts)
{
    Text1->setText(texts.Text1);
    Check1->setChecked(texts.Check1);
    // The two buttons are one exclusive group: checking one clears the other.
    if (texts.Option1)
        Option1->setChecked(true);
    else if (texts.Option2)
        Option2->setChecked(true);
}

void Form3::Form_Activate()
{
    ScaleDialogTexts shown = texts();
    Form3_Activate(terminal_.state, shown);
    setTexts(shown);
}

void Form3::Command1_Click()
{
    if (Form3_Command1_Click(terminal_, texts()))
        close();
}

void Form3::Option1_Click()
{
    terminal_.state.ScaleKind = ScaleKindVeltar;
}

void Form3::Option2_Click()
{
    terminal_.state.ScaleKind = ScaleKindAed;
}
