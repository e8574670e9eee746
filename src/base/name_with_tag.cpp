// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/name_with_tag.h"

namespace dspprog {

std::string NameWithTag(const std::string& path, const std::string& tag) {
    const auto slash = path.find_last_of("/\\");
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    auto dot = path.rfind('.');
    if (dot == std::string::npos || dot <= name_start) dot = path.size();
    return path.substr(0, dot) + "-" + tag + path.substr(dot);
}

std::string FileNameTag(const std::string& text) {
    std::string tag = text;
    for (char& c : tag) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!kept) c = '_';
    }
    return tag;
}

}  // namespace dspprog
