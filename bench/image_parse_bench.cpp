// SPDX-License-Identifier: GPL-3.0-or-later
// How long turning a 512 KB chip's image file into the chip's bytes takes.
//
// A write reads the whole file before the chip is touched, so that a damaged
// file is refused before anything is written. That must cost next to nothing
// beside the chip itself: reading a 512 KB chip at USB full speed takes
// 431 ms, and parsing its Intel HEX file may take 1% of that, 4.31 ms.
// S-records and writing either form (what a read does) are shown beside it.
//
// image_parse_bench [runs]   (default 50 runs of each)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "image/image_encoder.h"
#include "image/image_format.h"

namespace {

constexpr std::uint32_t kChipSize = 524288;
constexpr std::uint32_t kBlock = 4096;
constexpr double kBudgetMs = 4.31;

template <typename Work>
std::vector<double> TimesMs(int runs, Work&& work) {
    std::vector<double> times;
    for (int n = 0; n < runs; ++n) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace dspprog;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    std::vector<std::uint8_t> chip(kChipSize);
    std::mt19937 random(1);
    for (auto& b : chip) b = static_cast<std::uint8_t>(random());

    bool within_budget = true;
    for (ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord}) {
        std::string file;
        const std::vector<double> encode = TimesMs(runs, [&] {
            auto encoder = MakeImageEncoder(format, kChipSize);
            file = encoder->Begin();
            for (std::uint32_t at = 0; at < kChipSize; at += kBlock) {
                file += encoder->Data(at, chip.data() + at, kBlock);
            }
            file += encoder->End();
        });

        std::vector<std::uint8_t> read;
        bool sound = true;
        ConvertImage(file, format, kChipSize, 0, read);  // once to warm the caches
        const std::vector<double> parse = TimesMs(
            runs, [&] { sound = !ConvertImage(file, format, kChipSize, 0, read) && sound; });
        if (!sound || read != chip) {
            std::fprintf(stderr, "%s: the file did not read back into the chip\n",
                         ImageFormatTitle(format));
            return 2;
        }

        const double median = parse[parse.size() / 2];
        std::printf(
            "%-17s %zu bytes of text: parse best %.3f ms, median %.3f ms, worst %.3f ms"
            " (%.0f MB/s); write median %.3f ms\n",
            ImageFormatTitle(format), file.size(), parse.front(), median, parse.back(),
            static_cast<double>(file.size()) / 1e3 / median, encode[encode.size() / 2]);
        if (format == ImageFormat::IntelHex) within_budget = median < kBudgetMs;
    }
    std::printf("budget for the HEX parse: %.2f ms (1%% of a 512 KB read at full speed): %s\n",
                kBudgetMs, within_budget ? "met" : "MISSED");
    return within_budget ? 0 : 1;
}
