// SPDX-License-Identifier: GPL-3.0-or-later
// Two names of one file, existing or not: links are followed, dangling ones
// too, so that two emulated programmers never share one chip file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "startup/file_roles.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {
namespace {

namespace fs = std::filesystem;

TEST(SameFile, LinksAreFollowedEvenToFilesNotMadeYet) {
    TempCatalogue dir;
    const auto at = [&dir](const char* name) { return (dir.dir() / name).string(); };
    std::ofstream(at("there.bin")) << "x";
    fs::create_directory(at("sub"));
    try {
        fs::create_symlink("there.bin", at("to-there.bin"));
        fs::create_symlink("absent.bin", at("dangling.bin"));
        fs::create_symlink("dangling.bin", at("chain.bin"));
        fs::create_symlink("../absent.bin", at("sub/up.bin"));
    } catch (const fs::filesystem_error& e) {
        GTEST_SKIP() << "no symbolic links here: " << e.what();
    }
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    for (const Case& c : {Case{"there.bin", "to-there.bin", true},
                          Case{"absent.bin", "dangling.bin", true},
                          Case{"absent.bin", "chain.bin", true},
                          Case{"dangling.bin", "sub/up.bin", true},
                          Case{"sub/../absent.bin", "absent.bin", true},
                          Case{"absent.bin", "other.bin", false},
                          Case{"there.bin", "dangling.bin", false}}) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(SameFile(at(c.a), at(c.b)), c.same);
    }
}

}  // namespace
}  // namespace dspprog::testing
