// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue kept as an SQLite database with a table `chips`.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/loaded_chip_table.h"

namespace dspprog {

class SqliteChipTable : public LoadedChipTable {
public:
    // Far more than any real catalogue needs to be read, and reached within
    // a second: the file may come from anyone, and `chips` may be a
    // view that never ends.
    static constexpr std::uint64_t kDefaultStepLimit = 10'000'000;

    // `step_limit`: the SQLite virtual machine steps one open may take.
    explicit SqliteChipTable(std::string path, std::uint64_t step_limit = kDefaultStepLimit);

    // Reads every row of `chips` into memory, in the table's own order, and
    // lets go of the file again. Never creates or changes the file. False
    // when the file is missing or no SQLite database, when `chips` or one of
    // its six fields is missing, or when reading it takes more steps than
    // allowed (OpenFailure then says so).
    bool Open() override;
    std::string OpenFailure() const override { return failure_; }

private:
    std::string path_;
    std::uint64_t step_limit_;
    std::string failure_;
};

}  // namespace dspprog
