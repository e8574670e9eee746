// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/host_name.h"

#ifdef _WIN32
#include <windows.h>

#include <filesystem>

#include "base/utf8_path.h"
#else
#include <unistd.h>
#endif

namespace dspprog {

std::string HostName() {
#ifdef _WIN32
    wchar_t name[256];
    DWORD size = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return "?";
    return Utf8FromPath(std::filesystem::path(std::wstring(name, size)));
#else
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "?";
    return name;
#endif
}

}  // namespace dspprog
