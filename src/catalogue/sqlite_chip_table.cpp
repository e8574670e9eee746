// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/sqlite_chip_table.h"

#include <sqlite3.h>

#include <charconv>
#include <memory>
#include <string>
#include <utility>

namespace dspprog {
namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    return Statement(raw);
}

// Every field is wanted as text, as the old table engine gave it, whatever
// type the value was stored with.
std::string ColumnText(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_FLOAT: {
            // The shortest text that reads back as the same number: 132.0 is "132".
            char buffer[32];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                              sqlite3_column_double(statement, column));
            return std::string(buffer, result.ptr);
        }
        default: {
            // Integers come out in decimal; text and blobs as their bytes.
            const auto* bytes = sqlite3_column_blob(statement, column);
            const int length = sqlite3_column_bytes(statement, column);
            if (bytes == nullptr || length <= 0) return {};
            return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
        }
    }
}

// How often the step count is looked at, in virtual machine steps.
constexpr int kStepsPerCheck = 1000;

// Counts the steps of one open and ends the running statement once they
// pass the limit.
struct StepBudget {
    std::uint64_t limit;
    std::uint64_t taken = 0;
    bool spent = false;
};

int SpendSteps(void* context) {
    auto& budget = *static_cast<StepBudget*>(context);
    budget.taken += kStepsPerCheck;
    if (budget.taken < budget.limit) return 0;
    budget.spent = true;
    return 1;
}

}  // namespace

SqliteChipTable::SqliteChipTable(std::string path, std::uint64_t step_limit)
    : path_(std::move(path)), step_limit_(step_limit) {}

bool SqliteChipTable::Open() {
    Close();
    failure_.clear();

    sqlite3* raw = nullptr;
    // Read-only, so that a missing catalogue is reported, not created empty,
    // and so that nothing in the file can have it written.
    const int opened = sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Database db(raw);
    if (opened != SQLITE_OK) return false;
    // The schema is the file's author's: its views and triggers get no
    // functions with side effects, and no way to damage the file.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    StepBudget budget{step_limit_};
    sqlite3_progress_handler(db.get(), kStepsPerCheck, SpendSteps, &budget);
    const auto out_of_steps = [&] {
        if (budget.spent) {
            failure_ = "Чтение таблицы chips прервано: оно не закончилось за " +
                       std::to_string(step_limit_) + " шагов SQLite.";
        }
        return false;
    };
    // Readers wait for each other's locks rather than fail: on Windows the
    // lanes of a gang, reading the catalogue at one moment, take turns on a
    // lock byte, and an editor's write holds the file briefly.
    sqlite3_busy_timeout(db.get(), 2000);

    // Bracketed names: a double-quoted unknown column would be taken for a
    // string literal, and a missing field must fail the open.
    std::string columns;
    for (const char* field : kChipFields) {
        if (!columns.empty()) columns += ", ";
        columns += std::string("[") + field + "]";
    }
    const std::string select = "SELECT " + columns + " FROM [chips]";
    // Rowid order is the order the rows were entered in. A table without
    // rowids keeps its primary key order instead.
    Statement statement = Prepare(db.get(), select + " ORDER BY _rowid_");
    if (!statement && !budget.spent) statement = Prepare(db.get(), select);
    if (!statement) return out_of_steps();

    std::vector<Row> rows;
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        Row& row = rows.emplace_back();
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = ColumnText(statement.get(), static_cast<int>(i));
        }
    }
    if (step != SQLITE_DONE) return out_of_steps();

    SetRows(std::move(rows));
    return true;
}

}  // namespace dspprog
