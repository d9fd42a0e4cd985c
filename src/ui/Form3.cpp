#include "ui/Form3.h"

#include "ui/Twips.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QRadioButton>

Form3::Form3(Terminal& terminal, QWidget* parent) : QWidget(parent, Qt::Window), terminal_(terminal)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Настройка весов"));
    setFixedSize(Px(4680), Px(3195));

    Check1 = new QCheckBox(QStringLiteral("Автоматическое взвешивание"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(TwipsRect(300, 750, 4215, 315));
    Check1->setChecked(true);

    Frame1 = new QGroupBox(QStringLiteral("Тип весов"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(TwipsRect(270, 1290, 4245, 1245));

    Option1 = new QRadioButton(QStringLiteral("Вельтарские весы"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(TwipsRect(150, 270, 3105, 255));
    Option1->setChecked(true);

    Option2 = new QRadioButton(QStringLiteral("AED 9101B"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(TwipsRect(150, 570, 3525, 345));

    connect(Option1, &QRadioButton::clicked, this, &Form3::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form3::Option2_Click);
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

void Form3::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
}

void Form3::Option1_Click()
{
    terminal_.state.ScaleKind = ScaleKindVeltar;
}

void Form3::Option2_Click()
{
    terminal_.state.ScaleKind = ScaleKindAed;
}
