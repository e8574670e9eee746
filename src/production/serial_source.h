// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hands out the serial numbers of a series, so that no two chips that may
// hold data carry the same one: within a run (every site of it asks the one
// source) and, with a serial file, across runs.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "image/serial_number.h"
#include "production/serial_numbers.h"

namespace dspprog {

class FileLock;

class SerialSource final : public SerialNumbers {
public:
    // Starts at the number in `file` (one decimal line), or at the
    // numbering's START when there is no such file; the file is locked for
    // as long as the source lives, under whichever name it is reached. A
    // symbolic link stays one: the file it leads to is the one advanced.
    // Null with `error` set (one line) when the file holds anything else, is
    // locked by another run or cannot be written.
    static std::unique_ptr<SerialSource> Open(const SerialNumbering& numbering,
                                              const std::optional<std::string>& file,
                                              std::string& error);
    ~SerialSource() override;
    SerialSource(const SerialSource&) = delete;
    SerialSource& operator=(const SerialSource&) = delete;

    const SerialNumbering& numbering() const override { return numbering_; }

    // The number for the next chip. The file is advanced past it before it is
    // handed out, so that a run that dies while the chip is written leaves
    // it spent. nullopt with `error` set when the file cannot be written or
    // the numbers have run out.
    std::optional<std::uint64_t> Take(std::string& error);
    // A number taken for a chip that was never written: the next chip gets
    // it. False with `error` set when the file cannot be written.
    bool GiveBack(std::uint64_t number, std::string& error);

    // One file is one station's: the station does not change the numbers.
    std::optional<std::uint64_t> Take(const std::string&, std::string& error) override {
        return Take(error);
    }
    bool WriteBegins(std::uint64_t, std::string&) override { return true; }
    bool Settle(std::uint64_t number, SerialEnd end, std::string& error) override {
        return end != SerialEnd::FailedBeforeWrite || GiveBack(number, error);
    }

private:
    SerialSource() = default;
    bool Store(std::string& error);

    SerialNumbering numbering_;
    std::optional<std::string> file_;  // as given, for messages
    std::string real_file_;            // what its symbolic links lead to
    std::unique_ptr<FileLock> lock_;
    std::mutex mutex_;
    std::uint64_t next_ = 0;
    bool exhausted_ = false;            // next_ + step passed the largest number
    std::set<std::uint64_t> returned_;  // given back below next_
};

}  // namespace dspprog
