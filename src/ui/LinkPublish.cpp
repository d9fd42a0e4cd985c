#include "ui/LinkPublish.h"

#include "link/LinkHub.h"
#include "link/WeighingsJson.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// The readouts show numbers in the locale's decimal separator, and text
// (an error, a blank) otherwise.
std::optional<double> ShownNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^-?\\d+([.,]\\d+)?$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QString(t).replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

void PublishToLink(LinkHub& hub, const Terminal& terminal, LinkSeen& seen, std::optional<LinkDatabase> database,
                   std::chrono::steady_clock::time_point now)
{
    const TerminalState& s = terminal.state;
    const Display& d = terminal.display;

    // A weighing is recorded by advancing both counters; the record itself
    // is in the day's slot of the counter that numbers the day.
    const bool recorded = seen.started && (s.TotalCount != seen.totalCount || s.DayIndex != seen.dayIndex) &&
                          s.DayIndex >= WeighingRecords::First && s.DayIndex <= WeighingRecords::Last;
    if (recorded) {
        const WeighingRecord& record = s.Records(s.DayIndex);
        WeighingRow row;
        row.number = s.DayIndex;
        row.date = QDate::fromString(record.RecordDate, QStringLiteral("MM-dd-yyyy"));
        row.time = QTime::fromString(record.RecordTime, QStringLiteral("HH:mm:ss"));
        row.net = record.Net;
        row.tare = record.Tare;
        hub.publishWeighing(QJsonDocument(WeighingJson(row)).toJson(QJsonDocument::Compact));
    }
    seen.started = true;
    seen.totalCount = s.TotalCount;
    seen.dayIndex = s.DayIndex;

    // The automatic weighing's rule for a settled load, three equal readings
    // in a row, without its minimum weight.
    if (terminal.readings != seen.readings) {
        seen.readings = terminal.readings;
        seen.lastReading = now;
        seen.recent = {s.NetWeight, seen.recent[0], seen.recent[1]};
        seen.held = std::min(seen.held + 1, 3);
    }
    const bool portOk = terminal.port.isOpen() && !terminal.portLost;
    const bool fresh = seen.readings > 0 && now - seen.lastReading <= LinkSilence;
    if (!fresh)
        seen.held = 0;  // readings on either side of a silence are no sequence

    LinkWeight w;
    w.display = d.Label2;
    // The window goes on showing what the rules make of a lost or silent
    // scale (often 0); another program must not take that for a weight.
    if (portOk && fresh)
        w.net = ShownNumber(d.Label2);
    w.stable = w.net && seen.held == 3 && seen.recent[0] == seen.recent[1] && seen.recent[1] == seen.recent[2];
    w.tare = ShownNumber(d.Label4).value_or(0);
    w.tareOn = s.TareOn == 1;
    for (const Rgb& lamp : d.Shape1)
        w.lamps += lamp == Colours::LampGreen ? 1 : 0;
    w.port = QStringLiteral("COM%1").arg(terminal.port.portNumber());
    w.portOk = portOk;
    w.aed = s.ScaleKind == ScaleKindAed;
    w.database = database;
    hub.publish(w, QDateTime::currentDateTime());
}
