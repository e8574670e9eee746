// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/faults.h"

#include "base/digits.h"

namespace dspprog::emu {

bool ParseFault(const std::string& word, Faults& faults, std::string& error) {
    const auto colon = word.find(':');
    std::string kind = word.substr(0, colon);
    std::string arg = colon == std::string::npos ? std::string() : word.substr(colon + 1);
    long from = 0;
    bool has_at = false;
    // "@N": from the N-th transfer on.
    std::string* with_at = colon == std::string::npos ? &kind : &arg;
    if (const auto at = with_at->find('@'); at != std::string::npos) {
        const auto n = ParseDigits(with_at->substr(at + 1), 10, 100000000);
        if (!n) {
            error = "bad transfer number in fault '" + word + "'";
            return false;
        }
        from = static_cast<long>(*n);
        has_at = true;
        with_at->resize(at);
    }

    if (kind == "refuse" || kind == "fail") {
        const auto opcode = ParseDigits(arg, 16, 0xFF);
        if (!opcode) {
            error = "fault '" + word + "' needs a hex opcode such as 83";
            return false;
        }
        const auto code = static_cast<std::uint8_t>(*opcode);
        (kind == "refuse" ? faults.refuse : faults.fail_completion).insert(code);
        if (kind == "fail" && (code == 0xB0 || code == 0xC0)) faults.unwritten.insert(code);
        return true;
    }
    if (kind == "stall" || kind == "short") {
        const auto pipe = PipeFromName(arg);
        if (!pipe) {
            error = "fault '" + word + "' needs a pipe: CmdIn, CmdOut, MainIn or MainOut";
            return false;
        }
        (kind == "stall" ? faults.stall_from : faults.short_from)[static_cast<int>(*pipe)] = from;
        return true;
    }
    if (kind == "stuck") {
        const auto equals = arg.find('=');
        const auto bytes = ParseDigits(arg.substr(0, equals), 10, 1u << 20);
        if (!bytes) {
            error = "fault '" + word + "' needs a byte count";
            return false;
        }
        std::optional<std::uint64_t> value = 0x00;
        if (equals != std::string::npos) {
            const std::string digits = arg.substr(equals + 1);
            value = digits.size() == 2 ? ParseDigits(digits, 16, 0xFF) : std::nullopt;
            // A stuck 0xFF would read as erased: a fault that cannot show.
            if (!value || *value == 0xFF) {
                error = "fault '" + word + "' needs =VV, two hex digits 00 to FE, such as 7F";
                return false;
            }
        }
        faults.stuck = static_cast<std::uint32_t>(*bytes);
        faults.stuck_value = static_cast<std::uint8_t>(*value);
        return true;
    }
    if (kind == "ident") {
        const auto code = arg.size() == 4 ? ParseDigits(arg, 16, 0xFFFF) : std::nullopt;
        if (!code) {
            error = "fault '" + word + "' needs a chip code of 4 hex digits such as 01A4";
            return false;
        }
        faults.reident = {};
        faults.reident[0] = static_cast<std::uint8_t>(*code >> 8);
        faults.reident[1] = static_cast<std::uint8_t>(*code & 0xFF);
        faults.reident_from = from;
        return true;
    }
    if (kind == "flaky" && !has_at) {
        const auto second = arg.find(':');
        const auto address = ParseNumber(std::string_view(arg).substr(0, second));
        const auto mask = second == std::string::npos
                              ? std::optional<std::uint32_t>(1)
                              : ParseNumber(std::string_view(arg).substr(second + 1));
        if (!address || !mask || *mask == 0 || *mask > 0xFF) {
            error = "fault '" + word +
                    "' needs a chip address and a mask of 1 to 0xFF, decimal or 0x-prefixed hex, "
                    "such as flaky:0x1234:0x01";
            return false;
        }
        faults.flaky[*address] |= static_cast<std::uint8_t>(*mask);
        return true;
    }
    if (kind == "pin" && !has_at) {
        const bool data =
            arg.size() == 4 && arg[0] == 'D' && arg[2] == '=' && (arg[3] == '0' || arg[3] == '1');
        const auto line = data ? ParseDigits(std::string_view(arg).substr(1, 1), 10, 7)
                          : arg.starts_with('A')
                              ? ParseDigits(std::string_view(arg).substr(1), 10, 18)
                              : std::nullopt;
        if (!line) {
            error = "fault '" + word +
                    "' needs a data line stuck at 0 or 1 (pin:D0=0 to pin:D7=1) or an open "
                    "address line (pin:A0 to pin:A18)";
            return false;
        }
        if (!data) {
            faults.open_address |= 1u << *line;
            return true;
        }
        const auto bit = static_cast<std::uint8_t>(1u << *line);
        std::uint8_t& stuck = arg[3] == '0' ? faults.data_low : faults.data_high;
        const std::uint8_t other = arg[3] == '0' ? faults.data_high : faults.data_low;
        if (other & bit) {
            error = "fault '" + word + "' contradicts the other value given for D" +
                    std::to_string(*line);
            return false;
        }
        stuck |= bit;
        return true;
    }
    if (kind == "unplug" && colon == std::string::npos && has_at) {
        faults.disconnect_after = from;
        return true;
    }
    error = "unknown fault '" + word + "'";
    return false;
}

std::optional<std::string> FaultsMisfit(const Faults& faults, std::uint32_t chip_size) {
    for (const auto& [address, mask] : faults.flaky)
        if (address >= chip_size)
            return "fault flaky:" + std::to_string(address) + " lies beyond the chip of " +
                   std::to_string(chip_size) + " bytes";
    for (int line = 0; line < 32; ++line)
        if ((faults.open_address >> line & 1) && (std::uint64_t{1} << line) >= chip_size)
            return "fault pin:A" + std::to_string(line) + " names no address line of the chip of " +
                   std::to_string(chip_size) + " bytes";
    return std::nullopt;
}

}  // namespace dspprog::emu
