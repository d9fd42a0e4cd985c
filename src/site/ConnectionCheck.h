#pragma once

#include <QString>

// "Проверить соединение": connects with the connection string as the sender
// would, within its timeout, and says in Russian what was found: the
// server's version, whether the connection is encrypted, and whether the
// journal's table is there and may be written; or why it failed. Blocks:
// for a thread other than the window's.
QString CheckDatabaseConnection(const QString& connection);
