// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Giving a finished file its name without ever destroying a file that holds
// that name already, even one that appeared a moment ago.

namespace dspprog {

// Moves the file `from` to the name `to` in the same folder, as one step that
// fails (false) when `to` exists in any form. On POSIX systems it makes only
// system calls and may be used in a signal handler.
bool MoveNoReplace(const char* from, const char* to) noexcept;

}  // namespace dspprog
