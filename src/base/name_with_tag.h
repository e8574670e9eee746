// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One file name per programmer: the programmer's name inserted before the
// extension.

#include <string>

namespace dspprog {

// "dump.bin" and "EMU2" give "dump-EMU2.bin"; "dir.d/dump" gives
// "dir.d/dump-EMU2"; a leading dot (".hidden") is part of the name.
std::string NameWithTag(const std::string& path, const std::string& tag);

// `text` (a programmer's serial number) made fit to be part of a file name:
// letters, digits, '-' and '_' stay, every other byte becomes '_', so that
// no serial can lead the name into another folder.
std::string FileNameTag(const std::string& text);

}  // namespace dspprog
