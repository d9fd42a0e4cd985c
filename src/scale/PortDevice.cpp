#include "scale/PortDevice.h"

#include <QFileInfo>

QString PortDeviceName(int number, const QString& dataDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(dataDir);
    return QStringLiteral("COM%1").arg(number);
#else
    const QString link = dataDir + QStringLiteral("com%1").arg(number);
    const QFileInfo info(link);
    // A link whose target is gone still names the operator's choice: opening
    // it then fails with the link's name, rather than quietly reaching for a
    // built-in port the scale is not on.
    if (info.exists() || info.isSymLink())
        return link;
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
