// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the chip: the blank and checksum verdicts, the image file, and what
// the operator sees when something refuses.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

#include "operations/read_chip.h"
#include "support/file_size_limit.h"
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
        session.settings.save_read = true;
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

// The names in the test's directory, in order: a temporary left behind shows.
std::vector<std::string> Names(const ReadBench& bench) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(bench.catalogue.dir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> IdentWire() {
    return {"CmdOut " + Hex16({0x80}), "CmdIn " + Hex16({0, 0x1F, 0x18})};
}

// --- Verdicts -----------------------------------------------------------------

TEST(ReadVerdict, BlankChipWithoutSaving) {
    ReadBench bench(Blank());
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
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
        EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
        EXPECT_EQ(bench.op.log().at(5), "  Контрольная сумма:EF01h.");
    }
}

TEST(ReadVerdict, ChecksumKeepsLeadingZeros) {
    std::vector<std::uint8_t> content(8192, 0x00);
    for (int i = 0; i < 10; ++i) content[i] = 0xFF;  // 10 x 255 + 10 = 2560
    content[10] = 0x0A;
    ReadBench bench(content);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(),
              Read({kChipLine, "  Производится чтение.", "  Чип считан за: 0 миллисекунд.",
                    "  Контрольная сумма:0A00h."}));
}

TEST(ReadVerdict, TimeCoversTheDataBlocks) {
    ReadBench bench(Blank());
    bench.op.OnProgress([&](std::uint32_t, std::uint32_t) { bench.clock.Advance(125); });
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(4), "  Чип считан за: 375 миллисекунд.");
}

TEST(ReadVerdict, BurstReadKeepsBytesFourOnFromTheLastCommand) {
    ReadBench bench(Blank());
    bench.session.CmdBuf() = {0xD0, 0x11, 0x22, 0xEF, 0x04, 0x19, 0x02, 0x02};
    ASSERT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(bench.Commands().at(1), Hex16({0x83, 0x00, 0xE0, 0x87, 0x04, 0x19, 0x02, 0x02}));
}

// --- Image file ---------------------------------------------------------------

TEST(ReadSave, ContentIsSavedAsItCameFromTheChip) {
    std::vector<std::uint8_t> content(8192);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
    ReadBench bench(content);
    const std::string path = bench.Saving("image.bin");
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(bench.ReadFile("image.bin"), content);
    EXPECT_EQ(Names(bench), (std::vector<std::string>{"chips.db", "image.bin"}));
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
        EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Cancelled);
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
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
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
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Cancelled);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, "  Такой файл существует: \"" + path + "\"!",
                    "  Операция чтения отмена.", ""}));
    EXPECT_EQ(bench.ReadFile(".img"), (std::vector<std::uint8_t>{1, 2}));
}
#endif

TEST(ReadSave, FileThatCannotBeCreated) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("no-such-dir/image.bin");
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, "  Ошибка создания файла:\"" + path + "\""}));
}

TEST(ReadSave, CancelledDialogEndsWithAnEmptyLine) {
    ReadBench bench(Blank());
    bench.session.settings.save_read = true;
    bench.op.AnswerSave(std::nullopt);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Cancelled);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] cancel", "  Операция чтения отменена пользователем!", ""}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

TEST(ReadSave, NotSavingShowsNoDialogAndCreatesNothing) {
    ReadBench bench(Blank());
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(Names(bench), std::vector<std::string>{"chips.db"});
    EXPECT_EQ(bench.op.transcript().back(), "--- Окончание чтения чипа.");
    EXPECT_EQ(bench.op.transcript().at(bench.op.transcript().size() - 2), "  Чип чист.");
}

// --- Failures -----------------------------------------------------------------

TEST(ReadFailure, RefusedBurstReadShowsTheBox) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("image.bin");
    bench.firmware.faults().refuse.insert(kBurstRead);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(), Read({"[save] " + path, kChipLine, "  Производится чтение.",
                                           "[box] Команду _BurstRead не принято"}));
}

TEST(ReadFailure, FailedCompletionHidesTimeAndVerdict) {
    ReadBench bench(Blank());
    const std::string path = bench.Saving("image.bin");
    bench.firmware.faults().fail_completion.insert(kBurstRead);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Read({"[save] " + path, kChipLine, "  Производится чтение.",
                    "  Чип рапортует \"Операция чтения не успешна!\" ",
                    "  Чтение не завершено! Считанное сохранено в файле: \"" + path + ".part\"."}));
}

// A read that does not succeed leaves nothing under the chosen name; what it
// read is kept as NAME.part, and one line says so.
struct UnfinishedRead {
    const char* cause;
    std::function<void(ReadBench&)> arrange;
    bool stops;                 // the program ends; otherwise the read fails
    std::uint32_t blocks_kept;  // in NAME.part; 0: no NAME.part and no line
    const char* after_line;     // what follows the line; null: nothing
    bool taken = false;         // another file took the chosen name meanwhile
};

