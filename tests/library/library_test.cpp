// SPDX-License-Identifier: GPL-3.0-or-later
// The library's own part: the errors each way of failing becomes, the stall
// policy, cancelling, results against sums computed elsewhere, parallel
// programmers, and the image functions on buffers.
#include "library/internal_names.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "library/library_operator.h"
#include "link/link.h"
#include "support/fake_pipe.h"

#include "dspprog/dspprog.h"

namespace {

namespace fs = std::filesystem;
namespace api = dspprog::v0;

constexpr std::uint32_t kChipSize = 131072;  // the Am29F010 of code 0120

struct LibraryTest : testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("dspprog-library-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    api::OpenOptions Emulated(std::vector<std::string> faults = {}, int count = 1) const {
        api::OpenOptions options;
        options.catalogue = DSPPROG_TEST_CATALOGUE;
        options.fast = true;
        for (int n = 0; n < count; ++n)
            options.emulated.push_back(
                {"0120", (dir / ("chip" + std::to_string(n) + ".bin")).string(), faults, {}});
        return options;
    }
    std::string ChipFile(int n = 0) const {
        std::ifstream in(dir / ("chip" + std::to_string(n) + ".bin"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir;
};

api::Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    api::Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Which of the library's errors `work` ends with.
std::string Thrown(const std::function<void()>& work) {
    try {
        work();
    } catch (const api::BadInput&) {
        return "BadInput";
    } catch (const api::ChipFailure&) {
        return "ChipFailure";
    } catch (const api::ProgrammerGone&) {
        return "ProgrammerGone";
    } catch (const api::Cancelled&) {
        return "Cancelled";
    }
    return "nothing";
}

TEST_F(LibraryTest, EachWayOfFailingIsThrownAsItsKind) {
    struct Case {
        const char* what;
        std::vector<std::string> faults;
        std::function<void(api::OpenOptions&)> change;
        std::function<void(api::Programmer&)> work;
        const char* thrown;
        bool nothing_sent = false;  // the chip is still as erased as it was made
    };
    const auto none = [](api::OpenOptions&) {};
    const Case cases[] = {
        {"unplugged mid-read", {"unplug@12"}, none, [](auto& p) { p.Read(); }, "ProgrammerGone"},
        {"write not taken",
         {"fail:B0"},
         none,
         [](auto& p) { p.Write(api::Bytes(kChipSize, 0)); },
         "ChipFailure"},
        {"image too big",
         {},
         none,
         [](auto& p) { p.Write(api::Bytes(kChipSize + 1, 0)); },
         "BadInput",
         true},
        {"damaged HEX",
         {},
         none,
         [](auto& p) {
             const std::string hex = ":10000000ZZ\n";
             p.Write(api::Bytes(hex.begin(), hex.end()));
         },
         "BadInput",
         true},
        {"unknown chip", {"ident:FFEE"}, none, [](auto& p) { p.Identify(); }, "ChipFailure"},
        {"unknown backend",
         {},
         [](auto& o) { o.emulated.clear(), o.backend = "serial"; },
         [](auto&) {},
         "BadInput"},
        {"bad fault word", {"sideways"}, none, [](auto&) {}, "BadInput"},
        {"no catalogue",
         {},
         [&](auto& o) { o.catalogue = (dir / "none.db").string(); },
         [](auto&) {},
         "BadInput"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir / "chip0.bin");
        api::OpenOptions options = Emulated(c.faults);
        c.change(options);
        EXPECT_EQ(Thrown([&] {
                      api::Programmer programmer = api::Programmer::Open(options);
                      c.work(programmer);
                  }),
                  c.thrown);
        if (c.nothing_sent) {
            EXPECT_TRUE(ChipFile() == std::string(kChipSize, '\xFF'));
        }
    }
}

TEST(LibraryStall, GivesUpAfterThePolicysTimeWithoutAsking) {
    // Deadlines kept, a stalled read is reported at 5 s: a shorter policy
    // ends the wait before it, a longer one goes on past it.
    for (const std::uint64_t limit_ms : {3000u, 12000u}) {
        SCOPED_TRACE(limit_ms);
        dspprog::SimulatedClock clock(1000);
        dspprog::library::LibraryOperator op(clock);
        op.stall_limit_ms = limit_ms;
        std::vector<std::string> log;
        op.log = [&](const std::string& line) { log.push_back(line); };
        dspprog::FakeBackend backend(clock);
        dspprog::Link link(backend, clock, op);
        link.KeepDeadlines(true);
        dspprog::FakePipe pipe(clock);
        pipe.Plan(dspprog::TransferPlan::Never());
        std::vector<std::uint8_t> buffer(4096);
        EXPECT_THROW(link.ReadPipe(pipe, buffer.data(), 4096), api::ProgrammerGone);
        EXPECT_EQ(clock.NowMs(), 1000 + limit_ms);
        EXPECT_EQ(pipe.cancels(), 1);            // the buffer is left alone
        EXPECT_EQ(log.size(), limit_ms / 5000);  // the reports at 5 s and 10 s
    }
}

TEST_F(LibraryTest, CallbacksSeeTheLogAndProgressAndCancelStopsTheOperation) {
    api::Programmer programmer = api::Programmer::Open(Emulated());
    std::vector<std::string> log;
    std::uint32_t last_done = 0;
    programmer.OnLog([&](const std::string& line) { log.push_back(line); });
    programmer.OnProgress([&](std::uint32_t done, std::uint32_t) {
        last_done = done;
        if (done == 5) programmer.Cancel();
    });
    EXPECT_THROW(programmer.Read(), api::Cancelled);
    EXPECT_EQ(last_done, 5u);
    EXPECT_NE(
        std::find(log.begin(), log.end(), "  Чип определен: AMD Am29F010. Объем: 131072 байт(а)."),
        log.end());
    // Stopped mid-transfer, the programmer is not trusted again.
    EXPECT_THROW(programmer.Identify(), api::ProgrammerGone);
}

TEST_F(LibraryTest, ResultsAgreeWithSumsAndAddressesComputedHere) {
    api::Programmer programmer = api::Programmer::Open(Emulated());
    const api::Bytes image = RandomBytes(kChipSize, 7);
    programmer.Write(image);
    const api::ReadResult read = programmer.Read();
    EXPECT_EQ(read.chip.name, "AMD Am29F010");
    EXPECT_EQ(read.chip.code, "0120");
    ASSERT_TRUE(read.bytes == image);
    EXPECT_EQ(read.sums.crc32, crc32(0, image.data(), kChipSize));

    std::mt19937 random(11);
    api::Bytes changed = image;
    std::set<std::uint32_t> addresses;
    while (addresses.size() < 20) addresses.insert(random() % kChipSize);
    for (const std::uint32_t address : addresses) changed[address] ^= 0x5A;
    const api::VerifyResult verify = programmer.Verify(changed);
    EXPECT_FALSE(verify.equal);
    EXPECT_EQ(verify.differing, 20u);
    EXPECT_EQ(verify.differences,
              std::vector<std::uint32_t>(addresses.begin(), std::next(addresses.begin(), 16)));
    EXPECT_EQ(verify.chip_sums.crc32, read.sums.crc32);
    EXPECT_EQ(verify.image_sums.crc32, crc32(0, changed.data(), kChipSize));
    EXPECT_TRUE(programmer.Verify(image).equal);
}

TEST_F(LibraryTest, ProgrammersOpenedTogetherWorkInParallelThreads) {
    const api::OpenOptions options = Emulated({}, 3);
    std::vector<api::Programmer> all = api::Programmer::OpenAll(options);
    ASSERT_EQ(all.size(), 3u);
    const std::vector<api::ProgrammerInfo> listed = api::Programmer::List(options);
    ASSERT_EQ(listed.size(), 3u);
    for (std::size_t n = 0; n < 3; ++n) EXPECT_EQ(all[n].Info().serial, listed[n].serial);
    // One of them, chosen as --device chooses.
    api::OpenOptions second = options;
    second.device = listed[1].serial;
    EXPECT_EQ(api::Programmer::Open(second).Info().path, listed[1].path);
    std::vector<std::thread> threads;
    for (std::size_t n = 0; n < all.size(); ++n)
        threads.emplace_back(
            [&, n] { all[n].Write(RandomBytes(kChipSize, 100 + static_cast<std::uint32_t>(n))); });
    for (std::thread& thread : threads) thread.join();
    for (int n = 0; n < 3; ++n) {
        const api::Bytes expected = RandomBytes(kChipSize, 100u + n);
        EXPECT_TRUE(ChipFile(n) == std::string(expected.begin(), expected.end())) << n;
    }
}

TEST_F(LibraryTest, ImagesFromBuffersAndFiles) {
    // Two buffers placed, the holes filled, the byte pairs swapped.
    api::ImageRecipe recipe;
    recipe.sources = {{"a", api::Bytes{1, 2, 3}, 0}, {"b", api::Bytes{4, 5}, 6}};
    recipe.format = api::ImageFormat::Raw;
    recipe.fill = 0xEE;
    recipe.swap = true;
    EXPECT_EQ(api::BuildImage(recipe, std::nullopt, 8),
              (api::Bytes{2, 1, 0xEE, 3, 0xEE, 0xEE, 5, 4}));
    recipe.sources[1].address = 2;  // overlapping a different byte
    EXPECT_THROW(api::BuildImage(recipe, std::nullopt, 8), api::BadInput);

    // Each form read back as it was written, at a file address of its own.
    const api::Bytes bytes = RandomBytes(70000, 3);
    for (const api::ImageFormat format :
         {api::ImageFormat::Raw, api::ImageFormat::IntelHex, api::ImageFormat::SRecord}) {
        const std::uint32_t offset = format == api::ImageFormat::Raw ? 0 : 0x10000;
        const api::Bytes text = api::EncodeImage(bytes, format, offset);
        EXPECT_EQ(api::RecogniseFormat(text), format);
        EXPECT_TRUE(api::DecodeImage(text, format, 70000, offset) == bytes);
    }

    // A file is replaced only when asked to.
    const std::string path = (dir / "image.hex").string();
    api::WriteImageFile(path, bytes, api::ImageFormat::IntelHex);
    EXPECT_THROW(api::WriteImageFile(path, api::Bytes{1}, api::ImageFormat::Raw), api::BadInput);
    EXPECT_TRUE(api::ReadFileBytes(path) == api::EncodeImage(bytes, api::ImageFormat::IntelHex));
    // What an interrupted save left beside it does not stand in the way.
    std::ofstream(path + ".part") << "left over";
    api::WriteImageFile(path, api::Bytes{1}, api::ImageFormat::Raw, 0, true);
    EXPECT_EQ(api::ReadFileBytes(path), api::Bytes{1});
}

}  // namespace
