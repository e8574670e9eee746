// SPDX-License-Identifier: GPL-3.0-or-later
// srec_cat, from Debian's srecord package, as the outside judge of our HEX
// and S-record files: what it writes we read into the same chip, and what
// we write it reads back into the same bytes, without a warning.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "image/image_encoder.h"
#include "image/image_format.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

class SrecCat : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (temp_.dir() / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Runs srec_cat with `arguments` (file names relative to the temporary
    // directory) and expects it to succeed without a word.
    void Run(const std::string& arguments) const {
        const std::string command = "cd '" + temp_.dir().string() + "' && '" DSPPROG_SREC_CAT "' " +
                                    arguments + " >srec_cat.log 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << Read("srec_cat.log");
        EXPECT_EQ(Read("srec_cat.log"), "") << command;
    }

    std::mt19937 random_{11};

private:
    TempCatalogue temp_;  // only for its directory
};

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

TEST_F(SrecCat, ItsFilesReadIntoTheChip) {
    using Pieces = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // chip offset, size
    struct Case {
        const char* output;  // srec_cat's output options
        ImageFormat format;
        std::uint32_t chip_size;
        Pieces pieces;
        std::uint32_t offset = 0;
    };
    const Pieces sparse_512k = {{0x10, 0x100}, {0xFFF0, 0x40}, {0x3FFF8, 0x21}, {0x7FF00, 0x100}};
    const Pieces sparse_128k = {{0, 3}, {0x8000, 0x10}, {0xFFE0, 0x40}, {0x1FFFF, 1}};
    const std::vector<Case> cases = {
        {"-intel", ImageFormat::IntelHex, 0x2000, {{0, 0x2000}}},
        {"-intel", ImageFormat::IntelHex, 0x80000, sparse_512k},
        {"-intel -output-block-size=255", ImageFormat::IntelHex, 0x80000, sparse_512k},
        {"-intel -address-length=3", ImageFormat::IntelHex, 0x20000, sparse_128k},
        {"-intel -address-length=2", ImageFormat::IntelHex, 0x10000, {{0, 0x100}, {0xFF00, 0x100}}},
        {"-intel", ImageFormat::IntelHex, 0x20000, sparse_128k, 0x08000000},
        {"-motorola -address-length=2", ImageFormat::SRecord, 0x10000, {{0, 0x10000}}},
        {"-motorola -address-length=2 -execution-start-address=0",
         ImageFormat::SRecord,
         0x8000,
         {{0x100, 0x80}, {0x7FFF, 1}}},
        {"-motorola -address-length=3", ImageFormat::SRecord, 0x80000, sparse_512k},
        {"-motorola -address-length=4", ImageFormat::SRecord, 0x20000, sparse_128k},
        {"-motorola -address-length=4 -execution-start-address=0x08000000", ImageFormat::SRecord,
         0x20000, sparse_128k, 0x08000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + ", chip " + Hex(c.chip_size) + " at " + Hex(c.offset));
        std::vector<std::uint8_t> expected(c.chip_size, 0xFF);
        std::string inputs;
        for (std::size_t n = 0; n < c.pieces.size(); ++n) {
            const auto [at, size] = c.pieces[n];
            std::string piece(size, '\0');
            for (std::uint32_t i = 0; i < size; ++i) {
                piece[i] = static_cast<char>(random_());
                expected[at + i] = static_cast<std::uint8_t>(piece[i]);
            }
            const std::string name = "piece" + std::to_string(n) + ".bin";
            Write(name, piece);
            inputs += name + " -binary -offset " + Hex(std::uint64_t{c.offset} + at) + " ";
        }
        Run(inputs + "-o image.txt " + c.output);

        const std::string text = Read("image.txt");
        EXPECT_EQ(RecogniseImageFormat(text), c.format);
        std::vector<std::uint8_t> chip;
        const std::optional<ImageDefect> defect =
            ConvertImage(text, c.format, c.chip_size, c.offset, chip);
        ASSERT_FALSE(defect) << defect->line << ": " << defect->reason << "\n" << text;
        EXPECT_EQ(chip, expected);
    }
}

TEST_F(SrecCat, ReadsOurFilesBackIntoTheChip) {
    struct Case {
        ImageFormat format;
        std::uint32_t chip_size;
        std::uint32_t offset;
        const char* marker;  // a record the file must hold
    };
    const std::vector<Case> cases = {
        {ImageFormat::IntelHex, 0x10000, 0, ":10FFF000"},            // below 64 KB: no 04
        {ImageFormat::IntelHex, 0x20000, 0, ":020000040001F9\r\n"},  // both sides of 64 KB
        {ImageFormat::IntelHex, 0x80000, 0, ":020000040007F3\r\n"},
        {ImageFormat::IntelHex, 0x20000, 0x1008, ":08FFF800"},  // a line cut at 64 KB
        {ImageFormat::SRecord, 0x2000, 0, "S5030200FA\r\nS9"},
        {ImageFormat::SRecord, 0x10000, 0, "S113FFF0"},
        {ImageFormat::SRecord, 0x20000, 0, "S214010000"},
        {ImageFormat::SRecord, 0x80000, 0, "S5038000"},
        {ImageFormat::SRecord, 0x20000, 0x08000000, "S31508000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ImageFormatName(c.format)) + ", chip " + Hex(c.chip_size) +
                     " at " + Hex(c.offset));
        std::vector<std::uint8_t> chip(c.chip_size);
        for (auto& b : chip) b = static_cast<std::uint8_t>(random_());
        std::fill(chip.begin() + 16, chip.begin() + 4200, std::uint8_t{0xFF});

        auto encoder = MakeImageEncoder(c.format, c.chip_size, c.offset);
        std::string file = encoder->Begin();
        for (std::uint32_t at = 0; at < c.chip_size; at += 4096) {
            file += encoder->Data(at, chip.data() + at, 4096);
        }
        file += encoder->End();
        EXPECT_NE(file.find(c.marker), std::string::npos);
        Write("ours.txt", file);

        const char* form = c.format == ImageFormat::IntelHex ? "-intel" : "-motorola";
        Run(std::string("ours.txt ") + form + " -offset -" + Hex(c.offset) +
            " -o back.bin -binary");
        EXPECT_EQ(Read("back.bin"), std::string(chip.begin(), chip.end()));
    }
}

TEST_F(SrecCat, TheSameChipAfterAByteOrderMarkBlankLinesOrPadding) {
    // A 128 KB chip's files, changed the way editors and old tools change
    // them. srec_cat judges the changed file, or the file before the change
    // where it takes the change for garbage and drops a record.
    std::string piece(0x300, '\0');
    for (char& c : piece) c = static_cast<char>(random_());
    Write("piece.bin", piece);
    Run("piece.bin -binary -offset 0x1F000 -o image.hex -intel");
    Run("piece.bin -binary -offset 0x1F000 -o image.s19 -motorola -execution-start-address=0");
    const std::string hex = Read("image.hex");
    const std::string srec = Read("image.s19");
    std::string spaced;  // a blank line after every record
    for (char c : hex) spaced += c == '\n' ? std::string("\n\r\n") : std::string(1, c);
    std::string lower = srec;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    struct Case {
        const char* what;
        std::string text;
        std::string judged;  // what srec_cat reads; empty: the text itself
        const char* form;
    };
    const std::vector<Case> cases = {
        {"byte-order mark", "\xEF\xBB\xBF" + hex, hex, "-intel"},
        {"blank line first", "\r\n" + hex, "", "-intel"},
        {"blank lines between records", spaced, "", "-intel"},
        {"padding after the end", hex + std::string("\0\0\x1A\xFF\xFF", 5), "", "-intel"},
        {"lower-case S-records", lower, srec, "-motorola"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write("judged.txt", c.judged.empty() ? c.text : c.judged);
        Run(std::string("judged.txt ") + c.form + " -fill 0xFF 0 0x20000 -o out.bin -binary");
        std::vector<std::uint8_t> chip;
        const std::optional<ImageDefect> defect =
            ConvertImage(c.text, RecogniseImageFormat(c.text), 0x20000, 0, chip);
        ASSERT_FALSE(defect) << defect->line << ": " << defect->reason;
        EXPECT_EQ(std::string(chip.begin(), chip.end()), Read("out.bin"));
    }
}

}  // namespace
}  // namespace dspprog
