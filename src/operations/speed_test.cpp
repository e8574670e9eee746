// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/speed_test.h"

#include <charconv>
#include <cmath>

namespace dspprog {
namespace {

// Writes the block 1001 times on `pipe` and returns the elapsed milliseconds.
std::uint64_t TimeSeries(Link& link, Pipe& pipe, const DataBlock& block, std::uint32_t& counter) {
    const std::uint64_t start = link.clock().NowMs();
    counter = 0;
    do {
        link.WritePipe(pipe, block.data(), kBlockSize);
        ++counter;
    } while (counter != kSpeedTestBlocks);
    return link.clock().NowMs() - start;
}

std::string SpeedText(std::uint32_t counter, std::uint64_t elapsed_ms, char separator) {
    const std::optional<double> speed = SpeedKBps(counter, elapsed_ms);
    if (!speed) return "не измерена (0 мс)";
    return FormatSpeed(*speed, separator);
}

}  // namespace

std::optional<double> SpeedKBps(std::uint32_t blocks, std::uint64_t elapsed_ms) {
    if (elapsed_ms == 0) return std::nullopt;
    const double s =
        (static_cast<double>(blocks) * 4.096 * 100) / (static_cast<double>(elapsed_ms) / 1000.0);
    // nearbyint in the default rounding mode: an exact half goes to the even neighbour.
    return std::nearbyint(s) / 100;
}

std::string FormatSpeed(double speed, char separator) {
    // to_chars ignores the C locale, which a GUI toolkit may have changed;
    // the operator's separator is put in explicitly.
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, speed, std::chars_format::general, 15);
    std::string out(text, result.ptr);
    for (char& c : out) {
        if (c == '.') c = separator;
    }
    return out;
}

namespace {

Outcome MeasureSpeeds(Session& session) {
    Link& link = session.link;
    Operator& op = session.op;
    // The firmware drains these blocks; their content means nothing.
    const DataBlock test_buf{};
    std::uint32_t counter = 0;

    op.Log("Измерение скорости обмена 16 битной Endpoint");
    const std::uint64_t cmd_ms = TimeSeries(link, *link.CmdOut, test_buf, counter);
    op.Log("Скорость 16 битной Endpoint: " + SpeedText(counter, cmd_ms, session.DecimalSeparator));
    session.findings.speeds.emplace_back("CmdOut", SpeedKBps(counter, cmd_ms));

    op.Log("Измерение скорости обмена 64 битной Endpoint");
    const std::uint64_t main_ms = TimeSeries(link, *link.MainOut, test_buf, counter);
    op.Log("Скорость 64 битной Endpoint: " + SpeedText(counter, main_ms, session.DecimalSeparator));
    session.findings.speeds.emplace_back("MainOut", SpeedKBps(counter, main_ms));

    return cmd_ms != 0 && main_ms != 0 ? Outcome::Succeeded : Outcome::Failed;
}

}  // namespace

const ButtonOperation kButton1Button = {nullptr, MeasureSpeeds, nullptr};

}  // namespace dspprog
