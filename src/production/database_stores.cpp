// SPDX-License-Identifier: GPL-3.0-or-later
// The serial numbers and the chip log on the server; see database_stores.h
// for the rows' states and the rule by which a kept number is taken again.

#include "production/database_stores.h"

#include <limits>
#include <mutex>
#include <random>

#include "production/pg_connection.h"
#include "startup/exit_status.h"

namespace dspprog {
namespace {

using Value = PgConnection::Value;

std::string Text(std::uint64_t number) {
    return std::to_string(number);
}

// A key of this run's own, held by its connection for as long as the run
// lives: the rows it reserves carry it.
std::int64_t NewRunKey() {
    std::random_device random;
    const std::uint64_t key = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    return static_cast<std::int64_t>(key >> 1);
}

class DatabaseSerials final : public SerialNumbers {
public:
    DatabaseSerials(std::unique_ptr<PgConnection> db, std::string series,
                    const SerialNumbering& numbering, std::int64_t run_key)
        : db_(std::move(db)),
          series_(std::move(series)),
          numbering_(numbering),
          run_key_(std::to_string(run_key)) {}

    const SerialNumbering& numbering() const override { return numbering_; }

    std::optional<std::uint64_t> Take(const std::string& station, std::string& error) override {
        std::lock_guard guard(mutex_);
        std::optional<std::uint64_t> number;
        if (!Begin(error)) return std::nullopt;
        // The series' row, locked until the end of the transaction: the
        // stations take their numbers one after another.
        PgConnection::Result result;
        bool ran = db_->Run("SELECT next FROM dspprog_series WHERE name = $1 FOR UPDATE", {series_},
                            result, error);
        // The station's kept number first: one that failed before its write,
        // or one a run that has ended reserved and never began to write.
        ran = ran && db_->Run(
                         "UPDATE dspprog_serial SET state = 'reserved', run_key = $3, "
                         "reserved_at = now(), finished_at = NULL "
                         "WHERE series = $1 AND number = (SELECT number FROM dspprog_serial "
                         "WHERE series = $1 AND station = $2 AND (state = 'failed-before-write' "
                         "OR (state = 'reserved' AND write_began_at IS NULL AND run_key <> $3 "
                         "AND pg_try_advisory_xact_lock(run_key))) ORDER BY number LIMIT 1) "
                         "RETURNING number",
                         {series_, station, run_key_}, result, error);
        if (ran && result.rows.empty()) {
            ran = db_->Run(
                "UPDATE dspprog_series SET next = next + step "
                "WHERE name = $1 AND next <= 18446744073709551615 RETURNING next - step",
                {series_}, result, error);
            if (ran && result.rows.empty()) {
                Rollback();
                error = "Серийные номера серии \"" + series_ + "\" закончились";
                return std::nullopt;
            }
            ran = ran && db_->Run(
                             "INSERT INTO dspprog_serial (series, number, station, state, "
                             "run_key, reserved_at) VALUES ($1, $2, $3, 'reserved', $4, now())",
                             {series_, result.rows.at(0).at(0), station, run_key_}, error);
        }
        if (ran) number = std::stoull(*result.rows.at(0).at(0));
        if (!ran || !db_->Run("COMMIT", {}, error)) return Failed("выдача номера", error);
        return number;
    }

    bool WriteBegins(std::uint64_t number, std::string& error) override {
        std::lock_guard guard(mutex_);
        return Change(
            "UPDATE dspprog_serial SET write_began_at = now() "
            "WHERE series = $1 AND number = $2 AND run_key = $3 AND state = 'reserved'",
            number, std::nullopt, "начало записи", error);
    }

    bool Settle(std::uint64_t number, SerialEnd end, std::string& error) override {
        std::lock_guard guard(mutex_);
        const char* state = end == SerialEnd::Written  ? "written"
                            : end == SerialEnd::Failed ? "failed"
                                                       : "failed-before-write";
        return Change(
            "UPDATE dspprog_serial SET state = $4, finished_at = now() "
            "WHERE series = $1 AND number = $2 AND run_key = $3 AND state = 'reserved'",
            number, std::string(state), "итог чипа", error);
    }

