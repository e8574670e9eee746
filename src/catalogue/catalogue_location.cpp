// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/utf8_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

// The way from the install's bindir to its datadir; the build computes it from
// the configured layout. Without it, the usual bin/ and share/ side by side.
#ifndef DSPPROG_DATADIR_FROM_BINDIR
#define DSPPROG_DATADIR_FROM_BINDIR "../share"
#endif

namespace dspprog {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "chips.db";

bool HoldsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// XDG wants relative values ignored; a relative HOME is refused the same way,
// since it would move the user's catalogue with the working directory.
std::optional<fs::path> UserDataDir(const CatalogueEnvironment& environment) {
    const fs::path xdg = PathFromUtf8(environment.xdg_data_home);
    if (!xdg.empty() && xdg.is_absolute()) return xdg;
    const fs::path home = PathFromUtf8(environment.home);
    if (!home.empty() && home.is_absolute()) return home / ".local" / "share";
    return std::nullopt;
}

// File names are handed on as UTF-8, which spells every path.
std::string Narrow(const fs::path& path) {
    return Utf8FromPath(path);
}

std::string Getenv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ExecutableDir() {
    std::error_code error;
#if defined(__linux__)
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return Narrow(program.parent_path());
#elif defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        // Truncated: a long path; try again with room for it.
        buffer.resize(buffer.size() * 2);
    }
    return Narrow(fs::path(buffer).parent_path());
#else
    (void)error;
    return {};
#endif
}

}  // namespace

CatalogueLocation LocateCatalogue(const CatalogueEnvironment& environment) {
    CatalogueLocation location;
    if (environment.explicit_file) {
        location.path = *environment.explicit_file;
        location.found = HoldsFile(PathFromUtf8(location.path));
        location.looked_at = {location.path};
        return location;
    }

    const fs::path in_current_dir = environment.current_dir.empty()
                                        ? fs::path(kFileName)
                                        : PathFromUtf8(environment.current_dir) / kFileName;
    std::vector<fs::path> places = {in_current_dir};
    if (const auto user_data = UserDataDir(environment)) {
        places.push_back(*user_data / "dspprog" / kFileName);
    }
    if (!environment.executable_dir.empty()) {
        places.push_back((PathFromUtf8(environment.executable_dir) / DSPPROG_DATADIR_FROM_BINDIR /
                          "dspprog" / kFileName)
                             .lexically_normal());
    }

    for (const fs::path& place : places) location.looked_at.push_back(Narrow(place));
    for (const fs::path& place : places) {
        if (HoldsFile(place)) {
            location.path = Narrow(place);
            location.found = true;
            return location;
        }
    }
    location.path = Narrow(in_current_dir);
    return location;
}

CatalogueEnvironment ProcessCatalogueEnvironment(std::optional<std::string> explicit_file) {
    CatalogueEnvironment environment;
    environment.explicit_file = std::move(explicit_file);
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (!error) environment.current_dir = Narrow(current);
    environment.xdg_data_home = Getenv("XDG_DATA_HOME");
    environment.home = Getenv("HOME");
    environment.executable_dir = ExecutableDir();
    return environment;
}

std::string CatalogueSearchText(const CatalogueLocation& location) {
    std::string text = "Каталог не найден; искали в: ";
    for (std::size_t i = 0; i < location.looked_at.size(); ++i) {
        if (i > 0) text += ", ";
        text += location.looked_at[i];
    }
    return text;
}

}  // namespace dspprog
