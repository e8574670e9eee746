// SPDX-License-Identifier: GPL-3.0-or-later
// Data among the program's own lines: written out so that it stays on its
// line and cannot steer the terminal.

#include <gtest/gtest.h>

#include <string>

#include "base/shown_text.h"

namespace dspprog {
namespace {

TEST(ShownText, ControlCharactersAreWrittenOutAndBrokenUtf8Replaced) {
    struct Case {
        std::string data;
        std::string shown;
    };
    const Case cases[] = {
        {"dump.bin", "dump.bin"},
        {"C:\\chips\\27C256.hex", "C:\\chips\\27C256.hex"},  // a Windows path as it is
        {"Флэш 8К", "Флэш 8К"},
        {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {"\x1B[2J", "\\x1B[2J"},
        {std::string("x\0y", 3), "x\\x00y"},
        {"\x7F", "\\x7F"},
        {"\xC2\x9B"
         "31m",
         "\\u009B31m"},  // a C1 control
        {"a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},                                                     // a byte that is no UTF-8
        {"\xD0", "\xEF\xBF\xBD"},                                  // a sequence cut short
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // an overlong '/'
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xF0\x9F\x94\xA5", "\xF0\x9F\x94\xA5"},                  // beyond the BMP
    };
    for (const Case& c : cases) EXPECT_EQ(ShownText(c.data), c.shown) << c.shown;
}

}  // namespace
}  // namespace dspprog
