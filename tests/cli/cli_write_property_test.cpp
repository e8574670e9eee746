// SPDX-License-Identifier: GPL-3.0-or-later
// write over random combinations of its arranging options (raw, Intel HEX and
// S-record files at addresses, --offset, --fill, --swap, --split, --serial)
// on one chip, on a series of two and on a gang of two: every chip must hold
// what the small model below makes of the same inputs, and srec_cat, where it
// is installed, must arrange them as the model does. The seed is fixed unless
// DSPPROG_PROPERTY_SEED gives another.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cli_fixture.h"
#include "startup/exit_status.h"
#include "support/outside_tool.h"
#include "support/record_files.h"

namespace dspprog::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Args = std::vector<std::string>;

constexpr std::uint32_t kChip = 8192;
constexpr const char* kEmulated = "AB05:8192:255";
constexpr std::array<const char*, 5> kSerialForms = {"le", "be", "bcd-le", "bcd-be", "ascii"};

enum Form { kRaw, kHex, kSrec };
constexpr std::array<const char*, 3> kExtension = {".bin", ".hex", ".s19"};
constexpr std::array<const char*, 3> kSrecCatForm = {"-binary", "-intel", "-motorola"};

// One input file: runs of bytes at addresses counted from where it is placed
// (a raw file has one run from 0; a record file may leave a hole).
struct Input {
    Form form = kRaw;
    std::uint32_t at = 0;
    std::vector<std::pair<std::uint32_t, Bytes>> runs;
};

struct Combination {
    std::vector<Input> inputs;
    std::uint32_t offset = 0;  // the file address of placed address 0 in record files
    std::optional<std::uint8_t> fill;
    bool swap = false;
    unsigned lanes = 1, lane = 0;
    std::optional<std::string> serial;  // as --serial takes it, from the fields below
    std::uint32_t serial_at = 0, serial_bytes = 4;
    std::uint64_t start = 0, step = 1;
    std::string form = "le";
};

std::string HexNumber(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

Combination Generate(std::mt19937& random) {
    const auto pick = [&](std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random);
    };
    Combination c;
    c.lanes = std::array{1u, 2u, 4u}[pick(0, 2)];
    c.lane = static_cast<unsigned>(pick(0, c.lanes - 1));
    c.swap = pick(0, 1) != 0;
    if (pick(0, 2) != 0) c.fill = static_cast<std::uint8_t>(pick(0, 255));
    if (pick(0, 1)) c.offset = std::array{0x8000u, 0x10000u, 0x08000000u}[pick(0, 2)];
    // Each file somewhere in its own third of the image: none overlaps another.
    const std::size_t files = pick(1, 3), third = kChip * c.lanes / 3;
    std::array<std::size_t, 3> slots = {0, 1, 2};
    std::shuffle(slots.begin(), slots.end(), random);
    for (std::size_t i = 0; i < files; ++i) {
        const auto length = static_cast<std::uint32_t>(pick(16, 1500));
        Input input{static_cast<Form>(pick(0, 2)),
                    static_cast<std::uint32_t>(slots[i] * third + pick(0, third - length)),
                    {}};
        Bytes bytes(length);
        for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(pick(0, 255));
        bytes[0] = static_cast<std::uint8_t>(pick(0, 8));  // a raw file is never taken for text
        // A record file leaves a hole after its first few bytes, for the fill.
        const std::size_t cut = input.form == kRaw ? length : pick(1, 8), after = cut + pick(1, 4);
        input.runs.emplace_back(0, Bytes(bytes.begin(), bytes.begin() + cut));
        if (after < length)
            input.runs.emplace_back(after, Bytes(bytes.begin() + after, bytes.end()));
        c.inputs.push_back(std::move(input));
    }
    // Part of the first file once more, as records over it: the same bytes twice are no clash.
    if (files < 3 && pick(0, 1)) {
        const Bytes& first = c.inputs[0].runs[0].second;
        const std::size_t from = pick(0, first.size() - 1);
        c.inputs.push_back(
            {static_cast<Form>(pick(1, 2)),
             c.inputs[0].at + static_cast<std::uint32_t>(from),
             {{0, Bytes(first.begin() + static_cast<std::ptrdiff_t>(from), first.end())}}});
    }
    if (pick(0, 3) == 0) return c;
    const std::uint64_t fields = std::min<std::uint64_t>(5, pick(2, 8));  // FORM given mostly
    c.step = fields > 2 ? pick(1, 1000) : 1;
    c.serial_bytes = static_cast<std::uint32_t>(fields > 3 ? pick(1, 8) : 4);
    c.form = fields > 4 ? kSerialForms[pick(0, 4)] : "le";
    // The largest number the bytes hold in the form.
    const std::size_t digits = c.form == "ascii" ? c.serial_bytes : 2 * c.serial_bytes;
    const std::uint64_t most = c.form.size() > 2 ? std::stoull(std::string(digits, '9'))
                               : c.serial_bytes == 8
                                   ? UINT64_MAX
                                   : (std::uint64_t{1} << (8 * c.serial_bytes)) - 1;
    c.step = std::min(c.step, most);
    // Narrow numbers too, for the padding.
    c.start =
        pick(0, (most - c.step) >> pick(0, static_cast<std::uint64_t>(std::bit_width(most)) - 1));
    c.serial_at = static_cast<std::uint32_t>(pick(0, kChip - c.serial_bytes));
    c.serial = HexNumber(c.serial_at) + ":" + std::to_string(c.start);
    if (fields > 2) *c.serial += ":" + HexNumber(c.step);
    if (fields > 3) *c.serial += ":" + std::to_string(c.serial_bytes);
    if (fields > 4) *c.serial += ":" + c.form;
    return c;
}

