// SPDX-License-Identifier: GPL-3.0-or-later
// Image files as the command line takes them: Intel HEX and S-record for
// write and verify, padded raw images, the differing addresses of a verify,
// the forms a read saves in, and every refusal of an image before anything
// but the identification goes to the programmer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "image/image_encoder.h"
#include "support/bytes.h"

namespace dspprog::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kChip = 8192;  // AB05, "Test Flash 8K": erased before a write

std::string Encoded(ImageFormat format, const Bytes& chip, std::uint32_t offset) {
    const auto encoder = MakeImageEncoder(format, static_cast<std::uint32_t>(chip.size()), offset);
    std::string text = encoder->Begin();
    text += encoder->Data(0, chip.data(), chip.size());
    return text + encoder->End();
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

class CliImages : public CliOnChip {};

TEST_F(CliImages, HexAndSRecordImagesLandAtTheirAddressLessTheOffset) {
    for (const ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
        SCOPED_TRACE(ImageFormatName(format));
        const Bytes image = Pattern(kChip, 3);
        WriteText(Path("image"), Encoded(format, image, 0x1F000));
        const CliResult run = On({"write", "--offset", "0x1F000", Path("image")});
        EXPECT_EQ(run.status, kExitSucceeded) << run.out << run.err;
        EXPECT_EQ(Chip(), image);
        EXPECT_EQ(Commands(), "80 80 A0 83 B0 83 ");
        EXPECT_EQ(On({"verify", "--offset", "126976", Path("image")}).status, kExitSucceeded);
    }
}

TEST_F(CliImages, AShortRawImageIsPaddedOnlyWhenAskedFor) {
    const Bytes part = Pattern(5000, 9);
    WriteBytes(Path("short.bin"), part);
    const CliResult refused = On({"write", Path("short.bin")});
    EXPECT_EQ(refused.status, kExitUsage);
    EXPECT_NE(refused.out.find("  Размер файла меньше размера чипа!"), std::string::npos);
    EXPECT_EQ(Commands(), "80 ");

    EXPECT_EQ(On({"write", "--pad", Path("short.bin")}).status, kExitSucceeded);
    Bytes expected = part;
    expected.resize(kChip, 0xFF);
    EXPECT_EQ(Chip(), expected);
    EXPECT_EQ(On({"verify", "--pad", Path("short.bin")}).status, kExitSucceeded);
}

TEST_F(CliImages, VerifyTellsEqualFromUnequalAndShowsWhereTheyDiffer) {
    const Bytes content = Pattern(kChip, 5);
    WriteBytes(Path("chip.bin"), content);
    WriteBytes(Path("same.bin"), content);
    const CliResult equal = On({"verify", Path("same.bin")});
    EXPECT_EQ(equal.status, kExitSucceeded);
    EXPECT_EQ(equal.lines(),
              (Lines{"", "+++ Начало сравнения чипа с файлом.",
                     "  Чип определен: Test Flash 8K. Объем: 8192 байт(а).",
                     "  Производится сравнение.", "  Чип совпадает с файлом.",
                     "--- Окончание сравнения чипа с файлом."}));
    EXPECT_EQ(Commands(), "80 83 ");
    const Lines wire = ReadLines(Path("wire"));
    EXPECT_EQ(wire.at(2).substr(0, 54), "CmdOut 83 00 E0 87 00 00 00 00 00 00 00 00 00 00 00 00")
        << "the verify form of the burst read";

    Bytes other = content;
    for (std::uint32_t i = 0; i < 18; ++i) other[0x100 + 0x11 * i] ^= 0x40;
    WriteBytes(Path("other.bin"), other);
    const CliResult unequal = On({"verify", Path("other.bin")});
    EXPECT_EQ(unequal.status, kExitFailed);
    const Lines lines = unequal.lines();
    ASSERT_EQ(lines.size(), 5u + 16 + 2);
    EXPECT_EQ(lines[4], "  Чип имеет: 18 ошибок(у/и)");
    char first[80];
    std::snprintf(first, sizeof first, "  Адрес 0x000100: в чипе 0x%02X, в файле 0x%02X",
                  content[0x100], other[0x100]);
    EXPECT_EQ(lines[5], first);
    EXPECT_EQ(lines[20].rfind("  Адрес 0x0001FF:", 0), 0u) << lines[20];  // the 16th
    EXPECT_EQ(lines[21], "  ... и ещё 2");
}

TEST_F(CliImages, AWriteThatVerifiesBadlyShowsTheAddressesToo) {
    // Programming only clears bits: written without its erase, a chip of 0x00
    // keeps 0x00 wherever the image has a 1 bit.
    WriteBytes(Path("chip.bin"), Bytes(kChip, 0x00));
    Bytes image(kChip, 0x00);
    image[0x1234] = 0x80;
    WriteBytes(Path("image.bin"), image);
    const CliResult run = On({"write", "--no-erase", Path("image.bin")});
    EXPECT_EQ(run.status, kExitFailed);
    const Lines lines = run.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "  Чип имеет: 1 ошибок(у/и)");
    EXPECT_EQ(lines[lines.size() - 2], "  Адрес 0x001234: в чипе 0x00, в файле 0x80");
}

