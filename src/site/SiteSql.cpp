#include "site/SiteSql.h"

QByteArray CreateSchemaSql()
{
    // Terminals starting together would race to make the tables: the lock
    // (any number, ours) lets one make them and the others find them made.
    return QByteArrayLiteral(
        "SELECT pg_advisory_xact_lock(7366547204);\n"
        "CREATE TABLE IF NOT EXISTS journal_lines (\n"
        "    terminal    text NOT NULL,\n"
        "    day         date NOT NULL,\n"
        "    line        integer NOT NULL CHECK (line > 0),\n"
        "    kind        text NOT NULL CHECK (kind IN ('weighing', 'sum', 'other')),\n"
        "    number      integer,\n"
        "    time        time,\n"
        "    net         numeric(14,3),\n"
        "    tare        numeric(14,3),\n"
        "    text        text NOT NULL,\n"
        "    seal        text,\n"
        "    received_at timestamptz NOT NULL DEFAULT now(),\n"
        "    PRIMARY KEY (terminal, day, line)\n"
        ");\n"
        "CREATE TABLE IF NOT EXISTS terminals (\n"
        "    terminal text PRIMARY KEY,\n"
        "    display  text,\n"
        "    net      numeric(14,3),\n"
        "    port_ok  boolean,\n"
        "    stable   boolean,\n"
        "    waiting  integer,\n"
        "    seen_at  timestamptz\n"
        ");\n"
        "CREATE TABLE IF NOT EXISTS schema_version (\n"
        "    version integer NOT NULL\n"
        ");\n"
        "INSERT INTO schema_version (version) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM schema_version);\n");
}

QByteArray SchemaVersionSql()
{
    return QByteArrayLiteral("SELECT max(version) FROM schema_version");
}

QByteArray InsertLinesSql()
{
    // The outer query sees the table as it was before the insert, so what it
    // finds for a line of the batch is what the database held already.
    return QByteArrayLiteral(
        "WITH batch AS (\n"
        "    SELECT * FROM unnest($3::integer[], $4::text[], $5::integer[], $6::time[], $7::numeric[],\n"
        "                         $8::numeric[], $9::text[], $10::text[])\n"
        "        AS b(line, kind, number, time, net, tare, text, seal)\n"
        "), added AS (\n"
        "    INSERT INTO journal_lines (terminal, day, line, kind, number, time, net, tare, text, seal)\n"
        "    SELECT $1, $2::date, line, kind, number, time, net, tare, text, seal FROM batch\n"
        "    ON CONFLICT (terminal, day, line) DO NOTHING\n"
        "    RETURNING line\n"
        ")\n"
        "SELECT b.line, j.text FROM batch b\n"
        "JOIN journal_lines j ON j.terminal = $1 AND j.day = $2::date AND j.line = b.line\n"
        "WHERE j.text <> b.text\n"
        "ORDER BY b.line");
}

QByteArray UpsertTerminalSql()
{
    return QByteArrayLiteral(
        "INSERT INTO terminals (terminal, display, net, port_ok, stable, waiting, seen_at)\n"
        "VALUES ($1, $2, $3::numeric, $4::boolean, $5::boolean, $6::integer, now())\n"
        "ON CONFLICT (terminal) DO UPDATE SET display = EXCLUDED.display, net = EXCLUDED.net,\n"
        "    port_ok = EXCLUDED.port_ok, stable = EXCLUDED.stable, waiting = EXCLUDED.waiting,\n"
        "    seen_at = EXCLUDED.seen_at");
}
