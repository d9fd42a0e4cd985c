#pragma once

#include <QString>

// What Database.ini in the data directory holds, section [Database]: whether
// the terminal copies its journal lines to the site's PostgreSQL, where that
// is, and under which name this terminal writes there.
struct DatabaseSettings {
    bool enabled = false;  // nothing is loaded or connected until the operator says so
    QString connection;    // a libpq connection string or postgresql:// URI; may hold a password
    QString terminal;      // this terminal's name on the site

    friend bool operator==(const DatabaseSettings&, const DatabaseSettings&) = default;
};

inline const QString DatabaseSettingsFileName = QStringLiteral("Database.ini");
inline constexpr int TerminalNameMaxLength = 100;

// The computer's name, as the terminal's name when the file gives none.
QString DefaultTerminalName();

struct DatabaseSettingsLoad {
    DatabaseSettings settings;
    // In Russian, for the operator: set when a damaged file was put aside as
    // Database.ini.bad (and the defaults taken), so it is said once only.
    QString warning;
};

// A missing file gives the defaults. A file that cannot be read as its
// keys, or holds a value out of range, is renamed to Database.ini.bad and
// the defaults used.
DatabaseSettingsLoad LoadDatabaseSettings(const QString& dataDir);

// Writes the file whole or not at all, readable by its owner only where the
// file system says so (it may hold a password); returns the Russian reason
// of a failure, empty on success.
QString SaveDatabaseSettings(const QString& dataDir, const DatabaseSettings& settings);

// Why a terminal name cannot be used, in Russian; empty when it can.
QString TerminalNameProblem(const QString& name);
