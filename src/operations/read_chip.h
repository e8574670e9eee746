// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the whole chip: blank or checksum, optionally saved as a new image file.

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

// The "Читать" button. Saves when session.CheckBoxNotWrite is clear.
extern const ButtonOperation kReadButton;
Outcome ReadChip(Session& session);

}  // namespace dspprog