TEST(ReadFailure, WhatWasReadIsKeptAsPartAndTheChosenNameIsNeverAPartialImage) {
    constexpr const char* kClosing = "--- Окончание чтения чипа.";
    const std::vector<std::uint8_t> taken = {1, 2, 3};
#ifndef _WIN32
    std::optional<FileSizeLimit> full_disk;
#endif
    const std::vector<UnfinishedRead> cases = {
        {"programmer unplugged", [](ReadBench& b) { b.firmware.faults().disconnect_after = 5; },
         true, 1, nullptr},
        {"stall, then terminate",
         [](ReadBench& b) {
             b.firmware.faults().stall_from[static_cast<int>(emu::PipeRole::MainIn)] = 1;
         },
         true, 1, nullptr},
        {"completion reports failure",
         [](ReadBench& b) { b.firmware.faults().fail_completion.insert(kBurstRead); }, false, 2,
         kClosing},
#ifndef _WIN32
        {"disk full",
         [&](ReadBench& b) {
             b.op.OnProgress([&](std::uint32_t done, std::uint32_t) {
                 if (done == 1) full_disk.emplace(kBlockSize);
             });
         },
         true, 1, "[box] Ошибка при записи выходного файла"},
#endif
        {"command refused", [](ReadBench& b) { b.firmware.faults().refuse.insert(kBurstRead); },
         false, 0, nullptr},
        {"chosen name taken during the read",
         [&](ReadBench& b) {
             b.op.OnProgress([&b, &taken](std::uint32_t done, std::uint32_t) {
                 if (done == 1) b.WriteFile("image.bin", taken);
             });
         },
         false, 2, kClosing, true},
    };
    std::vector<std::uint8_t> content(8192);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);

    for (const UnfinishedRead& c : cases) {
        SCOPED_TRACE(c.cause);
        ReadBench bench(content);
        const std::string path = bench.Saving("image.bin");
        c.arrange(bench);
        bool stopped = false;
        try {
            EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
        } catch (const FatalStop&) {
            stopped = true;
        }
#ifndef _WIN32
        full_disk.reset();
#endif
        EXPECT_EQ(stopped, c.stops);

        std::vector<std::string> names = {"chips.db"};
        if (c.taken) names.push_back("image.bin");
        if (c.blocks_kept > 0) names.push_back("image.bin.part");
        EXPECT_EQ(Names(bench), names);
        if (c.taken) {
            EXPECT_EQ(bench.ReadFile("image.bin"), taken);
        }

        const auto& shown = bench.op.transcript();
        const std::string line =
            "  Чтение не завершено! Считанное сохранено в файле: \"" + path + ".part\".";
        EXPECT_EQ(std::count(shown.begin(), shown.end(), line), c.blocks_kept > 0 ? 1 : 0);
        const auto at = std::find(shown.begin(), shown.end(), line);
        if (c.blocks_kept == 0 || at == shown.end()) continue;
        const auto kept = content.begin() + c.blocks_kept * kBlockSize;
        EXPECT_EQ(bench.ReadFile("image.bin.part"),
                  std::vector<std::uint8_t>(content.begin(), kept));
        EXPECT_EQ(at + 1 == shown.end() ? std::string("(nothing)") : *(at + 1),
                  c.after_line ? c.after_line : "(nothing)");
    }
}

TEST(ReadFailure, AnEarlierPartFileIsNotReplaced) {
    ReadBench bench(Blank());
    bench.Saving("image.bin");
    bench.WriteFile("image.bin.part", {9, 9});
    bench.firmware.faults().fail_completion.insert(kBurstRead);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    EXPECT_EQ(bench.ReadFile("image.bin.part"), (std::vector<std::uint8_t>{9, 9}));
    // What was read stays under its hidden temporary name, and the log names it.
    const std::vector<std::string> names = Names(bench);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(bench.ReadFile(names[0]), Blank());
    EXPECT_EQ(
        bench.op.log().at(bench.op.log().size() - 2),
        "  Чтение не завершено! Считанное сохранено в файле: \"" + bench.PathOf(names[0]) + "\".");
}

TEST(ReadFailure, ChipTooLargeToPlaceStopsBeforeTheCommand) {
    ReadBench bench(Blank(), 0x28);
    const std::string path = bench.Saving("big.bin");
    const FatalStop stop = ExpectFatalStop([&] { RunInterlocked(bench.session, kReadButton); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибочный вызов CalcAddres! inps= 1048576");
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{"", "+++ Начало чтения чипа.", "[save] " + path,
                                        "  Чип определен: BIG. Объем: 1048576 байт(а).",
                                        "  Производится чтение."}));
    EXPECT_EQ(bench.WireLines(), (std::vector<std::string>{"CmdOut " + Hex16({0x80}),
                                                           "CmdIn " + Hex16({0, 0x2F, 0x28})}));
    EXPECT_EQ(Names(bench), std::vector<std::string>{"chips.db"});
}

TEST(ReadFailure, UnidentifiedChipCreatesNoFile) {
    ReadBench bench(Blank(), 0x99);
    bench.session.settings.save_read = true;  // no save dialog is expected
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Read({"  Чип не определен!",
                    "  Считаны коды: \"00 2F 99 00 00 00 00 00 00 00 00 00 00 00 00 00\""}));
}

}  // namespace
}  // namespace dspprog::testing
