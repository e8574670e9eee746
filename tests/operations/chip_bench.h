// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A programmer with one catalogue chip, "CHIP" (Code BF07), of a size and type
// a test chooses, and the log lines every operation on it shares. Used by the
// erase and write tests, whose operations nest.

#include <initializer_list>
#include <string>
#include <vector>

#include "support/programmer_fixture.h"

namespace dspprog::testing {

// The catalogue row of CHIP.
struct Chip {
    std::uint32_t size = 8192;
    std::string size_text = "64K";
    std::uint16_t type = kTypeFC00;
    std::string type_text = "$FC00";
    std::string t_erase = "4";
    std::string t_write = "0";
};

// The erase's own lines, which a write that erases first shows as well.
inline constexpr const char* kEraseOpened = "+++ Начало стирания чипа.";
inline constexpr const char* kErasing = "  Производится стирание";
inline constexpr const char* kEraseWait = "  Чип может потребовать выдержку до 10 секунд.";
inline constexpr const char* kEraseChecking =
    "  Процедура стирания окончена. Проверяется чистота стирания.";
inline constexpr const char* kErased = "  Чип стерт успешно";

struct ChipBench : ProgrammerBench {
    // `opened` and `closed`: the operation's first and last lines.
    ChipBench(const Chip& chip, const char* opened, const char* closed)
        : ProgrammerBench(
              emu::VirtualChip(chip.size, chip.type), IdentReply({{1, 0xBF}, {2, 0x07}}),
              {{"BF07", "CHIP", chip.size_text, chip.t_erase, chip.t_write, chip.type_text}}),
          opened_(opened),
          closed_(closed) {}

    std::string ChipLine() {
        return "  Чип определен: CHIP. Объем: " + std::to_string(firmware.chip().size()) +
               " байт(а).";
    }
    // The operation's whole log with `middle` between its chip line and its closing line.
    std::vector<std::string> Lines(std::initializer_list<std::string> middle) {
        std::vector<std::string> lines = {"", opened_, ChipLine()};
        lines.insert(lines.end(), middle.begin(), middle.end());
        lines.push_back(closed_);
        return lines;
    }

private:
    const char* opened_;
    const char* closed_;
};

// The identification exchange of CHIP.
inline std::vector<std::string> IdentWire() {
    return {"CmdOut " + Hex16({0x80}), "CmdIn " + Hex16({0, 0xBF, 0x07})};
}

}  // namespace dspprog::testing
