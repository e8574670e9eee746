// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The libraries this build is linked with, and their versions as the
// libraries themselves report them while the program runs (which may be
// newer than the headers it was built with).

#include <string>
#include <vector>

namespace dspprog {

struct LibraryVersion {
    std::string name;
    std::string version;
};

// This program's own version.
const char* ProgramVersion();

// SQLite, zlib and, where the build has them, libusb, OpenSSL's libcrypto
// and pxlib. The front-ends add their own (Qt).
std::vector<LibraryVersion> LinkedLibraries();

}  // namespace dspprog
