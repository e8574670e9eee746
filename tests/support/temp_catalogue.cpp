// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/temp_catalogue.h"

#include <sqlite3.h>

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

#include "catalogue/chip_table.h"

namespace dspprog {
namespace {

class Database {
public:
    explicit Database(const std::string& path) {
        std::filesystem::remove(path);
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            const std::string why = sqlite3_errmsg(db_);
            sqlite3_close(db_);
            throw std::runtime_error("cannot create " + path + ": " + why);
        }
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : "error";
            sqlite3_free(error);
            throw std::runtime_error("SQL failed: " + why + "\n" + sql);
        }
    }

    void InsertTexts(const std::string& sql, const std::vector<std::string>& values) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string("SQL failed: ") + sqlite3_errmsg(db_));
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            sqlite3_bind_text(statement, static_cast<int>(i + 1), values[i].data(),
                              static_cast<int>(values[i].size()), SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) throw std::runtime_error("insert failed");
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

TempCatalogue::TempCatalogue() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("dspprog-catalogue-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            dir_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempCatalogue::~TempCatalogue() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string TempCatalogue::path() const {
    return (dir_ / "chips.db").string();
}

void TempCatalogue::Write(const std::vector<CatalogueRow>& rows,
                          const std::string& omit_field) const {
    std::string columns;
    std::string placeholders;
    for (const char* field : kChipFields) {
        if (field == omit_field) continue;
        if (!columns.empty()) {
            columns += ", ";
            placeholders += ", ";
        }
        columns += std::string(field) + " TEXT";
        placeholders += "?";
    }

    Database db(path());
    db.Exec("CREATE TABLE chips(" + columns + ");");
    db.Exec("BEGIN;");
    for (const CatalogueRow& row : rows) {
        std::vector<std::string> values;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (kChipFields[i] != omit_field) values.push_back(row[i]);
        }
        db.InsertTexts("INSERT INTO chips VALUES(" + placeholders + ");", values);
    }
    db.Exec("COMMIT;");
}

void TempCatalogue::WriteSql(const std::string& sql) const {
    Database db(path());
    db.Exec(sql);
}

void TempCatalogue::WriteBytes(const std::string& bytes) const {
    std::ofstream out(path(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path());
}

}  // namespace dspprog
