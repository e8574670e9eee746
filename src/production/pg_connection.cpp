// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "startup/exit_status.h"

namespace dspprog {
namespace {

// libpq's messages run over several lines; the operator reads one.
std::string OneLine(const char* message) {
    std::string line;
    for (const char* c = message; c != nullptr && *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\r' || *c == '\t') {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += *c;
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

DatabaseRefusal Refusal(std::string text, int status) {
    return {std::move(text), status};
}

}  // namespace

std::optional<DatabaseRefusal> CheckDatabaseAddress(const std::string& url) {
    char* parse_error = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.c_str(), &parse_error);
    if (options == nullptr) {
        const DatabaseRefusal refusal =
            Refusal("Адрес базы данных не разобрать: " +
                        (parse_error != nullptr ? OneLine(parse_error) : "нет памяти"),
                    kExitUsage);
        PQfreemem(parse_error);
        return refusal;
    }
    bool password = false;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option)
        password =
            password || (std::strcmp(option->keyword, "password") == 0 && option->val != nullptr);
    PQconninfoFree(options);
    // A password in the address ends up in the shell's history, the process
    // list and the job files.
    if (password) {
        return Refusal(
            "Пароль в адресе базы данных не принимается: он берётся из ~/.pgpass или PGPASSWORD",
            kExitUsage);
    }
    return std::nullopt;
}

std::unique_ptr<PgConnection> PgConnection::Open(const std::string& url, DatabaseRefusal& refusal) {
    if (std::optional<DatabaseRefusal> bad = CheckDatabaseAddress(url)) {
        refusal = *bad;
        return nullptr;
    }

    // An unreachable host is given up on after 10 s unless the address says
    // otherwise: the address, read last, has the final word.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {"10", "dspprog", url.c_str(), nullptr};
    std::unique_ptr<PgConnection> db(new PgConnection);
    db->conn_ = PQconnectdbParams(keywords, values, 1);
    if (db->conn_ == nullptr) {
        refusal = Refusal("Сервер базы данных недоступен: нет памяти", kExitStopped);
        return nullptr;
    }
    if (PQstatus(db->conn_) != CONNECTION_OK) {
        const std::string message = OneLine(PQerrorMessage(db->conn_));
        // The server asked for a password: the one given was wrong, or none
        // was found where passwords come from.
        if (PQconnectionNeedsPassword(db->conn_) || PQconnectionUsedPassword(db->conn_)) {
            refusal = Refusal("Сервер базы данных не принял вход: " + message, kExitUsage);
        } else {
            refusal = Refusal("Сервер базы данных недоступен: " + message, kExitStopped);
        }
        return nullptr;
    }
    // Times and numbers come back in one form, whatever the server's defaults.
    std::string error;
    if (!db->Run("SET TIME ZONE 'UTC'", {}, error)) {
        refusal = CommandRefusal(*db, "настройка соединения", error);
        return nullptr;
    }
    return db;
}

PgConnection::~PgConnection() {
    if (conn_ != nullptr) PQfinish(conn_);
}

bool PgConnection::Run(const std::string& sql, const std::vector<Value>& values, Result& result,
                       std::string& error) {
    std::vector<const char*> pointers;
    for (const Value& value : values) pointers.push_back(value ? value->c_str() : nullptr);
    PGresult* reply = PQexecParams(conn_, sql.c_str(), static_cast<int>(pointers.size()), nullptr,
                                   pointers.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(reply);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        error = OneLine(reply != nullptr ? PQresultErrorMessage(reply) : PQerrorMessage(conn_));
        if (error.empty()) error = OneLine(PQerrorMessage(conn_));
        PQclear(reply);
        return false;
    }
    result = {};
    for (int row = 0; row < PQntuples(reply); ++row) {
        std::vector<Value>& out = result.rows.emplace_back();
        for (int column = 0; column < PQnfields(reply); ++column)
            out.push_back(PQgetisnull(reply, row, column) ? Value()
                                                          : Value(PQgetvalue(reply, row, column)));
    }
    result.affected = static_cast<std::size_t>(std::strtoull(PQcmdTuples(reply), nullptr, 10));
    PQclear(reply);
    return true;
}

bool PgConnection::Lost() const {
    return PQstatus(conn_) != CONNECTION_OK;
}

bool CheckSchema(PgConnection& db, DatabaseRefusal& refusal) {
    PgConnection::Result result;
    std::string error;
    if (!db.Run("SELECT to_regclass('dspprog_schema') IS NOT NULL", {}, result, error)) {
        refusal = CommandRefusal(db, "проверка схемы", error);
        return false;
    }
    if (result.rows.at(0).at(0) != "t" ||
        !db.Run("SELECT max(version) FROM dspprog_schema", {}, result, error)) {
        refusal = {"В базе данных нет таблиц dspprog: их создаёт dspprog-cli db init URL",
                   kExitUsage};
        return false;
    }
    const std::string version = result.rows.at(0).at(0).value_or("0");
    if (version != std::to_string(kDatabaseSchemaVersion)) {
        refusal = {"Схема базы данных версии " + version + ", а эта программа знает версию " +
                       std::to_string(kDatabaseSchemaVersion),
                   kExitUsage};
        return false;
    }
    return true;
}

DatabaseRefusal CommandRefusal(PgConnection& db, const std::string& what,
                               const std::string& error) {
    if (db.Lost())
        return {"Связь с сервером базы данных потеряна (" + what + "): " + error, kExitStopped};
    return {"База данных отказала (" + what + "): " + error, kExitUsage};
}

}  // namespace dspprog
