// SPDX-License-Identifier: GPL-3.0-or-later
// Writing: the file choice, the set-up by chip type (erasing first where the
// chip needs it), the data phase and the verify against the file on disk.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "chip_bench.h"
#include "image/image_encoder.h"
#include "operations/identify.h"
#include "operations/write_chip.h"
#include "support/bytes.h"

namespace dspprog::testing {
namespace {

constexpr const char* kOpened = "+++ Начало записи чипа.";
constexpr const char* kClosed = "--- Окончание записи чипа.";
constexpr const char* kCancelled = "  Операция записи отменена пользователем!";
constexpr const char* kWriting = "  Чип записывается подождите...";
constexpr const char* kVerifying = "  Проверяется правильность записи.";
constexpr const char* kGood = "  Чип записан без ошибок.";
constexpr const char* kLarger = "Размер файла больше размера чипа!";
constexpr const char* kSmaller = "Размер файла меньше размера чипа!";
constexpr const char* kNoAlgorithm = "  Алгоритм для данного типа чипов не известен!!!";
constexpr auto kIntelHex = ImageFormat::IntelHex;
constexpr auto kSRecord = ImageFormat::SRecord;

Chip Flash(const std::string& t_write) {
    return {8192, "64K", kType255, "255", "4", t_write};
}
Chip Pulse(std::uint16_t type, const std::string& type_text) {
    return {8192, "64K", type, type_text, "0", "0"};
}

struct WriteBench : ChipBench {
    explicit WriteBench(const Chip& chip = {}) : ChipBench(chip, kOpened, kClosed) {}

    // Writes `bytes` as `name` and queues it as the open dialog's answer.
    std::string Offer(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFile(name, bytes);
        op.AnswerOpen(PathOf(name));
        return PathOf(name);
    }
    std::vector<std::uint8_t> Opcodes() const {
        std::vector<std::uint8_t> ops;
        for (const auto& block : firmware.wire())
            if (block.pipe == emu::PipeRole::CmdOut && block.bytes.size() == 16)
                ops.push_back(block.bytes[0]);
        return ops;
    }
};

std::string Ok(const char* text) {
    return std::string("[okcancel] ") + text + " -> OK";
}
std::string Cancel(const char* text) {
    return std::string("[okcancel] ") + text + " -> Cancel";
}

// --- Choosing the file ---------------------------------------------------------------

TEST(WriteChoice, CancelledDialog) {
    WriteBench bench;
    bench.op.AnswerOpen(std::nullopt);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Cancelled);
    EXPECT_EQ(bench.op.transcript(), bench.Lines({"[open] cancel", kCancelled}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

TEST(WriteChoice, LargerOrUnusableFileThenCancel) {
    enum Kind { kLargerFile, kNoFile, kHiddenFile, kDirectory, kPipe, kUnreadableFile };
    struct Case {
        Kind kind;
        const char* name;
        const char* reason;  // the line before the size line, without the name
    };
    const std::vector<Case> cases = {
        {kLargerFile, "big.bin", nullptr},
        {kNoFile, "typed.bin", "  Файл не найден: "},
        {kDirectory, "folder", "  Это не обычный файл: "},
#ifndef _WIN32
        {kHiddenFile, ".image.bin", "  Скрытые файлы не принимаются: "},
        {kPipe, "fifo", "  Это не обычный файл: "},
        {kUnreadableFile, "locked.bin", "  Файл не удаётся прочитать: "},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBench bench;
        const std::string path = bench.PathOf(c.name);
        switch (c.kind) {
            case kLargerFile:
                bench.WriteFile(c.name, Pattern(8192 + 4096));
                break;
            case kDirectory:
                std::filesystem::create_directory(path);
                break;
#ifndef _WIN32
            case kHiddenFile:
                bench.WriteFile(c.name, Pattern(8192));
                break;
            case kPipe:
                ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
                break;
            case kUnreadableFile:
                if (geteuid() == 0) continue;  // root reads it all the same
                bench.WriteFile(c.name, Pattern(8192));
                ASSERT_EQ(chmod(path.c_str(), 0), 0);
                break;
#endif
            default:
                break;
        }
        bench.op.AnswerOpen(path);
        bench.op.AnswerOkCancel(false);
        EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Unusable);
        // For a larger file the line comes before the box; the real reason before both.
        std::vector<std::string> expected = bench.Lines(
            {"[open] " + path, std::string("  ") + kLarger, Cancel(kLarger), kCancelled});
        if (c.reason) expected.insert(expected.begin() + 4, c.reason + ("\"" + path + "\"!"));
        EXPECT_EQ(bench.op.transcript(), expected);
        EXPECT_EQ(bench.WireLines(), IdentWire());
    }
}

TEST(WriteChoice, SmallerFileThenCancel) {
    WriteBench bench;
    const std::string path = bench.Offer("small.bin", Pattern(4096));
    bench.op.AnswerOkCancel(false);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Unusable);
    // For a smaller file the box comes before the line.
    EXPECT_EQ(bench.op.transcript(), bench.Lines({"[open] " + path, Cancel(kSmaller),
                                                  std::string("  ") + kSmaller, kCancelled}));
}

TEST(WriteChoice, EmptyFileCancelsEvenAfterOk) {
    WriteBench bench;
    const std::string path = bench.Offer("empty.bin", {});
    bench.op.AnswerOkCancel(true);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Unusable);
    EXPECT_EQ(bench.op.transcript(), bench.Lines({"[open] " + path, Ok(kSmaller),
                                                  std::string("  ") + kSmaller, kCancelled}));
    EXPECT_EQ(bench.op.unanswered(), 0u);
}

TEST(WriteChoice, OkShowsTheDialogAgainUntilTheSizeFits) {
    WriteBench bench;
    const std::string big = bench.Offer("big.bin", Pattern(8192 + 4096));
    bench.op.AnswerOkCancel(true);
    const std::string small = bench.Offer("small.bin", Pattern(4096));
    bench.op.AnswerOkCancel(true);
    const std::string good = bench.Offer("good.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    const auto& t = bench.op.transcript();
    const std::vector<std::string> head(t.begin(), t.begin() + 11);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "", kOpened, bench.ChipLine(), "[open] " + big, std::string("  ") + kLarger,
                        Ok(kLarger), "[open] " + small, Ok(kSmaller), std::string("  ") + kSmaller,
                        "[open] " + good, kWriting}));
    EXPECT_EQ(bench.firmware.chip().content(), Pattern(8192));
}

