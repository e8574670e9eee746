// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One connection to a PostgreSQL server through libpq: opened from a URL or
// a connection string that carries no password, and commands with their
// values passed apart from the text, never spliced into it.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "production/database_stores.h"

struct pg_conn;

namespace dspprog {

// The schema this program writes and reads.
inline constexpr int kDatabaseSchemaVersion = 1;

class PgConnection {
public:
    using Value = std::optional<std::string>;  // nothing: NULL
    struct Result {
        std::vector<std::vector<Value>> rows;
        std::size_t affected = 0;  // rows an INSERT or UPDATE changed
    };

    // Null with `refusal` set when the address cannot be read, holds a
    // password, the server refuses the login (status 2) or cannot be
    // reached (status 3).
    static std::unique_ptr<PgConnection> Open(const std::string& url, DatabaseRefusal& refusal);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one command, `$1`... taking `values` in turn. False with `error`
    // set to the server's message (one line).
    bool Run(const std::string& sql, const std::vector<Value>& values, Result& result,
             std::string& error);
    bool Run(const std::string& sql, const std::vector<Value>& values, std::string& error) {
        Result ignored;
        return Run(sql, values, ignored, error);
    }
    // The connection is gone: the last failure was the server's or the
    // network's, not the command's.
    bool Lost() const;

private:
    PgConnection() = default;
    pg_conn* conn_ = nullptr;
};

// The tables are there, of the version this program knows; else `refusal`.
bool CheckSchema(PgConnection& db, DatabaseRefusal& refusal);

// A refusal from a failed command: the server lost (status 3) or the command
// refused (status 2), `what` saying what was being done.
DatabaseRefusal CommandRefusal(PgConnection& db, const std::string& what, const std::string& error);

}  // namespace dspprog
