// SPDX-License-Identifier: GPL-3.0-or-later
// Reading Intel HEX and S-record files into the chip's bytes: what lands
// where, and every refusal with its line and reason. The records are written
// out literally (checksums included) so that the tests do not share the
// readers' arithmetic.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "image/image_format.h"
#include "support/image_refusal.h"

namespace dspprog {
namespace {

using testing::Refusal;

constexpr auto kHex = ImageFormat::IntelHex;
constexpr auto kSrec = ImageFormat::SRecord;

// Intel HEX records used below.
const std::string kData10 = ":0400100001020304E2";  // 01 02 03 04 at 0x10
const std::string kData12 = ":03001200030405DF";    // 03 04 05 at 0x12: agrees with kData10
const std::string kData13 = ":01001300FFED";        // FF at 0x13: disagrees with kData10
const std::string kDataFFF8 = ":10FFF800A0A1A2A3A4A5A6A7A8A9AAABACADAEAF81";  // A0..AF
const std::string kEnd = ":00000001FF";

// S-records used below.
const std::string kS0 = "S0060000686472BB";    // header "hdr"
const std::string kS1 = "S107001001020304DE";  // 01 02 03 04 at 0x10
const std::string kS5One = "S5030001FB";       // one data record
const std::string kS9 = "S9030000FC";

std::vector<std::uint8_t> Range(std::uint8_t first, std::uint8_t last) {
    std::vector<std::uint8_t> bytes;
    for (unsigned b = first; b <= last; ++b) bytes.push_back(static_cast<std::uint8_t>(b));
    return bytes;
}

TEST(ImageReading, WhereTheDataLands) {
    using Placed = std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;
    struct Case {
        const char* what;
        ImageFormat format;
        std::string text;
        std::uint32_t chip_size;
        std::uint32_t offset;
        Placed placed;  // chip offset and bytes; the rest is 0xFF
    };
    const Placed k1234 = {{0x10, {1, 2, 3, 4}}};
    const std::vector<Case> cases = {
        {"HEX, LF", kHex, kData10 + "\n" + kEnd + "\n", 0x100, 0, k1234},
        {"HEX, CR LF, lower case, no last line end", kHex, ":0400100001020304e2\r\n:00000001ff",
         0x100, 0, k1234},
        {"HEX, blank lines after the end", kHex, kData10 + "\n" + kEnd + "\r\n\r\n \t\n\x1A", 0x100,
         0, k1234},
        {"HEX, byte-order mark and blanks before, blank lines between", kHex,
         "\xEF\xBB\xBF\r\n \t\n  " + kData10 + "\r\n\r\n \t\r\n" + kEnd + "\r\n", 0x100, 0, k1234},
        {"HEX, NUL and Ctrl-Z before, padding after", kHex,
         std::string("\0\x1A\n", 3) + kData10 + "\n" + kEnd +
             std::string("\r\n\0\0\x1A\xFF\xFF", 7),
         0x100, 0, k1234},
        {"HEX, a byte given twice alike",
         kHex,
         kData10 + "\n" + kData12 + "\n" + kEnd,
         0x100,
         0,
         {{0x10, {1, 2, 3, 4, 5}}}},
        {"HEX, start addresses are no data", kHex,
         ":0400000300001234B3\n" + kData10 + "\n:0400000500001234B1\n" + kEnd, 0x100, 0, k1234},
        {"HEX, no extended address: past 64 KB",
         kHex,
         kDataFFF8 + "\n" + kEnd,
         0x20000,
         0,
         {{0xFFF8, Range(0xA0, 0xAF)}}},
        {"HEX, extended linear address: on across 64 KB",
         kHex,
         ":020000040001F9\n" + kDataFFF8 + "\n" + kEnd,
         0x30000,
         0,
         {{0x1FFF8, Range(0xA0, 0xAF)}}},
        {"HEX, extended segment address: round to the segment's start",
         kHex,
         ":020000021000EC\n" + kDataFFF8 + "\n" + kEnd,
         0x20000,
         0,
         {{0x1FFF8, Range(0xA0, 0xA7)}, {0x10000, Range(0xA8, 0xAF)}}},
        {"HEX, offset",
         kHex,
         ":020000040800F2\n:020000001122CB\n" + kEnd,
         0x100,
         0x08000000,
         {{0, {0x11, 0x22}}}},
        {"S19 with header, count and termination", kSrec,
         "S00A000064737070726F67F6\n" + kS1 + "\n" + kS5One + "\n" + kS9 + "\n", 0x100, 0, k1234},
        {"S2 and S3 mixed, CR LF, lower case, S7 after them",
         kSrec,
         "S2060100000506ed\r\nS307000100020708e6\r\nS70500000000FA\r\n\r\n",
         0x20000,
         0,
         {{0x10000, {5, 6, 7, 8}}}},
        {"S-record in lower case", kSrec, "s107001001020304de\ns9030000fc\n", 0x100, 0, k1234},
        {"S-record ending with its count, as srec_cat writes it", kSrec,
         kS0 + "\n" + kS1 + "\n" + kS5One + "\n\n", 0x100, 0, k1234},
        {"S3 with an offset",
         kSrec,
         "S307080000000708E1\nS70500000000FA",
         0x100,
         0x08000000,
         {{0, {7, 8}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> expected(c.chip_size, 0xFF);
        for (const auto& [at, bytes] : c.placed) {
            std::copy(bytes.begin(), bytes.end(), expected.begin() + at);
        }
        std::vector<std::uint8_t> chip;
        ASSERT_EQ(Refusal(ConvertImage(c.text, c.format, c.chip_size, c.offset, chip)), "accepted");
        EXPECT_EQ(chip, expected);
    }
}

struct Refused {
    const char* what;
    std::string text;
    std::string refusal;  // "line: reason"
    std::uint32_t chip_size = 0x100;
    std::uint32_t offset = 0;
};

void ExpectRefusals(ImageFormat format, const std::vector<Refused>& cases) {
    for (const Refused& c : cases) {
        std::vector<std::uint8_t> chip;
        EXPECT_EQ(Refusal(ConvertImage(c.text, format, c.chip_size, c.offset, chip)), c.refusal)
            << c.what;
        EXPECT_TRUE(chip.empty()) << c.what;
    }
}

TEST(ImageReading, IntelHexRefusals) {
    const std::string data = kData10 + "\n";
    const std::vector<Refused> cases = {
        {"checksum", ":0400100001020304E3\n" + kEnd,
         "1: неверная контрольная сумма: 0xE3, должна быть 0xE2"},
        {"no mark", data + " " + kEnd, "2: строка должна начинаться с ':'"},
        {"garbage line", data + std::string(8, '\0') + "\n" + kEnd,
         "2: строка должна начинаться с ':'"},
        {"not a digit", ":04001000010G0304E2\n" + kEnd, "1: недопустимый символ 'G' в столбце 13"},
        {"not a digit, columns counted from the line's start",
         "\xEF\xBB\xBF\t  :04001000010G0304E2\n" + kEnd, "1: недопустимый символ 'G' в столбце 16"},
        {"control byte", data + ":04001000010203\00104E2\n" + kEnd,
         "2: недопустимый символ 0x01 в столбце 16"},
        {"odd digits", ":0400100001020304E\n" + kEnd, "1: нечётное число шестнадцатеричных цифр"},
        {"too short", ":00000001\n" + kEnd, "1: запись короче 5 байт"},
        {"line cut short", data + ":0400100001020304\n" + kEnd,
         "2: поле длины 4, а байтов данных в строке 3"},
        {"unknown type", ":00000006FA\n" + kEnd, "1: неизвестный тип записи 06"},
        {"extended address of 3 bytes", ":03000004000102F6\n" + kEnd,
         "1: у записи типа 04 длина должна быть 2, а не 3"},
        {"extended address with a load offset", ":020010020001EB\n" + kEnd,
         "1: у записи типа 02 адрес должен быть 0000"},
        {"end with data", data + ":0100000105F9",
         "2: у записи типа 01 длина должна быть 0, а не 1"},
        {"past the chip", data + ":01010000AA54\n" + kEnd,
         "2: данные по адресу 0x000100 лежат за концом чипа (0x000100 байт)"},
        {"across the chip's end", data + kEnd,
         "1: данные по адресу 0x000012 лежат за концом чипа (0x000012 байт)", 0x12},
        {"below the offset", data + kEnd,
         "1: данные по адресу 0x000010 лежат ниже смещения 0x000012", 0x100, 0x12},
        {"two values", data + kData13 + "\n" + kEnd,
         "2: адрес 0x000013 получает два значения: 0x04 и 0xFF"},
        {"no end record", data, "2: нет записи конца файла"},
        {"no end record, blank lines", data + "\r\n\n", "2: нет записи конца файла"},
        {"a record after the end", data + kEnd + "\n" + data, "3: строка после записи конца файла"},
        {"text after the padding", data + kEnd + "\n\x1A\xFF\n\x1Ax",
         "4: строка после записи конца файла"},
        {"no data", kEnd + "\n", "1: в файле нет данных"},
        {"no records", "\n\r\n", "0: в файле нет записей"},
        {"empty", "", "0: в файле нет записей"},
    };
    ExpectRefusals(kHex, cases);
}

TEST(ImageReading, SRecordRefusals) {
    const std::string data = kS1 + "\n";
    ExpectRefusals(
        kSrec,
        {
            {"checksum", "S107001001020304DF\n" + kS9,
             "1: неверная контрольная сумма: 0xDF, должна быть 0xDE"},
            {"no mark", data + kEnd, "2: строка должна начинаться с 'S'"},
            {"type not a digit", "SX07001001020304DE\n" + kS9,
             "1: недопустимый символ 'X' в столбце 2"},
            {"type not a digit, after blanks", "\n  sX07001001020304DE\n" + kS9,
             "2: недопустимый символ 'X' в столбце 4"},
            {"mark alone", data + "S\n" + kS9, "2: запись обрывается после 'S'"},
            {"type alone", data + "S1\n" + kS9, "2: запись обрывается после типа"},
            {"not a digit", "S107001001020Z04DE\n" + kS9,
             "1: недопустимый символ 'Z' в столбце 14"},
            {"line cut short", "S10700100102\n" + kS9,
             "1: поле длины 7, а байтов в строке после него 4"},
            {"shorter than its address", "S1020000\n" + kS9,
             "1: у записи S1 длина должна быть не меньше 3, а не 2"},
            {"S4", "S404000001FA\n" + kS9, "1: неизвестный тип записи S4"},
            {"count does not match", data + "S5030002FA\n" + kS9,
             "2: число записей данных 1, а запись S5 говорит 2"},
            {"S6 count does not match", data + "S604000002F9\n" + kS9,
             "2: число записей данных 1, а запись S6 говорит 2"},
            {"header after data", data + kS0 + "\n" + kS9, "2: запись S0 должна быть первой"},
            {"second header", kS0 + "\n" + kS0 + "\n" + data + kS9,
             "2: запись S0 должна быть первой"},
            {"data after the count", data + kS5One + "\n" + data + kS9,
             "3: запись S1 после записи S5"},
            {"second count", data + kS5One + "\n" + kS5One + "\n" + kS9,
             "3: вторая запись счёта S5"},
            {"termination with data", data + "S904000001FA",
             "2: у записи S9 длина должна быть 3, а не 4"},
            {"past the chip", "S2060100000506ED\n" + kS9,
             "1: данные по адресу 0x010000 лежат за концом чипа (0x000100 байт)"},
            {"two values", data + "S104001300E8\n" + kS9,
             "2: адрес 0x000013 получает два значения: 0x04 и 0x00"},
            {"no termination", kS0 + "\n" + data, "3: нет записи конца файла"},
            {"a record after the termination", data + kS9 + "\n" + kS5One,
             "3: строка после записи конца файла"},
            {"no data", kS0 + "\nS1030020DC\n" + kS9, "3: в файле нет данных"},
        });
}

}  // namespace
}  // namespace dspprog