TEST(WriteChoice, TheFormOfTheFile) {
    using Bytes = std::vector<std::uint8_t>;
    const Bytes image = Pattern(8192);
    const auto encoded = [&](ImageFormat format) {
        const auto encoder = MakeImageEncoder(format, 8192, 0);
        return encoder->Begin() + encoder->Data(0, image.data(), image.size()) + encoder->End();
    };
    const std::string text = "firmware 1.2\r\nbuilt today\r\n";
    Bytes padded_text(text.begin(), text.end());
    padded_text.resize(8192, 0xFF);
    const std::string not_a_record = ", строка 1: строка должна начинаться с ':'";
    struct Case {
        const char* what;
        const char* name;
        std::string content;
        bool pad;
        std::optional<ImageFormat> forced;
        std::string refusal;  // what follows "Ошибка в файле "NAME""; empty: written
        Bytes chip;
    };
    const std::vector<Case> cases = {
        {"HEX after a byte-order mark, pad", "image.bin", "\xEF\xBB\xBF" + encoded(kIntelHex), true,
         std::nullopt, "", image},
        {"text, pad", "notes.txt", text, true, std::nullopt,
         ": это текст, но ни Intel HEX, ни Motorola S-record", Bytes()},
        {"text of the chip's size is raw", "image.bin", std::string(8192, 'U'), false, std::nullopt,
         "", Bytes(8192, 'U')},
        {"a HEX name of the chip's size", "image.hex", std::string(8192, 'U'), false, std::nullopt,
         not_a_record, Bytes()},
        {"forced HEX on S-records", "image.s19", encoded(kSRecord), false, kIntelHex, not_a_record,
         Bytes()},
        {"forced raw on text, pad", "notes.txt", text, true, ImageFormat::Raw, "", padded_text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBench bench;
        bench.session.settings.pad_short_image = c.pad;
        bench.session.settings.image_format = c.forced;
        const std::string path = bench.Offer(c.name, Bytes(c.content.begin(), c.content.end()));
        if (c.refusal.empty()) {
            EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
            EXPECT_EQ(bench.firmware.chip().content(), c.chip);
            continue;
        }
        EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Unusable);
        EXPECT_EQ(bench.op.transcript(),
                  bench.Lines({"[open] " + path, "  Ошибка в файле \"" + path + "\"" + c.refusal}));
        EXPECT_EQ(bench.WireLines(), IdentWire());
    }
}

