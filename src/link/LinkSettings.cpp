#include "link/LinkSettings.h"

#include "core/IniText.h"
#include "core/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>

#include <array>
#include <optional>

namespace {

std::optional<bool> ReadBool(const QSettings& ini, const QString& name, bool fallback)
{
    if (!ini.contains(name))
        return fallback;
    return IniBool(ini.value(name).toString());
}

QString Damaged(const QString& path, const QString& why)
{
    const std::optional<QString> bad = PutAsideDamaged(path);
    if (!bad) {
        return QStringLiteral("Файл настроек обмена данными %1 повреждён (%2) и не может быть отложен. "
                              "Обмен данными выключен до исправления файла.")
            .arg(path, why);
    }
    return QStringLiteral("Файл настроек обмена данными повреждён (%1). Он сохранён как %2, "
                          "обмен данными выключен (настройки по умолчанию).")
        .arg(why, *bad);
}

}  // namespace

LinkSettingsLoad LoadLinkSettings(const QString& dataDir)
{
    LinkSettingsLoad result;
    const QString path = dataDir + LinkSettingsFileName;
    if (!QFile::exists(path))
        return result;
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly)) {
            result.warning = QStringLiteral("Файл настроек обмена данными %1 не читается: %2. "
                                            "Обмен данными выключен.")
                                 .arg(path, probe.errorString());
            return result;
        }
    }

    // QSettings reads INI in UTF-8 and reports a file it cannot parse; the
    // values are then checked one by one, since it takes any text.
    QString why;
    LinkSettings s;
    {
        QSettings ini(path, QSettings::IniFormat);
        if (ini.status() != QSettings::NoError) {
            why = QStringLiteral("нарушен формат");
        } else {
            ini.beginGroup(QStringLiteral("Link"));
            const auto enabled = ReadBool(ini, QStringLiteral("Enabled"), s.enabled);
            const auto network = ReadBool(ini, QStringLiteral("Network"), s.network);
            bool portOk = true;
            if (ini.contains(QStringLiteral("Port")))
                s.port = ini.value(QStringLiteral("Port")).toString().trimmed().toInt(&portOk);
            s.key = ini.value(QStringLiteral("Key")).toString().trimmed();
            // A comma-separated value comes back as a list.
            const QVariant origins = ini.value(QStringLiteral("Origins"));
            const QStringList list = origins.typeId() == QMetaType::QStringList
                                         ? origins.toStringList()
                                         : origins.toString().split(u',');
            for (const QString& o : list) {
                if (!o.trimmed().isEmpty())
                    s.origins << o.trimmed();
            }
            if (!enabled)
                why = QStringLiteral("Enabled не true и не false");
            else if (!network)
                why = QStringLiteral("Network не true и не false");
            else if (!portOk || s.port < LinkPortMin || s.port > LinkPortMax)
                why = QStringLiteral("Port вне 1024–65535");
            else if (*network && s.key.size() < LinkKeyMinLength)
                why = QStringLiteral("нет ключа доступа для работы в сети");
            else {
                for (const QString& o : s.origins) {
                    if (!IsWebOrigin(o))
                        why = QStringLiteral("Origins: «%1» не веб-источник").arg(o);
                }
            }
            if (enabled)
                s.enabled = *enabled;
            if (network)
                s.network = *network;
        }
    }
    if (why.isEmpty()) {
        result.settings = s;
        return result;
    }
    result.warning = Damaged(path, why);
    return result;
}

QString SaveLinkSettings(const QString& dataDir, const LinkSettings& s)
{
    // Written by hand rather than through QSettings: five known lines, in
    // the platform's line ends so that its own tools read them (a key cut
    // out with grep and cut on Linux keeps no CR). The key is the owner's
    // alone.
    const auto yesNo = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    const QString text = QStringLiteral("[Link]\nEnabled=%1\nPort=%2\nNetwork=%3\nKey=%4\nOrigins=%5\n")
                             .arg(yesNo(s.enabled))
                             .arg(s.port)
                             .arg(yesNo(s.network), s.key, s.origins.join(QStringLiteral(", ")));
    const QString path = dataDir + LinkSettingsFileName;
    if (const auto failed = SaveWholeFile(path, WithPlatformLineEnds(text).toUtf8(), FileReach::OwnerOnly))
        return QStringLiteral("Не удалось записать %1: %2").arg(QDir::toNativeSeparators(path), failed->cause);
    return {};
}

QString NewLinkKey()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    QString key;
    for (quint32 w : words)
        key += QStringLiteral("%1").arg(w, 8, 16, QChar(u'0'));
    return key;
}

bool IsWebOrigin(const QString& origin)
{
    static const QRegularExpression pattern(QStringLiteral("^https?://[A-Za-z0-9.\\-\\[\\]:]+(:\\d{1,5})?$"));
    return pattern.match(origin).hasMatch();
}
