#include "core/DataDirectory.h"

#include <QDir>
#include <QStandardPaths>

QString DataDirectory()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\Program Files\\Orvalta\\");
#else
    // GenericDataLocation is $XDG_DATA_HOME, else ~/.local/share.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Orvalta/");
#endif
}

QString DocumentsDirectory()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QString() : documents + u'/';
}

bool CreateDataDirectory(const QString& dataDir)
{
#ifdef Q_OS_WIN
    return QDir().mkdir(dataDir);
#else
    return QDir().mkpath(dataDir);
#endif
}
