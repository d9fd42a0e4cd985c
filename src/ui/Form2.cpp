#include "ui/Form2.h"

#include "ui/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>


namespace {

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& entries, QRect geometry)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->addItems(entries);
    // The lists are fixed: Enter must not add the typed text to them.
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Completing "1" to "1200" behind the operator's back would save a text
    // the operator never typed.
    combo->setCompleter(nullptr);
    combo->setGeometry(geometry);
    return combo;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

Form2::Form2(Terminal& terminal, QWidget* parent)
    : SettingsDialog(parent, "Form2", QStringLiteral("Настройка СОМ-порта компьютера")), terminal_(terminal)
{

    Combo1 = MakeCombo(this, "Combo1",
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                        QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")},
                       TwipsRect(270, 270, 1005, 315));
    Label1 = MakeLabel(this, "Label1", QStringLiteral("СОМ-порт компьютера"), TwipsRect(1320, 330, 2625, 285));
    Combo2 = MakeCombo(this, "Combo2",
                       {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                        QStringLiteral("19200"), QStringLiteral("38400")},
                       TwipsRect(270, 810, 1005, 315));
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Скорость обмена "), TwipsRect(1290, 870, 2535, 285));
    Combo3 = MakeCombo(this, "Combo3",
                       {QStringLiteral("n"), QStringLiteral("e"), QStringLiteral("o"), QStringLiteral("s"),
                        QStringLiteral("m")},
                       TwipsRect(270, 1350, 1005, 315));
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Проверка на четность"), TwipsRect(1320, 1380, 2625, 285));
    Combo4 = MakeCombo(this, "Combo4",
                       {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")},
                       TwipsRect(270, 1800, 1005, 315));
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Количество бит в символе"), TwipsRect(1320, 1860, 2535, 285));
    Combo5 = MakeCombo(this, "Combo5", {QStringLiteral("1"), QStringLiteral("2")}, TwipsRect(270, 2340, 1005, 315));
    Label5 = MakeLabel(this, "Label5", QStringLiteral("Количество стоповых битов"), TwipsRect(1290, 2370, 2535, 285));
    Command1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(TwipsRect(1560, 2850, 1095, 285));

    QWidget* order[] = {Combo1, Label1, Combo2, Label2, Combo3, Label3, Combo4, Label4, Combo5, Label5, Command1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    setTexts(PortDialogInitialTexts());
    // Form_Load: the stored texts before the operator sees the dialog.
    setTexts(Form2_Activate(terminal_.state));
}

PortDialogTexts Form2::texts() const
{
    return {Combo1->currentText(), Combo2->currentText(), Combo3->currentText(), Combo4->currentText(),
            Combo5->currentText()};
}

void Form2::setTexts(const PortDialogTexts& texts)
{
    Combo1->setEditText(texts.Combo1);
    Combo2->setEditText(texts.Combo2);
    Combo3->setEditText(texts.Combo3);
    Combo4->setEditText(texts.Combo4);
    Combo5->setEditText(texts.Combo5);
}

void Form2::Form_Activate()
{
    setTexts(Form2_Activate(terminal_.state));
}

void Form2::Command1_Click()
{
    if (Form2_Command1_Click(terminal_, texts()))
        close();
}
