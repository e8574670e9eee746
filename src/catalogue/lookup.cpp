// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/lookup.h"

#include <array>
#include <cstdio>
#include <exception>
#include <limits>
#include <utility>

#include "link/fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kBadSize = "Размер чипа в базе chips.db указан не верно!";

// Any failure of the open counts alike, an exception from the reader included.
bool OpenQuietly(ChipTable& table) {
    try {
        return table.Open();
    } catch (const FatalStop&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::string ChipKey(std::uint8_t manuf, std::uint8_t dev) {
    char key[5];
    std::snprintf(key, sizeof key, "%02X%02X", static_cast<unsigned>(manuf),
                  static_cast<unsigned>(dev));
    return key;
}

std::optional<std::uint32_t> SizeFromText(const std::string& text) {
    // Capacities are written in bits, as the chip makers name their parts.
    static constexpr std::array<std::pair<const char*, std::uint32_t>, 8> kSizes{{
        {"64K", 0x2000},
        {"128K", 0x4000},
        {"256K", 0x8000},
        {"512K", 0x10000},
        {"1M", 0x20000},
        {"2M", 0x40000},
        {"4M", 0x80000},
        {"8M", 0x100000},
    }};
    for (const auto& [name, bytes] : kSizes) {
        if (text == name) return bytes;
    }
    return std::nullopt;
}

bool LookupChip(ChipTable& table, ChipRecord& chip) {
    chip.Name.clear();
    chip.Size = 0;

    if (!OpenQuietly(table)) {
        // A half-opened reader may hold the file; closing a closed table is harmless.
        table.Close();
        CriticalHalt(CatalogueOpenMessage(table));
    }
    ChipTableCloser closer(table);

    table.First();
    const std::string key = ChipKey(chip.ManufCode, chip.DevCode);
    while (table.Field("Code") != key && !table.Eof()) table.Next();

    if (table.Field("Code") == key) {
        chip.Name = table.Field("Name");
        const auto size = SizeFromText(table.Field("Size"));
        if (!size) CriticalHalt(kBadSize);
        chip.Size = *size;
    }
    // Read from the current record even without a match; callers only look at
    // these fields after a successful lookup.
    chip.tErase = static_cast<std::uint8_t>(IntegerFromText(table.Field("tErase")) & 0xFF);
    chip.tWrite = static_cast<std::uint8_t>(IntegerFromText(table.Field("tWrite")) & 0xFF);
    chip.Type = static_cast<std::uint16_t>(IntegerFromText(table.Field("Type")) & 0xFFFF);

    return chip.Size != 0;
}

}  // namespace dspprog
