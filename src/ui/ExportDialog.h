#pragma once

#include "core/Terminal.h"

#include <QDate>
#include <QDialog>

class QDateEdit;
class QDialogButtonBox;

// "Экспорт взвешиваний": the first and the last day of the weighings to save
// as a table, both the given day to begin with.
class ExportDialog final : public QDialog {
    Q_OBJECT
public:
    ExportDialog(Terminal& terminal, const QDate& day, QWidget* parent);

    QDate from() const;
    QDate to() const;

    // Closes only on a range the export takes; otherwise the operator is
    // told why and the dialog stays.
    void accept() override;

    QDateEdit* FromEdit = nullptr;
    QDateEdit* ToEdit = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    Terminal& terminal_;
};

// "Экспорт…": asks for the days, starting from `day`, and exports them.
void ExportWithDialog(Terminal& terminal, const QDate& day, QWidget* parent);
