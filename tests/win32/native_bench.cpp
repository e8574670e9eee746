// SPDX-License-Identifier: GPL-3.0-or-later
#include "native_bench.h"

#include <cstdio>

#include "support/wire_fixture.h"

namespace dspprog::testing {

NativeBench::NativeBench(Clock& c, emu::VirtualChip chip, std::array<std::uint8_t, 15> ident,
                         const std::vector<CatalogueRow>& rows,
                         NamedPipeProgrammer::Options options)
    : clock(c),
      op(c),
      firmware(std::move(chip), ident),
      programmer(firmware, options),
      link(backend, c, op),
      table((catalogue.Write(rows), MakeChipTable(catalogue.path()))),
      session(link, *table, op) {
    link.DevicePath = programmer.device_path();
}

void NativeBench::Open() {
    link.Open();
}

std::array<std::vector<std::string>, emu::kPipeCount> NativeBench::WirePerPipe() {
    std::vector<emu::WireBlock> wire;
    programmer.Change([&](emu::Firmware& fw) { wire = fw.wire(); });
    return PerPipe(wire);
}

void NativeBench::ClearWire() {
    programmer.Change([](emu::Firmware& fw) { fw.ClearWire(); });
}

std::string NativeBench::PathOf(const std::string& name) const {
    return (catalogue.dir() / name).string();
}

std::array<std::vector<std::string>, emu::kPipeCount> PerPipe(
    const std::vector<emu::WireBlock>& wire) {
    std::array<std::vector<std::string>, emu::kPipeCount> pipes;
    for (const emu::WireBlock& block : wire) {
        std::string line;
        if (block.bytes.size() <= 16) {
            line = emu::FormatWireLine(block);
        } else {
            // FNV-1a: long blocks compare by content without printing it.
            std::uint32_t digest = 2166136261u;
            for (const std::uint8_t byte : block.bytes) digest = (digest ^ byte) * 16777619u;
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(digest));
            line = DataLine(emu::PipeName(block.pipe),
                            static_cast<std::uint32_t>(block.bytes.size())) +
                   " " + hex;
        }
        pipes.at(static_cast<std::size_t>(block.pipe)).push_back(line);
    }
    return pipes;
}

std::vector<std::string> WithoutDir(std::vector<std::string> lines, const std::string& dir) {
    for (std::string& line : lines) {
        for (std::size_t at = line.find(dir); at != std::string::npos; at = line.find(dir, at))
            line.replace(at, dir.size(), "<dir>");
    }
    return lines;
}

}  // namespace dspprog::testing
