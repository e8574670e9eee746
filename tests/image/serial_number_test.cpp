// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes a serial number becomes in each form, and the numbers that do not fit.

#include <gtest/gtest.h>

#include <ostream>

#include "image/serial_number.h"

namespace dspprog {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct EncodeCase {
    std::uint64_t number;
    std::uint32_t bytes;
    SerialForm form;
    std::optional<Bytes> expected;  // nullopt: does not fit
};

void PrintTo(const EncodeCase& c, std::ostream* out) {
    *out << c.number << " in " << c.bytes << " " << SerialFormName(c.form);
}

class SerialEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(SerialEncoding, GivesTheFormsBytesOrRefusesWhatDoesNotFit) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(EncodeSerial(c.number, c.bytes, c.form), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SerialEncoding,
    ::testing::Values(EncodeCase{0x1234, 4, SerialForm::LittleEndian,
                                 Bytes{0x34, 0x12, 0x00, 0x00}},
                      EncodeCase{0x1234, 3, SerialForm::BigEndian, Bytes{0x00, 0x12, 0x34}},
                      EncodeCase{0xFFFF, 2, SerialForm::LittleEndian, Bytes{0xFF, 0xFF}},
                      EncodeCase{0x10000, 2, SerialForm::LittleEndian, std::nullopt},
                      EncodeCase{UINT64_MAX, 8, SerialForm::BigEndian, Bytes(8, 0xFF)},
                      EncodeCase{12345, 3, SerialForm::BcdLittleEndian, Bytes{0x45, 0x23, 0x01}},
                      EncodeCase{12345, 3, SerialForm::BcdBigEndian, Bytes{0x01, 0x23, 0x45}},
                      EncodeCase{100, 1, SerialForm::BcdLittleEndian, std::nullopt},
                      EncodeCase{99, 1, SerialForm::BcdBigEndian, Bytes{0x99}},
                      EncodeCase{42, 5, SerialForm::Ascii, Bytes{'0', '0', '0', '4', '2'}},
                      EncodeCase{0, 1, SerialForm::Ascii, Bytes{'0'}},
                      EncodeCase{123, 2, SerialForm::Ascii, std::nullopt}));

TEST(SerialNumberingText, ReadsEveryFieldAndRefusesTheRest) {
    SerialNumbering numbering;
    std::string error;
    ASSERT_TRUE(ParseSerialNumbering("0x7FF0:1000:5:3:bcd-be", numbering, error)) << error;
    EXPECT_EQ(numbering.address, 0x7FF0u);
    EXPECT_EQ(numbering.start, 1000u);
    EXPECT_EQ(numbering.step, 5u);
    EXPECT_EQ(numbering.bytes, 3u);
    EXPECT_EQ(numbering.form, SerialForm::BcdBigEndian);
    for (const char* bad : {"16", "16:1:1:9", "16:1:0", "16:x", "16:1:1:4:le:7", "16:1:1:4:dec"})
        EXPECT_FALSE(ParseSerialNumbering(bad, numbering, error)) << bad;
}

}  // namespace
}  // namespace dspprog
