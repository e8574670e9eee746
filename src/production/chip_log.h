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
    // The host and the programmer, as the serial numbers name them; not a
    // field of the line, which names the programmer already.
    std::string station;
};

// The line of one chip, without its line end, stamped with `time`.
std::string ChipLogLine(const ChipLogEntry& entry, const std::string& time);
// "2026-05-04T13:02:11+03:00": now, in local time with its offset from UTC.
std::string LocalTimeStamp();

// Where the chip lines go: a file, or a table on a database server.
class ChipLogSink {
public:
    virtual ~ChipLogSink() = default;
    // The chip's line, kept for good before this returns. False with
    // `error` set (one line) when it is not.
    virtual bool Append(const ChipLogEntry& entry, std::string& error) = 0;
    // The last failure was the server's: the run stops (exit status 3).
    virtual bool ServerLost() const { return false; }
};

class ChipLog final : public ChipLogSink {
public:
    // Opens `path` to append to, creating it; only a regular file, never
    // what a symbolic link leads to. Null with `error` set (one line) when it
    // cannot be.
    static std::unique_ptr<ChipLog> Open(const std::string& path, std::string& error);
    ~ChipLog() override;
    ChipLog(const ChipLog&) = delete;
    ChipLog& operator=(const ChipLog&) = delete;

    // One line for the chip, stamped with the local time and its offset.
    // False with `error` set when it is not on the disk.
    bool Append(const ChipLogEntry& entry, std::string& error) override;

private:
    ChipLog() = default;

    std::string path_;
    std::FILE* file_ = nullptr;
    std::mutex mutex_;  // the sites of a gang share one log
};

}  // namespace dspprog
