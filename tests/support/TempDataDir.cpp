#include "support/TempDataDir.h"

#include <QFile>

TempDataDir::TempDataDir() : path_(dir_.path() + u'/') {}

QByteArray TempDataDir::read(const QString& name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TempDataDir::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}
