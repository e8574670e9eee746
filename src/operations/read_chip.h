// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the whole chip: blank or checksum, optionally saved as a new image file.

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

// The "Читать" button. Saves when session.CheckBoxNotWrite is clear. With
// settings.passes above 1 the chip is read that many times, and the read
// succeeds only when every pass agrees with the first and the chip still
// identifies as itself afterwards; a read that ends whole tells the operator
// what its content suggests about the chip's seat (CheckContent).
extern const ButtonOperation kReadButton;
Outcome ReadChip(Session& session);

}  // namespace dspprog
