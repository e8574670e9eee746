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
        {"python3", "python3 -c \"import zlib; print('%08X' % zlib.crc32(open('image','rb').read()))\"",
         1, "  CRC-32: "},
        {"sha1sum", "sha1sum image | cut -d' ' -f1", 2, "  SHA-1: "},
        {"sha256sum", "sha256sum image | cut -d' ' -f1", 3, "  SHA-256: "},
    };
    TempCatalogue temp;  // only for its directory
    const std::string dir = temp.dir().string();
    bool judged = false;
    // Empty, shorter than a hash block, odd, and the largest chip.
    for (const std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{4099},
                                   std::size_t{524288}}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> bytes = Pattern(size, 7);
        std::ofstream(dir + "/image", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