// --- A whole write ---------------------------------------------------------------------

TEST(WriteExchange, PulseWriteSendsTheFileAndVerifiesIt) {
    WriteBench bench;
    const std::string path = bench.Offer("image.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines(
                  {"[open] " + path, kWriting, "  Чип записан за: 0 секунд.", kVerifying, kGood}));
    std::vector<std::string> wire = IdentWire();
    const std::vector<std::string> rest = {
        "CmdOut " + Hex16({0xC0, 0x00, 0xE0, 0xC7, 0x04, 0x0A, 0x32, 0x00, 0x00, 0x00}),
        "CmdIn " + Hex16({}),
        DataLine("MainOut"),
        DataLine("MainOut"),
        "CmdIn " + Hex16({}),
        "CmdOut " + Hex16({0x83, 0x00, 0xE0, 0x87}),
        "CmdIn " + Hex16({}),
        DataLine("MainIn"),
        DataLine("MainIn"),
        "CmdIn " + Hex16({}),
    };
    wire.insert(wire.end(), rest.begin(), rest.end());
    EXPECT_EQ(bench.WireLines(), wire);
    EXPECT_EQ(bench.firmware.chip().content(), Pattern(8192));
    EXPECT_EQ(bench.op.progress(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                       {0, 2}, {1, 2}, {2, 2}, {0, 2}, {1, 2}, {2, 2}}));

    // The next identification goes out with what the verify read left.
    bench.firmware.ClearWire();
    ASSERT_TRUE(IdentifyChip(bench.session, true));
    EXPECT_EQ(bench.Commands(), std::vector<std::string>{Hex16({0x80, 0x00, 0xE0, 0x87})});
}

TEST(WriteExchange, FlashThatNeedsErasingIsErasedFirst) {
    WriteBench bench(Flash("1"));
    bench.firmware.chip().content() = Pattern(8192, 77);  // would spoil the write unerased
    const std::string path = bench.Offer("image.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines({"[open] " + path, "  Чип требует стирание.", "",
                           kEraseOpened, bench.ChipLine(), kErasing, kEraseWait,
                           kEraseChecking, kErased, kWriting, "  Чип записан за: 0 секунд.",
                           kVerifying, kGood}));
    const auto commands = bench.Commands();
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[2], Hex16({0xA0, 0x00, 0xE0, 0x87, 0x04, 0xFA, 0x04, 0x0A}));
    // The algorithm write sets bytes 0 to 4 only.
    EXPECT_EQ(commands[4], Hex16({0xB0, 0x00, 0xE0, 0x87, 0x01, 0xFA, 0x04, 0x0A}));
    EXPECT_EQ(bench.firmware.chip().content(), Pattern(8192));
}

TEST(WriteExchange, WhenTheFlashIsErasedFirst) {
    struct Case {
        const char* t_write;
        bool not_erase;
        std::vector<std::uint8_t> opcodes;
    };
    const std::vector<Case> cases = {
        {"1", false, {0x80, 0x80, 0xA0, 0x83, 0xB0, 0x83}},
        {"3", false, {0x80, 0x80, 0xA0, 0x83, 0xB0, 0x83}},
        {"1", true, {0x80, 0xB0, 0x83}},
        {"2", false, {0x80, 0xB0, 0x83}},
        {"0x81", false, {0x80, 0xB0, 0x83}},
        {"0x83", false, {0x80, 0xB0, 0x83}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.t_write) + (c.not_erase ? " not erasing" : ""));
        WriteBench bench(Flash(c.t_write));
        bench.session.settings.erase_first = !c.not_erase;
        bench.Offer("image.bin", Pattern(8192));
        EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
        EXPECT_EQ(bench.Opcodes(), c.opcodes);
    }
}

