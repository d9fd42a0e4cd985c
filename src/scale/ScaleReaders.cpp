#include "scale/ScaleReaders.h"

#include "core/TextRules.h"
#include "scale/ParseLeadingNumber.h"

#include <cmath>

namespace {

constexpr qsizetype FrameLength = 9;    // characters after the STX
constexpr qsizetype WeightField = 7;    // of which the weight
constexpr qsizetype AedAnswerUsed = 8;  // characters of the AED's answer that are read

// A failed read leaves ReceivedText as the previous pass left it.
Status Receive(Terminal& terminal)
{
    Result<QString> received = terminal.port.receive();
    if (!received.ok())
        return received.status;
    terminal.state.ReceivedText = std::move(received.value);
    return Status::success();
}

// A silent scale shows what the rules say it shows, but it is not a reading:
// nothing the scale reported may reach the journal from it.
Status NoReading()
{
    return Status::failure(ErrorNumber::NoReading, QStringLiteral("Весы молчат"));
}

// Rounds down to 0.1 kg: 99.99907 gives 99.9 and -1.00542 gives -1.1.
double FloorToTenth(double kg)
{
    return std::floor(kg * 10) / 10;
}

}  // namespace

QString FindFrame(const QString& received)
{
    for (qsizetype i = 0; i + FrameLength < received.size(); ++i) {
        if (received[i] == Stx)
            return received.mid(i + 1, FrameLength);
    }
    return {};
}

Status ReadVeltarScale(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Status read = Receive(terminal);
    s.ReceivedText = FindFrame(s.ReceivedText);
    if (read.ok() && s.ReceivedText.isEmpty())
        read = NoReading();
    if (!s.ReceivedText.isEmpty()) {
        // A number beyond a double is no reading: the previous weight stays.
        if (const auto weight = ParseLeadingNumber(QStringView(s.ReceivedText).left(WeightField)))
            s.RawWeight = *weight;
        else if (read.ok())
            read = NoReading();
        s.NetWeight = s.RawWeight;
    } else {
        s.RawWeight = 0;
        s.NetWeight = 0;
    }
    terminal.display.Label2 = DisplayNumberText(s.NetWeight);
    return read;
}

Status ReadAedScale(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;
    Status read = Receive(terminal);
    const QStringView answer = QStringView(s.ReceivedText).left(AedAnswerUsed);
    // An answer that does not begin with a number (silence, noise, an error
    // code such as "E1") carries no measured value, though it reads as 0.
    if (read.ok() && !StartsWithNumber(answer))
        read = NoReading();
    if (const auto counts = ParseLeadingNumber(answer))
        s.RawWeight = *counts * AedCountsToKg;
    else if (read.ok())
        read = NoReading();
    // The tare of the previous pass is subtracted before the new one is taken,
    // so a change of the tare shows in the net weight one pass late.
    s.NetWeight = FloorToTenth(s.RawWeight - s.TareRounded);
    s.TareRounded = FloorToTenth(s.TareWeight);
    d.Label4 = DisplayNumberText(s.TareRounded);
    d.Label2 = s.NetWeight > 0.01 ? DisplayNumberText(s.NetWeight) : QStringLiteral("0");
    return read;
}
