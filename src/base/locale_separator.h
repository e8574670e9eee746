// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decimal separator of the user's locale.

namespace dspprog {

// Reads the separator the environment's numeric locale asks for, then puts
// the process's locale back, so that nothing else starts formatting numbers
// differently. '.' when the locale's separator is not a single byte. Not
// thread-safe (it switches the C locale for a moment): call it at start-up.
char LocaleDecimalSeparator();

}  // namespace dspprog
