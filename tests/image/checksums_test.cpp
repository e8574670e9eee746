// SPDX-License-Identifier: GPL-3.0-or-later
// The sum lines against the programs users check an image with: sha1sum,
// sha256sum, and Python's zlib.crc32 and sum() for the CRC and the 16-bit sum.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "image/checksums.h"
#include "support/bytes.h"
#include "support/outside_tool.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {
namespace {

// The published check values (FIPS 180's "abc", the CRC catalogue's
// "123456789"): these hold where no tool is there to ask, as under wine,
// where the digests come from the system's BCrypt.
TEST(Checksums, GiveThePublishedCheckValues) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"abc",
         {"  Сумма-16: 0126", "  CRC-32: 352441C2",
          "  SHA-1: a9993e364706816aba3e25717850c26c9cd0d89d",
          "  SHA-256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}},
        {"123456789",
         {"  Сумма-16: 01DD", "  CRC-32: CBF43926",
          "  SHA-1: f7c3bc1d808e04732adf679965ccc34ca7ae3441",
          "  SHA-256: 15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"}},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> bytes(c.text.begin(), c.text.end());
        EXPECT_EQ(SumLines(ComputeSums(bytes)), c.lines) << c.text;
    }
}

TEST(Checksums, AgreeWithTheToolsUsersCompareWith) {
    struct Tool {
        const char* program;
        const char* command;  // prints the line's value for the file "image"
        std::size_t line;     // of SumLines
        const char* label;
    };
    const std::vector<Tool> tools = {
        {"python3", "python3 -c \"print('%04X' % (sum(open('image','rb').read()) & 0xFFFF))\"", 0,
         "  Сумма-16: "},
        {"python3",
         "python3 -c \"import zlib; print('%08X' % zlib.crc32(open('image','rb').read()))\"", 1,
         "  CRC-32: "},
        {"sha1sum", "sha1sum image | cut -d' ' -f1", 2, "  SHA-1: "},
        {"sha256sum", "sha256sum image | cut -d' ' -f1", 3, "  SHA-256: "},
    };
    TempCatalogue temp;  // only for its directory
    const std::string dir = temp.dir().string();
    bool judged = false;
    // Empty, shorter than a hash block, odd, and the largest chip.
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{3}, std::size_t{4099}, std::size_t{524288}}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> bytes = Pattern(size, 7);
        std::ofstream(dir + "/image", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        const std::vector<std::string> lines = SumLines(ComputeSums(bytes));
        ASSERT_EQ(lines.size(), 4u);
        for (const Tool& tool : tools) {
            if (!HaveTool(tool.program)) continue;
            std::string printed;
            ASSERT_TRUE(RunInDir(dir, tool.command, printed)) << tool.command << "\n" << printed;
            if (!printed.empty() && printed.back() == '\n') printed.pop_back();
            EXPECT_EQ(lines[tool.line], tool.label + printed);
            judged = true;
        }
    }
    if (!judged) GTEST_SKIP() << "none of python3, sha1sum, sha256sum is installed";
}

}  // namespace
}  // namespace dspprog::testing
