// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a chip is named in the log: "<Name>. Объем: <Size> байт(а)."

#include <string>

#include "base/shown_text.h"
#include "catalogue/chip_record.h"

namespace dspprog {

inline std::string ChipSummary(const ChipRecord& chip) {
    return ShownText(chip.Name) + ". Объем: " + std::to_string(chip.Size) + " байт(а).";
}

// The line every chip operation logs once the chip is known.
inline std::string ChipIdentifiedLine(const ChipRecord& chip) {
    return "  Чип определен: " + ChipSummary(chip);
}

}  // namespace dspprog
