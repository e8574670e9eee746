// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every present programmer, not only the first: for the listing, for choosing
// one of several, and for running them all at once.

#include <cstdint>
#include <string>
#include <vector>

#include "link/discovery.h"

namespace dspprog {

struct ProgrammerEntry {
    // The interface's index in the enumeration; kUnreachable for a
    // programmer the walk cannot reach.
    std::uint32_t member = 0;
    static constexpr std::uint32_t kUnreachable = 0xFFFFFFFF;
    std::size_t number = 0;  // its place in the listing, from 1
    std::string path;
    DeviceFacts facts;

    // What a gang prefixes its lines with: the serial, else the number.
    std::string Name() const;
};

// The interfaces that pass the search's tests (the manufacturer text, the
// vendor and product texts in the path), in enumeration order. A device
// whose manufacturer could not be read because it cannot be opened is listed
// too when its path passes, with the reason in its facts, and so are those
// the walk cannot reach, after the others. Empty when the interface set
// cannot be made.
std::vector<ProgrammerEntry> ListProgrammers(InterfaceEnumerator& enumerator);

// One line of the listing: number, serial, location, path and, for a device
// that cannot be opened, the reason; tab-separated, "-" for what is unknown,
// control characters written out.
std::string ListingLine(const ProgrammerEntry& entry);

// What each of `entries` adds to a file name of its own (dump-TAG.bin), in
// the same order: its name with only letters, digits, '-' and '_' left, and
// its number after it where two would be the same.
std::vector<std::string> FileTags(const std::vector<ProgrammerEntry>& entries);

}  // namespace dspprog
