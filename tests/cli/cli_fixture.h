// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the command-line front-end in process against the emulator, on a
// simulated clock, in a temporary directory with a catalogue of its own.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_location.h"
#include "link/clock.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
    // Standard output split at line feeds (the last, empty piece dropped).
    std::vector<std::string> lines() const;
};

std::vector<std::string> ReadLines(const std::string& path);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

class CliTest : public ::testing::Test {
protected:
    // Catalogue rows: AB05 "Test Flash 8K" (Type 255, tErase 4, tWrite 1),
    // AB06 "Test EPROM 8K" (Type FE00, no erase), AB08 "Test Huge" (8M).
    CliTest();

    // A file name in the test's directory.
    std::string Path(const std::string& name) const;
    // --catalogue, --emulate CHIP and --fast, followed by `rest`.
    std::vector<std::string> Emulate(const std::string& chip,
                                     const std::vector<std::string>& rest) const;
    // `typed`: what the person at the terminal answers; without it nobody is asked.
    CliResult Run(const std::vector<std::string>& args, const std::string* typed = nullptr,
                  char separator = '.');

    TempCatalogue catalogue;
    SimulatedClock clock;
    // Where a run without --catalogue looks for one; unset: this process's places.
    std::optional<CatalogueEnvironment> places;
    bool progress = false;    // the progress bar drawn, as on a terminal
    bool real_clock = false;  // the steady clock instead of `clock`, for --device all
    // The lines a series reads between chips; unset: it has no input.
    std::optional<std::string> next_chip_lines;
};

// The command line on the emulated AB05 ("Test Flash 8K", erased before a
// write), its content in chip.bin, erased to start with.
class CliOnChip : public CliTest {
protected:
    static constexpr std::uint32_t kChipSize = 8192;

    CliOnChip();
    // Runs `command` on the chip, recording the wire.
    CliResult On(const std::vector<std::string>& command);
    std::vector<std::uint8_t> Chip();
    // The opcodes of the commands the programmer received ("80 83 ").
    std::string Commands();
};

}  // namespace dspprog::testing