// The chip's bytes before the serial number: placed, filled, swapped, the lane kept.
Bytes Arranged(const Combination& c) {
    Bytes image(std::size_t{kChip} * c.lanes, c.fill.value_or(0xFF));
    for (const Input& input : c.inputs)
        for (const auto& [from, bytes] : input.runs)
            std::copy(bytes.begin(), bytes.end(), image.begin() + input.at + from);
    if (c.swap)
        for (std::size_t i = 0; i < image.size(); i += 2) std::swap(image[i], image[i + 1]);
    Bytes chip;
    for (std::size_t i = c.lane; i < image.size(); i += c.lanes) chip.push_back(image[i]);
    return chip;
}

// The chip that gets the combination's serial number `nth` (0 the first).
Bytes Expected(const Combination& c, std::uint64_t nth) {
    Bytes chip = Arranged(c);
    if (!c.serial) return chip;
    std::uint64_t value = c.start + nth * c.step;
    Bytes number(c.serial_bytes);
    for (std::uint8_t& byte : number) {  // lowest first
        if (c.form == "ascii") {
            byte = static_cast<std::uint8_t>('0' + value % 10);
            value /= 10;
        } else if (c.form.rfind("bcd", 0) == 0) {
            byte = static_cast<std::uint8_t>(value % 10 | (value / 10 % 10) << 4);
            value /= 100;
        } else {
            byte = static_cast<std::uint8_t>(value);
            value >>= 8;
        }
    }
    if (c.form != "le" && c.form != "bcd-le") std::reverse(number.begin(), number.end());
    std::copy(number.begin(), number.end(), chip.begin() + c.serial_at);
    return chip;
}

// Empty when equal; otherwise where `got` first differs from `expected`.
std::string Difference(const Bytes& got, const Bytes& expected) {
    if (got.size() != expected.size())
        return std::to_string(got.size()) + " bytes, not " + std::to_string(expected.size());
    const auto differ = std::mismatch(got.begin(), got.end(), expected.begin());
    if (differ.first == got.end()) return "";
    return "first difference at " +
           HexNumber(static_cast<std::uint64_t>(differ.first - got.begin())) + ": " +
           HexNumber(*differ.first) + ", expected " + HexNumber(*differ.second);
}

