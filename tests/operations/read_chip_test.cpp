// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the chip: the blank and checksum verdicts, the image file, and what
// the operator sees when something refuses.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>

#include "operations/read_chip.h"
#include "support/programmer_fixture.h"

namespace dspprog::testing {
namespace {

constexpr const char* kChipLine = "  Чип определен: AT28C64. Объем: 8192 байт(а).";

std::vector<CatalogueRow> Catalogue() {
    return {{"1F18", "AT28C64", "64K", "0", "1", "255"}, {"2F28", "BIG", "8M", "0", "1", "255"}};
}

struct ReadBench : ProgrammerBench {
    explicit ReadBench(std::vector<std::uint8_t> content = {}, std::uint8_t dev = 0x18)
        : ProgrammerBench(
              emu::VirtualChip(8192, kType255),
              IdentReply({{1, dev == 0x18 ? std::uint8_t{0x1F} : std::uint8_t{0x2F}}, {2, dev}}),
              Catalogue()) {
        if (!content.empty()) firmware.chip().content() = std::move(content);
    }
    // Saving on, the save dialog answering `name` (in the test's directory).
    std::string Saving(const std::string& name) {
        session.CheckBoxNotWrite = false;
        op.AnswerSave(PathOf(name));
        return PathOf(name);
    }
};

std::vector<std::uint8_t> Blank() {
    return std::vector<std::uint8_t>(8192, 0xFF);
}

std::vector<std::string> Read(std::initializer_list<std::string> middle) {
    std::vector<std::string> lines = {"", "+++ Начало чтения чипа."};
    lines.insert(lines.end(), middle.begin(), middle.end());
    lines.push_back("--- Окончание чтения чипа.");
    return lines;
}

std::vector<std::string> IdentWire() {
    return {"CmdOut " + Hex16({0x80}), "CmdIn " + Hex16({0, 0x1F, 0x18})};
}

// --- Verdicts -----------------------------------------------------------------

TEST(ReadVerdict, BlankChipWithoutSaving) {
    ReadBench bench(Blank());
    EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(), Read({kChipLine, "  Производится чтение.",
                                           "  Чип считан за: 0 миллисекунд.", "  Чип чист."}));
    std::vector<std::string> wire = IdentWire();
    wire.push_back("CmdOut " + Hex16({0x83, 0x00, 0xE0, 0x87}));
    wire.push_back("CmdIn " + Hex16({}));
    wire.push_back(DataLine("MainIn"));
    wire.push_back(DataLine("MainIn"));
    wire.push_back("CmdIn " + Hex16({}));
    EXPECT_EQ(bench.WireLines(), wire);
    EXPECT_EQ(bench.op.progress(),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 2}, {1, 2}, {2, 2}}));
}

TEST(ReadVerdict, ChecksumCoversOnlyUpToTheFirstBlockThatIsNotBlank) {
    // One 0x00 in the first block: 4095 x 0xFF = 0xEF01; the second block,
    // whatever it holds, is not summed.
    std::vector<std::uint8_t> a = Blank();
    a[0] = 0x00;
    std::vector<std::uint8_t> b = a;
    b[4096] = 0x12;
    b[8191] = 0x00;
    for (const auto& content : {a, b}) {
        ReadBench bench(content);
        EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
        EXPECT_EQ(bench.op.log().at(5), "  Контрольная сумма:EF01h.");
    }
}

TEST(ReadVerdict, ChecksumKeepsLeadingZeros) {
    std::vector<std::uint8_t> content(8192, 0x00);
    for (int i = 0; i < 10; ++i) content[i] = 0xFF;  // 10 x 255 + 10 = 2560
    content[10] = 0x0A;
    ReadBench bench(content);
    EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(),
              Read({kChipLine, "  Производится чтение.", "  Чип считан за: 0 миллисекунд.",
                    "  Контрольная сумма:0A00h."}));
}

TEST(ReadVerdict, TimeCoversTheDataBlocks) {
    ReadBench bench(Blank());
    bench.op.OnProgress([&](std::uint32_t, std::uint32_t) { bench.clock.Advance(125); });
    EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(4), "  Чип считан за: 375 миллисекунд.");
}

TEST(ReadVerdict, BurstReadKeepsBytesFourOnFromTheLastCommand) {
    ReadBench bench(Blank());
    bench.session.CmdBuf() = {0xD0, 0x11, 0x22, 0xEF, 0x04, 0x19, 0x02, 0x02};
    ASSERT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    EXPECT_EQ(bench.Commands().at(1), Hex16({0x83, 0x00, 0xE0, 0x87, 0x04, 0x19, 0x02, 0x02}));
}

// --- Image file ---------------------------------------------------------------

TEST(ReadSave, ContentIsSavedAsItCameFromTheChip) {
    std::vector<std::uint8_t> content(8192);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
    ReadBench bench(content);
    const std::string path = bench.Saving("image.bin");
    EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    EXPECT_EQ(bench.ReadFile("image.bin"), content);
    const auto& log = bench.op.transcript();
    EXPECT_EQ(log.at(2), "[save] " + path);
    EXPECT_EQ(log.at(log.size() - 2), "  Содержимое сохранено в файле: \"" + path + "\".");
}