    // A connection once lost stays so: every later step fails the same way.
    bool ServerLost() const override {
        std::lock_guard guard(mutex_);
        return db_->Lost();
    }

private:
    bool Begin(std::string& error) {
        if (db_->Run("BEGIN", {}, error)) return true;
        Failed("выдача номера", error);
        return false;
    }
    void Rollback() {
        std::string ignored;
        db_->Run("ROLLBACK", {}, ignored);
    }
    std::nullopt_t Failed(const std::string& what, std::string& error) {
        Rollback();
        error = CommandRefusal(*db_, what, error).text;
        return std::nullopt;
    }
    // One row of this run's changed, or the reason why not.
    bool Change(const std::string& sql, std::uint64_t number, const Value& state,
                const std::string& what, std::string& error) {
        std::vector<Value> values = {series_, Text(number), run_key_};
        if (state) values.push_back(state);
        PgConnection::Result result;
        if (!db_->Run(sql, values, result, error)) {
            Failed(what, error);
            return false;
        }
        if (result.affected == 1) return true;
        error = "Номер " + Text(number) + " серии \"" + series_ +
                "\" больше не принадлежит этому запуску";
        return false;
    }

    std::unique_ptr<PgConnection> db_;
    std::string series_;
    SerialNumbering numbering_;
    std::string run_key_;
    mutable std::mutex mutex_;  // the sites of a gang share the one connection
};

class DatabaseLog final : public ChipLogSink {
public:
    DatabaseLog(std::unique_ptr<PgConnection> db, std::optional<std::string> series)
        : db_(std::move(db)), series_(std::move(series)) {}

    bool Append(const ChipLogEntry& entry, std::string& error) override {
        const std::string time = LocalTimeStamp();
        const std::string line = ChipLogLine(entry, time);
        std::lock_guard guard(mutex_);
        // One command outside any transaction: committed when it returns.
        if (db_->Run("INSERT INTO dspprog_chip_log (time, station, series, number, outcome, line) "
                     "VALUES ($1, $2, $3, $4, $5, $6)",
                     {time, entry.station, entry.serial ? series_ : std::nullopt,
                      entry.serial ? Value(Text(*entry.serial)) : std::nullopt,
                      std::string(entry.ok ? "ok" : "failed"), line},
                     error))
            return true;
        error = CommandRefusal(*db_, "журнал", error).text;
        return false;
    }

    bool ServerLost() const override {
        std::lock_guard guard(mutex_);
        return db_->Lost();
    }

private:
    std::unique_ptr<PgConnection> db_;
    std::optional<std::string> series_;
    mutable std::mutex mutex_;
};

}  // namespace

std::unique_ptr<SerialNumbers> OpenDatabaseSerials(const std::string& url,
                                                   const std::string& series,
                                                   const SerialNumbering& numbering,
                                                   DatabaseRefusal& refusal) {
    std::unique_ptr<PgConnection> db = PgConnection::Open(url, refusal);
    if (!db || !CheckSchema(*db, refusal)) return nullptr;
    const std::int64_t run_key = NewRunKey();
    std::string error;
    PgConnection::Result result;
    // Held until the connection closes, however the run ends.
    if (!db->Run("SELECT pg_advisory_lock($1)", {std::to_string(run_key)}, error) ||
        !db->Run("INSERT INTO dspprog_series (name, start, step, next) VALUES ($1, $2, $3, $2) "
                 "ON CONFLICT (name) DO NOTHING",
                 {series, Text(numbering.start), Text(numbering.step)}, error) ||
        !db->Run("SELECT start, step FROM dspprog_series WHERE name = $1", {series}, result,
                 error)) {
        refusal = CommandRefusal(*db, "серия", error);
        return nullptr;
    }
    const std::string start = result.rows.at(0).at(0).value_or("");
    const std::string step = result.rows.at(0).at(1).value_or("");
    if (start != Text(numbering.start) || step != Text(numbering.step)) {
        refusal = {"Серия \"" + series + "\" в базе данных начинается с " + start + " с шагом " +
                       step + ", а --serial задаёт начало " + Text(numbering.start) + " и шаг " +
                       Text(numbering.step),
                   kExitUsage};
        return nullptr;
    }
    return std::make_unique<DatabaseSerials>(std::move(db), series, numbering, run_key);
}

std::unique_ptr<ChipLogSink> OpenDatabaseLog(const std::string& url,
                                             const std::optional<std::string>& series,
                                             DatabaseRefusal& refusal) {
    std::unique_ptr<PgConnection> db = PgConnection::Open(url, refusal);
    if (!db || !CheckSchema(*db, refusal)) return nullptr;
    return std::make_unique<DatabaseLog>(std::move(db), series);
}

}  // namespace dspprog
