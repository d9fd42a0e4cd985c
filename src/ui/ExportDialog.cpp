#include "ui/ExportDialog.h"

#include "link/DayRange.h"
#include "ui/ExportWeighings.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

namespace {

QDateEdit* MakeDateEdit(QWidget* parent, const char* name, const QDate& day)
{
    auto* edit = new QDateEdit(day, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setCalendarPopup(true);
    return edit;
}

}  // namespace

ExportDialog::ExportDialog(Terminal& terminal, const QDate& day, QWidget* parent)
    : QDialog(parent), terminal_(terminal)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Экспорт взвешиваний"));
    FromEdit = MakeDateEdit(this, "FromEdit", day);
    ToEdit = MakeDateEdit(this, "ToEdit", day);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Первый день:"), FromEdit);
    layout->addRow(QStringLiteral("Последний день:"), ToEdit);
    layout->addRow(Buttons);
}

QDate ExportDialog::from() const
{
    return FromEdit->date();
}

QDate ExportDialog::to() const
{
    return ToEdit->date();
}

void ExportDialog::accept()
{
    if (from() > to()) {
        terminal_.panel.message(QStringLiteral("Первый день позже последнего."));
        return;
    }
    if (from().daysTo(to()) + 1 > MaxRangeDays) {
        terminal_.panel.message(QStringLiteral("За один раз сохраняется не больше %1 дней.").arg(MaxRangeDays));
        return;
    }
    QDialog::accept();
}

void ExportWithDialog(Terminal& terminal, const QDate& day, QWidget* parent)
{
    ExportDialog dialog(terminal, day, parent);
    if (dialog.exec() == QDialog::Accepted)
        ExportWeighings(terminal, dialog.from(), dialog.to());
}
