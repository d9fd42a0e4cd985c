#include "scale/PortRules.h"

Status CheckNewPortNumber(bool portOpen, std::int16_t number)
{
    if (portOpen)
        return PortAlreadyOpen();
    if (number < MinPortNumber || number > MaxPortNumber)
        return Status::failure(ErrorNumber::InvalidPortNumber,
                               QStringLiteral("Недопустимый номер порта: %1").arg(number));
    return Status::success();
}

Result<LineSettings> PortLineSettings(const QString& lineParameters)
{
    const auto parsed = ParseLineSettings(lineParameters);
    if (!parsed)
        return Result<LineSettings>::failure(Status::failure(
            ErrorNumber::InvalidPropertyValue, QStringLiteral("Недопустимые параметры порта: «%1»").arg(lineParameters)));
    return Result<LineSettings>::success(*parsed);
}

Status PortNotOpen()
{
    return Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("Порт не открыт"));
}

Status PortAlreadyOpen()
{
    return Status::failure(ErrorNumber::PortAlreadyOpen, QStringLiteral("Порт уже открыт"));
}
