// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Outside programs as judges (srec_cat, sha1sum, python3): found on the
// PATH when they are there, so that a test without one skips instead of
// failing.

#include <string>

namespace dspprog::testing {

// True when `tool` can be run from the shell.
bool HaveTool(const std::string& tool);

// Runs `command` through the shell in `dir`; its standard output and error
// in `output`. True when it exits with 0.
bool RunInDir(const std::string& dir, const std::string& command, std::string& output);

}  // namespace dspprog::testing
