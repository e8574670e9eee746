// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing an image file into the chip and verifying every byte.

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

// The "Записать" button. Erases first where the chip needs it, unless
// session.CheckBoxNotErase is set.
extern const ButtonOperation kWriteChipButton;
Outcome WriteChip(Session& session);

}  // namespace dspprog
