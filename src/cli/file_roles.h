#pragma once
// The files one command line names each play one part: a file given for two
// parts would be overwritten or changed behind the operation's back.

#include <string>

#include "cli/cli_options.h"

namespace dspprog {

// True when `a` and `b` name the same file, existing or not.
bool SameFile(const std::string& a, const std::string& b);

// False with `error` set when one file is given for two parts that cannot
// share it: the wire log with any other file, the emulated chip's file with the
// catalogue or with the image a write sends.
bool CheckFileRoles(const CliOptions& options, std::string& error);

}  // namespace dspprog