class CliWriteProperty : public CliTest {
protected:
    // Writes the combination's files and returns write's options and files;
    // srec_cat, where it is, arranges the same files first.
    Args Prepare(const Combination& c, const std::string& tag) {
        Args args;
        if (c.offset != 0) args.insert(args.end(), {"--offset", HexNumber(c.offset)});
        if (c.fill) args.insert(args.end(), {"--fill", HexNumber(*c.fill)});
        if (c.swap) args.push_back("--swap");
        const std::string lane = std::to_string(c.lanes) + ":" + std::to_string(c.lane);
        if (c.lanes > 1) args.insert(args.end(), {"--split", lane});
        if (c.serial) args.insert(args.end(), {"--serial", *c.serial});
        std::string srec_cat = "srec_cat '('";
        for (std::size_t i = 0; i < c.inputs.size(); ++i) {
            const Input& input = c.inputs[i];
            const std::string name = tag + "-" + std::to_string(i) + kExtension[input.form];
            ByteRuns runs;
            for (const auto& [from, bytes] : input.runs) runs.emplace_back(c.offset + from, bytes);
            const std::string text =
                input.form == kRaw ? "" : RecordsText(runs, input.form == kHex);
            WriteBytes(Path(name),
                       input.form == kRaw ? input.runs[0].second : Bytes(text.begin(), text.end()));
            args.push_back(Path(name) + "@" + HexNumber(input.at));
            srec_cat +=
                " " + name + " " + kSrecCatForm[input.form] + " -offset " +
                std::to_string(std::int64_t{input.at} - (input.form == kRaw ? 0 : c.offset));
        }
        srec_cat +=
            " ')' -fill " + HexNumber(c.fill.value_or(0xFF)) + " 0 " + HexNumber(kChip * c.lanes) +
            (c.swap ? " -byte-swap 2" : "") +
            (c.lanes > 1 ? " -split " + std::to_string(c.lanes) + " " + std::to_string(c.lane)
                         : "") +
            " -o srec.bin -binary";
        if (have_srec_cat_) {
            std::string said;
            EXPECT_TRUE(RunInDir(catalogue.dir().string(), srec_cat, said)) << srec_cat << "\n"
                                                                            << said;
            EXPECT_EQ(Difference(ReadBytes(Path("srec.bin")), Arranged(c)), "") << srec_cat;
        }
        return args;
    }

    // Runs `command` with the combination's options and files; then chip i
    // must hold the image with serial number i, or, `in_any_order`, each chip
    // another number.
    void Check(Args command, const Combination& c, const std::vector<std::string>& chips,
               bool in_any_order = false) {
        const Args write = Prepare(c, "in" + std::to_string(made_++));
        command.insert(command.end(), write.begin(), write.end());
        std::string line = "dspprog-cli";
        for (const std::string& arg : command) line += " '" + arg + "'";
        const CliResult run = Run(command);
        ASSERT_EQ(run.status, kExitSucceeded) << line << "\n" << run.out << run.err;
        std::vector<std::uint64_t> numbers = {0, 1};
        if (in_any_order && ReadBytes(chips[0]) == Expected(c, 1))
            std::swap(numbers[0], numbers[1]);
        for (std::size_t i = 0; i < chips.size(); ++i)
            EXPECT_EQ(Difference(ReadBytes(chips[i]), Expected(c, numbers[i])), "")
                << chips[i] << " after\n"
                << line;
    }

    // The seed the failures name; each path draws from its own generator of it.
    const std::uint32_t seed_ = [] {
        const char* text = std::getenv("DSPPROG_PROPERTY_SEED");
        return text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0)) : 5509u;
    }();
    std::string Trace(int n) const {
        return "DSPPROG_PROPERTY_SEED=" + std::to_string(seed_) + ", combination " +
               std::to_string(n);
    }
    const bool have_srec_cat_ = HaveTool("srec_cat");
    int made_ = 0;
};

TEST_F(CliWriteProperty, OneChipHoldsTheArrangedImageAndItsNumber) {
    std::mt19937 random(seed_);
    for (int n = 0; n < 40; ++n) {
        SCOPED_TRACE(Trace(n));
        const std::string chip = Path("one" + std::to_string(n) + ".chip");
        WriteBytes(chip, Bytes(kChip, 0xFF));
        Check(Emulate(kEmulated, {"--chip-file", chip, "write"}), Generate(random), {chip});
    }
}

TEST_F(CliWriteProperty, ASeriesNumbersItsSecondChipOneStepOn) {
    std::mt19937 random(seed_ + 1);
    next_chip_lines = "\n";
    for (int n = 0; n < 15; ++n) {
        SCOPED_TRACE(Trace(n));
        const std::string chips = Path("series" + std::to_string(n) + "-");
        Check(Emulate(kEmulated, {"--chip-file", chips + "%d.chip", "write", "--repeat", "2"}),
              Generate(random), {chips + "1.chip", chips + "2.chip"});
    }
}

TEST_F(CliWriteProperty, AGangOfTwoGetsTwoNumbersInEitherOrder) {
    std::mt19937 random(seed_ + 2);
    real_clock = true;
    for (int n = 0; n < 15; ++n) {
        SCOPED_TRACE(Trace(n));
        const std::string one = Path("gang" + std::to_string(n) + "-a.chip");
        const std::string two = Path("gang" + std::to_string(n) + "-b.chip");
        Check(Emulate(std::string(kEmulated) + "," + kEmulated,
                      {"--device", "all", "--chip-file", one + "," + two, "write"}),
              Generate(random), {one, two}, true);
    }
}

}  // namespace
}  // namespace dspprog::testing
