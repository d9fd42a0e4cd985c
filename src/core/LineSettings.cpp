#include "core/LineSettings.h"

#include <QStringList>

#include <algorithm>

namespace {

std::optional<int> WholeNumber(const QString& text)
{
    // Digits only: QString::toInt alone would also take blanks and a sign.
    if (text.isEmpty() || !std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(const QString& text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;

    LineSettings s;
    const auto baud = WholeNumber(parts[0]);
    if (!baud || *baud < 50 || *baud > 4'000'000)
        return std::nullopt;
    s.baudRate = *baud;

    const QString parity = parts[1].toLower();
    if (parity == u"n")
        s.parity = LineSettings::Parity::None;
    else if (parity == u"e")
        s.parity = LineSettings::Parity::Even;
    else if (parity == u"o")
        s.parity = LineSettings::Parity::Odd;
    else if (parity == u"s")
        s.parity = LineSettings::Parity::Space;
    else if (parity == u"m")
        s.parity = LineSettings::Parity::Mark;
    else
        return std::nullopt;

    const auto dataBits = WholeNumber(parts[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8)
        return std::nullopt;
    s.dataBits = *dataBits;

    if (parts[3] == u"1")
        s.stopBits = LineSettings::StopBits::One;
    else if (parts[3] == u"1.5")
        s.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (parts[3] == u"2")
        s.stopBits = LineSettings::StopBits::Two;
    else
        return std::nullopt;
    return s;
}

QString LineSettingsText(const LineSettings& s)
{
    static constexpr char16_t Letters[] = {u'n', u'e', u'o', u's', u'm'};
    static const QString Stops[] = {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
    return QString::number(s.baudRate) + u',' + QChar(Letters[static_cast<int>(s.parity)]) + u',' +
           QString::number(s.dataBits) + u',' + Stops[static_cast<int>(s.stopBits)];
}
