// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names are UTF-8 everywhere in this program. The C and C++ libraries
// read a narrow name on Windows in the ANSI code page, where a Cyrillic name
// from the command line would name some other file or none; every name that
// reaches the file system goes through these instead.

#include <filesystem>
#include <string>

namespace dspprog {

// The path a UTF-8 name stands for. On Windows bytes that are no UTF-8 become
// U+FFFD rather than an exception.
std::filesystem::path PathFromUtf8(const std::string& utf8);

// A path as UTF-8 text, for the log and for handing on as a file name.
std::string Utf8FromPath(const std::filesystem::path& path);

#ifdef _WIN32
// The UTF-16 name Windows' own calls take.
std::wstring WidePath(const std::string& utf8);
#endif

}  // namespace dspprog
