#include "site/JournalRows.h"

#include "core/TextRules.h"
#include "journal/DayFileText.h"
#include "journal/JournalLineParse.h"

#include <cmath>

namespace {

// numeric(14,3) holds less than 10^11; a number beyond it (a line edited by
// hand) goes without its field rather than fail the whole batch.
constexpr double NumericLimit = 1e11;

std::optional<QString> Decimal(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= NumericLimit)
        return std::nullopt;
    return JournalNumberText(value).trimmed();
}

}  // namespace

QList<JournalRow> ReadJournalRows(const QByteArray& bytes, int firstLine, bool atFileStart, int maxLines,
                                  qsizetype* used)
{
    QList<JournalRow> rows;
    const qsizetype lastLf = bytes.lastIndexOf('\n');
    qsizetype start = 0;
    if (atFileStart && bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;
    *used = 0;
    while (start <= lastLf && rows.size() < maxLines) {
        qsizetype end = start;
        while (bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        qsizetype next = end + 1;
        const bool crLf = bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n';
        if (crLf)
            ++next;
        JournalRow row;
        row.line = firstLine + static_cast<int>(rows.size());
        row.text = DayFileText(QByteArray::fromRawData(bytes.constData() + start, end - start));
        // PostgreSQL's text cannot hold U+0000; such a byte is no journal text.
        row.text.replace(QChar(u'\0'), QChar(0xFFFD));
        row.bytes = next - (rows.isEmpty() ? 0 : *used);
        rows.append(row);
        start = next;
        *used = next;
    }
    return rows;
}

int CountWholeLines(const QByteArray& bytes)
{
    const qsizetype lastLf = bytes.lastIndexOf('\n');
    int lines = 0;
    for (qsizetype i = 0; i <= lastLf; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && bytes[i + 1] != '\n'))
            ++lines;
    }
    return lines;
}

void ClassifyJournalRow(JournalRow& row)
{
    if (const auto weighing = ParseWeighingLine(row.text)) {
        row.kind = QStringLiteral("weighing");
        row.number = weighing->number;
        row.time = weighing->time.toString(QStringLiteral("HH:mm:ss"));
        row.net = Decimal(weighing->net);
        row.tare = Decimal(weighing->tare);
        return;
    }
    if (IsSumLine(row.text)) {
        row.kind = QStringLiteral("sum");
        const qsizetype equals = row.text.lastIndexOf(QStringLiteral(")= "));
        bool ok = false;
        const double sum = row.text.mid(equals + 3).trimmed().toDouble(&ok);
        if (ok)
            row.net = Decimal(sum);
        return;
    }
    row.kind = QStringLiteral("other");
}

QByteArray ArrayLiteral(const QList<std::optional<QString>>& elements)
{
    QByteArray literal = "{";
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (i > 0)
            literal += ',';
        if (!elements[i]) {
            literal += "NULL";
            continue;
        }
        literal += '"';
        for (const char c : elements[i]->toUtf8()) {
            if (c == '"' || c == '\\')
                literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    literal += '}';
    return literal;
}
