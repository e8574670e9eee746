// SPDX-License-Identifier: GPL-3.0-or-later
// Image file forms: recognising a file by its content, the names of the
// forms, the --offset text, and the raw image's rules.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/image_format.h"
#include "support/image_refusal.h"

namespace dspprog {
namespace {

using testing::Refusal;

const char* Name(ImageFormat format) {
    return ImageFormatName(format);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

TEST(ImageRecognition, ByTheFirstLineAlone) {
    const std::string hex_line = ":0400100001020304E2";
    struct Case {
        const char* what;
        std::string content;
        ImageFormat format;
    };
    const std::vector<Case> cases = {
        {"HEX", hex_line + "\n:00000001FF\n", ImageFormat::IntelHex},
        {"HEX, lower case, CR LF", ":0400100001020304e2\r\n", ImageFormat::IntelHex},
        {"HEX, one line, no line end", ":00000001FF", ImageFormat::IntelHex},
        {"HEX, CR alone ends a line", hex_line + "\r:00000001FF\r", ImageFormat::IntelHex},
        {"HEX damaged within its first line", ":04001000010G0304E2\n", ImageFormat::IntelHex},
        {"HEX damaged further on", hex_line + "\n" + std::string(100, '\0') + RandomBytes(64, 1),
         ImageFormat::IntelHex},
        {"S-record", "S00A000064737070726F67F6\nS9030000FC\n", ImageFormat::SRecord},
        {"S-record without header", "S107001001020304DE\r\n", ImageFormat::SRecord},
        {"empty", "", ImageFormat::Raw},
        {"blank line first", "\n" + hex_line + "\n", ImageFormat::IntelHex},
        {"byte-order mark", "\xEF\xBB\xBF" + hex_line + "\r\n", ImageFormat::IntelHex},
        {"CR LF, blanks and a tab first", "\r\n  \t" + hex_line, ImageFormat::IntelHex},
        {"NUL and Ctrl-Z first", std::string("\0\x1A", 2) + hex_line, ImageFormat::IntelHex},
        {"byte-order mark, blank line, lower-case s", "\xEF\xBB\xBF\ns107001001020304de\n",
         ImageFormat::SRecord},
        {"only blank lines", "\r\n \n", ImageFormat::Raw},
        {"0xFF first", "\xFF" + hex_line, ImageFormat::Raw},
        {"mark and seven digits", ":0400100", ImageFormat::Raw},
        {"control byte in the first line", ":04001000\0011020304E2\n", ImageFormat::Raw},
        {"byte past ASCII in the first line", hex_line + "\xC3\n", ImageFormat::Raw},
        {"lower-case s", "s107001001020304DE\n", ImageFormat::SRecord},
        {"S and a letter", "SA07001001020304DE\n", ImageFormat::Raw},
        {"blank inside the first digits", ": 0400100001020304E2\n", ImageFormat::Raw},
        {"all 0x55 ('U')", std::string(8192, 'U'), ImageFormat::Raw},
        {"all ':'", std::string(8192, ':'), ImageFormat::Raw},
        {"random image", RandomBytes(65536, 2), ImageFormat::Raw},
        {"random image after a record-shaped start", ":01020304" + RandomBytes(8192, 3),
         ImageFormat::Raw},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Name(RecogniseImageFormat(c.content)), Name(c.format)) << c.what;
    }
}

TEST(ImageRecognition, WithoutANamedFormTheContentThenTheNameThenSizeAndText) {
    const std::string hex = ":0400100001020304E2\n:00000001FF\n";
    struct Case {
        const char* what;
        std::string start;
        const char* name;
        bool chip_sized;
        std::optional<ImageFormat> format;  // nothing: refused as text of neither form
    };
    const std::vector<Case> cases = {
        {"content over name", hex, "a.s19", false, ImageFormat::IntelHex},
        {"damaged first line, by the name", "garbage\n" + hex, "a.HEX", false,
         ImageFormat::IntelHex},
        {"by the name, even at the chip's size", RandomBytes(64, 5), "a.srec", true,
         ImageFormat::SRecord},
        {"text at the chip's size", std::string(64, 'U'), "a.bin", true, ImageFormat::Raw},
        {"text", "Hello, world\r\n\tbye\n", "a.bin", false, std::nullopt},
        {"UTF-8 text after a byte-order mark",
         "\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB2\xD0\xBA\xD0\xB0\n", "a.txt",
         false, std::nullopt},
        {"text for 64 bytes, binary after", std::string(64, 'A') + '\0', "a", false, std::nullopt},
        {"a control byte within 64", std::string(63, 'A') + '\x01', "a", false, ImageFormat::Raw},
        {"a broken UTF-8 sequence", "abc\xC3(def", "a", false, ImageFormat::Raw},
        {"erased", std::string(100, '\xFF'), "a.bin", false, ImageFormat::Raw},
        {"empty", "", "a.bin", false, ImageFormat::Raw},
    };
    for (const Case& c : cases) {
        const std::optional<ImageFormat> format = ImageFormatOfFile(c.start, c.name, c.chip_sized);
        EXPECT_EQ(std::string(format ? Name(*format) : "none"),
                  std::string(c.format ? Name(*c.format) : "none"))
            << c.what;
    }
}

TEST(ImageFormatNames, FromTheFileNameForARead) {
    const std::vector<std::pair<std::string, ImageFormat>> cases = {
        {"out.hex", ImageFormat::IntelHex}, {"OUT.HEX", ImageFormat::IntelHex},
        {"a.ihx", ImageFormat::IntelHex},   {"dir/a.IHex", ImageFormat::IntelHex},
        {"a.s19", ImageFormat::SRecord},    {"a.S28", ImageFormat::SRecord},
        {"a.s37", ImageFormat::SRecord},    {"c:\\x\\a.SREC", ImageFormat::SRecord},
        {"a.mot", ImageFormat::SRecord},    {"a.bin", ImageFormat::Raw},
        {"hex", ImageFormat::Raw},          {"a.hex.bin", ImageFormat::Raw},
        {"a.hexx", ImageFormat::Raw},       {"a.hex/b", ImageFormat::Raw},
        {"a.s20", ImageFormat::Raw},        {"", ImageFormat::Raw},
    };
    for (const auto& [name, format] : cases) {
        EXPECT_EQ(Name(ImageFormatFromFileName(name)), Name(format)) << name;
    }
}

TEST(ImageFormatNames, OnTheCommandLine) {
    for (ImageFormat format : {ImageFormat::Raw, ImageFormat::IntelHex, ImageFormat::SRecord}) {
        EXPECT_EQ(ImageFormatFromName(ImageFormatName(format)), format);
    }
    EXPECT_STREQ(ImageFormatName(ImageFormat::IntelHex), "ihex");
    EXPECT_STREQ(ImageFormatName(ImageFormat::SRecord), "srec");
    for (const char* text : {"", "hex", "IHEX", "srec ", "binary"}) {
        EXPECT_EQ(ImageFormatFromName(text), std::nullopt) << text;
    }
}

TEST(ImageOffsetText, DecimalOrHexadecimal) {
    const std::vector<std::pair<std::string, std::uint32_t>> accepted = {
        {"0", 0},
        {"4096", 4096},
        {"007", 7},
        {"0x1000", 0x1000},
        {"0X1a", 0x1A},
        {"0x08000000", 0x08000000},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"4294967295", 0xFFFFFFFF},
        {"0x000000000010", 0x10},
    };
    for (const auto& [text, value] : accepted) EXPECT_EQ(ParseImageOffset(text), value) << text;
    for (const char* text : {"", "0x", "-1", "+1", " 1", "1 ", "0x-1", "0x 1", "4294967296",
                             "0x100000000", "0x1G", "1e3", "0b1", "12a", "x10", "1_000"}) {
        EXPECT_EQ(ParseImageOffset(text), std::nullopt) << text;
    }
}

TEST(ImageOffsetText, TheChipMustFitBelowFourGigabytes) {
    EXPECT_EQ(OffsetProblem(0xFFFE0000, 0x20000), std::nullopt);
    EXPECT_EQ(OffsetProblem(0xFFFE0001, 0x20000),
              "чип в 0x020000 байт со смещением 0xFFFE0001 выходит за 4 ГБ адресов");
    std::vector<std::uint8_t> chip;
    EXPECT_EQ(
        Refusal(ConvertImage(":00000001FF", ImageFormat::IntelHex, 0x20000, 0xFFFE0001, chip)),
        "0: чип в 0x020000 байт со смещением 0xFFFE0001 выходит за 4 ГБ адресов");
}

TEST(RawImage, ExactlyTheChipsSizeAndNoOffset) {
    const std::string image = RandomBytes(8192, 4);
    std::vector<std::uint8_t> chip;
    EXPECT_EQ(Refusal(ConvertImage(image, ImageFormat::Raw, 8192, 0, chip)), "accepted");
    EXPECT_EQ(chip, std::vector<std::uint8_t>(image.begin(), image.end()));

    EXPECT_EQ(Refusal(ConvertImage(image, ImageFormat::Raw, 16384, 0, chip)),
              "0: размер двоичного образа 0x002000 байт не равен размеру чипа (0x004000 байт)");
    EXPECT_TRUE(chip.empty());
    EXPECT_EQ(Refusal(ConvertImage(image, ImageFormat::Raw, 8192, 0x1000, chip)),
              "0: смещение 0x001000 не применимо к двоичному образу");
    EXPECT_TRUE(chip.empty());
}

}  // namespace
}  // namespace dspprog
