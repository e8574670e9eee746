// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue as a whole: its rows as the lookup reads them, for listing,
// and a copy of them into an SQLite catalogue, for leaving a legacy table
// behind.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"

namespace dspprog {

// One row's six fields as text, in the order of kChipFields.
using ChipRow = std::array<std::string, std::size(kChipFields)>;

// Every row of `table` in the order a lookup scans them, each field as the
// lookup reads it. Opens and closes the table; a table that does not open
// is the lookup's fatal stop "Ошибка при открытии базы данных чипов!".
std::vector<ChipRow> ReadChipRows(ChipTable& table);

// The field `name` (one of kChipFields) of `row`.
std::string ChipField(const ChipRow& row, const char* name);

// The row `chip` names, tried in this order: the first row whose Code is
// `chip` (hex digits of either case), the first whose Name is `chip`, the
// one row whose Name holds `chip` whatever its case. Null when none does;
// several rows of the last kind set `error`, which lists them so that the
// user can pick one.
const ChipRow* ChooseChipRow(const std::vector<ChipRow>& rows, const std::string& chip,
                             std::string& error);

// The listing of `rows`: a heading line, then one line per row, the fields
// Code, Name, Size, Type, tErase, tWrite separated by tabs.
std::vector<std::string> ChipListing(const std::vector<ChipRow>& rows);

enum class CatalogueCopyResult {
    Written,
    TargetExists,  // nothing written; the file that is there stays as it was
    CannotWrite,   // nothing left behind
};

// Writes `rows` in their order as a new SQLite catalogue (table `chips`, six
// text fields) at `path`. Never replaces a file that is there, also not one
// that appears while the copy is being written.
CatalogueCopyResult WriteSqliteCatalogue(const std::vector<ChipRow>& rows, const std::string& path);

}  // namespace dspprog
