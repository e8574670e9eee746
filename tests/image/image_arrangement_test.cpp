// SPDX-License-Identifier: GPL-3.0-or-later
// What an arrangement refuses, and the texts that name its parts. What the
// arrangements make is judged by srec_cat in the command line's tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/image_arrangement.h"

namespace dspprog {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ImageArrangement, ReadsPlacedNamesLanesAndFillBytes) {
    struct Name {
        std::string text;
        bool whole_name_exists;
        std::optional<PlacedName> expected;  // nothing: refused, naming what follows the '@'
    };
    const std::vector<Name> names = {
        {"a.bin", false, PlacedName{"a.bin", std::nullopt}},
        {"a.bin@0x8000", false, PlacedName{"a.bin", 0x8000}},
        {"a.bin@4096", false, PlacedName{"a.bin", 4096}},
        {"a@b@16", false, PlacedName{"a@b", 16}},
        {"@16", false, PlacedName{"@16", std::nullopt}},  // a name is never empty
        {"rom@100", true, PlacedName{"rom@100", std::nullopt}},
        {"user@host.bin", true, PlacedName{"user@host.bin", std::nullopt}},
        {"user@host.bin", false, std::nullopt},
        {"a.bin@-5", false, std::nullopt},
        {"a.bin@4294967296", false, std::nullopt},
        {"a.bin@0x100000000", false, std::nullopt},
        {"a.bin@", false, std::nullopt},
    };
    for (const Name& name : names) {
        SCOPED_TRACE(name.text);
        std::string problem;
        EXPECT_EQ(ParsePlacedName(name.text, name.whole_name_exists, problem), name.expected);
        const std::string address = name.text.substr(name.text.rfind('@') + 1);
        if (!name.expected) {
            EXPECT_NE(problem.find("'" + address + "'"), std::string::npos) << problem;
        }
    }

    const std::vector<std::pair<std::string, std::optional<ByteLane>>> lanes = {
        {"2:0", ByteLane{2, 0}}, {"2:1", ByteLane{2, 1}}, {"4:3", ByteLane{4, 3}},
        {"2:2", std::nullopt},   {"3:0", std::nullopt},   {"1:0", std::nullopt},
        {"2:", std::nullopt},    {"2:01", std::nullopt},  {"", std::nullopt},
    };
    for (const auto& [text, expected] : lanes) EXPECT_EQ(ParseByteLane(text), expected) << text;

    const std::vector<std::pair<std::string, std::optional<std::uint8_t>>> fills = {
        {"0", 0},
        {"0xFF", 0xFF},
        {"255", 255},
        {"0x0", 0},
        {"256", std::nullopt},
        {"0x100", std::nullopt},
        {"-1", std::nullopt},
        {"ff", std::nullopt},
    };
    for (const auto& [text, expected] : fills) EXPECT_EQ(ParseFillByte(text), expected) << text;
}

