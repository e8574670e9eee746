// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/outside_tool.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dspprog::testing {

bool HaveTool(const std::string& tool) {
    const std::string command = "command -v '" + tool + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool RunInDir(const std::string& dir, const std::string& command, std::string& output) {
    const std::string log = dir + "/outside_tool.log";
    const std::string line = "cd '" + dir + "' && " + command + " >'" + log + "' 2>&1";
    const bool ran = std::system(line.c_str()) == 0;
    std::ifstream in(log, std::ios::binary);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(log.c_str());
    return ran;
}

}  // namespace dspprog::testing
