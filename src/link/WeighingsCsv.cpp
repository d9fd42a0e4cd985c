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

QString DayText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

}  // namespace

QByteArray WeighingsCsvHead()
{
    return QByteArray("\xEF\xBB\xBF") + QStringLiteral("Номер;Дата;Время;Нетто, кг;Тара, кг\r\n").toUtf8();
}

QByteArray WeighingsCsvLines(const QList<WeighingRow>& rows)
{
    QString text;
    for (const WeighingRow& row : rows) {
        // DD.MM.YYYY and HH:MM:SS are what a spreadsheet with Russian settings
        // takes for a date and a time of day, so the columns sort and filter
        // as dates, not as text.
        text += QString::number(row.number) + u';' + DayText(row.date) + u';' +
                row.time.toString(QStringLiteral("HH:mm:ss")) + u';' + CsvNumber(row.net) + u';' +
                CsvNumber(row.tare) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray WeighingsCsv(const QList<WeighingRow>& rows)
{
    return WeighingsCsvHead() + WeighingsCsvLines(rows);
}

QString WeighingsCsvFileName(const QDate& from, const QDate& to)
{
    const QString days = from == to ? DayText(from) : DayText(from) + u'-' + DayText(to);
    return QStringLiteral("Взвешивания %1.csv").arg(days);
}
