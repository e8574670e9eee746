// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/emulated_programmer.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/digits.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"
#include "catalogue/number_text.h"
#include "link/fatal_stop.h"

namespace dspprog::emu {

namespace {

// What the programmer needs to know of the chip it plays.
struct ChipSpec {
    std::uint8_t manuf = 0;
    std::uint8_t dev = 0;
    std::uint32_t size = 0;
    std::uint16_t type = 0;
};

// Four hex digits: manufacturer code, then device code.
bool ParseCode(const std::string& code, ChipSpec& spec) {
    const auto value = code.size() == 4 ? ParseDigits(code, 16, 0xFFFF) : std::nullopt;
    if (!value) return false;
    spec.manuf = static_cast<std::uint8_t>(*value >> 8);
    spec.dev = static_cast<std::uint8_t>(*value & 0xFF);
    return true;
}

// Decimal, or hexadecimal after "$" or "0x"; at most 16 bits.
std::optional<std::uint16_t> ParseType(const std::string& text) {
    std::string digits = text;
    bool hex = false;
    if (digits.rfind("$", 0) == 0) {
        digits.erase(0, 1);
        hex = true;
    } else if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) {
        digits.erase(0, 2);
        hex = true;
    }
    const auto value = ParseDigits(digits, hex ? 16 : 10, 0xFFFF);
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// CODE:SIZE:TYPE, e.g. AB05:8192:255.
bool ParseTriple(const std::string& chip, ChipSpec& spec, std::string& error) {
    const auto first = chip.find(':');
    const auto second = chip.find(':', first + 1);
    if (second == std::string::npos || chip.find(':', second + 1) != std::string::npos) {
        error = "chip '" + chip + "' is neither a catalogue name nor CODE:SIZE:TYPE";
        return false;
    }
    const std::string code = chip.substr(0, first);
    const std::string size = chip.substr(first + 1, second - first - 1);
    const std::string type = chip.substr(second + 1);
    if (!ParseCode(code, spec)) {
        error = "chip '" + chip + "': CODE must be 4 hex digits, such as AB05";
        return false;
    }
    const auto bytes = ParseDigits(size, 10, 1048576);
    if (!bytes || *bytes < 8192 || (*bytes & (*bytes - 1)) != 0) {
        error = "chip '" + chip + "': SIZE must be a byte count from 8192 to 1048576, a power of 2";
        return false;
    }
    const auto parsed_type = ParseType(type);
    if (!parsed_type) {
        error = "chip '" + chip + "': TYPE must be decimal or $hex / 0xhex, at most 16 bits";
        return false;
    }
    spec.size = static_cast<std::uint32_t>(*bytes);
    spec.type = *parsed_type;
    return true;
}

bool FindInCatalogue(const std::string& chip, const std::string& catalogue_path, ChipSpec& spec,
                     std::string& error) {
    const auto table = MakeChipTable(catalogue_path);
    std::vector<ChipRow> rows;
    try {
        rows = ReadChipRows(*table);
    } catch (const FatalStop&) {
        // The lookup's own stop for a catalogue it cannot read; here it is
        // only a chip the emulator cannot be set up with.
        error = "chip '" + chip + "' needs the catalogue, but '" + catalogue_path +
                "' cannot be opened";
        return false;
    }
    const ChipRow* row = ChooseChipRow(rows, chip, error);
    if (!row) {
        if (error.empty())
            error = "chip '" + chip + "' is not in the catalogue '" + catalogue_path + "'";
        return false;
    }
    const std::string name = ChipField(*row, "Name");
    if (!ParseCode(ChipField(*row, "Code"), spec)) {
        error = "catalogue row '" + name + "' has a Code that is not 4 hex digits";
        return false;
    }
    const std::string size_text = ChipField(*row, "Size");
    const auto size = SizeFromText(size_text);
    if (!size) {
        error = "catalogue row '" + name + "' has an unknown Size '" + size_text + "'";
        return false;
    }
    spec.size = *size;
    spec.type = static_cast<std::uint16_t>(IntegerFromText(ChipField(*row, "Type")) & 0xFFFF);
    return true;
}

// The chip's content from `path`, which must hold exactly the chip's size, or
// an erased chip saved there when nothing is there yet.
bool LoadChip(const std::string& path, VirtualChip& chip, std::string& error) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) {
        if (chip.Save(path)) return true;
        error = "Файл чипа \"" + path + "\" не удаётся создать";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = "Файл чипа \"" + path + "\" — не обычный файл";
        return false;
    }
    const auto bytes = std::filesystem::file_size(file, ec);
    if (ec || bytes != chip.size()) {
        error = "В файле чипа \"" + path + "\" должно быть ровно " + std::to_string(chip.size()) +
                " байт, размер чипа";
        return false;
    }
    if (!chip.Load(path)) {
        error = "Файл чипа \"" + path + "\" не удаётся прочитать";
        return false;
    }
    return true;
}

