// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operations the operator can start, one row each, for both front-ends:
// the command line finds its command here and the window its button, so a
// new operation is one more row.

#include <span>
#include <string>

#include "operations/button_operation.h"

namespace dspprog {

struct OperationRow {
    const char* command;  // the command line's word
    const char* button;   // the Qt object name of the window's button
    const ButtonOperation& operation;
    bool takes_image;  // the command line names the image FILE after the word
};

std::span<const OperationRow> OperationRows();

// The row whose command is `command`; null for none.
const OperationRow* OperationNamed(const std::string& command);

}  // namespace dspprog
