// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged, truncated and foreign files given as a Paradox catalogue: each is
// refused at the open, which the lookup turns into its fatal stop, and none
// makes the reader read astray, loop or print.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"
#include "catalogue/paradox_chip_table.h"
#include "catalogue/paradox_image_check.h"
#include "catalogue/paradox_table.h"
#include "link/fatal_stop.h"
#include "support/paradox_writer.h"
#include "support/temp_catalogue.h"
#include "support/expect_fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kOpenFailed = "Ошибка при открытии базы данных чипов!";

// Where the damage goes: header fields as the table format places them.
constexpr std::size_t kRecordSizeAt = 0x00;
constexpr std::size_t kHeaderSizeAt = 0x02;
constexpr std::size_t kFileTypeAt = 0x04;
constexpr std::size_t kBlockSizeAt = 0x05;
constexpr std::size_t kNumRecordsAt = 0x06;
constexpr std::size_t kFileBlocksAt = 0x0C;
constexpr std::size_t kFirstBlockAt = 0x0E;
constexpr std::size_t kNumFieldsAt = 0x21;
constexpr std::size_t kKeyFieldsAt = 0x23;
constexpr std::size_t kEncryptionAt = 0x25;
constexpr std::size_t kVersionAt = 0x39;
constexpr std::size_t kFieldInfoAt = 0x78;

