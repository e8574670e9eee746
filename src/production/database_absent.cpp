// SPDX-License-Identifier: GPL-3.0-or-later
// A build without libpq: the database is named, and refused, the same way.

#include "production/database_stores.h"
#include "startup/exit_status.h"

namespace dspprog {
namespace {

DatabaseRefusal NotBuilt() {
    return {"Эта сборка dspprog без PostgreSQL: базы данных она не открывает", kExitUsage};
}

}  // namespace

std::optional<DatabaseRefusal> CheckDatabaseAddress(const std::string&) { return NotBuilt(); }

std::unique_ptr<SerialNumbers> OpenDatabaseSerials(const std::string&, const std::string&,
                                                   const SerialNumbering&,
                                                   DatabaseRefusal& refusal) {
    refusal = NotBuilt();
    return nullptr;
}

std::unique_ptr<ChipLogSink> OpenDatabaseLog(const std::string&, const std::optional<std::string>&,
                                             DatabaseRefusal& refusal) {
    refusal = NotBuilt();
    return nullptr;
}

int InitDatabase(const std::string&, std::vector<std::string>&, DatabaseRefusal& refusal) {
    refusal = NotBuilt();
    return refusal.status;
}

int ReportDatabase(const std::string&, const std::optional<std::string>&, std::vector<std::string>&,
                   DatabaseRefusal& refusal) {
    refusal = NotBuilt();
    return refusal.status;
}

}  // namespace dspprog
