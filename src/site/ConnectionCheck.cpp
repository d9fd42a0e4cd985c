#include "site/ConnectionCheck.h"

#include "site/Libpq.h"
#include "site/PgConnection.h"

QString CheckDatabaseConnection(const QString& connection)
{
    QString why;
    const Libpq* pq = LoadLibpq(&why);
    if (!pq)
        return QStringLiteral("Соединение не проверено: %1.").arg(why);
    PgConnection db(*pq, {});
    if (const auto failure = db.connect(connection))
        return QStringLiteral("Соединение не установлено: %1.").arg(failure->reason);
    QString text = QStringLiteral("Соединение установлено: PostgreSQL %1, %2.")
                       .arg(db.serverVersion(), db.encrypted() ? QStringLiteral("зашифровано (TLS)")
                                                               : QStringLiteral("не зашифровано"));
    const PgAnswer tables = db.exec(
        "SELECT CASE WHEN to_regclass('journal_lines') IS NULL THEN NULL "
        "ELSE has_table_privilege('journal_lines', 'INSERT') END",
        {}, 10000);
    if (!tables.ok() || tables.rows.isEmpty())
        text += QStringLiteral(" Таблицы не проверены: %1.").arg(tables.ok() ? QString() : tables.failure->reason);
    else if (!tables.rows[0][0])
        text += QStringLiteral(" Таблиц журнала ещё нет: терминал создаст их, если роли это разрешено.");
    else if (tables.rows[0][0] == QStringLiteral("t"))
        text += QStringLiteral(" Таблица journal_lines есть, запись в неё разрешена.");
    else
        text += QStringLiteral(" Таблица journal_lines есть, но записи в неё у роли нет права.");
    return text;
}
