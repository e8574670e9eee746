// SPDX-License-Identifier: GPL-3.0-or-later
// The serial numbers a series hands out: never one twice, within a run or
// across runs sharing a serial file.

#include <gtest/gtest.h>

#include <fstream>

#include "app/serial_source.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

class SerialSourceTest : public ::testing::Test {
protected:
    std::string FileText() const {
        std::ifstream in(file);
        std::string text;
        std::getline(in, text);
        return text;
    }
    std::unique_ptr<SerialSource> Open() {
        error.clear();
        return SerialSource::Open(numbering, file, error);
    }

    TempCatalogue folder;  // for its temporary directory
    std::string file = (folder.dir() / "serial.txt").string();
    SerialNumbering numbering{0x10, 100, 10, 4, SerialForm::LittleEndian};
    std::string error;
};

TEST_F(SerialSourceTest, TheFileIsAheadOfEveryNumberHandedOut) {
    auto source = Open();
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Take(error), 100u);
    EXPECT_EQ(FileText(), "110");  // before the chip is written
    EXPECT_EQ(source->Take(error), 110u);
    EXPECT_EQ(source->Take(error), 120u);
    // A number given back out of turn goes to the next chip of this run...
    EXPECT_TRUE(source->GiveBack(110, error));
    EXPECT_EQ(FileText(), "130");
    EXPECT_EQ(source->Take(error), 110u);
    // ...the last one handed out goes back into the file as well.
    EXPECT_TRUE(source->GiveBack(120, error));
    EXPECT_EQ(FileText(), "120");
    EXPECT_EQ(source->Take(error), 120u);
}

TEST_F(SerialSourceTest, ASecondRunWaitsForTheFirstAndGoesOnFromItsFile) {
    {
        auto first = Open();
        ASSERT_TRUE(first) << error;
        EXPECT_FALSE(Open());
        EXPECT_NE(error.find("in use by another run"), std::string::npos) << error;
        first->Take(error);
    }
    auto second = Open();
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->Take(error), 110u);
}

}  // namespace
}  // namespace dspprog
