#include <cctype>
#include <cstdlib>

#include "emulator/firmware.h"

namespace dspprog::emu {

namespace {

bool ParseNumber(const std::string& text, int base, unsigned long max, unsigned long& out) {
    if (text.empty()) return false;
    for (char c : text) {
        if (base == 16 ? !std::isxdigit(static_cast<unsigned char>(c))
                       : !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    if (text.size() > 9) return false;
    out = std::strtoul(text.c_str(), nullptr, base);
    return out <= max;
}

}  // namespace

bool ParseFault(const std::string& word, Faults& faults, std::string& error) {
    const auto colon = word.find(':');
    std::string kind = word.substr(0, colon);
    std::string arg = colon == std::string::npos ? std::string() : word.substr(colon + 1);
    long from = 0;
    bool has_at = false;
    // "@N": from the N-th transfer on.
    std::string* with_at = colon == std::string::npos ? &kind : &arg;
    if (const auto at = with_at->find('@'); at != std::string::npos) {
        unsigned long n = 0;
        if (!ParseNumber(with_at->substr(at + 1), 10, 100000000, n)) {
            error = "bad transfer number in fault '" + word + "'";
            return false;
        }
        from = static_cast<long>(n);
        has_at = true;
        with_at->resize(at);
    }

    unsigned long value = 0;
    if (kind == "refuse" || kind == "fail") {
        if (!ParseNumber(arg, 16, 0xFF, value)) {
            error = "fault '" + word + "' needs a hex opcode such as 83";
            return false;
        }
        (kind == "refuse" ? faults.refuse : faults.fail_completion)
            .insert(static_cast<std::uint8_t>(value));
        return true;
    }
    if (kind == "stall" || kind == "short") {
        const auto pipe = PipeFromName(arg);
        if (!pipe) {
            error = "fault '" + word + "' needs a pipe: CmdIn, CmdOut, MainIn or MainOut";
            return false;
        }
        (kind == "stall" ? faults.stall_from : faults.short_from)[static_cast<int>(*pipe)] = from;
        return true;
    }
    if (kind == "stuck") {
        if (!ParseNumber(arg, 10, 1u << 20, value)) {
            error = "fault '" + word + "' needs a byte count";
            return false;
        }
        faults.stuck = static_cast<std::uint32_t>(value);
        return true;
    }
    if (kind == "unplug" && colon == std::string::npos && has_at) {
        faults.disconnect_after = from;
        return true;
    }
    error = "unknown fault '" + word + "'";
    return false;
}

}  // namespace dspprog::emu