bool IsTriple(const std::string& chip) {
    return chip.find(':') != std::string::npos;
}

}  // namespace

std::string ChipFileOf(const std::string& pattern, std::uint32_t insertion) {
    const std::size_t at = pattern.find("%d");
    if (at == std::string::npos) return pattern;
    return pattern.substr(0, at) + std::to_string(insertion) + pattern.substr(at + 2);
}

std::string EmulatedSerial(std::size_t number) {
    return "EMU" + std::to_string(number);
}

std::string EmulatedLocation(std::size_t number) {
    return "emu-" + std::to_string(number);
}

std::string EmulatedPath(std::size_t number) {
    std::string path = kEmulatedPath;
    if (number == 1) return path;
    const std::string word = "#emulated#";
    return path.replace(path.find(word), word.size(), "#emulated-" + std::to_string(number) + "#");
}

bool ParseIdent(const std::string& hex, std::array<std::uint8_t, 15>& out, std::string& error) {
    std::array<std::uint8_t, 15> bytes{};
    bool valid = hex.size() == 2 * bytes.size();
    for (std::size_t i = 0; valid && i < bytes.size(); ++i) {
        const auto byte = ParseDigits(std::string_view(hex).substr(2 * i, 2), 16, 0xFF);
        valid = byte.has_value();
        if (valid) bytes[i] = static_cast<std::uint8_t>(*byte);
    }
    if (!valid) {
        error = "identification bytes must be 30 hex digits (reply bytes 1..15), got '" + hex + "'";
        return false;
    }
    out = bytes;
    return true;
}

std::unique_ptr<EmulatedProgrammer> EmulatedProgrammer::Create(const EmulatorOptions& options,
                                                               const std::string& catalogue_path,
                                                               Clock& clock, std::string& error) {
    ChipSpec spec;
    if (IsTriple(options.chip) ? !ParseTriple(options.chip, spec, error)
                               : !FindInCatalogue(options.chip, catalogue_path, spec, error))
        return nullptr;

    if (const std::optional<std::string> misfit = FaultsMisfit(options.faults, spec.size)) {
        error = *misfit;
        return nullptr;
    }
    VirtualChip chip(spec.size, spec.type);
    if (options.chip_file && !LoadChip(ChipFileOf(*options.chip_file, 1), chip, error))
        return nullptr;

    std::array<std::uint8_t, 15> ident{};
    if (options.ident) {
        ident = *options.ident;
    } else {
        ident[0] = spec.manuf;
        ident[1] = spec.dev;
    }

    std::unique_ptr<EmulatedProgrammer> programmer(new EmulatedProgrammer());
    programmer->firmware_ = std::make_unique<Firmware>(std::move(chip), ident);
    Firmware& firmware = *programmer->firmware_;
    firmware.faults() = options.faults;
    firmware.timing().enabled = !options.fast;
    if (options.chip_file) firmware.SetBackingFile(ChipFileOf(*options.chip_file, 1));
    programmer->chip_file_ = options.chip_file;
    const std::string path = EmulatedPath(options.number);
    programmer->backend_ = std::make_unique<EmulatedBackend>(firmware, clock, path);
    programmer->entry_ = {kProgrammerManufacturer,
                          path,
                          {EmulatedSerial(options.number), EmulatedLocation(options.number), {}}};
    programmer->enumerator_ = FixedEnumerator({programmer->entry_});
    programmer->wire_log_ = options.wire_log;
    return programmer;
}

bool EmulatedProgrammer::SwapChip(bool slowly, std::string& error) {
    if (slowly) firmware_->EmptySocketFor(kEmptySocketIdentifications);
    if (!chip_file_ || chip_file_->find("%d") == std::string::npos) return true;
    ++insertion_;
    VirtualChip chip(firmware_->chip().size(), firmware_->chip().type());
    const std::string path = ChipFileOf(*chip_file_, insertion_);
    if (!LoadChip(path, chip, error)) return false;
    firmware_->chip() = std::move(chip);
    firmware_->SetBackingFile(path);
    return true;
}

// Also on the way out of a fatal stop, so that the log shows the blocks that
// led to it. A failure here has nobody left to tell; callers that care call
// WriteWireLog themselves first.
EmulatedProgrammer::~EmulatedProgrammer() {
    WriteWireLog();
}

bool EmulatedProgrammer::WriteWireLog() {
    if (!wire_log_) return true;
    // The log is a file the user named for this purpose: it is replaced, but
    // only when it is a regular file of its own, not a link to another.
    std::FILE* log = StreamOverDescriptor(OpenRegularForWriting(*wire_log_, false), "wb");
    if (log == nullptr) return false;
    bool written = true;
    for (const WireBlock& block : firmware_->wire()) {
        const std::string line = FormatWireLine(block) + "\n";
        written = std::fwrite(line.data(), 1, line.size(), log) == line.size() && written;
    }
    return std::fclose(log) == 0 && written;
}

}  // namespace dspprog::emu
