#include "link/WeighingsCsv.h"

#include "core/TextRules.h"

namespace {

// The journal's number text (15 significant digits, no binary noise) with a
// decimal comma and without the blank it puts before a number that is not
// negative.
QString CsvNumber(double value)
{
    return JournalNumberText(value).trimmed().replace(u'.', u',');
}

}  // namespace

QByteArray WeighingsCsv(const QList<WeighingRow>& rows)
{
    QString text = QStringLiteral("Номер;Дата;Время;Нетто, кг;Тара, кг\r\n");
    for (const WeighingRow& row : rows) {
        // DD.MM.YYYY and HH:MM:SS are what a spreadsheet with Russian settings
        // takes for a date and a time of day, so the columns sort and filter
        // as dates, not as text.
        text += QString::number(row.number) + u';' + row.date.toString(QStringLiteral("dd.MM.yyyy")) + u';' +
                row.time.toString(QStringLiteral("HH:mm:ss")) + u';' + CsvNumber(row.net) + u';' +
                CsvNumber(row.tare) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}
