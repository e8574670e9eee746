// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Filling the current chip record from the catalogue.

#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/chip_record.h"
#include "catalogue/chip_table.h"
#include "catalogue/number_text.h"

namespace dspprog {

// Looks up the row whose Code is the upper-case hex of chip.ManufCode and
// chip.DevCode, first match in table order. Opens and closes the table each
// time. Fatal stops: "Ошибка при открытии базы данных чипов!" when the table
// cannot be opened, "Размер чипа в базе chips.db указан не верно!" when the
// matching row's size text is none of the eight. True when a row matched.
bool LookupChip(ChipTable& table, ChipRecord& chip);

// "AB05" for 0xAB, 0x05.
std::string ChipKey(std::uint8_t manuf, std::uint8_t dev);

// Bytes for a capacity text ("64K" .. "8M", in bits); nullopt for anything else.
std::optional<std::uint32_t> SizeFromText(const std::string& text);

}  // namespace dspprog
