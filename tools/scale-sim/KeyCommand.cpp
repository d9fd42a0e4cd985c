#include "scale-sim/KeyCommand.h"

#include <QString>

#include <cmath>

KeyCommand ParseKeyLine(QStringView line)
{
    const QString text = line.trimmed().toString();
    if (text.isEmpty())
        return {};
    if (text.compare(u"q", Qt::CaseInsensitive) == 0)
        return {KeyCommand::Quit};
    if (text.compare(u"s", Qt::CaseInsensitive) == 0)
        return {KeyCommand::Resume};
    // Operators used to a decimal comma type one.
    QString number = text;
    number.replace(u',', u'.');
    bool ok = false;
    const double kg = number.toDouble(&ok);
    if (ok && std::isfinite(kg))
        return {KeyCommand::Hold, kg};
    return {KeyCommand::Unknown};
}
