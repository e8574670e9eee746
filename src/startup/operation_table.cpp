// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/operation_table.h"

#include <algorithm>

#include "operations/erase_chip.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/speed_test.h"
#include "operations/verify_chip.h"
#include "operations/write_chip.h"

namespace dspprog {

namespace {

const OperationRow kRows[] = {
    {"identify", "GetIdent", kGetIdentButton, false},
    {"read", "Read", kReadButton, false},
    {"erase", "EreaseChip", kEreaseChipButton, false},
    {"write", "WriteChipButton", kWriteChipButton, true},
    {"verify", "CompareButton", kCompareButton, true},
    // The endpoint test takes no part in the operations' interlock, but each
    // front-end runs one job at a time, so it holds Busy like the others.
    {"speed", "Button1", kButton1Button, false},
};

}  // namespace

std::span<const OperationRow> OperationRows() {
    return kRows;
}

const OperationRow* OperationNamed(const std::string& command) {
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const OperationRow& r) { return command == r.command; });
    return row == std::end(kRows) ? nullptr : &*row;
}

}  // namespace dspprog
