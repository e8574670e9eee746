// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A catalogue read whole into memory when it is opened: the readers only
// load the six fields of every row; walking the rows is the same for all.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"

namespace dspprog {

class LoadedChipTable : public ChipTable {
public:
    void First() override;
    void Next() override;
    bool Eof() const override;
    std::string Field(const std::string& name) const override;
    void Close() override;

protected:
    // One row's fields, in the order of kChipFields.
    using Row = std::array<std::string, std::size(kChipFields)>;

    // Takes the rows of a successful open and makes the first one current.
    void SetRows(std::vector<Row> rows);

private:
    std::vector<Row> rows_;
    std::size_t current_ = 0;
    bool eof_ = true;
};

}  // namespace dspprog
