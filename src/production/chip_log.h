// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of a series, one JSON object a line for each chip (JSON Lines),
// appended and on the disk before the next chip starts.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "startup/programmer_identity.h"

namespace dspprog {

struct ChipLogEntry {
    ProgrammerIdentity programmer;
    std::string operation;  // the command's word
    ChipRecord chip;        // Name empty when the chip was not identified
    bool ok = false;
    std::string reason;  // why it failed
    std::uint64_t duration_ms = 0;
    // What was written, read or compared with; empty for none.
    const std::vector<std::uint8_t>* content = nullptr;
    std::optional<std::uint64_t> serial;
    bool serial_spent = false;  // the chip may hold the number
};

class ChipLog {
public:
    // Opens `path` to append to, creating it; only a regular file, never
    // what a symbolic link leads to. Null with `error` set (one line) when it
    // cannot be.
    static std::unique_ptr<ChipLog> Open(const std::string& path, std::string& error);
    ~ChipLog();
    ChipLog(const ChipLog&) = delete;
    ChipLog& operator=(const ChipLog&) = delete;

    // One line for the chip, stamped with the local time and its offset.
    // False with `error` set when it is not on the disk.
    bool Append(const ChipLogEntry& entry, std::string& error);

private:
    ChipLog() = default;

    std::string path_;
    std::FILE* file_ = nullptr;
    std::mutex mutex_;  // the sites of a gang share one log
};

}  // namespace dspprog
