// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command line asks for, and the usage text that documents it.

#include <optional>
#include <string>
#include <vector>

#include "emulator/emulated_programmer.h"
#include "image/image_format.h"

namespace dspprog {

enum class CliCommand { None, Identify, Read, Erase, Write, Verify, Speed, Chips };

// Write and verify: the commands that take an image FILE.
inline bool TakesImage(CliCommand command) {
    return command == CliCommand::Write || command == CliCommand::Verify;
}

// The answer to the stalled-transfer prompt.
enum class StallAnswer { Ask, Wait, Terminate };

struct CliOptions {
    bool help = false;
    CliCommand command = CliCommand::None;

    std::optional<std::string> catalogue;  // --catalogue FILE; else the search order finds one
    std::optional<std::string> usb;  // hardware backend: "libusb" or "native"

    // --emulate and the options that only make sense with it.
    bool emulate = false;
    emu::EmulatorOptions emulator;

    std::optional<std::string> output;     // read -o FILE: the save dialog's answer
    std::optional<ImageFormat> format;     // --format: the form of read's -o FILE, of write's
                                           // and verify's FILE
    std::string image;                     // write / verify FILE: the open dialog's answer
    bool no_erase = false;                 // write --no-erase
    bool pad = false;                      // write / verify --pad
    std::uint32_t offset = 0;              // write / verify --offset ADDR
    std::optional<std::string> to_sqlite;  // chips --to-sqlite FILE: the copy to make
    StallAnswer on_stall = StallAnswer::Ask;
};

// Parses the arguments after the program name. False with `error` set (one
// line, no program name) on anything that is not a valid command line.
bool ParseCliArgs(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace dspprog
