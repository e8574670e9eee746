// SPDX-License-Identifier: GPL-3.0-or-later
// Legacy single-byte texts turned into UTF-8.

#include "catalogue/code_page_text.h"

#include <gtest/gtest.h>

#include <string>

namespace dspprog {
namespace {

TEST(ParadoxCodePageText, CyrillicOfTheWindowsAndDosCodePages) {
    CodePageDecoder windows(1251);
    EXPECT_EQ(windows.ToUtf8("\xCA\x35\x37\x33\xD0\xD4\x35"), "К573РФ5");
    EXPECT_EQ(windows.ToUtf8("\xB9"), "№");
    CodePageDecoder dos(866);
    EXPECT_EQ(dos.ToUtf8("\x8A\x35\x37\x33\x90\x94\x35"), "К573РФ5");
    CodePageDecoder western(1252);
    EXPECT_EQ(western.ToUtf8("F\xFCnfter \x80"), "Fünfter €");
    CodePageDecoder dos_western(850);
    EXPECT_EQ(dos_western.ToUtf8("F\x81nfter"), "Fünfter");
}

TEST(ParadoxCodePageText, AsciiAndEmptyTextsPassUnchanged) {
    CodePageDecoder decoder(866);
    EXPECT_EQ(decoder.ToUtf8(""), "");
    EXPECT_EQ(decoder.ToUtf8("AB05 64K $84"), "AB05 64K $84");
}

TEST(ParadoxCodePageText, UndefinedBytesBecomeReplacementCharacters) {
    CodePageDecoder decoder(1251);
    // 0x98 is the one byte code page 1251 leaves undefined.
    EXPECT_EQ(decoder.ToUtf8("A\x98"
                             "B\xCA"),
              "A\xEF\xBF\xBD"
              "BК");
    // The decoder carries on after one.
    EXPECT_EQ(decoder.ToUtf8("\xCA"), "К");
}

TEST(ParadoxCodePageText, MissingOrUnknownCodePageMeansThePrograms) {
    CodePageDecoder none(0);
    EXPECT_EQ(none.code_page(), kDefaultCodePage);
    EXPECT_EQ(none.ToUtf8("\xCA"), "К");
    CodePageDecoder unknown(12345);
    EXPECT_EQ(unknown.code_page(), kDefaultCodePage);
    EXPECT_EQ(unknown.ToUtf8("\xCA"), "К");
    EXPECT_EQ(CodePageDecoder(866).code_page(), 866);
}

TEST(ParadoxCodePageText, LongTextsConvertWhole) {
    CodePageDecoder decoder(1251);
    const std::string stored(1000, '\xCA');
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += "К";
    EXPECT_EQ(decoder.ToUtf8(stored), expected);
}

}  // namespace
}  // namespace dspprog
