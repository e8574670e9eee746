// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Erasing the chip and checking that it reads back blank.

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

// The "Стереть" button.
extern const ButtonOperation kEreaseChipButton;
// True only when the erase was accepted, completed and the chip reads back blank.
bool EraseChip(Session& session);

}  // namespace dspprog
