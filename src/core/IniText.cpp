#include "core/IniText.h"

#include <QFile>

std::optional<bool> IniBool(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"1")
        return true;
    if (t == u"false" || t == u"0")
        return false;
    return std::nullopt;
}

std::optional<QString> PutAsideDamaged(const QString& path)
{
    const QString bad = path + QStringLiteral(".bad");
    QFile::remove(bad);
    if (!QFile::rename(path, bad))
        return std::nullopt;
    return bad;
}
