// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command line asks for, and the usage text that documents it.

#include <optional>
#include <string>
#include <vector>

#include "app/operation_table.h"
#include "app/start_options.h"
#include "image/image_format.h"

namespace dspprog {

// The command that lists the catalogue, beside the operations.
inline constexpr const char* kChipsCommand = "chips";
// The command that lists the programmers present.
inline constexpr const char* kDevicesCommand = "devices";

// The programmer's options, and the command's own.
struct CliOptions : StartOptions {
    bool help = false;
    std::string command;  // an operation's word, kChipsCommand or kDevicesCommand
    const OperationRow* operation = nullptr;  // the operation; null for chips and devices

    std::optional<std::string> output;     // read -o FILE: the save dialog's answer
    std::optional<ImageFormat> format;     // --format: the form of read's -o FILE, of write's
                                           // and verify's FILE
    std::string image;                     // write / verify FILE: the open dialog's answer
    bool no_erase = false;                 // write --no-erase
    bool pad = false;                      // write / verify --pad
    std::uint32_t offset = 0;              // write / verify --offset ADDR
    std::optional<std::string> to_sqlite;  // chips --to-sqlite FILE: the copy to make

    bool TakesImage() const { return operation != nullptr && operation->takes_image; }
    // --device all: the command on every programmer at once.
    bool Gang() const;
};

// Parses the arguments after the program name. False with `error` set (one
// line, no program name) on anything that is not a valid command line.
bool ParseCliArgs(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace dspprog
