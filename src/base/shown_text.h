// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Data shown among the program's own lines: a file name, a catalogue field,
// a programmer's serial number. Whatever it holds, it stays on its line and
// cannot steer the terminal.

#include <string>
#include <string_view>

namespace dspprog {

// `data` with its control characters written out (`\n`, `\t`, `\r`, `\x1B`,
// `\u009B` for the C1 controls) and each byte that is not valid UTF-8 as
// U+FFFD. A backslash is left alone: it separates Windows folders.
std::string ShownText(std::string_view data);

}  // namespace dspprog
