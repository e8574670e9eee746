#pragma once
// The catalogue kept as an SQLite database with a table `chips`.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"

namespace dspprog {

class SqliteChipTable : public ChipTable {
public:
    explicit SqliteChipTable(std::string path);

    // Reads every row of `chips` into memory, in the table's own order, and
    // lets go of the file again. Never creates the file. False when the file
    // is missing or no SQLite database, or when `chips` or one of its six
    // fields is missing.
    bool Open() override;
    void First() override;
    void Next() override;
    bool Eof() const override;
    std::string Field(const std::string& name) const override;
    void Close() override;

private:
    using Row = std::array<std::string, std::size(kChipFields)>;

    std::string path_;
    std::vector<Row> rows_;
    std::size_t current_ = 0;
    bool eof_ = true;
};

}  // namespace dspprog
