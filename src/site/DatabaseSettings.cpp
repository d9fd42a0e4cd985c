#include "site/DatabaseSettings.h"

#include "core/IniText.h"
#include "core/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QSysInfo>

#include <optional>

namespace {

const QString Section = QStringLiteral("[Database]");

QString Damaged(const QString& path, const QString& why)
{
    const std::optional<QString> bad = PutAsideDamaged(path);
    if (!bad) {
        return QStringLiteral("Файл настроек базы данных %1 повреждён (%2) и не может быть отложен. "
                              "Передача в базу данных выключена до исправления файла.")
            .arg(path, why);
    }
    return QStringLiteral("Файл настроек базы данных повреждён (%1). Он сохранён как %2, "
                          "передача в базу данных выключена (настройки по умолчанию).")
        .arg(why, *bad);
}

}  // namespace

QString DefaultTerminalName()
{
    const QString name = QSysInfo::machineHostName().trimmed();
    return name.isEmpty() ? QStringLiteral("terminal") : name.left(TerminalNameMaxLength);
}

QString TerminalNameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("имя терминала пусто");
    if (name.size() > TerminalNameMaxLength)
        return QStringLiteral("имя терминала длиннее %1 знаков").arg(TerminalNameMaxLength);
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.isNull())
            return QStringLiteral("в имени терминала есть управляющие знаки");
    }
    return {};
}

DatabaseSettingsLoad LoadDatabaseSettings(const QString& dataDir)
{
    DatabaseSettingsLoad result;
    result.settings.terminal = DefaultTerminalName();
    const QString path = dataDir + DatabaseSettingsFileName;
    if (!QFile::exists(path))
        return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.warning = QStringLiteral("Файл настроек базы данных %1 не читается: %2. "
                                        "Передача в базу данных выключена.")
                             .arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    // Read by hand rather than through QSettings: a connection string holds
    // commas, quotes, backslashes and semicolons that QSettings' INI reading
    // would turn into lists, escapes or comments. Each line is a key, "=",
    // and the value to its end, as written.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    QString why;
    if (utf8.hasError())
        why = QStringLiteral("не в кодировке UTF-8");
    DatabaseSettings s = result.settings;
    bool inSection = false;
    bool sawSection = false;
    for (QString line : text.split(u'\n')) {
        if (!why.isEmpty())
            break;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#') || trimmed.startsWith(u';'))
            continue;
        if (trimmed.startsWith(u'[')) {
            inSection = trimmed == Section;
            sawSection = sawSection || inSection;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            why = QStringLiteral("строка «%1» не вида ключ=значение").arg(trimmed.left(40));
            break;
        }
        if (!inSection)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Enabled") {
            const auto enabled = IniBool(value);
            if (!enabled)
                why = QStringLiteral("Enabled не true и не false");
            else
                s.enabled = *enabled;
        } else if (key == u"Connection") {
            s.connection = value;
        } else if (key == u"Terminal") {
            if (!value.isEmpty()) {
                const QString problem = TerminalNameProblem(value);
                if (!problem.isEmpty())
                    why = QStringLiteral("Terminal: %1").arg(problem);
                s.terminal = value;
            }
        }
    }
    if (why.isEmpty() && !sawSection)
        why = QStringLiteral("нет раздела [Database]");
    if (why.isEmpty()) {
        result.settings = s;
        return result;
    }
    result.warning = Damaged(path, why);
    return result;
}

QString SaveDatabaseSettings(const QString& dataDir, const DatabaseSettings& s)
{
    // One line per key: a line end inside a value would end it there.
    for (const QString* value : {&s.connection, &s.terminal}) {
        if (value->contains(u'\n') || value->contains(u'\r'))
            return QStringLiteral("Настройки базы данных не сохранены: значение должно быть в одну строку.");
    }
    const QString text = Section + QStringLiteral("\nEnabled=") +
                         (s.enabled ? QStringLiteral("true") : QStringLiteral("false")) +
                         QStringLiteral("\nConnection=") + s.connection + QStringLiteral("\nTerminal=") + s.terminal +
                         QStringLiteral("\n");
    const QString path = dataDir + DatabaseSettingsFileName;
    if (const auto failed = SaveWholeFile(path, WithPlatformLineEnds(text).toUtf8(), FileReach::OwnerOnly))
        return QStringLiteral("Не удалось записать %1: %2").arg(QDir::toNativeSeparators(path), failed->cause);
    return {};
}
