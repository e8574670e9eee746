// SPDX-License-Identifier: GPL-3.0-or-later
// What an administrator does with the database: make its tables, and see
// what became of a series' numbers.

#include "production/database_stores.h"
#include "production/pg_connection.h"
#include "startup/exit_status.h"

namespace dspprog {
namespace {

// Each statement leaves what is there as it is, so that init may run again.
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS dspprog_schema (version integer NOT NULL, "
    "installed timestamptz NOT NULL DEFAULT now())",
    "CREATE TABLE IF NOT EXISTS dspprog_series (name text PRIMARY KEY, "
    "start numeric(20, 0) NOT NULL, step numeric(20, 0) NOT NULL, "
    "next numeric(21, 0) NOT NULL, created timestamptz NOT NULL DEFAULT now())",
    "CREATE TABLE IF NOT EXISTS dspprog_serial ("
    "series text NOT NULL REFERENCES dspprog_series (name), "
    "number numeric(20, 0) NOT NULL, station text NOT NULL, "
    "state text NOT NULL CHECK (state IN "
    "('reserved', 'written', 'failed-before-write', 'failed')), "
    "run_key bigint NOT NULL, reserved_at timestamptz NOT NULL, "
    "write_began_at timestamptz, finished_at timestamptz, PRIMARY KEY (series, number))",
    "CREATE INDEX IF NOT EXISTS dspprog_serial_station ON dspprog_serial (series, station, state)",
    "CREATE TABLE IF NOT EXISTS dspprog_chip_log (id bigserial PRIMARY KEY, "
    "time timestamptz NOT NULL, station text NOT NULL, series text, "
    "number numeric(20, 0), outcome text NOT NULL, line jsonb NOT NULL)",
    "CREATE INDEX IF NOT EXISTS dspprog_chip_log_time ON dspprog_chip_log (time)",
    "CREATE INDEX IF NOT EXISTS dspprog_chip_log_station ON dspprog_chip_log (station)",
    "CREATE INDEX IF NOT EXISTS dspprog_chip_log_number ON dspprog_chip_log (series, number)",
    "CREATE INDEX IF NOT EXISTS dspprog_chip_log_outcome ON dspprog_chip_log (outcome)",
};

int Refused(const DatabaseRefusal& given, DatabaseRefusal& refusal) {
    refusal = given;
    return given.status;
}

}  // namespace

int InitDatabase(const std::string& url, std::vector<std::string>& lines,
                 DatabaseRefusal& refusal) {
    std::unique_ptr<PgConnection> db = PgConnection::Open(url, refusal);
    if (!db) return refusal.status;
    std::string error;
    PgConnection::Result result;
    // Two inits at once wait for each other rather than both creating.
    bool ran = db->Run("BEGIN", {}, error) &&
               db->Run("SELECT pg_advisory_xact_lock(hashtext('dspprog schema'))", {}, error);
    for (const char* statement : kSchema) ran = ran && db->Run(statement, {}, error);
    ran = ran && db->Run("SELECT max(version) FROM dspprog_schema", {}, result, error);
    const std::optional<std::string> found = ran ? result.rows.at(0).at(0) : std::nullopt;
    if (ran && found && *found != std::to_string(kDatabaseSchemaVersion)) {
        db->Run("ROLLBACK", {}, error);
        return Refused({"Схема базы данных версии " + *found + ", а эта программа знает версию " +
                            std::to_string(kDatabaseSchemaVersion),
                        kExitUsage},
                       refusal);
    }
    if (ran && !found)
        ran = db->Run("INSERT INTO dspprog_schema (version) VALUES ($1)",
                      {std::to_string(kDatabaseSchemaVersion)}, error);
    if (!ran || !db->Run("COMMIT", {}, error))
        return Refused(CommandRefusal(*db, "создание таблиц", error), refusal);
    lines.push_back(found ? "Таблицы dspprog уже есть (схема версии " + *found + ")"
                          : "Таблицы dspprog созданы (схема версии " +
                                std::to_string(kDatabaseSchemaVersion) + ")");
    return kExitSucceeded;
}

int ReportDatabase(const std::string& url, const std::optional<std::string>& series,
                   std::vector<std::string>& lines, DatabaseRefusal& refusal) {
    std::unique_ptr<PgConnection> db = PgConnection::Open(url, refusal);
    if (!db || !CheckSchema(*db, refusal)) return refusal.status;
    std::string error;
    PgConnection::Result counts;
    PgConnection::Result spent;
    PgConnection::Result known;
    const PgConnection::Value name = series;
    // A reserved number whose write began is spent once its run has ended;
    // while the run lives, the chip is still being written.
    const bool ran =
        db->Run("BEGIN", {}, error) &&
        db->Run("SELECT count(*) FROM dspprog_series WHERE $1::text IS NULL OR name = $1", {name},
                known, error) &&
        db->Run(
            "SELECT series, station, state, count(*) FROM dspprog_serial "
            "WHERE $1::text IS NULL OR series = $1 "
            "GROUP BY series, station, state ORDER BY series, station, state",
            {name}, counts, error) &&
        db->Run(
            "SELECT series, number, station, state FROM dspprog_serial "
            "WHERE ($1::text IS NULL OR series = $1) AND (state = 'failed' OR "
            "(state = 'reserved' AND write_began_at IS NOT NULL AND "
            "pg_try_advisory_xact_lock(run_key))) ORDER BY series, number",
            {name}, spent, error) &&
        db->Run("COMMIT", {}, error);
    if (!ran) return Refused(CommandRefusal(*db, "отчёт", error), refusal);
    if (series && known.rows.at(0).at(0) == "0")
        return Refused({"В базе данных нет серии \"" + *series + "\"", kExitUsage}, refusal);

    lines.push_back("Серия\tСтанция\tСостояние\tНомеров");
    for (const auto& row : counts.rows)
        lines.push_back(*row[0] + '\t' + *row[1] + '\t' + *row[2] + '\t' + *row[3]);
    lines.push_back("Номера, истраченные без записанного чипа: " +
                    std::to_string(spent.rows.size()));
    for (const auto& row : spent.rows)
        lines.push_back(*row[0] + '\t' + *row[1] + '\t' + *row[2] + '\t' + *row[3]);
    return kExitSucceeded;
}

}  // namespace dspprog