TEST_F(CliImages, ReadSavesInTheFormTheNameOrFormatAsksFor) {
    const Bytes content = Pattern(kChip, 7);
    WriteBytes(Path("chip.bin"), content);
    struct Case {
        std::vector<std::string> args;
        const char* starts;
        const char* form;
    };
    for (const Case& c : std::vector<Case>{
             {{"-o", Path("a.hex")}, ":", " (Intel HEX)"},
             {{"-o", Path("a.S19")}, "S0", " (Motorola S-record)"},
             {{"-o", Path("b.bin"), "--format", "srec"}, "S0", " (Motorola S-record)"},
             {{"-o", Path("b.hex"), "--format", "raw"}, "", ""},
         }) {
        SCOPED_TRACE(c.args.at(1));
        std::vector<std::string> command = {"read"};
        command.insert(command.end(), c.args.begin(), c.args.end());
        const CliResult run = On(command);
        ASSERT_EQ(run.status, kExitSucceeded) << run.err;
        EXPECT_NE(run.out.find("в файле: \"" + c.args[1] + "\"" + c.form + ".\n"),
                  std::string::npos)
            << run.out;
        const Bytes saved = ReadBytes(c.args[1]);
        if (*c.starts == '\0') {
            EXPECT_EQ(saved, content);
        } else {
            EXPECT_EQ(std::string(saved.begin(), saved.begin() + 2).rfind(c.starts, 0), 0u);
            // And back: the saved image verifies against the chip.
            EXPECT_EQ(On({"verify", c.args[1]}).status, kExitSucceeded);
        }
    }
}

TEST_F(CliImages, ARefusedImageSendsNothingButTheIdentification) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> options;
        std::string line;  // what follows "Ошибка в файле "NAME""
    };
    const std::string data = ":10000000000102030405060708090A0B0C0D0E0F78\n";
    const std::vector<Case> cases = {
        {"bad checksum", ":10000000000102030405060708090A0B0C0D0E0F77\n:00000001FF\n", {},
         ", строка 1: неверная контрольная сумма: 0x77, должна быть 0x78"},
        {"malformed", data + ":0000000\n:00000001FF\n", {}, ", строка 2: "},
        {"count", "S00600004844521B\nS1050000AABB95\nS5030002FA\nS9030000FC\n", {},
         ", строка 3: "},
        {"below the offset", data + ":00000001FF\n", {"--offset", "8"},
         ", строка 1: данные по адресу 0x000000 лежат ниже смещения 0x000008"},
        {"past the end", ":01200000558A\n:00000001FF\n", {},
         ", строка 1: данные по адресу 0x002000 лежат за концом чипа (0x002000 байт)"},
        {"two values", data + ":01000500AA50\n:00000001FF\n", {}, ", строка 2: адрес 0x000005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(Path("bad"), c.text);
        std::vector<std::string> command = {"write"};
        command.insert(command.end(), c.options.begin(), c.options.end());
        command.push_back(Path("bad"));
        const CliResult run = On(command);
        EXPECT_EQ(run.status, kExitUsage);
        const std::string prefix = "  Ошибка в файле \"" + Path("bad") + "\"" + c.line;
        EXPECT_NE(run.out.find(prefix), std::string::npos) << run.out;
        EXPECT_EQ(Commands(), "80 ");
        EXPECT_EQ(Chip(), Bytes(kChip, 0xFF));
    }
}

TEST_F(CliImages, AFileThatCannotBeUsedIsExitTwoAndADifferingChipOne) {
    WriteBytes(Path("other.bin"), Bytes(kChip, 0x00));
    WriteText(Path("image.s19"), Encoded(ImageFormat::SRecord, Bytes(kChip, 0x00), 0));
    struct Case {
        std::vector<std::string> command;
        std::string line;
        int status;
    };
    std::vector<Case> cases = {
        {{"verify", Path("other.bin")}, "  Чип имеет: 8192 ошибок(у/и)", kExitFailed},
        {{"verify", Path("missing.bin")},
         "  Файл не найден: \"" + Path("missing.bin") + "\"!",
         kExitUsage},
        {{"write", "-"}, "  Файл не найден: \"-\"!", kExitUsage},
        {{"verify", "--format", "ihex", Path("image.s19")},
         "  Ошибка в файле \"" + Path("image.s19") + "\", строка 1: строка должна начинаться с ':'",
         kExitUsage},
    };
#ifndef _WIN32
    cases.push_back({{"verify", "/dev/zero"}, "  Это не обычный файл: \"/dev/zero\"!", kExitUsage});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.back());
        const CliResult run = On(c.command);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.out.find("\n" + c.line + "\n"), std::string::npos) << run.out;
        EXPECT_EQ(Commands(), c.status == kExitUsage ? "80 " : "80 83 ");
    }
}

}  // namespace
}  // namespace dspprog::testing
