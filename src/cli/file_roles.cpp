#include "cli/file_roles.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace dspprog {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    const fs::path full_a = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path full_b = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return full_a == full_b;
}

bool CheckFileRoles(const CliOptions& options, std::string& error) {
    if (!options.emulate) return true;
    const emu::EmulatorOptions& emulator = options.emulator;

    // Every other file the command works on, with the words that name it.
    std::vector<std::pair<std::string, std::string>> others = {
        {options.catalogue, "the catalogue"}};
    if (emulator.chip_file) others.emplace_back(*emulator.chip_file, "the --chip-file");
    if (options.output) others.emplace_back(*options.output, "the -o file");
    if (options.command == CliCommand::Write) others.emplace_back(options.image, "the image FILE");

    if (emulator.wire_log) {
        for (const auto& [path, what] : others) {
            if (SameFile(*emulator.wire_log, path)) {
                error = "--wire-log '" + *emulator.wire_log + "' is also " + what +
                        ", which the log would overwrite";
                return false;
            }
        }
    }
    if (emulator.chip_file) {
        if (SameFile(*emulator.chip_file, options.catalogue)) {
            error = "--chip-file '" + *emulator.chip_file + "' is also the catalogue";
            return false;
        }
        // The chip's file changes with every erase and write: as the image it
        // would be erased before it is sent, and the verify would compare the
        // chip with itself.
        if (options.command == CliCommand::Write && SameFile(*emulator.chip_file, options.image)) {
            error = "the image FILE '" + options.image +
                    "' is the emulated chip's own --chip-file; write a copy of it instead";
            return false;
        }
    }
    return true;
}

}  // namespace dspprog