TEST(WriteExchange, TimeCoversTheDataBlocksInWholeSeconds) {
    WriteBench bench;
    bench.Offer("image.bin", Pattern(8192));
    int calls = 0;
    bench.op.OnProgress([&](std::uint32_t, std::uint32_t) {
        if (++calls <= 3) bench.clock.Advance(700);  // the write phase: 2100 ms
    });
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(4), "  Чип записан за: 2 секунд.");
}

TEST(WriteExchange, CompletionOfTheWriteIsNotExamined) {
    WriteBench bench;
    bench.Offer("image.bin", Pattern(8192));
    bench.firmware.faults().fail_completion.insert(kWriteChipPulse);
    bench.firmware.faults().fail_completion.insert(kBurstRead);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(6), kGood);
}

TEST(WriteExchange, TimeoutFactorByType) {
    struct Case {
        Chip chip;
        std::uint64_t first_deadline_ms;  // the write command's, base 100 s
    };
    const std::vector<Case> cases = {
        {Flash("0x81"), 100000},
        {Pulse(kTypeFC00, "$FC00"), 100000},
        {Pulse(kTypeFD00, "$FD00"), 200000},
        {Pulse(kTypeFE00, "$FE00"), 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip.type_text);
        WriteBench bench(c.chip);
        bench.Offer("image.bin", Pattern(8192));
        bench.link.SetTimeoutFactor(77);
        // CmdOut: the identification, then the write command, which is held up.
        auto& stall = bench.firmware.faults().stall_from[static_cast<int>(emu::PipeRole::CmdOut)];
        stall = 1;
        bench.op.prompt().OnShow([&](std::size_t, const std::string&) { stall = -1; });
        bench.op.prompt().Script({CriticalPrompt::kRetry});
        const std::uint64_t start = bench.clock.NowMs();
        EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
        ASSERT_EQ(bench.op.prompt().times().size(), 1u);
        EXPECT_EQ(bench.op.prompt().messages()[0], "В USB не записано :16 байт!");
        EXPECT_EQ(bench.op.prompt().times()[0] - start, c.first_deadline_ms);
    }
}

// --- Verify ---------------------------------------------------------------------------

TEST(WriteVerify, EpromBitsCannotGoBackToOne) {
    WriteBench bench(Pulse(kTypeFD00, "$FD00"));
    std::vector<std::uint8_t> first(8192, 0xFF);
    first[10] = 0x00;
    first[5000] = 0x7F;
    bench.Offer("first.bin", first);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(6), kGood);

    bench.op.Clear();
    bench.Offer("blank.bin", std::vector<std::uint8_t>(8192, 0xFF));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.log().at(6), "  Чип имеет: 2 ошибок(у/и)");
    EXPECT_EQ(bench.firmware.chip().content(), first);
}

TEST(WriteVerify, ComparesWithTheFileAsItIsOnDisk) {
    WriteBench bench;
    bench.Offer("image.bin", Pattern(8192));
    std::vector<std::uint8_t> changed = Pattern(8192);
    changed[0] ^= 1;
    changed[4096] ^= 0x80;
    changed[8191] ^= 0xFF;
    bench.op.OnProgress([&](std::uint32_t done, std::uint32_t total) {
        if (done == total && bench.op.progress().size() == 3) bench.WriteFile("image.bin", changed);
    });
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.log().at(6), "  Чип имеет: 3 ошибок(у/и)");
    EXPECT_EQ(bench.firmware.chip().content(), Pattern(8192));
}

