// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/loaded_chip_table.h"

#include <utility>

namespace dspprog {

void LoadedChipTable::SetRows(std::vector<Row> rows) {
    rows_ = std::move(rows);
    First();
}

void LoadedChipTable::First() {
    current_ = 0;
    eof_ = rows_.empty();
}

void LoadedChipTable::Next() {
    // On the last row the end is reached and the last row stays current.
    if (current_ + 1 < rows_.size()) {
        ++current_;
    } else {
        eof_ = true;
    }
}

bool LoadedChipTable::Eof() const { return eof_; }

std::string LoadedChipTable::Field(const std::string& name) const {
    if (current_ >= rows_.size()) return {};
    for (std::size_t i = 0; i < std::size(kChipFields); ++i) {
        if (name == kChipFields[i]) return rows_[current_][i];
    }
    return {};
}

void LoadedChipTable::Close() {
    rows_.clear();
    rows_.shrink_to_fit();
    current_ = 0;
    eof_ = true;
}

}  // namespace dspprog
