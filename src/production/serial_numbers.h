// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a series' serial numbers come from: the file of one station, or a
// database server that several stations share. The series asks it the same
// way whichever it is.

#include <cstdint>
#include <optional>
#include <string>

#include "image/serial_number.h"

namespace dspprog {

// How a chip that was given a number ended.
enum class SerialEnd {
    Written,            // the chip holds it
    FailedBeforeWrite,  // the write never began: the station's next chip gets it
    Failed,             // the write began and failed: the number is spent
};

class SerialNumbers {
public:
    virtual ~SerialNumbers() = default;

    virtual const SerialNumbering& numbering() const = 0;
    // The number for the next chip of `station` (the host and the
    // programmer). nullopt with `error` set (one line) when there is none.
    virtual std::optional<std::uint64_t> Take(const std::string& station, std::string& error) = 0;
    // The chip's write is about to begin: from here the number is spent,
    // whatever becomes of the run. False with `error` set: the chip must not
    // be written.
    virtual bool WriteBegins(std::uint64_t number, std::string& error) = 0;
    // How the chip with `number` ended. False with `error` set when that
    // cannot be kept.
    virtual bool Settle(std::uint64_t number, SerialEnd end, std::string& error) = 0;
    // The last failure was the server's, not the input's: the run stops
    // (exit status 3) rather than being refused as unusable.
    virtual bool ServerLost() const { return false; }
};

}  // namespace dspprog
