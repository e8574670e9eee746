// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up of either front-end: find the programmer and open the link.

#include "link/discovery.h"
#include "link/link.h"

namespace dspprog {

// The stop when no programmer is there.
inline constexpr const char* kNoProgrammer = "Не удалось получить доступ к устройству!";

// Searches with the built-in class, vendor, product and manufacturer; stops the
// program with "Не удалось получить доступ к устройству!" when nothing was found
// and no path was left; otherwise opens the link on the path found.
void StartUp(InterfaceEnumerator& enumerator, Link& link);
// The search alone: puts the path in link.DevicePath, or stops as StartUp does.
void FindProgrammer(InterfaceEnumerator& enumerator, Link& link);

}  // namespace dspprog
