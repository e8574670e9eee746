// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/shown_text.h"

#include <cstdint>
#include <cstdio>

namespace dspprog {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at `at`, 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the second byte's range, narrower after some leads
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string ShownText(std::string_view data) {
    std::string shown;
    shown.reserve(data.size());
    char escape[8];
    for (std::size_t at = 0; at < data.size();) {
        const auto c = static_cast<std::uint8_t>(data[at]);
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            ++at;
            continue;
        }
        if (c < 0x80) {
            switch (c) {
                case '\n':
                    shown += "\\n";
                    break;
                case '\t':
                    shown += "\\t";
                    break;
                case '\r':
                    shown += "\\r";
                    break;
                default:
                    std::snprintf(escape, sizeof escape, "\\x%02X", c);
                    shown += escape;
                    break;
            }
            ++at;
            continue;
        }
        const std::size_t length = SequenceLength(data, at);
        if (length == 0) {
            shown += kReplacement;
            ++at;
        } else if (length == 2 && c == 0xC2 && static_cast<std::uint8_t>(data[at + 1]) < 0xA0) {
            // A C1 control: some terminals take U+009B as the start of a command.
            std::snprintf(escape, sizeof escape, "\\u%04X",
                          static_cast<unsigned>(static_cast<std::uint8_t>(data[at + 1])));
            shown += escape;
            at += 2;
        } else {
            shown.append(data.substr(at, length));
            at += length;
        }
    }
    return shown;
}

}  // namespace dspprog
