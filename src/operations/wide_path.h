// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names are UTF-8 everywhere in this program; Windows opens, moves and
// inspects files by their UTF-16 names.

#ifdef _WIN32
#include <string>

namespace dspprog {

std::wstring WidePath(const std::string& utf8);

}  // namespace dspprog
#endif
