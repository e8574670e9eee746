// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/paradox_chip_table.h"

#include <fstream>
#include <optional>
#include <utility>

#include "base/utf8_path.h"
#include "catalogue/paradox_table.h"

namespace dspprog {

bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) return false;
    bytes.clear();
    char buffer[64 * 1024];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        const auto count = static_cast<std::size_t>(file.gcount());
        if (bytes.size() + count > limit) return false;
        bytes.append(buffer, count);
        if (file.eof()) break;
    }
    return !file.bad();
}

ParadoxChipTable::ParadoxChipTable(std::string path) : path_(std::move(path)) {}

bool ParadoxChipTable::Open() {
    Close();
    last_problem_.clear();

    std::string image;
    if (!ReadWholeFile(path_, kMaxCatalogueBytes, image)) {
        last_problem_ = "cannot read the file, or it is too large";
        return false;
    }
    std::optional<ParadoxTable> table = ReadParadoxTable(image, &last_problem_);
    if (!table) return false;

    std::array<std::size_t, std::size(kChipFields)> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto column = table->FieldIndex(kChipFields[i]);
        // A table with no records has no field to read: like the table
        // engine, the lookup then simply finds nothing. With records, a
        // missing field makes the table no catalogue.
        if (!column && table->rows.empty()) continue;
        if (!column) {
            last_problem_ = std::string("no field ") + kChipFields[i];
            return false;
        }
        columns[i] = *column;
    }

    std::vector<Row> rows;
    rows.reserve(table->rows.size());
    for (auto& record : table->rows) {
        Row& row = rows.emplace_back();
        for (std::size_t i = 0; i < columns.size(); ++i) row[i] = std::move(record[columns[i]]);
    }
    SetRows(std::move(rows));
    return true;
}

}  // namespace dspprog
