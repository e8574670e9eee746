// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A programmer session whose link is the native backend, opened on the
// emulated programmer served through named pipes: the operations run through
// CreateFileA, overlapped transfers and events exactly as on a real device.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"
#include "emulator/firmware.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/win32/native_backend.h"
#include "named_pipe_programmer.h"
#include "operations/session.h"
#include "support/programmer_fixture.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {

// Long enough that the pipe threads always answer a transfer they can answer
// within it; only a transfer that cannot finish ever uses it up.
inline constexpr std::uint64_t kPatientMs = 60000;

struct NativeBench {
    NativeBench(Clock& clock, emu::VirtualChip chip, std::array<std::uint8_t, 15> ident,
                const std::vector<CatalogueRow>& rows, NamedPipeProgrammer::Options options = {});

    // The link is not opened by the bench: opening is under test as well.
    void Open();

    // The firmware's wire record so far, per pipe in the order of that pipe:
    // blocks of up to 16 bytes in hex, longer ones as "<pipe> [<n> bytes] <digest>".
    std::array<std::vector<std::string>, emu::kPipeCount> WirePerPipe();
    void ClearWire();

    std::string PathOf(const std::string& name) const;

    Clock& clock;
    ScriptedOperator op;
    emu::Firmware firmware;
    NamedPipeProgrammer programmer;
    NativeBackend backend;
    Link link;
    TempCatalogue catalogue;
    std::unique_ptr<ChipTable> table;
    Session session;
};

// The same view of a wire record, for the in-process emulator's.
std::array<std::vector<std::string>, emu::kPipeCount> PerPipe(
    const std::vector<emu::WireBlock>& wire);

// `lines` with every occurrence of `dir` replaced by "<dir>", so that runs in
// different temporary directories compare equal.
std::vector<std::string> WithoutDir(std::vector<std::string> lines, const std::string& dir);

}  // namespace dspprog::testing
