#include "scale/PortDevice.h"

#include <QFileInfo>

QString PortLinkName(int number, const QString& dataDir)
{
    return dataDir + QStringLiteral("com%1").arg(number);
}

QString PortDeviceName(int number, const QString& dataDir, bool linkSeen)
{
#ifdef Q_OS_WIN
    Q_UNUSED(dataDir);
    Q_UNUSED(linkSeen);
    return QStringLiteral("COM%1").arg(number);
#else
    const QString link = PortLinkName(number, dataDir);
    const QFileInfo info(link);
    // A link whose target is gone, or that was there and is gone, still
    // names the operator's choice: opening it then fails with the link's
    // name, rather than quietly reaching for a built-in port the scale is
    // not on.
    if (linkSeen || info.exists() || info.isSymLink())
        return link;
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}
