// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue kept as an SQLite database with a table `chips`.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/loaded_chip_table.h"

namespace dspprog {

class SqliteChipTable : public LoadedChipTable {
public:
    explicit SqliteChipTable(std::string path);

    // Reads every row of `chips` into memory, in the table's own order, and
    // lets go of the file again. Never creates the file. False when the file
    // is missing or no SQLite database, or when `chips` or one of its six
    // fields is missing.
    bool Open() override;

private:
    std::string path_;
};

}  // namespace dspprog