TEST(ReadSave, ExistingFileIsRefusedUntouchedAndNothingIsRead) {
    for (const std::vector<std::uint8_t>& old :
         {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{1, 2, 3}}) {
        ReadBench bench(Blank());
        bench.WriteFile("old.bin", old);
        const std::string path = bench.Saving("old.bin");
        EXPECT_EQ(ReadClick(bench.session), Outcome::Cancelled);
        EXPECT_EQ(bench.op.transcript(),
                  Read({"[save] " + path, "  Такой файл существует: \"" + path + "\"!",
                        "  Операция чтения отмена.", ""}));
        EXPECT_EQ(bench.ReadFile("old.bin"), old);
        EXPECT_EQ(bench.WireLines(), IdentWire());
    }
}

// Hidden: a leading dot on POSIX systems, the hidden attribute on Windows.
#ifdef _WIN32
constexpr const char* kHidden = "hidden.bin";
#else
constexpr const char* kHidden = ".hidden.bin";
#endif

TEST(ReadSave, HiddenExistingFileIsNotDestroyed) {
    ReadBench bench(Blank());
    bench.WriteFile(kHidden, {9, 8, 7, 6});
    const std::string path = bench.Saving(kHidden);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
#endif
    EXPECT_EQ(ReadClick(bench.session), Outcome::Failed);
    // Creation failure: no empty line before the closing line.
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, "  Ошибка создания файла:\"" + path + "\""}));
    EXPECT_EQ(bench.ReadFile(kHidden), (std::vector<std::uint8_t>{9, 8, 7, 6}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

#ifdef _WIN32
TEST(ReadSave, OnWindowsADotFileIsAnOrdinaryExistingFile) {
    ReadBench bench(Blank());
    bench.WriteFile(".img", {1, 2});
    const std::string path = bench.Saving(".img");
    EXPECT_EQ(ReadClick(bench.session), Outcome::Cancelled);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, "  Такой файл существует: \"" + path + "\"!",
                    "  Операция чтения отмена.", ""}));
    EXPECT_EQ(bench.ReadFile(".img"), (std::vector<std::uint8_t>{1, 2}));
}
#endif

TEST(ReadSave, FileThatCannotBeCreated) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("no-such-dir/image.bin");
    EXPECT_EQ(ReadClick(bench.session), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, "  Ошибка создания файла:\"" + path + "\""}));
}

TEST(ReadSave, CancelledDialogEndsWithAnEmptyLine) {
    ReadBench bench(Blank());
    bench.session.CheckBoxNotWrite = false;
    bench.op.AnswerSave(std::nullopt);
    EXPECT_EQ(ReadClick(bench.session), Outcome::Cancelled);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] cancel", "  Операция чтения отменена пользователем!", ""}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

TEST(ReadSave, NotSavingShowsNoDialogAndCreatesNothing) {
    ReadBench bench(Blank());
    EXPECT_EQ(ReadClick(bench.session), Outcome::Succeeded);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(bench.catalogue.dir()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"chips.db"});
    EXPECT_EQ(bench.op.transcript().back(), "--- Окончание чтения чипа.");
    EXPECT_EQ(bench.op.transcript().at(bench.op.transcript().size() - 2), "  Чип чист.");
}

// --- Failures -----------------------------------------------------------------

TEST(ReadFailure, RefusedBurstReadLeavesAnEmptyFile) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("image.bin");
    bench.firmware.faults().refuse.insert(_BurstRead);
    EXPECT_EQ(ReadClick(bench.session), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(), Read({"[save] " + path, kChipLine, "  Производится чтение.",
                                           "[box] Команду _BurstRead не принято"}));
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(ReadFailure, FailedCompletionHidesTimeAndVerdictButKeepsTheFile) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("image.bin");
    bench.firmware.faults().fail_completion.insert(_BurstRead);
    EXPECT_EQ(ReadClick(bench.session), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(), Read({"[save] " + path, kChipLine, "  Производится чтение.",
                                           "  Чип рапортует \"Операция чтения не успешна!\" "}));
    EXPECT_EQ(bench.ReadFile("image.bin"), Blank());
}

TEST(ReadFailure, ChipTooLargeToPlaceStopsBeforeTheCommand) {
    ReadBench bench(Blank(), 0x28);
    const std::string path = bench.Saving("big.bin");
    const FatalStop stop = ExpectFatalStop([&] { ReadClick(bench.session); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибочный вызов CalcAddres! inps= 1048576");
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{"", "+++ Начало чтения чипа.", "[save] " + path,
                                        "  Чип определен: BIG. Объем: 1048576 байт(а).",
                                        "  Производится чтение."}));
    EXPECT_EQ(bench.WireLines(), (std::vector<std::string>{"CmdOut " + Hex16({0x80}),
                                                           "CmdIn " + Hex16({0, 0x2F, 0x28})}));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(ReadFailure, UnidentifiedChipCreatesNoFile) {
    ReadBench bench(Blank(), 0x99);
    bench.session.CheckBoxNotWrite = false;  // no save dialog is expected
    EXPECT_EQ(ReadClick(bench.session), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Read({"  Чип не определен!",
                    "  Считаны коды: \"00 2F 99 00 00 00 00 00 00 00 00 00 00 00 00 00\""}));
}

}  // namespace
}  // namespace dspprog::testing