void PutWord(std::string& bytes, std::size_t at, int value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

class ParadoxDamagedCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<CatalogueRow> rows;
        for (int i = 0; i < 70; ++i) {
            rows.push_back({ChipKey(0x20, static_cast<std::uint8_t>(i)),
                            "Chip " + std::to_string(i), "64K", "0", "0", "65024"});
        }
        WriteParadoxTable(catalogue.path(), ParadoxCatalogue(rows));
        sound = ReadBytes(catalogue.path());
        facts = ReadParadoxHeaderFacts(sound);
        ASSERT_TRUE(ReadParadoxTable(sound)) << "the undamaged table must read";
        ASSERT_GE(facts.file_blocks, 3);
    }

    std::size_t BlockAt(int number) const {
        return static_cast<std::size_t>(facts.header_size) +
               static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(facts.block_size);
    }

    // Puts `bytes` in place of the catalogue and expects the reader to refuse
    // it for a reason containing `why`, and the lookup to stop the program.
    void ExpectRefused(const std::string& bytes, const std::string& why) {
        std::string problem;
        EXPECT_FALSE(ReadParadoxTable(bytes, &problem));
        EXPECT_NE(problem.find(why), std::string::npos) << "problem: " << problem;
        WriteFileBytes(catalogue.path(), bytes);
        ExpectLookupStops();
    }

    void ExpectLookupStops() {
        auto table = MakeChipTable(catalogue.path());
        ChipRecord chip;
        chip.ManufCode = 0x20;
        chip.DevCode = 0x01;
        const FatalStop stop = ExpectFatalStop([&] { LookupChip(*table, chip); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
        EXPECT_EQ(stop.message(), kOpenFailed);
    }

    std::string Damaged(const std::function<void(std::string&)>& damage) const {
        std::string bytes = sound;
        damage(bytes);
        return bytes;
    }

    TempCatalogue catalogue;
    std::string sound;
    ParadoxHeaderFacts facts;
};

TEST_F(ParadoxDamagedCatalogue, TruncatedFilesAreRefused) {
    const std::size_t header = static_cast<std::size_t>(facts.header_size);
    for (const std::size_t length :
         {std::size_t{0}, std::size_t{1}, std::size_t{0x57}, std::size_t{0x77}, header - 1, header,
          header + 6, BlockAt(2) + 100, sound.size() - 1}) {
        SCOPED_TRACE(length);
        const std::string cut = sound.substr(0, length);
        EXPECT_FALSE(ReadParadoxTable(cut));
        WriteFileBytes(catalogue.path(), cut);
        ExpectLookupStops();
    }
}

TEST_F(ParadoxDamagedCatalogue, HeaderFieldsOutOfRangeAreRefused) {
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        const char* why;
    };
    const Case cases[] = {
        {"zero record size", [](std::string& b) { PutWord(b, kRecordSizeAt, 0); }, "record size"},
        {"record larger than a block", [](std::string& b) { PutWord(b, kRecordSizeAt, 0x4000); },
         "record size"},
        {"record size off by one",
         [&](std::string& b) { PutWord(b, kRecordSizeAt, facts.record_size + 1); }, ""},
        {"header too small", [](std::string& b) { PutWord(b, kHeaderSizeAt, 0x100); },
         "header too small"},
        {"header beyond the file", [](std::string& b) { PutWord(b, kHeaderSizeAt, 0xF800); },
         "file shorter"},
        {"primary index file", [](std::string& b) { b[kFileTypeAt] = 1; }, "not a data table"},
        {"zero block size", [](std::string& b) { b[kBlockSizeAt] = 0; }, "block size"},
        {"huge block size", [](std::string& b) { b[kBlockSizeAt] = 64; }, "block size"},
        {"unknown version", [](std::string& b) { b[kVersionAt] = 0x20; }, "version"},
        {"no fields", [](std::string& b) { PutWord(b, kNumFieldsAt, 0); }, "field count"},
        {"negative field count", [](std::string& b) { PutWord(b, kNumFieldsAt, 0xFFFF); },
         "field count"},
        {"more fields than the header holds", [](std::string& b) { PutWord(b, kNumFieldsAt, 250); },
         "header too small"},
        {"more key fields than fields", [](std::string& b) { PutWord(b, kKeyFieldsAt, 7); },
         "key field"},
        {"one record too many",
         [&](std::string& b) {
             PutWord(b, kNumRecordsAt, static_cast<int>(facts.num_records) + 1);
         },
         "record count differs"},
        {"negative record count",
         [](std::string& b) {
             PutWord(b, kNumRecordsAt, 0xFFFF);
             PutWord(b, kNumRecordsAt + 2, 0xFFFF);
         },
         "more records than blocks"},
        {"more blocks than the file holds",
         [&](std::string& b) { PutWord(b, kFileBlocksAt, facts.file_blocks + 1); }, "file shorter"},
        {"records without a first block", [](std::string& b) { PutWord(b, kFirstBlockAt, 0); },
         "records without blocks"},
        {"encrypted", [](std::string& b) { b[kEncryptionAt] = 0x5A; }, "encrypted"},
        {"unknown field type", [](std::string& b) { b[kFieldInfoAt] = 0x30; }, "unknown type"},
        {"short field of four bytes", [](std::string& b) { b[kFieldInfoAt] = 3; },
         "unknown type or size"},
        {"alpha field longer than the record",
         [](std::string& b) { b[kFieldInfoAt + 1] = static_cast<char>(0xFF); },
         "fields do not fill the record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(Damaged(c.damage), c.why);
    }
}

TEST_F(ParadoxDamagedCatalogue, BrokenBlockChainsAreRefused) {
    const std::size_t first = BlockAt(1);
    const std::size_t second = BlockAt(2);
    ExpectRefused(Damaged([&](std::string& b) { PutWord(b, second, 2); }), "circle");
    ExpectRefused(Damaged([&](std::string& b) { PutWord(b, second, 1); }), "circle");
    ExpectRefused(Damaged([&](std::string& b) { PutWord(b, first, facts.file_blocks + 1); }),
                  "leaves the file");
    ExpectRefused(Damaged([&](std::string& b) { PutWord(b, first, 0); }), "record count differs");
    ExpectRefused(Damaged([&](std::string& b) { PutWord(b, first + 4, 0x7FFF); }),
                  "bad record count");
    // An emptied block left on the chain: the table library would count it
    // as full of records.
    ExpectRefused(
        Damaged([&](std::string& b) { PutWord(b, second + 4, 0x10000 - facts.record_size); }),
        "bad record count");
}

TEST_F(ParadoxDamagedCatalogue, TableWithoutOneOfTheSixFieldsIsRefused) {
    for (std::size_t omit = 0; omit < std::size(kChipFields); ++omit) {
        SCOPED_TRACE(kChipFields[omit]);
        ParadoxTableDef table_def = ParadoxCatalogue({{"2001", "x", "64K", "0", "0", "65024"}});
        table_def.fields.erase(table_def.fields.begin() + static_cast<std::ptrdiff_t>(omit));
        table_def.rows[0].erase(table_def.rows[0].begin() + static_cast<std::ptrdiff_t>(omit));
        WriteParadoxTable(catalogue.path(), table_def);
        ParadoxChipTable table(catalogue.path());
        EXPECT_FALSE(table.Open());
        EXPECT_EQ(table.last_problem(), std::string("no field ") + kChipFields[omit]);
        EXPECT_TRUE(table.Eof());
        EXPECT_EQ(table.Field("Code"), "");
        ExpectLookupStops();
    }
}

TEST_F(ParadoxDamagedCatalogue, MissingFileOrDirectoryIsRefused) {
    std::filesystem::remove(catalogue.path());
    ParadoxChipTable missing(catalogue.path());
    EXPECT_FALSE(missing.Open());
    ExpectLookupStops();
    std::filesystem::create_directory(catalogue.path());
    ParadoxChipTable directory(catalogue.path());
    EXPECT_FALSE(directory.Open());
    ExpectLookupStops();
}

TEST_F(ParadoxDamagedCatalogue, RandomBytesAreNeverTakenForATable) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(static_cast<std::size_t>(random() % 8192), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        ASSERT_FALSE(LooksLikeParadoxTable(bytes, bytes.size())) << "case " << i;
        ASSERT_FALSE(ReadParadoxTable(bytes)) << "case " << i;
    }
}

TEST_F(ParadoxDamagedCatalogue, ScrambledHeadersAndBlocksReadQuietlyOrNotAtAll) {
    // Any outcome is allowed but a fault, a hang or output.
    std::mt19937 random(7);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int read = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = sound;
        const int hits = 1 + static_cast<int>(random() % 4);
        for (int h = 0; h < hits; ++h) {
            // Mostly the header and block heads, where the structure lives.
            const std::size_t at = random() % 2 == 0
                                       ? random() % 0x120
                                       : BlockAt(1 + static_cast<int>(random() % 3)) + random() % 8;
            bytes[at] = static_cast<char>(random());
        }
        if (ReadParadoxTable(bytes)) ++read;
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_GT(read, 0) << "harmless damage, such as to a table name, still reads";
}

}  // namespace
}  // namespace dspprog
