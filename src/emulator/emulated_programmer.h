// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built-in programmer the front-ends can run against: a firmware with a virtual chip, its
// link backend and enumerator, set up from the front-ends' options.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "emulator/emulated_link.h"
#include "emulator/firmware.h"

namespace dspprog::emu {

struct EmulatorOptions {
    // A catalogue Code, a Name, or a part of a Name (any case) that only one
    // row has; or CODE:SIZE:TYPE (e.g. AB05:8192:255; SIZE in bytes, TYPE
    // decimal or $hex / 0xhex) needing no catalogue.
    std::string chip;
    // The content; created erased when missing. "%d" in it numbers the chips
    // put in the socket one after the other, from 1 (see SwapChip).
    std::optional<std::string> chip_file;
    std::optional<std::array<std::uint8_t, 15>> ident;  // reply bytes 1..15
    Faults faults;
    bool fast = false;                    // no timing model
    std::optional<std::string> wire_log;  // written when the programmer is destroyed
    // Which of several emulated programmers, from 1: its serial number,
    // bus location and interface path follow from it.
    std::size_t number = 1;
};

// The chip file of the `insertion`-th chip put in the socket: "%d" in
// `pattern` replaced by the number.
std::string ChipFileOf(const std::string& pattern, std::uint32_t insertion);

// How many identifications find the socket empty while a chip is swapped slowly.
inline constexpr int kEmptySocketIdentifications = 2;

// "EMU2", "emu-2", and the interface path of the n-th emulated programmer
// (the first one's is kEmulatedPath).
std::string EmulatedSerial(std::size_t number);
std::string EmulatedLocation(std::size_t number);
std::string EmulatedPath(std::size_t number);

// 30 hex digits into reply bytes 1..15.
bool ParseIdent(const std::string& hex, std::array<std::uint8_t, 15>& out, std::string& error);

class EmulatedProgrammer {
public:
    // Resolves the chip (through the catalogue at `catalogue_path` unless it is
    // CODE:SIZE:TYPE) and builds the firmware. Null with `error` set when the
    // chip cannot be resolved or the chip file is unusable.
    static std::unique_ptr<EmulatedProgrammer> Create(const EmulatorOptions& options,
                                                      const std::string& catalogue_path,
                                                      Clock& clock, std::string& error);
    ~EmulatedProgrammer();

    InterfaceEnumerator& enumerator() { return enumerator_; }
    // Its one interface, as a listing of several emulated programmers shows it.
    const FixedEnumerator::Entry& entry() const { return entry_; }
    EmulatedBackend& backend() { return *backend_; }
    Firmware& firmware() { return *firmware_; }

    // The chip in the socket is taken out and the next one put in: with "%d"
    // in the chip file, the next file's chip; otherwise the same chip again.
    // `slowly`: the socket first reads empty for a few identifications, as
    // when a person swaps the chip. False with `error` set when the next
    // chip file cannot be used.
    bool SwapChip(bool slowly, std::string& error);

    // Writes the wire log now (also done on destruction). False on an I/O error.
    bool WriteWireLog();

private:
    EmulatedProgrammer() = default;

    std::unique_ptr<Firmware> firmware_;
    std::unique_ptr<EmulatedBackend> backend_;
    FixedEnumerator::Entry entry_;
    FixedEnumerator enumerator_;
    std::optional<std::string> wire_log_;
    std::optional<std::string> chip_file_;
    std::uint32_t insertion_ = 1;
};

}  // namespace dspprog::emu
