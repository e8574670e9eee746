// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a 512 KB flash chip on 1, 2 and 4 emulated programmers at once,
// each on a site of its own, with the emulator's timing model (USB full-speed
// bulk packets, erase and programming times) on the steady clock: the wall
// time of N programmers against that of one. Side by side, the sites should
// cost at most 15% more than one programmer alone.
//
// gang_write_bench [chips.db]   (default: chips.db in the current directory)

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench_support.h"
#include "link/clock.h"
#include "production/run_executor.h"
#include "startup/operation_table.h"
#include "startup/programmer.h"

namespace {

using namespace dspprog;

// AMD Am29F040B in the shipped catalogue: 512 KB, Type 255 (erased, then written).
constexpr const char* kChip = "01A4";
constexpr std::uint32_t kChipSize = 524288;

// Answers the write's open dialog with the image; logs nothing.
class QuietOperator final : public Operator {
public:
    explicit QuietOperator(std::string image) : image_(std::move(image)) {}
    void Log(const std::string&) override {}
    void ErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
    bool OkCancelBox(const std::string&) override { return false; }
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override { return image_; }
    int ShowCriticalError(const std::string& message) override {
        return bench::NeverPrompted().ShowCriticalError(message);
    }

private:
    std::string image_;
};

// One chip per programmer: nobody is asked for the next.
class OneChipOnly final : public NextChipPrompt {
public:
    NextChip AskNext(const SeriesCounts&) override { return NextChip::Finish; }
};

// Seconds of wall time for one gang write on `count` programmers; negative
// when a site failed.
double GangWrite(std::size_t count, const std::string& catalogue, const std::string& image) {
    StartOptions options;
    options.emulate = true;
    options.emulated_chips.assign(count, kChip);
    options.emulator.chip = kChip;
    SteadyClock clock;
    std::string error;
    std::unique_ptr<Programmer> programmer = Programmer::Open(options, catalogue, clock, error);
    if (!programmer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return -1;
    }
    RunPlan plan;
    plan.operation = OperationNamed("write");
    GangPlace place;
    place.catalogue_path = catalogue;
    place.make_operator = [&](const ProgrammerEntry&) {
        return std::make_unique<QuietOperator>(image);
    };
    PlanFiles files;
    OneChipOnly nobody;
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome =
        RunGang(plan, *programmer, programmer->List(), place, files, nobody, clock);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return outcome.status == 0 ? took.count() : -1;
}

int Bench(const std::string& catalogue) {
    const std::filesystem::path image =
        std::filesystem::temp_directory_path() / "dspprog-gang-bench.bin";
    {
        std::ofstream file(image, std::ios::binary | std::ios::trunc);
        for (std::uint32_t i = 0; i < kChipSize; ++i)
            file.put(static_cast<char>((i * 131) ^ (i >> 11)));
    }
    // Gone on every way out, a fatal stop included.
    const std::unique_ptr<const std::filesystem::path, void (*)(const std::filesystem::path*)>
        remove_image(&image, [](const std::filesystem::path* file) {
            std::error_code error;
            std::filesystem::remove(*file, error);
        });
    std::printf("programmers  wall s  ratio to one\n");
    double one = 0;
    int status = 0;
    for (std::size_t count : {1u, 2u, 4u}) {
        const double seconds = GangWrite(count, catalogue, image.string());
        if (seconds < 0) {
            std::printf("%11zu  failed\n", count);
            status = 1;
            continue;
        }
        if (count == 1) one = seconds;
        std::printf("%11zu  %6.2f  %5.3f\n", count, seconds, one > 0 ? seconds / one : 0.0);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string catalogue = argc > 1 ? argv[1] : "chips.db";
    return bench::RunStoppable(catalogue, [&] { return Bench(catalogue); });
}
