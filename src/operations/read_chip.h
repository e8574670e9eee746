#pragma once
// Reading the whole chip: blank or checksum, optionally saved as a new image file.

#include "operations/session.h"

namespace dspprog {

// The "Читать" button. Saves when session.CheckBoxNotWrite is clear.
Outcome ReadClick(Session& session);
Outcome ReadChip(Session& session);

}  // namespace dspprog
