// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_export.h"

#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <random>
#include <string_view>
#include <system_error>

#include "base/shown_text.h"
#include "base/utf8_path.h"
#include "link/fatal_stop.h"

namespace dspprog {
namespace {

// The listing shows the fields in the order an operator reads a chip.
constexpr std::array<std::size_t, 6> kListingOrder{0, 1, 2, 5, 3, 4};

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

bool WriteDatabase(const std::vector<ChipRow>& rows, const std::string& path) {
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (opened != SQLITE_OK) return false;

    std::string create = "CREATE TABLE chips(";
    std::string insert = "INSERT INTO chips VALUES(";
    for (std::size_t i = 0; i < std::size(kChipFields); ++i) {
        create += std::string(i == 0 ? "" : ", ") + kChipFields[i] + " TEXT";
        insert += i == 0 ? "?" : ", ?";
    }
    create += ");";
    insert += ");";
    if (sqlite3_exec(db.get(), (create + "BEGIN;").c_str(), nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return false;
    }

    sqlite3_stmt* raw_statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), insert.c_str(), -1, &raw_statement, nullptr) != SQLITE_OK) {
        return false;
    }
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw_statement);
    for (const ChipRow& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            sqlite3_bind_text(statement.get(), static_cast<int>(i + 1), row[i].data(),
                              static_cast<int>(row[i].size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(statement.get()) != SQLITE_DONE) return false;
        sqlite3_reset(statement.get());
    }
    statement.reset();
    return sqlite3_exec(db.get(), "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace

std::vector<ChipRow> ReadChipRows(ChipTable& table) {
    bool opened = false;
    try {
        opened = table.Open();
    } catch (const FatalStop&) {
        throw;
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) {
        table.Close();
        CriticalHalt(CatalogueOpenMessage(table));
    }
    ChipTableCloser closer(table);

    std::vector<ChipRow> rows;
    table.First();
    while (!table.Eof()) {
        ChipRow& row = rows.emplace_back();
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = table.Field(kChipFields[i]);
        table.Next();
    }
    return rows;
}

std::vector<std::string> ChipListing(const std::vector<ChipRow>& rows) {
    const auto line = [](const auto& field_of) {
        std::string text;
        for (std::size_t i = 0; i < kListingOrder.size(); ++i) {
            if (i != 0) text += '\t';
            text += field_of(kListingOrder[i]);
        }
        return text;
    };
    std::vector<std::string> lines;
    lines.push_back(line([](std::size_t i) { return std::string(kChipFields[i]); }));
    for (const ChipRow& row : rows) {
        // A row is data: whatever a field holds, it keeps to its field and its line.
        lines.push_back(line([&row](std::size_t i) { return ShownText(row[i]); }));
    }
    return lines;
}

CatalogueCopyResult WriteSqliteCatalogue(const std::vector<ChipRow>& rows,
                                         const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target = PathFromUtf8(path);
    const auto present = [](const fs::path& file) {
        std::error_code error;
        return fs::exists(fs::symlink_status(file, error));
    };
    if (present(target)) return CatalogueCopyResult::TargetExists;

    // Written beside the target under a name of its own, then linked into
    // place: linking fails rather than replace a file that appeared meanwhile.
    std::random_device random;
    fs::path draft = target;
    draft += ".part-" + std::to_string(random());
    if (present(draft)) return CatalogueCopyResult::CannotWrite;
    std::error_code error;
    if (!WriteDatabase(rows, Utf8FromPath(draft))) {
        fs::remove(draft, error);
        return CatalogueCopyResult::CannotWrite;
    }
    fs::create_hard_link(draft, target, error);
    if (!error) {
        fs::remove(draft, error);
        return CatalogueCopyResult::Written;
    }
    if (present(target)) {
        fs::remove(draft, error);
        return CatalogueCopyResult::TargetExists;
    }
    // A file system without hard links: a plain rename, checked just before.
    fs::rename(draft, target, error);
    if (error) {
        fs::remove(draft, error);
        return CatalogueCopyResult::CannotWrite;
    }
    return CatalogueCopyResult::Written;
}

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string ChipField(const ChipRow& row, const char* name) {
    for (std::size_t i = 0; i < std::size(kChipFields); ++i)
        if (std::string_view(kChipFields[i]) == name) return row[i];
    return {};
}

const ChipRow* ChooseChipRow(const std::vector<ChipRow>& rows, const std::string& chip,
                             std::string& error) {
    for (const ChipRow& row : rows)
        if (Upper(ChipField(row, "Code")) == Upper(chip)) return &row;
    for (const ChipRow& row : rows)
        if (ChipField(row, "Name") == chip) return &row;
    std::vector<const ChipRow*> holding;
    for (const ChipRow& row : rows)
        if (Upper(ChipField(row, "Name")).find(Upper(chip)) != std::string::npos)
            holding.push_back(&row);
    if (holding.size() == 1) return holding.front();
    if (holding.empty()) return nullptr;
    error = "chip '" + chip + "' matches " + std::to_string(holding.size()) +
            " catalogue rows; name one of them:";
    for (const ChipRow* row : holding)
        error += "\n  " + ChipField(*row, "Code") + "  " + ChipField(*row, "Name");
    return nullptr;
}

}  // namespace dspprog
