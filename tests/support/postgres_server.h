// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PostgreSQL server of the test's own: initdb and pg_ctl from Debian's
// postgresql-15 in a temporary folder, reached on a Unix socket in that
// folder (no TCP), run as nobody when the tests run as root. Where it cannot
// start, Start says why; DSPPROG_REQUIRE_POSTGRES=1 makes that a failure.

#include <string>

namespace dspprog::testing {

class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Makes and starts the server; false with `why` set (one line) when it
    // cannot. The role "dspprog" logs in without a password, the role
    // "keeper" only with the password "right".
    bool Start(std::string& why);
    // A fresh database on it, and its URL for `role`.
    std::string NewDatabase(const std::string& role = "dspprog");
    // Stops it at once, its clients cut off; Start again resumes it.
    void Stop();
    bool Restart();
    // Runs SQL in the database `url` names through psql; its output rows,
    // fields separated by '|', one a line.
    std::string Query(const std::string& url, const std::string& sql);

private:
    bool Run(const std::string& command, std::string* output = nullptr);
    std::string AsServer(const std::string& command) const;

    std::string dir_;
    int databases_ = 0;
    bool running_ = false;
};

// Skips the test with the reason, or fails it where the server is required.
#define DSPPROG_NEED_POSTGRES(server)                                             \
    do {                                                                          \
        std::string dspprog_why;                                                  \
        if (!(server).Start(dspprog_why)) {                                       \
            if (std::getenv("DSPPROG_REQUIRE_POSTGRES")) FAIL() << dspprog_why;   \
            GTEST_SKIP() << "no PostgreSQL server for the test: " << dspprog_why; \
        }                                                                         \
    } while (false)

}  // namespace dspprog::testing
