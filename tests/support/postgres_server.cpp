// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/postgres_server.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dspprog::testing {
namespace {

constexpr const char* kBin = "/usr/lib/postgresql/15/bin/";

}  // namespace

PostgresServer::~PostgresServer() {
    Stop();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

std::string PostgresServer::AsServer(const std::string& command) const {
#ifndef _WIN32
    // The server refuses to run as root.
    if (geteuid() == 0) return "setpriv --reuid=nobody --regid=nogroup --clear-groups " + command;
#endif
    return command;
}

bool PostgresServer::Run(const std::string& command, std::string* output) {
#ifdef _WIN32
    (void)command;
    (void)output;
    return false;
#else
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return false;
    std::string text;
    char chunk[512];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        text.append(chunk, got);
    const int status = pclose(pipe);
    if (output != nullptr) *output = text;
    return status == 0;
#endif
}

bool PostgresServer::Start(std::string& why) {
#ifdef _WIN32
    why = "the test server is made on Linux only";
    return false;
#else
    if (running_) return true;
    if (!std::filesystem::exists(std::string(kBin) + "initdb")) {
        why = std::string(kBin) + "initdb is not there (Debian's postgresql-15)";
        return false;
    }
    if (dir_.empty()) {
        char name[] = "/tmp/dspprog-pg-XXXXXX";
        if (mkdtemp(name) == nullptr) {
            why = "no temporary folder";
            return false;
        }
        dir_ = name;
        std::string output;
        if (geteuid() == 0 && !Run("chown nobody:nogroup " + dir_, &output)) {
            why = "cannot give the folder to nobody: " + output;
            return false;
        }
        if (!Run(AsServer(std::string(kBin) + "initdb -A trust -U dspprog -E UTF8 -D " + dir_ +
                          "/data"),
                 &output)) {
            why = "initdb failed: " + output.substr(0, 300);
            return false;
        }
        // The role with a password signs in by it; everyone else is trusted.
        std::ofstream(dir_ + "/data/pg_hba.conf")
            << "local all keeper scram-sha-256\nlocal all all trust\n";
    }
    std::string output;
    if (!Run(AsServer(std::string(kBin) + "pg_ctl -w -t 60 -D " + dir_ + "/data -l " + dir_ +
                      "/log -o \"-c listen_addresses= -c unix_socket_directories=" + dir_ +
                      " -c fsync=off -c max_connections=60\" start"),
             &output)) {
        why = "pg_ctl start failed: " + output.substr(0, 300);
        return false;
    }
    running_ = true;
    if (Query(NewDatabase(), "SELECT 1").find('1') == std::string::npos) {
        why = "the server does not answer";
        return false;
    }
    Query(NewDatabase(),
          "DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'keeper') THEN "
          "CREATE ROLE keeper LOGIN SUPERUSER PASSWORD 'right'; END IF; END$$");
    return true;
#endif
}

std::string PostgresServer::NewDatabase(const std::string& role) {
    const std::string name = "db" + std::to_string(++databases_);
    Run(std::string(kBin) + "createdb -h " + dir_ + " -U dspprog " + name);
    return "postgresql:///" + name + "?host=" + dir_ + "&user=" + role;
}

void PostgresServer::Stop() {
    if (!running_) return;
    Run(AsServer(std::string(kBin) + "pg_ctl -w -D " + dir_ + "/data -m immediate stop"));
    running_ = false;
}

bool PostgresServer::Restart() {
    std::string why;
    return Start(why);
}

std::string PostgresServer::Query(const std::string& url, const std::string& sql) {
    std::string output;
    std::string quoted;
    for (const char c : sql) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    Run(std::string(kBin) + "psql -X -A -t -q -d '" + url + "' -c '" + quoted + "'", &output);
    return output;
}

}  // namespace dspprog::testing
