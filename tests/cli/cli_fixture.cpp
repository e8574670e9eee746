// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_fixture.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "base/utf8_path.h"
#include "cli/run_cli.h"

namespace dspprog::testing {

std::vector<std::string> CliResult::lines() const {
    std::vector<std::string> result;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) result.push_back(line);
    return result;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(PathFromUtf8(path));
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

CliTest::CliTest() {
    catalogue.Write({
        {"AB05", "Test Flash 8K", "64K", "4", "1", "255"},
        {"AB06", "Test EPROM 8K", "64K", "0", "0", "65024"},
        {"AB08", "Test Huge", "8M", "4", "1", "255"},
    });
}

std::string CliTest::Path(const std::string& name) const {
    return (catalogue.dir() / name).string();
}

std::vector<std::string> CliTest::Emulate(const std::string& chip,
                                          const std::vector<std::string>& rest) const {
    std::vector<std::string> args = {"--catalogue", catalogue.path(), "--emulate", chip, "--fast"};
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
}

CliResult CliTest::Run(const std::vector<std::string>& args, const std::string* typed,
                       char separator) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream answers(typed ? *typed : std::string());
    CliEnvironment environment;
    environment.ask = typed ? &answers : nullptr;
    environment.decimal_separator = separator;
    // The sites of a gang run on threads of their own; the simulated clock serves one.
    environment.clock = real_clock ? nullptr : &clock;
    environment.catalogue_places = places;
    environment.progress = progress;
    std::istringstream next_chips(next_chip_lines.value_or(""));
    if (next_chip_lines) environment.next_chip_input = &next_chips;
    CliResult result;
    result.status = RunCli(args, out, err, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
}

CliOnChip::CliOnChip() {
    WriteBytes(Path("chip.bin"), std::vector<std::uint8_t>(kChipSize, 0xFF));
}

CliResult CliOnChip::On(const std::vector<std::string>& command) {
    std::vector<std::string> rest = {"--chip-file", Path("chip.bin"), "--wire-log", Path("wire")};
    rest.insert(rest.end(), command.begin(), command.end());
    return Run(Emulate("AB05", rest));
}

std::vector<std::uint8_t> CliOnChip::Chip() {
    return ReadBytes(Path("chip.bin"));
}

std::string CliOnChip::Commands() {
    std::string opcodes;
    for (const std::string& line : ReadLines(Path("wire")))
        if (line.rfind("CmdOut ", 0) == 0) opcodes += line.substr(7, 2) + " ";
    return opcodes;
}

}  // namespace dspprog::testing
