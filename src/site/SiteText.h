#pragma once

#include "site/SiteStatus.h"

#include <QDate>
#include <QList>
#include <QString>

// What the operator is told of the site database, in Russian.

// A line of a day file that the database holds with other text.
struct LineConflict {
    int line = 0;
    QString held;  // the database's text
    QString file;  // the day file's text now
};

// Lines of a day that the database holds otherwise than the file, and lines
// it holds that the file no longer has; told once each.
QString ConflictText(const QDate& day, const QList<LineConflict>& conflicts, const QList<int>& removed);

QString LinesWaitingText(int waiting, const QString& problem);
QString AllLinesSentText();
QString NoTablesText(const QString& reason);
QString NoPrivilegeText(const QString& reason);
QString NewerSchemaText(int version);
QString OutboxNotSavedText(const QString& reason);

// The line under a day's journal in "Журнал за день": how many of the day's
// `dayLines` lines the database holds, and any it holds otherwise.
QString DayDatabaseText(const SiteDayStatus& day, qint64 dayLines);

// Line numbers as a short list: "2, 5–7, 9".
QString LineList(QList<int> lines);