TEST(ImageArrangement, RefusesWhatMakesNoImage) {
    const std::string a(16, '\x11');
    std::string b(16, '\x11');
    b[9] = '\x22';
    b[12] = '\x33';
    const std::string hex = ":0100050022D8\r\n:00000001FF\r\n";  // 0x22 at address 5
    struct Case {
        const char* what;
        std::vector<ImagePiece> pieces;
        std::optional<std::uint64_t> size;
        std::string reason;  // empty: the image is made
    };
    const std::vector<Case> cases = {
        {"equal bytes twice are no conflict",
         {{"a", a, ImageFormat::Raw, 0}, {"b", a, ImageFormat::Raw, 4}},
         32,
         ""},
        {"the first differing address, both files named",
         {{"a", a, ImageFormat::Raw, 0}, {"b", b, ImageFormat::Raw, 4}},
         32,
         "файлы \"a\" и \"b\" дают разные байты по адресу 0x00000D: 0x11 и 0x22"},
        {"a record against a raw file",
         {{"a", a, ImageFormat::Raw, 0}, {"h", hex, ImageFormat::IntelHex, 0}},
         32,
         "файлы \"a\" и \"h\" дают разные байты по адресу 0x000005: 0x11 и 0x22"},
        {"a file across two others and the hole between them",
         {{"a", std::string_view(a).substr(0, 4), ImageFormat::Raw, 0},
          {"b", std::string_view(a).substr(0, 4), ImageFormat::Raw, 8},
          {"c", std::string_view(b).substr(0, 12), ImageFormat::Raw, 1}},
         32,
         "файлы \"b\" и \"c\" дают разные байты по адресу 0x00000A: 0x11 и 0x22"},
        {"a raw file past the end",
         {{"a", a, ImageFormat::Raw, 20}},
         32,
         "файл \"a\": данные по адресу 0x000020 лежат за концом образа (0x000020 байт)"},
        {"an address past the end",
         {{"a", a, ImageFormat::Raw, 32}},
         32,
         "файл \"a\": данные по адресу 0x000020 лежат за концом образа (0x000020 байт)"},
        {"a record past the end",
         {{"h", hex, ImageFormat::IntelHex, 0}},
         4,
         "Ошибка в файле \"h\", строка 1: данные по адресу 0x000005 лежат за концом чипа (0x000004 "
         "байт)"},
        {"an empty file at an address gives no byte",
         {{"e", "", ImageFormat::Raw, 0x10}},
         std::nullopt,
         std::string(kTextOfEmptyImage)},
        {"nor in an image of fixed length",
         {{"e", "", ImageFormat::Raw, 0}},
         32,
         std::string(kTextOfEmptyImage)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image{1};
        const std::optional<std::string> reason = PlaceImages(c.pieces, 0, 0xFF, c.size, 64, image);
        EXPECT_EQ(reason.value_or(""), c.reason);
        EXPECT_EQ(image.size(), c.reason.empty() ? 32u : 0u);
    }

    Bytes odd(7, 1);
    EXPECT_EQ(SwapBytePairs(odd).value_or(""),
              "образ нечётной длины (7 байт): байты 16-битных слов не переставить");
    EXPECT_EQ(odd, Bytes(7, 1));
    // Past the last whole eight bytes too.
    Bytes ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(SwapBytePairs(ten), std::nullopt);
    EXPECT_EQ(ten, (Bytes{1, 0, 3, 2, 5, 4, 7, 6, 9, 8}));
    EXPECT_EQ(KeepLane(ten, {4, 3}), (Bytes{2, 6}));
    EXPECT_EQ(KeepLane(Bytes(3, 5), {4, 3}), Bytes{});

    const std::vector<Bytes> lanes = {Bytes(4), Bytes(5)};
    const std::vector<std::string> names = {"even", "odd"};
    Bytes image{1};
    EXPECT_EQ(InterleaveLanes(lanes, names, std::nullopt, 0xFF, image).value_or(""),
              "файлы \"even\" (4 байт) и \"odd\" (5 байт) разной длины: их байты не чередовать");
    EXPECT_TRUE(image.empty());
    // A length below the lanes' cuts nothing off; above it, the rest is fill.
    const std::vector<Bytes> equal = {Bytes(4, 1), Bytes(4, 2)};
    EXPECT_EQ(InterleaveLanes(equal, names, 7, 0xFF, image).value_or(""),
              "файл \"odd\": данные по адресу 0x000007 лежат за концом образа (0x000007 байт)");
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(InterleaveLanes(equal, names, 10, 0, image), std::nullopt);
    EXPECT_EQ(image, (Bytes{1, 2, 1, 2, 1, 2, 1, 2, 0, 0}));
}

// With no length asked for, the image ends where file addresses do: a HEX
// file at the top of the 4 GB is brought down by a high offset.
TEST(ImageArrangement, AHighOffsetTakesTheTopOfTheAddressSpace) {
    const std::string top = ":02000004FFFFFC\r\n:04FFFC001122334457\r\n:00000001FF\r\n";
    const std::vector<ImagePiece> pieces = {{"top", top, ImageFormat::IntelHex, 0}};
    Bytes image;
    EXPECT_EQ(PlaceImages(pieces, 0xFFFFFFF0, 0xFF, std::nullopt, 64 << 20, image), std::nullopt);
    Bytes expected(16, 0xFF);
    for (std::size_t i = 0; i < 4; ++i)
        expected[12 + i] = static_cast<std::uint8_t>(0x11 * (i + 1));
    EXPECT_EQ(image, expected);
}

}  // namespace
}  // namespace dspprog