TEST(WriteVerify, RefusedVerifyReadStopsTheProgram) {
    WriteBench bench;
    bench.Offer("image.bin", Pattern(8192));
    bench.firmware.faults().refuse.insert(kBurstRead);
    const FatalStop stop =
        ExpectFatalStop([&] { RunInterlocked(bench.session, kWriteChipButton); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "  Команду _BurstRead не принято!!!");
    EXPECT_EQ(bench.op.log().back(), kVerifying);
}

// --- Refusals ---------------------------------------------------------------------------

TEST(WriteRefusal, UnknownWriteAlgorithmSendsNothing) {
    WriteBench bench(Flash("5"));
    const std::string path = bench.Offer("image.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines({"[open] " + path, "  Алгоритм записи чипа не известен!", kNoAlgorithm}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

TEST(WriteRefusal, UnknownTypeSendsNothing) {
    WriteBench bench({8192, "64K", 0x1234, "$1234", "4", "1"});
    const std::string path = bench.Offer("image.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(), bench.Lines({"[open] " + path, kNoAlgorithm}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

TEST(WriteRefusal, FailedEraseEndsTheWrite) {
    WriteBench bench(Flash("1"));
    bench.firmware.faults().stuck = 3;
    bench.Offer("image.bin", Pattern(8192));
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    const auto& log = bench.op.log();
    EXPECT_EQ(log.at(log.size() - 3), "  Чип имеет: 3 не стертых байт(а)");
    EXPECT_EQ(log.at(log.size() - 2), kNoAlgorithm);
    EXPECT_EQ(bench.Opcodes(), (std::vector<std::uint8_t>{0x80, 0x80, 0xA0, 0x83}));
}

TEST(WriteRefusal, RefusedWriteCommandIsALogLine) {
    WriteBench bench;
    const std::string path = bench.Offer("image.bin", Pattern(8192));
    bench.firmware.faults().refuse.insert(kWriteChipPulse);
    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines({"[open] " + path, "  Команду _WriteChip не принято!!!"}));
    EXPECT_EQ(bench.Opcodes(), (std::vector<std::uint8_t>{0x80, 0xC0}));
    EXPECT_EQ(bench.firmware.wire().size(), 4u);
}

TEST(WriteRefusal, ChipTooLargeToPlaceStopsInTheSetUp) {
    WriteBench bench({8192, "8M", kTypeFC00, "$FC00", "0", "0"});
    bench.Offer("big.bin", std::vector<std::uint8_t>(1048576, 0x00));
    const FatalStop stop =
        ExpectFatalStop([&] { RunInterlocked(bench.session, kWriteChipButton); });
    EXPECT_EQ(stop.message(), "Ошибочный вызов CalcAddres! inps= 1048576");
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

// --- Image file errors -------------------------------------------------------------------

TEST(WriteFileError, FileThatShrinksEndsTheProgramAfterTheBox) {
    // The file is cut short at the start of the write phase, then at the start
    // of the verify.
    for (const std::size_t at_call : {1u, 4u}) {
        SCOPED_TRACE(at_call);
        WriteBench bench;
        bench.Offer("image.bin", Pattern(8192));
        bench.op.OnProgress([&](std::uint32_t, std::uint32_t) {
            if (bench.op.progress().size() == at_call)
                std::filesystem::resize_file(bench.PathOf("image.bin"), 6000);
        });
        const FatalStop stop =
            ExpectFatalStop([&] { RunInterlocked(bench.session, kWriteChipButton); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
        EXPECT_EQ(bench.op.transcript().back(), "[box] Ошибка при чтении входного файла");
    }
}

#ifndef _WIN32  // an open file cannot be removed there
TEST(WriteFileError, FileGoneBeforeTheVerify) {
    WriteBench bench;
    bench.Offer("image.bin", Pattern(8192));
    bench.op.OnProgress([&](std::uint32_t, std::uint32_t) {
        if (bench.op.progress().size() == 3) std::filesystem::remove(bench.PathOf("image.bin"));
    });
    const FatalStop stop =
        ExpectFatalStop([&] { RunInterlocked(bench.session, kWriteChipButton); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    const auto& t = bench.op.transcript();
    EXPECT_EQ(std::vector<std::string>(t.end() - 2, t.end()),
              (std::vector<std::string>{kVerifying, "[box] Ошибка при чтении входного файла"}));
}
#endif

}  // namespace
}  // namespace dspprog::testing
