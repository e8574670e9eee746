// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The last thing the window does when the program cannot go on.

#include "link/fatal_stop.h"
#include "startup/exit_status.h"

class QWidget;

namespace dspprog {

// Shows what `stop` asks for: for a halt, an error box with its BoxText() and
// one OK button, returning once OK is pressed; when the operator has already
// chosen to end, nothing. Returns the exit status to end with.
int ReportFatalStop(const FatalStop& stop, QWidget* parent);

}  // namespace dspprog
